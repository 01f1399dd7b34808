#pragma once

#include "model/AbstractObject.h"

#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace QZProtoBuffers {
class LineData2D;
}

namespace kiv {

// A polyline or filled polygon drawn on the map, in WGS84 degrees.
class LineData2D : public AbstractObject
{
public:
    // (latitude, longitude) in degrees.
    using Point = std::pair<double, double>;

    enum LineStyle { Solid = 0, Dotted = 1, Dashed = 2 };
    // The stored style of a Qt::PenStyle number, and back; anything else is
    // solid.
    static int lineStyleOf(int penStyle);
    static int penStyleOf(int lineStyle);

    LineData2D(std::string dataId, std::string localityId);
    LineData2D(std::string dataId, SharedId localityId, qint64 timeStamp);
    LineData2D(const LineData2D&) = default;
    LineData2D& operator=(const LineData2D&) = default;
    ~LineData2D() override;

    static std::shared_ptr<LineData2D> create(const std::string& dataId,
                                              const std::string& localityId, int unitId,
                                              int lineStyle, bool filled, const QString& comment);

    const std::string& localityId() const { return *m_localityId; }
    void setLocalityId(const std::string& localityId) { m_localityId = std::make_shared<const std::string>(localityId); }
    int lineStyle() const { return m_lineStyle; }
    void setLineStyle(int lineStyle) { m_lineStyle = lineStyle; }
    // -1 when the line belongs to no rock unit.
    int unitId() const { return m_unitId; }
    void setUnitId(int unitId) { m_unitId = unitId; }
    bool isFilled() const { return m_filled; }
    void setFilled(bool filled) { m_filled = filled; }
    float opacity() const { return m_opacity; }
    void setOpacity(float opacity) { m_opacity = opacity; }
    float thickness() const { return m_thickness; }
    void setThickness(float thickness) { m_thickness = thickness; }
    const QString& comment() const { return m_comment; }
    void setComment(const QString& comment) { m_comment = comment; }

    const std::vector<Point>& points() const { return m_points; }
    int pointCount() const { return static_cast<int>(m_points.size()); }
    void addPoint(double latitude, double longitude);
    void prependPoint(double latitude, double longitude);
    // Returns the new point's index, or -1 when the index lies beyond the end.
    int insertPoint(int index, double latitude, double longitude);
    // Indices outside the points leave the line unchanged.
    void setPoint(int index, double latitude, double longitude);
    void removePoint(int index);
    // Removes [from, to); a range outside the points leaves the line unchanged.
    void removePoints(int from, int to);
    // These throw std::out_of_range for an index outside the points.
    const Point& pointAt(int index) const;
    double latitudeAt(int index) const { return pointAt(index).first; }
    double longitudeAt(int index) const { return pointAt(index).second; }
    // Mean latitude and longitude; (0, 0) for a line without points.
    Point centroid() const;

    // Douglas-Peucker thinning; tolerance in degrees of the raw coordinates.
    void simplify(double tolerance);

    std::shared_ptr<QZProtoBuffers::LineData2D> toProto() const;
    // localityId, when it names the record's locality, is shared rather than copied.
    static std::shared_ptr<LineData2D> fromProto(const QZProtoBuffers::LineData2D& record,
                                                 const SharedId& localityId = {});

private:
    bool isIndex(int index) const { return index >= 0 && index < pointCount(); }
    void writePoints(QZProtoBuffers::LineData2D* record) const;
    void readPoints(const QZProtoBuffers::LineData2D& record);

    SharedId m_localityId;
    int m_lineStyle = Solid;
    int m_unitId = -1;
    bool m_filled = false;
    float m_opacity = 1.0f;
    float m_thickness = 1.0f;
    std::vector<Point> m_points;
    QString m_comment;
};

} // namespace kiv
