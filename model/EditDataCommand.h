#pragma once

#include "Database/AbstractCommand.h"
#include "model/NoValue.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <string>

namespace kiv {

class Data;
class Locality;
class Project;

// A snapshot of one point datum, and the insert, delete and swap steps that
// the add, remove and modify commands share. All act on the current project.
class EditDataCommand : public AbstractCommand
{
public:
    EditDataCommand();

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

    // The current project, or empty.
    static std::shared_ptr<Project> currentProject();

private:
    struct Values
    {
        std::string dataId;
        std::string localityId;
        qint64 timeStamp = 0;
        bool visible = true;
        double latitude = NoValue;
        double longitude = NoValue;
        double altitude = 0.0;
        double horizontalAccuracy = -1.0;
        double verticalAccuracy = -1.0;
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

    void copyFrom(const Data& data);
    // The locality of localityId; with none set, the current locality,
    // whose id is then kept.
    std::shared_ptr<Locality> resolveLocality(const Project& project);
    std::shared_ptr<Data> makeData() const;
    void writeInto(Data& data) const;
    void announceFiles(const Project& project) const;

    Values m_values;
};

} // namespace kiv
