#include "model/Locality.h"

#include "Database/Quarzel.pb.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/ModelManager.h"
#include "model/Project.h"

#include <algorithm>

namespace kiv {


Locality::Locality(ProjectId projectId, const std::string& id)
    : LocatedObject(id)
    , m_projectId(projectId)
{
}

Locality::~Locality() = default;

void Locality::setName(const QString& name)
{
    if (m_name == name)
        return;
    m_name = name;
    emit nameChanged(m_name);
}

void Locality::setColour(const QColor& colour)
{
    if (m_colour == colour)
        return;
    m_colour = colour;
    emit colourChanged(m_colour);
}

std::shared_ptr<Project> Locality::project() const
{
    ModelManager* manager = ModelManager::instance();
    return manager ? manager->projectById(m_projectId) : nullptr;
}

void Locality::countData(const Data& data, int delta)
{
    switch (data.type()) {
    case Data::Plane: m_planeCount += delta; break;
    case Data::Image: m_imageCount += delta; break;
    case Data::Lineation: m_lineationCount += delta; break;
    case Data::Annotation: m_annotationCount += delta; break;
    case Data::Sighting: m_sightingCount += delta; break;
    default: break;
    }
}

void Locality::countLine(const LineData2D& line, int delta)
{
    if (line.isFilled())
        m_polygonCount += delta;
    else
        m_polylineCount += delta;
}

void Locality::raiseNextUnitId(int unitId) const
{
    if (const std::shared_ptr<Project> owner = project())
        owner->updateNextUnitId(unitId);
}

bool Locality::carriesUnit(const Data& data)
{
    const int kind = data.type();
    return kind == Data::Plane || kind == Data::Lineation || kind == Data::Sighting;
}

void Locality::addData(std::shared_ptr<Data> data)
{
    if (!data)
        return;
    countData(*data, 1);
    const bool unit = carriesUnit(*data);
    const int unitId = data->unitId();
    m_data.add(std::move(data));
    if (unit)
        raiseNextUnitId(unitId);
}

void Locality::addLine(std::shared_ptr<LineData2D> line)
{
    if (!line)
        return;
    countLine(*line, 1);
    const int unitId = line->unitId();
    m_lines.add(std::move(line));
    raiseNextUnitId(unitId);
}

void Locality::noteLoadedUnit(int unitId)
{
    m_highestLoadedUnit = std::max({m_highestLoadedUnit, 0, unitId});
}

void Locality::appendLoadedData(std::shared_ptr<Data> data)
{
    if (!data)
        return;
    countData(*data, 1);
    noteLoadedUnit(carriesUnit(*data) ? data->unitId() : 0);
    m_data.appendPending(std::move(data));
}

void Locality::appendLoadedLine(std::shared_ptr<LineData2D> line)
{
    if (!line)
        return;
    countLine(*line, 1);
    noteLoadedUnit(line->unitId());
    m_lines.appendPending(std::move(line));
}

void Locality::finishLoading()
{
    m_data.addPending();
    m_lines.addPending();
    if (m_highestLoadedUnit >= 0)
        raiseNextUnitId(m_highestLoadedUnit);
    m_highestLoadedUnit = -1;
}

std::shared_ptr<Data> Locality::addPlane(const std::string& id, double latitude, double longitude,
                                         float dip, float dipAzimuth, int unitId, int symbolId,
                                         const QString& comment)
{
    auto data = Data::createPlane(id, this->id(), latitude, longitude, dip, dipAzimuth, unitId,
                                  symbolId, comment);
    addData(data);
    return data;
}

std::shared_ptr<Data> Locality::addLineation(const std::string& id, double latitude,
                                             double longitude, float plunge, float plungeAzimuth,
                                             int unitId, int symbolId, const QString& comment)
{
    auto data = Data::createLineation(id, this->id(), latitude, longitude, plunge, plungeAzimuth,
                                      unitId, symbolId, comment);
    addData(data);
    return data;
}

std::shared_ptr<Data> Locality::addSighting(const std::string& id, double latitude,
                                            double longitude, float azimuth, int unitId,
                                            int symbolId, const QString& comment)
{
    auto data = Data::createSighting(id, this->id(), latitude, longitude, azimuth, unitId,
                                     symbolId, comment);
    addData(data);
    return data;
}

std::shared_ptr<Data> Locality::addAnnotation(const std::string& id, double latitude,
                                              double longitude, const QString& comment)
{
    auto data = Data::createAnnotation(id, this->id(), latitude, longitude, comment);
    addData(data);
    return data;
}

std::shared_ptr<Data> Locality::addImage(const std::string& id, double latitude, double longitude,
                                         float azimuth, const QString& imagePath,
                                         const QString& comment, const QString& sketchPath,
                                         const QString& backgroundPath)
{
    auto data = Data::createImage(id, this->id(), latitude, longitude, azimuth, imagePath,
                                  comment, sketchPath, backgroundPath);
    addData(data);
    return data;
}

std::shared_ptr<LineData2D> Locality::addPolyline(const std::string& id, int unitId, int lineStyle,
                                                  float thickness, float opacity,
                                                  const QString& comment)
{
    auto line = LineData2D::create(id, this->id(), unitId, lineStyle, false, comment);
    line->setThickness(thickness);
    line->setOpacity(opacity);
    addLine(line);
    return line;
}

std::shared_ptr<LineData2D> Locality::addPolygon(const std::string& id, int unitId, int lineStyle,
                                                 float thickness, float opacity,
                                                 const QString& comment)
{
    auto line = LineData2D::create(id, this->id(), unitId, lineStyle, true, comment);
    line->setThickness(thickness);
    line->setOpacity(opacity);
    addLine(line);
    return line;
}

bool Locality::hasData(const std::string& id) const
{
    return m_data.contains(id);
}

bool Locality::hasLine(const std::string& id) const
{
    return m_lines.contains(id);
}

std::shared_ptr<Data> Locality::dataById(const std::string& id) const
{
    return m_data.find(id);
}

std::shared_ptr<LineData2D> Locality::lineById(const std::string& id) const
{
    return m_lines.find(id);
}

std::shared_ptr<Data> Locality::dataAt(int index) const
{
    return m_data.at(index);
}

std::shared_ptr<LineData2D> Locality::lineAt(int index) const
{
    return m_lines.at(index);
}

bool Locality::removeData(const std::string& id)
{
    const int index = m_data.indexOf(id);
    return index >= 0 && removeDataIndex(static_cast<std::size_t>(index));
}

bool Locality::removeLine(const std::string& id)
{
    const int index = m_lines.indexOf(id);
    return index >= 0 && removeLineIndex(static_cast<std::size_t>(index));
}

bool Locality::removeDataAt(int index)
{
    return index >= 0 && removeDataIndex(static_cast<std::size_t>(index));
}

bool Locality::removeLineAt(int index)
{
    return index >= 0 && removeLineIndex(static_cast<std::size_t>(index));
}

bool Locality::removeDataIndex(std::size_t index)
{
    if (index >= m_data.size())
        return false;
    const std::shared_ptr<Project> owner = project();
    if (!owner)
        return false;
    const std::shared_ptr<Data> data = m_data.items()[index];
    countData(*data, -1);
    const bool removed = owner->removeData(data);
    m_data.erase(index);
    return removed;
}

bool Locality::removeLineIndex(std::size_t index)
{
    if (index >= m_lines.size())
        return false;
    const std::shared_ptr<Project> owner = project();
    if (!owner)
        return false;
    const std::shared_ptr<LineData2D> line = m_lines.items()[index];
    countLine(*line, -1);
    const bool removed = owner->removeLineData(line.get());
    m_lines.erase(index);
    return removed;
}

bool Locality::clear()
{
    m_data.clear();
    m_lines.clear();
    return true;
}

std::shared_ptr<Locality> Locality::fromProto(ProjectId projectId,
                                              const QZProtoBuffers::Locality& record)
{
    if (!record.IsInitialized())
        return {};
    auto locality = std::make_shared<Locality>(projectId, record.localityid());
    if (!locality->fromProtoPosition(record.position()))
        return {};
    locality->setName(QString::fromStdString(record.name()));
    locality->m_description = QString::fromStdString(record.description());
    locality->setTimeStamp(static_cast<qint64>(record.timestamp()));
    const QString colour = QString::fromStdString(record.colour());
    locality->setColour(QColor::isValidColor(colour) ? QColor(colour) : QColor());
    locality->setVisible(record.visible());
    return locality;
}

std::shared_ptr<QZProtoBuffers::Locality> Locality::toProto() const
{
    auto record = std::make_shared<QZProtoBuffers::Locality>();
    record->set_localityid(id());
    record->set_name(m_name.toStdString());
    record->set_description(m_description.toStdString());
    record->set_timestamp(static_cast<quint64>(timeStamp()));
    record->set_colour(m_colour.name().toStdString());
    record->set_visible(isVisible());
    toProtoPosition(record->mutable_position());
    return record;
}

} // namespace kiv
