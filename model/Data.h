#pragma once

#include "model/LocatedObject.h"
#include "model/NoValue.h"

#include <QString>

#include <memory>

namespace QZProtoBuffers {
class Data;
}

namespace kiv {

// A point datum of a locality: plane, lineation, sighting, note or photograph.
class Data : public LocatedObject
{
public:
    // In-memory kind codes; the record numbers them differently.
    enum Kind { NoKind = 0, Plane = 1, Image = 2, Lineation = 3, Annotation = 4, Sighting = 5 };

    static constexpr float NoDeclination = NoValueF;
    static constexpr int NoSymbol = -1;

    Data(std::string id, std::string localityId);
    Data(std::string id, SharedId localityId, qint64 timeStamp);

    static std::shared_ptr<Data> createPlane(const std::string& id, const std::string& localityId,
                                             double latitude, double longitude, float dip,
                                             float dipAzimuth, int unitId, int symbolId,
                                             const QString& comment);
    static std::shared_ptr<Data> createLineation(const std::string& id,
                                                 const std::string& localityId, double latitude,
                                                 double longitude, float plunge,
                                                 float plungeAzimuth, int unitId, int symbolId,
                                                 const QString& comment);
    static std::shared_ptr<Data> createSighting(const std::string& id,
                                                const std::string& localityId, double latitude,
                                                double longitude, float azimuth, int unitId,
                                                int symbolId, const QString& comment);
    static std::shared_ptr<Data> createAnnotation(const std::string& id,
                                                  const std::string& localityId, double latitude,
                                                  double longitude, const QString& comment);
    static std::shared_ptr<Data> createImage(const std::string& id, const std::string& localityId,
                                             double latitude, double longitude, float azimuth,
                                             const QString& imagePath, const QString& comment,
                                             const QString& sketchPath,
                                             const QString& backgroundPath);

    const std::string& localityId() const { return *m_localityId; }
    int type() const { return m_type; }
    int planeKind() const { return m_planeKind; }
    int lineKind() const { return m_lineKind; }
    int symbolId() const { return m_symbolId; }
    int unitId() const { return m_unitId; }
    // Dip azimuth of a plane, bearing of a sighting, viewing direction of an image.
    float azimuth() const { return m_azimuth; }
    float dip() const { return m_dip; }
    float plunge() const { return m_plunge; }
    float plungeAzimuth() const { return m_plungeAzimuth; }
    float declination() const { return m_declination; }
    const QString& imagePath() const { return m_imagePath; }
    const QString& comment() const { return m_comment; }
    const QString& sketchPath() const { return m_sketchPath; }
    const QString& backgroundPath() const { return m_backgroundPath; }

    void setDip(float dip) { m_dip = dip; }
    void setDipAzimuth(float azimuth) { m_azimuth = azimuth; }
    void setPlunge(float plunge) { m_plunge = plunge; }
    void setPlungeAzimuth(float azimuth) { m_plungeAzimuth = azimuth; }
    void setDeclination(float declination) { m_declination = declination; }
    void setUnitId(int unitId) { m_unitId = unitId; }
    void setSymbolId(int symbolId) { m_symbolId = symbolId; }
    void setComment(const QString& comment) { m_comment = comment; }
    void setSketchPath(const QString& path) { m_sketchPath = path; }
    void setBackgroundPath(const QString& path) { m_backgroundPath = path; }
    // A photo turns a note into an image; removing it turns an image back into a note.
    void setImagePath(const QString& path);

    // Empty on a record that is incomplete or of an unknown kind.
    // localityId, when it names the record's locality, is shared rather than copied.
    static std::shared_ptr<Data> fromProto(const QZProtoBuffers::Data& record, const SharedId& localityId = {});
    // Empty when the datum has no valid kind.
    std::shared_ptr<QZProtoBuffers::Data> toProto() const;

private:
    static std::shared_ptr<Data> createLocated(Kind kind, const std::string& id, const std::string& localityId,
                                               double latitude, double longitude, const QString& comment);
    static std::shared_ptr<Data> readRecord(const QZProtoBuffers::Data& record, const SharedId& localityId);
    bool readKind(const QZProtoBuffers::Data& record);

    SharedId m_localityId;
    int m_type = NoKind;
    int m_planeKind = 0;
    int m_lineKind = 0;
    int m_symbolId = NoSymbol;
    int m_unitId = 0;
    float m_azimuth = 0.0f;
    float m_dip = 0.0f;
    float m_plunge = 0.0f;
    float m_plungeAzimuth = 0.0f;
    float m_declination = NoDeclination;
    QString m_imagePath;
    QString m_comment;
    QString m_sketchPath;
    QString m_backgroundPath;
};

} // namespace kiv
