#pragma once

#include "model/LocatedObject.h"
#include "model/NewestFirstList.h"
#include "model/ProjectId.h"

#include <QColor>
#include <QObject>
#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace QZProtoBuffers {
class Locality;
}

namespace kiv {

class Data;
class LineData2D;
class Project;

// A named, coloured place of observation with the point data and lines
// gathered there, both lists newest first.
class Locality : public QObject, public LocatedObject
{
    Q_OBJECT
    Q_PROPERTY(QString id READ qId CONSTANT)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(QColor colour READ colour WRITE setColour NOTIFY colourChanged)

public:
    using DataList = std::vector<std::shared_ptr<Data>>;
    using LineList = std::vector<std::shared_ptr<LineData2D>>;

    Locality(ProjectId projectId, const std::string& id);
    ~Locality() override;

    ProjectId projectId() const { return m_projectId; }
    QString qId() const { return QString::fromStdString(id()); }
    QString name() const { return m_name; }
    QString description() const { return m_description; }
    void setDescription(const QString& description) { m_description = description; }
    QColor colour() const { return m_colour; }

    const DataList& data() const { return m_data.items(); }
    const LineList& lines() const { return m_lines.items(); }

    void addData(std::shared_ptr<Data> data);
    void addLine(std::shared_ptr<LineData2D> line);
    // The same for the items read from the database: counted as they come,
    // listed and sorted once by finishLoading().
    void appendLoadedData(std::shared_ptr<Data> data);
    void appendLoadedLine(std::shared_ptr<LineData2D> line);
    void finishLoading();

    std::shared_ptr<Data> addPlane(const std::string& id, double latitude, double longitude,
                                   float dip, float dipAzimuth, int unitId, int symbolId,
                                   const QString& comment);
    std::shared_ptr<Data> addLineation(const std::string& id, double latitude, double longitude,
                                       float plunge, float plungeAzimuth, int unitId,
                                       int symbolId, const QString& comment);
    std::shared_ptr<Data> addSighting(const std::string& id, double latitude, double longitude,
                                      float azimuth, int unitId, int symbolId,
                                      const QString& comment);
    std::shared_ptr<Data> addAnnotation(const std::string& id, double latitude, double longitude,
                                        const QString& comment);
    std::shared_ptr<Data> addImage(const std::string& id, double latitude, double longitude,
                                   float azimuth, const QString& imagePath, const QString& comment,
                                   const QString& sketchPath, const QString& backgroundPath);
    std::shared_ptr<LineData2D> addPolyline(const std::string& id, int unitId, int lineStyle,
                                            float thickness, float opacity,
                                            const QString& comment);
    std::shared_ptr<LineData2D> addPolygon(const std::string& id, int unitId, int lineStyle,
                                           float thickness, float opacity, const QString& comment);

    std::shared_ptr<Data> dataById(const std::string& id) const;
    std::shared_ptr<LineData2D> lineById(const std::string& id) const;
    bool hasData(const std::string& id) const;
    bool hasLine(const std::string& id) const;
    std::shared_ptr<Data> dataAt(int index) const;
    std::shared_ptr<LineData2D> lineAt(int index) const;

    // Delete the row in the project database and drop the item; false
    // without an owning project or with a bad id or index.
    bool removeData(const std::string& id);
    bool removeLine(const std::string& id);
    bool removeDataAt(int index);
    bool removeLineAt(int index);

    // Drops the in-memory data and lines; the counts stay as they are.
    bool clear();

    static std::shared_ptr<Locality> fromProto(ProjectId projectId,
                                               const QZProtoBuffers::Locality& record);
    std::shared_ptr<QZProtoBuffers::Locality> toProto() const;

public slots:
    void setName(const QString& name);
    void setColour(const QColor& colour);
    int sightingCount() const { return m_sightingCount; }
    int planeCount() const { return m_planeCount; }
    int lineationCount() const { return m_lineationCount; }
    int polylineCount() const { return m_polylineCount; }
    int polygonCount() const { return m_polygonCount; }
    int annotationCount() const { return m_annotationCount; }
    int imageCount() const { return m_imageCount; }

signals:
    void nameChanged(const QString& name);
    void colourChanged(const QColor& colour);

private:
    std::shared_ptr<Project> project() const;
    // Adds delta to the count of the datum's kind.
    void countData(const Data& data, int delta);
    void countLine(const LineData2D& line, int delta);
    void raiseNextUnitId(int unitId) const;
    void noteLoadedUnit(int unitId);
    static bool carriesUnit(const Data& data);
    bool removeDataIndex(std::size_t index);
    bool removeLineIndex(std::size_t index);

    ProjectId m_projectId;
    NewestFirstList<Data> m_data;
    NewestFirstList<LineData2D> m_lines;
    QString m_name;
    QString m_description;
    QColor m_colour;
    int m_sightingCount = 0;
    int m_planeCount = 0;
    int m_lineationCount = 0;
    int m_polylineCount = 0;
    int m_polygonCount = 0;
    int m_annotationCount = 0;
    int m_imageCount = 0;
    // Highest unit of the items loaded since the last finishLoading(); -1 for none.
    int m_highestLoadedUnit = -1;
};

} // namespace kiv
