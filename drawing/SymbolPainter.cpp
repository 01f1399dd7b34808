#include "drawing/SymbolPainter.h"

#include "drawing/AbstractPainter.h"
#include "drawing/SymbolFrame.h"
#include "model/Data.h"
#include "model/Project.h"

#include <QColor>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace kiv {

namespace {

using Painter = AbstractPainter;

constexpr float SymbolHaloWidth = 4.0f;
constexpr float SymbolWidth = 2.0f;
constexpr float MarkHaloWidth = 3.0f;
constexpr float MarkWidth = 1.0f;
// Dips and plunges at or below this are drawn horizontal, at or above the
// vertical bound vertical.
constexpr float HorizontalBound = 2.0f;
constexpr float VerticalBound = 88.0f;
// Half the width of a fold symbol's equilateral triangle of side 0.5.
const float FoldTriangleHeight = std::sqrt(3.0f) / 4.0f;

enum class Attitude { Horizontal, Inclined, Vertical };

Attitude attitudeOf(float dip)
{
    if (dip <= HorizontalBound)
        return Attitude::Horizontal;
    if (dip >= VerticalBound)
        return Attitude::Vertical;
    return Attitude::Inclined;
}

// The halo pass (only with a halo colour), then the colour pass.
template <typename Geometry>
void twoPasses(Painter& painter, const std::string& colour, const std::string& halo,
               float haloWidth, float width, Geometry geometry)
{
    if (!halo.empty()) {
        painter.setColor(halo);
        painter.setLineWidth(haloWidth);
        geometry();
    }
    painter.setColor(colour);
    painter.setLineWidth(width);
    geometry();
}

template <typename Geometry>
void symbolPasses(Painter& painter, const std::string& colour, const std::string& halo,
                  Geometry geometry)
{
    twoPasses(painter, colour, halo, SymbolHaloWidth, SymbolWidth, geometry);
}

void setStyle(Painter& painter, int cap, int join, int fill)
{
    painter.setCapStyle(cap);
    painter.setJoinStyle(join);
    painter.setFillMode(fill);
}

// A plane symbol's frame with its style set; its strike line drawn from -v
// to +v, or the other way round when reversed.
SymbolFrame planeFrame(Painter& painter, float azimuth, bool reversed = false)
{
    setStyle(painter, Painter::RoundCap, Painter::MiterJoin, Painter::OutlineOnly);
    const SymbolFrame frame(painter, azimuth);
    const float from = reversed ? 1.0f : -1.0f;
    frame.line(0, from, 0, -from);
    return frame;
}

void beddingGeometry(Painter& painter, float azimuth, float dip)
{
    const SymbolFrame frame = planeFrame(painter, azimuth);
    switch (attitudeOf(dip)) {
    case Attitude::Horizontal:
        frame.line(1, 0, -1, 0);
        break;
    case Attitude::Vertical:
        frame.line(0.5f, 0, -0.5f, 0);
        break;
    case Attitude::Inclined:
        frame.line(0, 0, 0.5f, 0);
    }
}

void overturnedBeddingGeometry(Painter& painter, float azimuth)
{
    const SymbolFrame frame = planeFrame(painter, azimuth);
    frame.arc(0, 0.25f, 0.25f, 90, -90, true);
    frame.line(0, 0, 0.5f, 0);
}

void foliationGeometry(Painter& painter, float azimuth, float dip)
{
    const SymbolFrame frame = planeFrame(painter, azimuth);
    switch (attitudeOf(dip)) {
    case Attitude::Horizontal:
        frame.line(1, 0, -1, 0);
        painter.setCapStyle(Painter::FlatCap);
        frame.openPath({{0, 0.5f}, {0.5f, 0}, {0, -0.5f}, {-0.5f, 0}, {0, 0.5f}});
        break;
    case Attitude::Vertical:
        painter.setCapStyle(Painter::FlatCap);
        frame.openPath({{0, 0.25f}, {0.5f, 0}, {0, -0.25f}, {-0.5f, 0}, {0, 0.25f}});
        break;
    case Attitude::Inclined:
        painter.setCapStyle(Painter::FlatCap);
        frame.openPath({{0, 0.25f}, {0.5f, 0}, {0, -0.25f}});
    }
}

void secondFoliationGeometry(Painter& painter, float azimuth)
{
    const SymbolFrame frame = planeFrame(painter, azimuth);
    painter.setCapStyle(Painter::FlatCap);
    frame.openPath({{0, 0.5f}, {0.5f, 0.25f}, {0, 0}});
    frame.openPath({{0, 0}, {0.5f, -0.25f}, {0, -0.5f}});
}

void jointGeometry(Painter& painter, float azimuth, float dip)
{
    const SymbolFrame frame = planeFrame(painter, azimuth, true);
    const Attitude attitude = attitudeOf(dip);
    if (attitude == Attitude::Inclined) {
        painter.setCapStyle(Painter::FlatCap);
        frame.openPath({{0, 0.25f}, {0.25f, 0.25f}, {0.25f, -0.25f}, {0, -0.25f}});
        return;
    }
    if (attitude == Attitude::Horizontal)
        frame.line(1, 0, -1, 0);
    frame.closedPath({{0.25f, 0.25f}, {0.25f, -0.25f}, {-0.25f, -0.25f}, {-0.25f, 0.25f}});
}

void normalFaultGeometry(Painter& painter, float azimuth)
{
    const SymbolFrame frame = planeFrame(painter, azimuth, true);
    painter.setCapStyle(Painter::FlatCap);
    painter.setFillMode(Painter::FillAndOutline);
    frame.openPath({{0, 0.25f}, {0.25f, 0.25f}, {0.25f, -0.25f}, {0, -0.25f}});
}

void reverseFaultGeometry(Painter& painter, float azimuth)
{
    const SymbolFrame frame = planeFrame(painter, azimuth, true);
    painter.setCapStyle(Painter::FlatCap);
    painter.setFillMode(Painter::FillAndOutline);
    frame.openPath({{0, 0.25f}, {0.5f, 0}, {0, -0.25f}});
}

// Half arrows beside the fault; sense +1 is dextral, -1 sinistral.
void strikeSlipGeometry(Painter& painter, float azimuth, float sense)
{
    const SymbolFrame frame = planeFrame(painter, azimuth, true);
    const float s = sense;
    frame.openPaths({{{0.35f, -0.5f * s}, {0.35f, 0.5f * s}, {0.6f, 0.25f * s}},
                     {{-0.35f, 0.5f * s}, {-0.35f, -0.5f * s}, {-0.6f, -0.25f * s}}});
}

void synclineGeometry(Painter& painter, float azimuth, bool filled)
{
    const SymbolFrame frame = planeFrame(painter, azimuth, true);
    if (filled)
        painter.setFillMode(Painter::FillAndOutline);
    const float h = FoldTriangleHeight;
    frame.closedPath({{0, 0}, {h, 0.25f}, {h, -0.25f}, {0, 0}, {-h, -0.25f}, {-h, 0.25f}});
}

void anticlineGeometry(Painter& painter, float azimuth, bool filled)
{
    const SymbolFrame frame = planeFrame(painter, azimuth, true);
    if (filled)
        painter.setFillMode(Painter::FillAndOutline);
    const float h = FoldTriangleHeight;
    frame.closedPath({{0, 0.25f}, {h, 0}, {0, -0.25f}, {-h, 0}});
}

// A line symbol's frame with its style set.
SymbolFrame lineFrame(Painter& painter, float azimuth)
{
    setStyle(painter, Painter::RoundCap, Painter::RoundJoin, Painter::OutlineOnly);
    return SymbolFrame(painter, azimuth);
}

void trendLine(const SymbolFrame& frame)
{
    frame.line(1, 0, -1, 0);
}

// The arrowhead at the +u end, or at the -u end for sense -1.
void arrowHead(const SymbolFrame& frame, float sense = 1.0f)
{
    frame.openPath({{0.65f * sense, 0.35f}, {sense, 0}, {0.65f * sense, -0.35f}});
}

void diamond(const SymbolFrame& frame)
{
    frame.closedPath({{0, 0.5f}, {0.5f, 0}, {0, -0.5f}, {-0.5f, 0}});
}

void lineationGeometry(Painter& painter, float azimuth, float plunge)
{
    const SymbolFrame frame = lineFrame(painter, azimuth);
    const Attitude attitude = attitudeOf(plunge);
    if (attitude == Attitude::Vertical) {
        diamond(frame);
        return;
    }
    trendLine(frame);
    arrowHead(frame);
    if (attitude == Attitude::Horizontal)
        arrowHead(frame, -1.0f);
}

void mineralGeometry(Painter& painter, float azimuth, float plunge)
{
    const SymbolFrame frame = lineFrame(painter, azimuth);
    painter.setCapStyle(Painter::FlatCap);
    const Attitude attitude = attitudeOf(plunge);
    if (attitude == Attitude::Vertical) {
        painter.setFillMode(Painter::FillAndOutline);
        painter.setJoinStyle(Painter::MiterJoin);
        diamond(frame);
        painter.setColor("FFFFFF");
        frame.circle(0, 0, 0.25f);
        return;
    }
    trendLine(frame);
    painter.setCapStyle(Painter::RoundCap);
    arrowHead(frame);
    if (attitude == Attitude::Horizontal)
        arrowHead(frame, -1.0f);
    painter.setFillMode(Painter::FillAndOutline);
    frame.circle(attitude == Attitude::Horizontal ? 0.0f : -0.75f, 0, 0.25f);
}

// Line and head with two small half circles on either side of the centre;
// true turns the half circle clockwise on screen from local +v.
void foldAxisGeometry(Painter& painter, float azimuth, bool firstClockwise, bool secondClockwise)
{
    const SymbolFrame frame = lineFrame(painter, azimuth);
    trendLine(frame);
    arrowHead(frame);
    frame.arc(0, 0.25f, 0.25f, 90, -90, firstClockwise);
    frame.arc(0, -0.25f, 0.25f, 90, -90, secondClockwise);
}

// Line and head with one wide half circle, bulging towards +u (anticline) or -u.
void foldAxisHingeGeometry(Painter& painter, float azimuth, bool anticline)
{
    const SymbolFrame frame = lineFrame(painter, azimuth);
    trendLine(frame);
    arrowHead(frame);
    if (anticline)
        frame.arc(-0.25f, 0, 0.5f, -90, 90, true);
    else
        frame.arc(0.25f, 0, 0.5f, 90, -90, true);
}

void annotationGeometry(Painter& painter)
{
    setStyle(painter, Painter::RoundCap, Painter::RoundJoin, Painter::OutlineOnly);
    const SymbolFrame frame = SymbolFrame::upright(painter);
    const float third = 1.0f / 3.0f;
    const float sixth = 1.0f / 6.0f;
    frame.closedPath({{-2 * third, -2 * third},
                      {-sixth, -2 * third},
                      {2 * third, sixth},
                      {sixth, 2 * third},
                      {-2 * third, -sixth}});
    frame.circle(-third, -third, sixth);
}

void imageGeometry(Painter& painter)
{
    painter.setCapStyle(Painter::RoundCap);
    painter.setJoinStyle(Painter::RoundJoin);
    const SymbolFrame frame = SymbolFrame::upright(painter);
    const float e = 1.0f / 6.0f;
    painter.setFillMode(Painter::FillAndOutline);
    frame.circle(0, 0, 0.75f * e);
    painter.setFillMode(Painter::OutlineOnly);
    frame.circle(0, 0, 2 * e);
    frame.openPaths({{{3 * e, -2 * e},
                      {5 * e, -2 * e},
                      {5 * e, 3 * e},
                      {-5 * e, 3 * e},
                      {-5 * e, -2 * e},
                      {-3 * e, -2 * e}},
                     {{-3.5f * e, -e}, {-2.25f * e, -3.5f * e}, {2.25f * e, -3.5f * e}, {3.5f * e, -e}}});
    painter.setFillMode(Painter::FillAndOutline);
    frame.openPath({{-4.5f * e, -2 * e}, {-4.5f * e, -2.5f * e}, {-3.5f * e, -2.5f * e}, {-3.5f * e, -2 * e}});
}

void localityGeometry(Painter& painter)
{
    setStyle(painter, Painter::FlatCap, Painter::MiterJoin, Painter::OutlineOnly);
    const SymbolFrame frame = SymbolFrame::upright(painter);
    // The pin's sides leave its head 10 degrees below the horizontal.
    const float side = 0.5f * std::cos(qDegreesToRadians(10.0f));
    const float drop = -0.25f + 0.5f * std::sin(qDegreesToRadians(10.0f));
    frame.openPath({{side, drop}, {0, 1}, {-side, drop}});
    painter.setCapStyle(Painter::RoundCap);
    frame.arc(0, -0.25f, 0.5f, 170, -30, true);
    frame.circle(0, -0.25f, 0.25f);
}

} // namespace

SymbolPainter::SymbolPainter(Project* project)
    : m_project(project)
{
}

SymbolPainter::~SymbolPainter() = default;

void SymbolPainter::drawSymbol(AbstractPainter& painter, int iconId, float azimuth, float dip,
                               const std::string& colour, const std::string& halo) const
{
    switch (iconId) {
    case Project::OverturnedBedding:
        return drawOverturnedBeddingSymbol(painter, azimuth, colour, halo);
    case Project::Foliation:
        return drawFoliationSymbol(painter, azimuth, dip, colour, halo);
    case Project::SecondFoliation:
        return drawSecondFoliationSymbol(painter, azimuth, colour, halo);
    case Project::Joint:
        return drawJointSymbol(painter, azimuth, dip, colour, halo);
    case Project::NormalFault:
        return drawNormalFaultSymbol(painter, azimuth, colour, halo);
    case Project::ReverseFault:
        return drawReverseFaultSymbol(painter, azimuth, colour, halo);
    case Project::StrikeSlipDextralFault:
        return drawStrikeSlipDextralFaultSymbol(painter, azimuth, colour, halo);
    case Project::StrikeSlipSinistralFault:
        return drawStrikeSlipSinistralFaultSymbol(painter, azimuth, colour, halo);
    case Project::Syncline:
        return drawSynclineSymbol(painter, azimuth, colour, halo);
    case Project::Anticline:
        return drawAnticlineSymbol(painter, azimuth, colour, halo);
    case Project::Synform:
        return drawSynformSymbol(painter, azimuth, colour, halo);
    case Project::Antiform:
        return drawAntiformSymbol(painter, azimuth, colour, halo);
    case Project::Lineation:
        return drawLineationSymbol(painter, azimuth, dip, colour, halo);
    case Project::Mineral:
        return drawMineralSymbol(painter, azimuth, dip, colour, halo);
    case Project::FoldAxisZ:
        return drawFoldAxisZSymbol(painter, azimuth, colour, halo);
    case Project::FoldAxisS:
        return drawFoldAxisSSymbol(painter, azimuth, colour, halo);
    case Project::FoldAxisM:
        return drawFoldAxisMSymbol(painter, azimuth, colour, halo);
    case Project::FoldAxisAnticline:
        return drawFoldAxisAnticlineSymbol(painter, azimuth, colour, halo);
    case Project::FoldAxisSyncline:
        return drawFoldAxisSynclineSymbol(painter, azimuth, colour, halo);
    case Project::Sighting:
        return drawSightingSymbol(painter, azimuth, colour, halo);
    case Project::Annotation:
        return drawAnnotationSymbol(painter, colour, halo);
    case Project::Image:
        return drawImageSymbol(painter, colour, halo);
    default:
        return drawBeddingSymbol(painter, azimuth, dip, colour, halo);
    }
}

void SymbolPainter::drawBeddingSymbol(AbstractPainter& painter, float azimuth, float dip,
                                      const std::string& colour, const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { beddingGeometry(painter, azimuth, dip); });
}

void SymbolPainter::drawOverturnedBeddingSymbol(AbstractPainter& painter, float azimuth,
                                                const std::string& colour,
                                                const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { overturnedBeddingGeometry(painter, azimuth); });
}

void SymbolPainter::drawFoliationSymbol(AbstractPainter& painter, float azimuth, float dip,
                                        const std::string& colour, const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { foliationGeometry(painter, azimuth, dip); });
}

void SymbolPainter::drawSecondFoliationSymbol(AbstractPainter& painter, float azimuth,
                                              const std::string& colour,
                                              const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { secondFoliationGeometry(painter, azimuth); });
}

void SymbolPainter::drawJointSymbol(AbstractPainter& painter, float azimuth, float dip,
                                    const std::string& colour, const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { jointGeometry(painter, azimuth, dip); });
}

void SymbolPainter::drawNormalFaultSymbol(AbstractPainter& painter, float azimuth,
                                          const std::string& colour, const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { normalFaultGeometry(painter, azimuth); });
}

void SymbolPainter::drawReverseFaultSymbol(AbstractPainter& painter, float azimuth,
                                           const std::string& colour,
                                           const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { reverseFaultGeometry(painter, azimuth); });
}

void SymbolPainter::drawStrikeSlipDextralFaultSymbol(AbstractPainter& painter, float azimuth,
                                                     const std::string& colour,
                                                     const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { strikeSlipGeometry(painter, azimuth, 1.0f); });
}

void SymbolPainter::drawStrikeSlipSinistralFaultSymbol(AbstractPainter& painter, float azimuth,
                                                       const std::string& colour,
                                                       const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { strikeSlipGeometry(painter, azimuth, -1.0f); });
}

void SymbolPainter::drawSynclineSymbol(AbstractPainter& painter, float azimuth,
                                       const std::string& colour, const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { synclineGeometry(painter, azimuth, true); });
}

void SymbolPainter::drawAnticlineSymbol(AbstractPainter& painter, float azimuth,
                                        const std::string& colour, const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { anticlineGeometry(painter, azimuth, true); });
}

void SymbolPainter::drawSynformSymbol(AbstractPainter& painter, float azimuth,
                                      const std::string& colour, const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { synclineGeometry(painter, azimuth, false); });
}

void SymbolPainter::drawAntiformSymbol(AbstractPainter& painter, float azimuth,
                                       const std::string& colour, const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { anticlineGeometry(painter, azimuth, false); });
}

void SymbolPainter::drawLineationSymbol(AbstractPainter& painter, float azimuth, float plunge,
                                        const std::string& colour, const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { lineationGeometry(painter, azimuth, plunge); });
}

void SymbolPainter::drawMineralSymbol(AbstractPainter& painter, float azimuth, float plunge,
                                      const std::string& colour, const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { mineralGeometry(painter, azimuth, plunge); });
}

void SymbolPainter::drawFoldAxisZSymbol(AbstractPainter& painter, float azimuth,
                                        const std::string& colour, const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { foldAxisGeometry(painter, azimuth, true, false); });
}

void SymbolPainter::drawFoldAxisSSymbol(AbstractPainter& painter, float azimuth,
                                        const std::string& colour, const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { foldAxisGeometry(painter, azimuth, false, true); });
}

void SymbolPainter::drawFoldAxisMSymbol(AbstractPainter& painter, float azimuth,
                                        const std::string& colour, const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { foldAxisGeometry(painter, azimuth, false, false); });
}

void SymbolPainter::drawFoldAxisAnticlineSymbol(AbstractPainter& painter, float azimuth,
                                                const std::string& colour,
                                                const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { foldAxisHingeGeometry(painter, azimuth, true); });
}

void SymbolPainter::drawFoldAxisSynclineSymbol(AbstractPainter& painter, float azimuth,
                                               const std::string& colour,
                                               const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { foldAxisHingeGeometry(painter, azimuth, false); });
}

void SymbolPainter::drawSightingSymbol(AbstractPainter& painter, float azimuth,
                                       const std::string& colour, const std::string& halo) const
{
    // The style is set once; both passes draw the bare line.
    setStyle(painter, Painter::RoundCap, Painter::RoundJoin, Painter::OutlineOnly);
    const SymbolFrame frame(painter, azimuth);
    symbolPasses(painter, colour, halo, [&] { frame.line(-1, 0, 1, 0); });
}

void SymbolPainter::drawAnnotationSymbol(AbstractPainter& painter, const std::string& colour,
                                         const std::string& halo) const
{
    twoPasses(painter, colour, halo, MarkHaloWidth, MarkWidth, [&] { annotationGeometry(painter); });
}

void SymbolPainter::drawImageSymbol(AbstractPainter& painter, const std::string& colour,
                                    const std::string& halo) const
{
    twoPasses(painter, colour, halo, MarkHaloWidth, MarkWidth, [&] { imageGeometry(painter); });
}

void SymbolPainter::drawLocalitySymbol(AbstractPainter& painter, const std::string& colour,
                                       const std::string& halo) const
{
    symbolPasses(painter, colour, halo, [&] { localityGeometry(painter); });
}

void SymbolPainter::drawMarkerSymbol(AbstractPainter& painter, const std::string& colour,
                                     float value, const std::string& halo) const
{
    // No upper limit: the caller's value may outgrow the painter's area.
    const SymbolFrame frame(painter, 90.0f, std::min(painter.width(), painter.height()) / 2.1f);
    symbolPasses(painter, colour, halo, [&] {
        painter.setFillMode(Painter::OutlineOnly);
        frame.circle(0, 0, 0.4f + 0.6f * value / 30.0f);
    });
}

void SymbolPainter::drawDataSymbol(AbstractPainter& painter, std::shared_ptr<Data> datum,
                                   const std::string& halo) const
{
    if (datum)
        drawDataSymbol(&painter, *datum, halo);
}

void SymbolPainter::drawDataSymbol(AbstractPainter* painter, const Data& datum,
                                   const std::string& halo) const
{
    if (!painter || !m_project)
        return;
    const std::string black = "#000000";
    const int icon = m_project->symbolIconId(datum.symbolId());
    const std::string colour = m_project->unitColor(datum.unitId()).name().toStdString();
    switch (datum.type()) {
    case Data::NoKind:
        return;
    case Data::Image:
        return drawImageSymbol(*painter, black, halo);
    case Data::Annotation:
        return drawAnnotationSymbol(*painter, black, halo);
    case Data::Lineation:
        return drawSymbol(*painter, icon, datum.plungeAzimuth(), datum.plunge(), colour, halo);
    case Data::Sighting:
        return drawSymbol(*painter, icon, datum.azimuth(), 0.0f, colour, halo);
    default:
        return drawSymbol(*painter, icon, datum.azimuth(), datum.dip(), colour, halo);
    }
}

} // namespace kiv
