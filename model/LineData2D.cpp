#include "model/LineData2D.h"

#include "Database/Quarzel.pb.h"

#include <cmath>
#include <stdexcept>

namespace kiv {

using Record = QZProtoBuffers::LineData2D;

namespace {

// Distance of p from the line through a and b, in raw degrees; a range whose
// ends coincide (a closed ring) has no line, so the distance from a counts.
double distanceFromChord(const LineData2D::Point& p, const LineData2D::Point& a,
                         const LineData2D::Point& b)
{
    const double dx = b.first - a.first;
    const double dy = b.second - a.second;
    const double length = std::sqrt(dx * dx + dy * dy);
    if (length == 0.0)
        return std::hypot(p.first - a.first, p.second - a.second);
    return std::abs(dx * (p.second - a.second) - dy * (p.first - a.first)) / length;
}

// Single-precision steps along one coordinate. Each step is taken from the
// value a reader reconstructs, so the rounding of one step is corrected by the
// next instead of adding up along the line. One coordinate per loop: GCC 12's
// SLP vectorizer, pairing latitude and longitude, dropped the float rounding
// of the running value.
std::vector<float> stepsAlong(const std::vector<LineData2D::Point>& points,
                              double LineData2D::Point::*coordinate)
{
    std::vector<float> steps;
    steps.reserve(points.size() - 1);
    double reached = points.front().*coordinate;
    for (size_t i = 1; i < points.size(); ++i) {
        const float step = static_cast<float>(points[i].*coordinate - reached);
        steps.push_back(step);
        reached += static_cast<double>(step);
    }
    return steps;
}

Record::LineStyle recordStyle(int lineStyle)
{
    switch (lineStyle) {
    case LineData2D::Dotted: return Record::DOTTED;
    case LineData2D::Dashed: return Record::DASHED;
    default: return Record::SOLID;
    }
}

int styleFromRecord(Record::LineStyle style)
{
    switch (style) {
    case Record::DOTTED: return LineData2D::Dotted;
    case Record::DASHED: return LineData2D::Dashed;
    default: return LineData2D::Solid;
    }
}

} // namespace

int LineData2D::lineStyleOf(int penStyle)
{
    switch (penStyle) {
    case Qt::DashLine:
        return Dashed;
    case Qt::DotLine:
        return Dotted;
    default:
        return Solid;
    }
}

int LineData2D::penStyleOf(int lineStyle)
{
    switch (lineStyle) {
    case Dotted:
        return Qt::DotLine;
    case Dashed:
        return Qt::DashLine;
    default:
        return Qt::SolidLine;
    }
}

LineData2D::LineData2D(std::string dataId, std::string localityId)
    : AbstractObject(std::move(dataId))
    , m_localityId(std::make_shared<const std::string>(std::move(localityId)))
{
}

LineData2D::LineData2D(std::string dataId, SharedId localityId, qint64 timeStamp)
    : AbstractObject(std::move(dataId), timeStamp)
    , m_localityId(std::move(localityId))
{
}

LineData2D::~LineData2D() = default;

std::shared_ptr<LineData2D> LineData2D::create(const std::string& dataId,
                                               const std::string& localityId, int unitId,
                                               int lineStyle, bool filled, const QString& comment)
{
    auto line = std::make_shared<LineData2D>(dataId, localityId);
    line->m_unitId = unitId;
    line->m_lineStyle = lineStyle;
    line->m_filled = filled;
    line->m_comment = comment;
    return line;
}

void LineData2D::addPoint(double latitude, double longitude)
{
    m_points.emplace_back(latitude, longitude);
}

void LineData2D::prependPoint(double latitude, double longitude)
{
    m_points.emplace(m_points.begin(), latitude, longitude);
}

int LineData2D::insertPoint(int index, double latitude, double longitude)
{
    if (index < 0 || index > pointCount())
        return -1;
    m_points.emplace(m_points.begin() + index, latitude, longitude);
    return index;
}

void LineData2D::setPoint(int index, double latitude, double longitude)
{
    if (isIndex(index))
        m_points[static_cast<size_t>(index)] = Point(latitude, longitude);
}

void LineData2D::removePoint(int index)
{
    if (isIndex(index))
        m_points.erase(m_points.begin() + index);
}

void LineData2D::removePoints(int from, int to)
{
    if (from < 0 || from > to || to > pointCount())
        return;
    m_points.erase(m_points.begin() + from, m_points.begin() + to);
}

const LineData2D::Point& LineData2D::pointAt(int index) const
{
    if (!isIndex(index))
        throw std::out_of_range("LineData2D: point index out of range");
    return m_points[static_cast<size_t>(index)];
}

LineData2D::Point LineData2D::centroid() const
{
    if (m_points.empty())
        return Point(0.0, 0.0);
    double latitude = 0.0;
    double longitude = 0.0;
    for (const Point& point : m_points) {
        latitude += point.first;
        longitude += point.second;
    }
    const double count = static_cast<double>(m_points.size());
    return Point(latitude / count, longitude / count);
}

void LineData2D::simplify(double tolerance)
{
    const size_t count = m_points.size();
    if (count < 3)
        return;

    // Ranges are worked from a stack rather than by recursion, so long lines
    // cannot exhaust the call stack; the kept set does not depend on the order.
    std::vector<bool> keep(count, false);
    keep.front() = keep.back() = true;
    std::vector<std::pair<size_t, size_t>> ranges{{0, count - 1}};
    while (!ranges.empty()) {
        const auto [a, b] = ranges.back();
        ranges.pop_back();
        size_t farthest = a;
        double maxDistance = 0.0;
        for (size_t i = a + 1; i < b; ++i) {
            const double distance = distanceFromChord(m_points[i], m_points[a], m_points[b]);
            if (distance > maxDistance) {
                maxDistance = distance;
                farthest = i;
            }
        }
        if (farthest == a || maxDistance <= tolerance)
            continue;
        keep[farthest] = true;
        ranges.emplace_back(a, farthest);
        ranges.emplace_back(farthest, b);
    }

    std::vector<Point> kept;
    for (size_t i = 0; i < count; ++i) {
        if (keep[i])
            kept.push_back(m_points[i]);
    }
    m_points.swap(kept);
}

std::shared_ptr<Record> LineData2D::toProto() const
{
    auto record = std::make_shared<Record>();
    record->set_dataid(id());
    record->set_localityid(*m_localityId);
    record->set_timestamp(static_cast<quint64>(timeStamp()));
    record->set_unitid(static_cast<quint32>(m_unitId));
    record->set_thickness(m_thickness);
    record->set_opacity(m_opacity);
    record->set_filled(m_filled);
    record->set_comment(m_comment.toStdString());
    record->set_linestyle(recordStyle(m_lineStyle));
    writePoints(record.get());
    return record;
}

void LineData2D::writePoints(Record* record) const
{
    if (m_points.empty())
        return;
    record->set_origin_latitude(m_points.front().first);
    record->set_origin_longitude(m_points.front().second);
    const std::vector<float> latitudeSteps = stepsAlong(m_points, &Point::first);
    const std::vector<float> longitudeSteps = stepsAlong(m_points, &Point::second);
    for (size_t i = 0; i < latitudeSteps.size(); ++i) {
        QZProtoBuffers::LineData2D_LinePoint* point = record->add_points();
        point->set_delta_latitude(latitudeSteps[i]);
        point->set_delta_longitude(longitudeSteps[i]);
    }
}

std::shared_ptr<LineData2D> LineData2D::fromProto(const Record& record, const SharedId& localityId)
{
    auto line = std::make_shared<LineData2D>(record.dataid(), sharedId(localityId, record.localityid()),
                                             static_cast<qint64>(record.timestamp()));
    line->m_unitId = static_cast<int>(record.unitid());
    line->m_filled = record.filled();
    line->m_thickness = record.thickness();
    line->m_opacity = record.opacity();
    line->m_lineStyle = styleFromRecord(record.linestyle());
    if (record.has_comment())
        line->m_comment = QString::fromStdString(record.comment());
    line->readPoints(record);
    return line;
}

void LineData2D::readPoints(const Record& record)
{
    // A line stored without points has no origin either.
    const bool hasOrigin = record.has_origin_latitude() || record.has_origin_longitude();
    if (!hasOrigin && record.points_size() == 0)
        return;
    double latitude = record.origin_latitude();
    double longitude = record.origin_longitude();
    m_points.reserve(static_cast<size_t>(record.points_size()) + 1);
    m_points.emplace_back(latitude, longitude);
    for (const QZProtoBuffers::LineData2D_LinePoint& point : record.points()) {
        latitude += static_cast<double>(point.delta_latitude());
        longitude += static_cast<double>(point.delta_longitude());
        m_points.emplace_back(latitude, longitude);
    }
}

} // namespace kiv
