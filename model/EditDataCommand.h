#pragma once

#include "model/AbstractLocatedCommand.h"

#include <QString>

#include <memory>
#include <string>

namespace kiv {

class Data;
class Locality;
class Project;

// A point datum's fields beside its place.
struct EditDataCommandValues : LocatedValues
{
    std::string dataId;
    std::string localityId;
    float declination = NoValueF;
    int type = 0;
    int symbolId = 0;
    int unitId = 0;
    float azimuth = 0.0f;
    float dip = 0.0f;
    QString imagePath;
    QString comment;
    QString sketchPath;
    QString backgroundPath;
};

// A snapshot of one point datum, and the insert, delete and swap steps that
// the add, remove and modify commands share. All act on the current project.
class EditDataCommand : public AbstractLocatedCommand<EditDataCommandValues>
{
public:
    bool serialize(QDataStream& stream) override;
    bool unserialize(QDataStream& stream) override;

    // Copies the datum's values; a null datum changes nothing.
    void setFromData(std::shared_ptr<Data> data);
    // Copies the first datum of that id in the current project.
    void findData(const QString& dataId);

    const std::string& dataId() const { return m_values.dataId; }
    void setDataId(const std::string& id) { m_values.dataId = id; }
    const std::string& localityId() const { return m_values.localityId; }
    void setLocalityId(const std::string& id) { m_values.localityId = id; }
    float declination() const { return m_values.declination; }
    void setDeclination(float declination) { m_values.declination = declination; }
    // The in-memory kind code of Data; 0 for none.
    int type() const { return m_values.type; }
    void setType(int type) { m_values.type = type; }
    int symbolId() const { return m_values.symbolId; }
    void setSymbolId(int symbolId) { m_values.symbolId = symbolId; }
    int unitId() const { return m_values.unitId; }
    void setUnitId(int unitId) { m_values.unitId = unitId; }
    // Dip azimuth, plunge azimuth, bearing or viewing direction by kind.
    float azimuth() const { return m_values.azimuth; }
    void setAzimuth(float azimuth) { m_values.azimuth = azimuth; }
    // Dip of a plane, plunge of a lineation.
    float dip() const { return m_values.dip; }
    void setDip(float dip) { m_values.dip = dip; }
    const QString& imagePath() const { return m_values.imagePath; }
    void setImagePath(const QString& path) { m_values.imagePath = path; }
    const QString& comment() const { return m_values.comment; }
    void setComment(const QString& comment) { m_values.comment = comment; }
    const QString& sketchPath() const { return m_values.sketchPath; }
    void setSketchPath(const QString& path) { m_values.sketchPath = path; }
    const QString& backgroundPath() const { return m_values.backgroundPath; }
    void setBackgroundPath(const QString& path) { m_values.backgroundPath = path; }

protected:
    bool insertData();
    bool deleteData();
    bool swapData();

private:
    using Values = EditDataCommandValues;

    void copyFrom(const Data& data);
    // The locality of localityId; with none set, the current locality,
    // whose id is then kept.
    std::shared_ptr<Locality> resolveLocality(const Project& project);
    std::shared_ptr<Data> makeData() const;
    void writeInto(Data& data) const;
    void announceFiles(const Project& project) const;
};

} // namespace kiv
