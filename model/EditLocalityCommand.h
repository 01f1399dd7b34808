#pragma once

#include "model/AbstractLocatedCommand.h"
#include "model/ProjectId.h"

#include <QColor>
#include <QString>

#include <memory>
#include <string>

namespace kiv {

class Locality;
class Project;

// A locality's fields beside its place.
struct EditLocalityCommandValues : LocatedValues
{
    std::string localityId;
    ProjectId projectId;
    QString localityName;
    QString description;
    QColor colour;
};

// A snapshot of one locality, and the insert, delete and swap steps that the
// add, remove and modify commands share.
class EditLocalityCommand : public AbstractLocatedCommand<EditLocalityCommandValues>
{
public:
    bool serialize(QDataStream& stream) override;
    bool unserialize(QDataStream& stream) override;

    // Copies the locality's values; a null locality changes nothing.
    void setFromLocality(std::shared_ptr<Locality> locality);

    const std::string& localityId() const { return m_values.localityId; }
    void setLocalityId(const std::string& id) { m_values.localityId = id; }
    ProjectId projectId() const { return m_values.projectId; }
    void setProjectId(ProjectId id) { m_values.projectId = id; }
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
    using Values = EditLocalityCommandValues;

    void copyFrom(const Locality& locality);
    static void writeInto(const Values& values, Locality& locality);
    // Exchanges the command's values with the locality's.
    void exchangeWith(Locality& locality);
};

} // namespace kiv
