#pragma once

#include "Database/AbstractCommand.h"
#include "model/NoValue.h"
#include "model/ProjectId.h"

#include <QString>
#include <QtGlobal>

namespace kiv {

class Project;

// A snapshot of a project's own fields, and the exchange of them with the
// live project that the modify command runs as execute and undo.
class EditProjectCommand : public AbstractCommand
{
public:
    EditProjectCommand() = default;

    bool serialize(QDataStream& stream) override;
    bool unserialize(QDataStream& stream) override;

    ProjectId projectId() const { return m_values.projectId; }
    void setProjectId(ProjectId id) { m_values.projectId = id; }
    const QString& projectName() const { return m_values.projectName; }
    void setProjectName(const QString& name) { m_values.projectName = name; }
    const QString& region() const { return m_values.region; }
    void setRegion(const QString& region) { m_values.region = region; }
    const QString& description() const { return m_values.description; }
    void setDescription(const QString& description) { m_values.description = description; }
    const QString& localityBaseName() const { return m_values.localityBaseName; }
    void setLocalityBaseName(const QString& baseName) { m_values.localityBaseName = baseName; }
    qint64 timeStamp() const { return m_values.timeStamp; }
    void setTimeStamp(qint64 timeStamp) { m_values.timeStamp = timeStamp; }
    float declination() const { return m_values.declination; }
    void setDeclination(float declination) { m_values.declination = declination; }
    double lastLatitude() const { return m_values.lastLatitude; }
    void setLastLatitude(double latitude) { m_values.lastLatitude = latitude; }
    double lastLongitude() const { return m_values.lastLongitude; }
    void setLastLongitude(double longitude) { m_values.lastLongitude = longitude; }

protected:
    // Copies the project's fields; a null project changes nothing.
    void copyFrom(const Project* project);
    bool swapProject();

private:
    struct Values
    {
        ProjectId projectId;
        QString projectName;
        QString region;
        QString description;
        QString localityBaseName;
        qint64 timeStamp = 0;
        float declination = NoValueF;
        double lastLatitude = NoValue;
        double lastLongitude = NoValue;
    };

    void exchangeWith(Project& project);

    Values m_values;
};

} // namespace kiv
