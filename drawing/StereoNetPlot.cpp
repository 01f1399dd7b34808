#include "drawing/StereoNetPlot.h"

#include "drawing/AbstractPainter.h"
#include "model/Data.h"
#include "model/Project.h"

#include <QColor>

#include <Eigen/Eigenvalues>

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>
#include <vector>

namespace kiv {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr float FullTurn = 6.2831853f;
constexpr double GridStep = 90.0 / 9.0;
const std::string Black = "#000000";

double radians(double degrees)
{
    return degrees * Pi / 180.0;
}

double degrees(double radians)
{
    return radians * 180.0 / Pi;
}

// acos of a ratio that rounding may push just beyond +-1.
double acosOfRatio(double ratio)
{
    if (std::fabs(ratio - 1.0) < 1e-12)
        ratio = 1.0;
    else if (std::fabs(ratio + 1.0) < 1e-12)
        ratio = -1.0;
    return std::acos(std::clamp(ratio, -1.0, 1.0));
}

PainterPoint atBearing(const PainterPoint& centre, double distance, double bearing)
{
    const double b = radians(bearing);
    return {static_cast<float>(centre.x + distance * std::sin(b)),
            static_cast<float>(centre.y - distance * std::cos(b))};
}

// Bearing in [0, 360) of the horizontal vector (north, east); 90 for none.
double bearingOf(double north, double east)
{
    if (north == 0.0 && east == 0.0)
        return 90.0;
    double bearing = degrees(std::atan2(east, north));
    if (bearing < 0.0)
        bearing += 360.0;
    return bearing >= 360.0 ? 0.0 : bearing;
}

// Of v and -v, the one that points down (north, east, down). Of a level
// pair, the one that gives a vertical plane dipping north of east-west (or
// due east), whatever rounding left of the down component.
Eigen::Vector3d lowerOf(const Eigen::Vector3d& v)
{
    const double level = 1e-12 * v.norm();
    if (std::fabs(v.z()) > level)
        return v.z() < 0.0 ? Eigen::Vector3d(-v) : v;
    if (std::fabs(v.x()) > level)
        return v.x() > 0.0 ? Eigen::Vector3d(-v) : v;
    return v.y() > 0.0 ? Eigen::Vector3d(-v) : v;
}

} // namespace

StereoNetPlot::StereoNetPlot(Project* project, float markerSize)
    : m_project(project)
    , m_markerSize(markerSize)
{
}

StereoNetPlot::~StereoNetPlot() = default;

void StereoNetPlot::setModel(Project* project)
{
    m_project = project;
}

void StereoNetPlot::setData(const QList<Data*>& data)
{
    if (data != m_data)
        m_data = data;
    computeMean();
}

void StereoNetPlot::setTempPlane(float dip, float azimuth)
{
    m_tempDip = dip;
    m_tempAzimuth = azimuth;
}

double StereoNetPlot::projectedDistance(double plunge) const
{
    const double half = radians(45.0 - plunge / 2.0);
    return m_equalArea ? m_radius * std::sqrt(2.0) * std::sin(half) : m_radius * std::tan(half);
}

PainterPoint StereoNetPlot::project(const AbstractPainter& painter, double plunge,
                                    double trend) const
{
    return atBearing(painter.centre(), projectedDistance(plunge), trend);
}

PainterPoint StereoNetPlot::project(const AbstractPainter& painter, double north, double east,
                                    double down) const
{
    // Above the horizontal (a plane dipping beyond its range) the angles
    // say where.
    if (down < 0.0)
        return project(painter, degrees(std::asin(std::max(-1.0, down))), degrees(std::atan2(east, north)));
    // Both projections in closed form: the distance over the horizontal
    // length is R / sqrt(1 + down) (equal-area) or R / (1 + down).
    const double scale = m_equalArea ? m_radius / std::sqrt(1.0 + down) : m_radius / (1.0 + down);
    const PainterPoint& centre = painter.centre();
    return {static_cast<float>(centre.x + scale * east), static_cast<float>(centre.y - scale * north)};
}

PainterPoint StereoNetPlot::polePosition(const AbstractPainter& painter, float dip,
                                         float azimuth) const
{
    if (dip == 0.0f)
        return painter.centre();
    return project(painter, 90.0 - double(dip), double(azimuth) + 180.0);
}

void StereoNetPlot::drawPole(AbstractPainter& painter, float dip, float azimuth) const
{
    const PainterPoint pole = polePosition(painter, dip, azimuth);
    const float half = 2.0f * m_markerSize;
    painter.drawLine(pole.x - half, pole.y, pole.x + half, pole.y);
    painter.drawLine(pole.x, pole.y - half, pole.x, pole.y + half);
}

void StereoNetPlot::drawLinePoint(AbstractPainter& painter, float plunge, float trend) const
{
    const PainterPoint point = project(painter, plunge, trend);
    const float half = 2.0f * m_markerSize;
    painter.drawLine(point.x - half, point.y, point.x + half, point.y);
    painter.drawLine(point.x, point.y - half, point.x, point.y + half);
    painter.drawArc(std::trunc(point.x), std::trunc(point.y), 4.0f * m_markerSize, 0.0f, FullTurn,
                    true);
}

void StereoNetPlot::drawGreatCircle(AbstractPainter& painter, float dip, float azimuth) const
{
    const PainterPoint& centre = painter.centre();
    if (dip == 0.0f) {
        painter.drawArc(centre.x, centre.y, m_radius, 0.0f, FullTurn, true);
        return;
    }
    if (dip == 90.0f) {
        const PainterPoint from = atBearing(centre, m_radius, double(azimuth) - 90.0);
        const PainterPoint to = atBearing(centre, m_radius, double(azimuth) + 90.0);
        painter.drawLine(from.x, from.y, to.x, to.y);
        return;
    }
    // The line at pitch q, from the strike (dip azimuth less 90) through the
    // dip direction to the opposite strike, is cos q times the strike line
    // plus sin q times the dip line: no angle function per point, which
    // thousands of planes would pay for.
    const double d = radians(dip);
    const double a = radians(azimuth);
    const double strikeNorth = std::sin(a), strikeEast = -std::cos(a);
    const double dipNorth = std::cos(a) * std::cos(d), dipEast = std::sin(a) * std::cos(d), dipDown = std::sin(d);
    static const std::vector<std::pair<double, double>> pitches = [] {
        std::vector<std::pair<double, double>> cosSin;
        for (int pitch = 0; pitch <= 180; pitch += 5)
            cosSin.emplace_back(std::cos(radians(pitch)), pitch == 180 ? 0.0 : std::sin(radians(pitch)));
        return cosSin;
    }();
    PainterPoints points;
    points.reserve(pitches.size());
    for (const auto& [c, s] : pitches)
        points.push_back(project(painter, c * strikeNorth + s * dipNorth, c * strikeEast + s * dipEast, s * dipDown));
    painter.drawPolyline(points);
}

void StereoNetPlot::drawPlane(AbstractPainter& painter, float dip, float azimuth) const
{
    if (m_drawPoles)
        drawPole(painter, dip, azimuth);
    if (m_drawPlanes)
        drawGreatCircle(painter, dip, azimuth);
}

void StereoNetPlot::draw(AbstractPainter& painter)
{
    drawBase(painter, marks());
    drawOverlay(painter);
}

void StereoNetPlot::drawBase(AbstractPainter& painter, const std::vector<Mark>& marks)
{
    m_radius = 0.49f * std::min(painter.width(), painter.height());
    drawNet(painter);
    drawMarks(painter, marks);
}

void StereoNetPlot::drawOverlay(AbstractPainter& painter) const
{
    drawMean(painter);
    drawTemp(painter);
}

std::vector<StereoNetPlot::Mark> StereoNetPlot::marks() const
{
    std::vector<Mark> marks;
    marks.reserve(std::size_t(m_data.size()));
    // A few units colour thousands of data.
    std::map<int, std::string> colours;
    for (const Data* datum : m_data) {
        if (!datum || (datum->type() != Data::Plane && datum->type() != Data::Lineation))
            continue;
        const int unit = datum->unitId();
        auto colour = colours.find(unit);
        if (colour == colours.end())
            colour = colours.emplace(unit, m_project ? m_project->unitColor(unit).name().toStdString() : Black).first;
        if (datum->type() == Data::Plane)
            marks.push_back({true, datum->dip(), datum->azimuth(), colour->second});
        else
            marks.push_back({false, datum->plunge(), datum->plungeAzimuth(), colour->second});
    }
    return marks;
}

void StereoNetPlot::drawMarks(AbstractPainter& painter, const std::vector<Mark>& marks) const
{
    for (const Mark& mark : marks) {
        painter.setColor(mark.colour);
        if (mark.plane)
            drawPlane(painter, mark.dip, mark.azimuth);
        else
            drawLinePoint(painter, mark.dip, mark.azimuth);
    }
}

void StereoNetPlot::drawMean(AbstractPainter& painter) const
{
    if (!m_drawMeanValues || !m_hasMean)
        return;
    painter.setColor(Black);
    painter.setLineWidth(2.0f);
    if (m_drawPoles)
        drawPole(painter, m_meanDip, m_meanAzimuth);
    if (m_drawPlanes && m_meanDip != 0.0f)
        drawGreatCircle(painter, m_meanDip, m_meanAzimuth);
}

void StereoNetPlot::drawTemp(AbstractPainter& painter) const
{
    if (!m_drawTempPlane)
        return;
    painter.setColor("#FF0000");
    painter.setLineWidth(2.0f);
    if (m_drawPoles)
        drawPole(painter, m_tempDip, m_tempAzimuth);
    if (m_drawPlanes)
        drawGreatCircle(painter, m_tempDip, m_tempAzimuth);
}

void StereoNetPlot::drawNet(AbstractPainter& painter) const
{
    const PainterPoint& centre = painter.centre();
    painter.setColor("#ffffff");
    painter.setFillMode(AbstractPainter::FillOnly);
    painter.drawArc(centre.x, centre.y, m_radius, 0.0f, FullTurn, true);

    painter.setFillMode(AbstractPainter::OutlineOnly);
    painter.setLineWidth(0.5f);
    painter.setColor("#cccccc");
    drawNetGreatCircles(painter);
    for (int step = 1; step <= 8; ++step)
        drawSmallCirclePair(painter, step * GridStep);
    painter.drawLine(centre.x + m_radius, centre.y, centre.x - m_radius, centre.y);
    painter.drawLine(centre.x, centre.y + m_radius, centre.x, centre.y - m_radius);
    // Twice: antialiased, these short arcs come out paler than the rest.
    drawSmallCirclePair(painter, 2.0);
    drawSmallCirclePair(painter, 2.0);

    painter.setColor(Black);
    painter.setLineWidth(1.0f);
    drawTicks(painter);
    painter.drawArc(centre.x, centre.y, m_radius, 0.0f, FullTurn, true);
}

void StereoNetPlot::drawNetGreatCircles(AbstractPainter& painter) const
{
    if (m_equalArea) {
        for (int azimuth : {90, 270}) {
            for (int step = 1; step <= 8; ++step)
                drawGreatCircle(painter, float(step * GridStep), float(azimuth));
        }
        return;
    }
    const PainterPoint& centre = painter.centre();
    const PainterPoint north{centre.x, centre.y - m_radius};
    const PainterPoint south{centre.x, centre.y + m_radius};
    for (int step = 1; step <= 8; ++step) {
        const float k = std::trunc(projectedDistance(step * GridStep));
        drawArcThroughPoints(painter, south, {centre.x - k, centre.y}, north);
        drawArcThroughPoints(painter, north, {centre.x + k, centre.y}, south);
    }
}

void StereoNetPlot::drawSmallCirclePair(AbstractPainter& painter, double alpha) const
{
    if (m_equalArea) {
        drawSmallCircle(painter, alpha, true);
        drawSmallCircle(painter, alpha, false);
    } else {
        drawSmallCircle(painter, alpha, false);
        drawSmallCircle(painter, alpha, true);
    }
}

void StereoNetPlot::drawSmallCircle(AbstractPainter& painter, double alpha, bool north) const
{
    const PainterPoint& centre = painter.centre();
    const double axis = north ? 0.0 : 180.0;
    if (!m_equalArea) {
        drawArcThroughPoints(painter, atBearing(centre, m_radius, axis + alpha),
                             project(painter, alpha, axis), atBearing(centre, m_radius, axis - alpha));
        return;
    }
    // Lines at alpha from the axis end, in planes through the N-S line
    // dipping t to the east, then to the west.
    const double sinAlpha = std::sin(radians(alpha));
    const double cosAlpha = std::cos(radians(alpha));
    const double eastSign = north ? 1.0 : -1.0;
    PainterPoints points;
    points.reserve(20);
    for (int half = 0; half < 2; ++half) {
        for (int i = 0; i <= 9; ++i) {
            const double t = radians(GridStep * (half == 0 ? i : 9 - i));
            const double plunge = std::asin(std::sin(t) * sinAlpha);
            const double delta = degrees(acosOfRatio(cosAlpha / std::cos(plunge)));
            const double side = half == 0 ? eastSign * delta : -eastSign * delta;
            points.push_back(project(painter, degrees(plunge), axis + side));
        }
    }
    painter.drawPolyline(points);
}

void StereoNetPlot::drawTicks(AbstractPainter& painter) const
{
    const PainterPoint& centre = painter.centre();
    const float length = 3.0f * m_markerSize;
    for (int bearing = 100; bearing <= 450; bearing += 10) {
        const PainterPoint inner = atBearing(centre, m_radius, bearing);
        const PainterPoint outer = atBearing(centre, m_radius + length, bearing);
        painter.drawLine(inner.x, inner.y, outer.x, outer.y);
    }
}

// The circle arc from start through apex to end; the path turns clockwise
// on screen.
void StereoNetPlot::drawArcThroughPoints(AbstractPainter& painter, const PainterPoint& start,
                                         const PainterPoint& apex, const PainterPoint& end) const
{
    const double sx = start.x, sy = start.y, ax = apex.x, ay = apex.y;
    const double ex = end.x, ey = end.y;
    const double a = std::hypot(ax - sx, ay - sy);
    const double b = std::hypot(sx - ex, sy - ey);
    const double theta = acosOfRatio(((sx - ex) * (ax - sx) + (sy - ey) * (ay - sy)) / (a * b));
    const double phi = 4.0 * std::atan(2.0 * a * std::sin(theta) / b);
    if (std::fabs(phi) < 5e-9) {
        const PainterPoint& centre = painter.centre();
        painter.drawLine(centre.x, centre.y + m_radius, centre.x, centre.y - m_radius);
        return;
    }
    const double rho = (b / 2.0) / std::sin(phi / 2.0);
    const double mx = ax + rho / b * (sy - ey);
    const double my = ay - rho / b * (sx - ex);
    double startAngle = acosOfRatio((sx - mx) / rho);
    if (sy < my)
        startAngle = 2.0 * Pi - startAngle;
    PainterPoints points;
    points.reserve(53);
    const double step = phi / 50.0;
    for (double angle = startAngle; angle <= startAngle + phi; angle += step)
        points.push_back({static_cast<float>(mx + rho * std::cos(angle)),
                          static_cast<float>(my + rho * std::sin(angle))});
    points.push_back(end);
    painter.drawPolyline(points);
}

bool StereoNetPlot::pickOrientation(const AbstractPainter& painter, const PainterPoint& point,
                                    double& dip, double& azimuth) const
{
    dip = 0.0;
    azimuth = 0.0;
    // Before a radius is set there is no net to pick on.
    if (m_radius < 1.0f)
        return false;
    const double rw = std::trunc(m_radius);
    const double dx = double(point.x) - double(painter.centre().x);
    const double dy = double(point.y) - double(painter.centre().y);
    double distance = std::hypot(dx, dy);
    if (std::fabs(distance - rw) < 5e-5)
        distance = rw;
    if (distance > rw)
        return false;
    const double pickedDip = degrees(m_equalArea
                                         ? 2.0 * std::asin(std::min(1.0, distance / (rw * std::sqrt(2.0))))
                                         : 2.0 * std::atan(distance / rw));
    if (pickedDip < 5e-9)
        return true;
    dip = pickedDip;
    azimuth = std::fmod(degrees(std::atan2(dx, -dy)) + 180.0, 360.0);
    if (azimuth <= 0.0)
        azimuth += 360.0;
    return true;
}

// The mean of the poles taken as axes: each pole counts on the side of the
// poles' principal axis (the orientation tensor's largest eigenvector), and
// the sum points down. Where the poles all lie within 90 degrees of that
// axis this is their plain sum. The poles are summed in a fixed order, so the
// mean is the same, to the bit, whatever order the data came in.
void StereoNetPlot::computeMean()
{
    std::vector<Eigen::Vector3d> poles;
    for (const Data* datum : m_data) {
        if (!datum || datum->type() != Data::Plane)
            continue;
        const double d = radians(datum->dip());
        const double a = radians(datum->azimuth());
        poles.emplace_back(-std::cos(a) * std::sin(d), -std::sin(a) * std::sin(d), std::cos(d));
    }
    m_hasMean = !poles.empty();
    if (!m_hasMean) {
        m_meanDip = 0.0f;
        m_meanAzimuth = 0.0f;
        return;
    }
    std::sort(poles.begin(), poles.end(), [](const Eigen::Vector3d& a, const Eigen::Vector3d& b) {
        return std::lexicographical_compare(a.data(), a.data() + 3, b.data(), b.data() + 3);
    });
    Eigen::Matrix3d tensor = Eigen::Matrix3d::Zero();
    for (const Eigen::Vector3d& pole : poles)
        tensor += pole * pole.transpose();
    // Eigenvalues come in increasing order.
    const Eigen::Vector3d axis
        = lowerOf(Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d>(tensor).eigenvectors().col(2));
    Eigen::Vector3d sum = Eigen::Vector3d::Zero();
    for (const Eigen::Vector3d& pole : poles)
        sum += pole.dot(axis) < 0.0 ? Eigen::Vector3d(-pole) : pole;
    sum = lowerOf(sum);
    const double north = sum.x(), east = sum.y(), down = sum.z();
    const double gamma = bearingOf(north, east);
    m_meanDip = static_cast<float>(90.0 - degrees(std::atan2(down, std::hypot(north, east))));
    m_meanAzimuth = static_cast<float>(gamma <= 180.0 ? gamma + 180.0 : gamma - 180.0);
}

} // namespace kiv
