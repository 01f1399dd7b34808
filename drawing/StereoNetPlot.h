#pragma once

#include "drawing/PainterPoint.h"

#include <QList>

#include <string>
#include <vector>

namespace kiv {

class AbstractPainter;
class Data;
class Project;

// A lower-hemisphere net (equal-area or equal-angle) with planes as poles
// and great circles, lineations as points, the mean plane and a temporary
// plane; and the inverse: the plane whose pole lies at a touched point.
// Angles are degrees; bearings run clockwise from north, which is up.
class StereoNetPlot
{
public:
    // project gives the rock-unit colours and may be null; neither it nor
    // the data are owned.
    StereoNetPlot(Project* project, float markerSize);
    virtual ~StereoNetPlot();

    void setModel(Project* project);
    // Always recomputes the mean plane.
    void setData(const QList<Data*>& data);
    const QList<Data*>& data() const { return m_data; }
    void setTempPlane(float dip, float azimuth);

    // One datum as it is drawn, read from the data and the project, so that
    // drawing needs neither.
    struct Mark
    {
        bool plane = true;    // else a lineation
        float dip = 0.0f;     // or plunge
        float azimuth = 0.0f; // or trend
        std::string colour;
    };
    // The planes and lineations of the data, in their order.
    std::vector<Mark> marks() const;

    // Sets the radius from the painter's size, then draws net and data.
    void draw(AbstractPainter& painter);
    // The net and the marks: all but the mean and temporary planes. Sets the
    // radius; reads neither data nor project, so a copy of the plot may
    // draw it on another thread.
    void drawBase(AbstractPainter& painter, const std::vector<Mark>& marks);
    // The mean and temporary planes, over a base of the same radius.
    void drawOverlay(AbstractPainter& painter) const;
    // False outside the primitive and before a radius is set.
    bool pickOrientation(const AbstractPainter& painter, const PainterPoint& point, double& dip,
                         double& azimuth) const;
    PainterPoint polePosition(const AbstractPainter& painter, float dip, float azimuth) const;

    // Single elements in the painter's current colour and width.
    void drawPlane(AbstractPainter& painter, float dip, float azimuth) const;
    void drawLinePoint(AbstractPainter& painter, float plunge, float trend) const;
    void drawPole(AbstractPainter& painter, float dip, float azimuth) const;
    void drawGreatCircle(AbstractPainter& painter, float dip, float azimuth) const;

    float radius() const { return m_radius; }
    void setRadius(float radius) { m_radius = radius; }
    float markerSize() const { return m_markerSize; }
    void setMarkerSize(float size) { m_markerSize = size; }
    bool equalArea() const { return m_equalArea; }
    void setEqualArea(bool equalArea) { m_equalArea = equalArea; }
    bool drawPoles() const { return m_drawPoles; }
    void setDrawPoles(bool draw) { m_drawPoles = draw; }
    bool drawPlanes() const { return m_drawPlanes; }
    void setDrawPlanes(bool draw) { m_drawPlanes = draw; }
    bool drawMeanValues() const { return m_drawMeanValues; }
    void setDrawMeanValues(bool draw) { m_drawMeanValues = draw; }
    bool drawTempPlane() const { return m_drawTempPlane; }
    void setDrawTempPlane(bool draw) { m_drawTempPlane = draw; }

    bool hasMean() const { return m_hasMean; }
    float meanDip() const { return m_meanDip; }
    float meanAzimuth() const { return m_meanAzimuth; }
    float tempDip() const { return m_tempDip; }
    float tempAzimuth() const { return m_tempAzimuth; }

private:
    // Distance from the centre of a line of this plunge.
    double projectedDistance(double plunge) const;
    // Where a line of this plunge and trend lies on the painter.
    PainterPoint project(const AbstractPainter& painter, double plunge, double trend) const;
    // The same for the line of this unit vector (north, east, down).
    PainterPoint project(const AbstractPainter& painter, double north, double east, double down) const;
    void drawNet(AbstractPainter& painter) const;
    void drawNetGreatCircles(AbstractPainter& painter) const;
    // The cone of half-angle alpha about the north or south end of the N-S axis.
    void drawSmallCircle(AbstractPainter& painter, double alpha, bool north) const;
    void drawSmallCirclePair(AbstractPainter& painter, double alpha) const;
    void drawTicks(AbstractPainter& painter) const;
    void drawArcThroughPoints(AbstractPainter& painter, const PainterPoint& start,
                              const PainterPoint& apex, const PainterPoint& end) const;
    void drawMarks(AbstractPainter& painter, const std::vector<Mark>& marks) const;
    void drawMean(AbstractPainter& painter) const;
    void drawTemp(AbstractPainter& painter) const;
    void computeMean();

    Project* m_project;
    float m_radius = 0.0f;
    float m_markerSize;
    bool m_equalArea = true;
    QList<Data*> m_data;
    bool m_hasMean = false;
    float m_meanDip = 0.0f;
    float m_meanAzimuth = 0.0f;
    float m_tempDip = 0.0f;
    float m_tempAzimuth = 0.0f;
    bool m_drawPoles = true;
    bool m_drawPlanes = true;
    bool m_drawMeanValues = true;
    bool m_drawTempPlane = false;
};

} // namespace kiv
