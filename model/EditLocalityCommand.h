#pragma once

#include "Database/AbstractCommand.h"
#include "model/NoValue.h"
#include "model/ProjectId.h"

#include <QColor>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <string>

namespace kiv {

class Locality;
class Project;

// A snapshot of one locality, and the insert, delete and swap steps that the
// add, remove and modify commands share.
class EditLocalityCommand : public AbstractCommand
{
public:
    EditLocalityCommand();

    bool serialize(QDataStream& stream) override;
    bool unserialize(QDataStream& stream) override;

    // Copies the locality's values; a null locality changes nothing.
    void setFromLocality(std::shared_ptr<Locality> locality);

    const std::string& localityId() const { return m_values.localityId; }
    void setLocalityId(const std::string& id) { m_values.localityId = id; }
    ProjectId projectId() const { return m_values.projectId; }
    void setProjectId(ProjectId id) { m_values.projectId = id; }
    qint64 timeStamp() const { return m_values.timeStamp; }
    void setTimeStamp(qint64 timeStamp) { m_values.timeStamp = timeStamp; }
    bool isVisible() const { return m_values.visible; }
    void setVisible(bool visible) { m_values.visible = visible; }
    double latitude() const { return m_values.latitude; }
    void setLatitude(double latitude) { m_values.latitude = latitude; }
    double longitude() const { return m_values.longitude; }
    void setLongitude(double longitude) { m_values.longitude = longitude; }
    double altitude() const { return m_values.altitude; }
    void setAltitude(double altitude) { m_values.altitude = altitude; }
    double horizontalAccuracy() const { return m_values.horizontalAccuracy; }
    void setHorizontalAccuracy(double accuracy) { m_values.horizontalAccuracy = accuracy; }
    double verticalAccuracy() const { return m_values.verticalAccuracy; }
    void setVerticalAccuracy(double accuracy) { m_values.verticalAccuracy = accuracy; }
    const QString& localityName() const { return m_values.localityName; }
    void setLocalityName(const QString& name) { m_values.localityName = name; }
    const QString& description() const { return m_values.description; }
    void setDescription(const QString& description) { m_values.description = description; }
    const QColor& colour() const { return m_values.colour; }
    void setColour(const QColor& colour) { m_values.colour = colour; }

protected:
    bool insertLocality();
    bool deleteLocality();
    bool swapLocality();

    // The name and the two ids only, as the add command stores them.
    bool serializeIds(QDataStream& stream);
    bool unserializeIds(QDataStream& stream);

private:
    struct Values
    {
        std::string localityId;
        ProjectId projectId;
        qint64 timeStamp = 0;
        bool visible = true;
        double latitude = NoValue;
        double longitude = NoValue;
        double altitude = 0.0;
        double horizontalAccuracy = -1.0;
        double verticalAccuracy = -1.0;
        QString localityName;
        QString description;
        QColor colour;
    };

    void copyFrom(const Locality& locality);
    static void writeInto(const Values& values, Locality& locality);
    // Exchanges the command's values with the locality's.
    void exchangeWith(Locality& locality);

    Values m_values;
};

} // namespace kiv
