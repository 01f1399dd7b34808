#include "tools/LineTool.h"

#include "Database/CommandManager.h"
#include "app/AppContext.h"
#include "app/ApplicationManager.h"
#include "app/DialogController.h"
#include "map/GLRender.h"
#include "map/GLRenderItem.h"
#include "map/LineDataRenderItem.h"
#include "map/LinePointRenderItem.h"
#include "map/MapViewController.h"
#include "map/PickListModel.h"
#include "model/AddLineCommand.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/ModifyLineCommand.h"
#include "model/Project.h"
#include "model/RemoveLineCommand.h"
#include "model/StratColumnModel.h"

#include <osg/MatrixTransform>

#include <QDebug>
#include <QMutexLocker>
#include <QSettings>

#include <algorithm>
#include <cmath>

namespace kiv {

const QString LineTool::SaveFailedText = QStringLiteral("Could not save line.");
const QString LineTool::NoRockUnitText = QStringLiteral("Please add a Rock Unit before drawing");
const QString LineTool::ColumnEditingText = QStringLiteral("Tap Done in the strat column to draw");

namespace {

const QString OpacityKey = QStringLiteral("LineTool/Opacity");
const QString ThicknessKey = QStringLiteral("LineTool/Thickness");
const QString StyleKey = QStringLiteral("LineTool/Style");
const QString EditModeKey = QStringLiteral("LineTool/EditMode");

constexpr int ShortToast = 2000;
constexpr int LongToast = 4000;
constexpr double LineLayer = 1.6;
constexpr double HandleLayer = LineLayer + 1.0;
constexpr double SamePoint = 1e-12;

ModelManager* models()
{
    return ModelManager::instance();
}

int currentRockUnit()
{
    ModelManager* manager = models();
    return manager ? manager->currentRockUnit() : -1;
}

double readClamped(const QSettings& settings, const QString& key, double fallback, double low, double high)
{
    bool ok = false;
    const double value = settings.value(key, fallback).toDouble(&ok);
    return ok && std::isfinite(value) ? std::clamp(value, low, high) : fallback;
}

bool samePoint(const QPointF& a, const QPointF& b)
{
    return std::abs(a.x() - b.x()) <= SamePoint && std::abs(a.y() - b.y()) <= SamePoint;
}

} // namespace

LineTool::LineTool(QObject* parent)
    : Tool(parent)
{
    if (ModelManager* manager = models())
        connect(manager, &ModelManager::currentRockUnitChanged, this, &LineTool::onCurrentRockUnitChanged);
    connect(this, &LineTool::penModeChanged, this, &LineTool::onPenModeChanged);
    connect(this, &LineTool::editModeEnabledChanged, this, &LineTool::onEditModeEnabledChanged);
    readSettings();
}

LineTool::~LineTool() = default;

void LineTool::readSettings()
{
    const QSettings settings;
    m_opacity = readClamped(settings, OpacityKey, 1.0, 0.2, 1.0);
    m_lineThickness = readClamped(settings, ThicknessKey, 2.0, 1.0, 30.0);
    const int style = settings.value(StyleKey, 1).toInt();
    m_lineStyle = style == Qt::DashLine || style == Qt::DotLine ? Qt::PenStyle(style) : Qt::SolidLine;
    m_editModeEnabled = settings.value(EditModeKey, false).toBool();
}

void LineTool::writeLineSettings() const
{
    QSettings settings;
    settings.setValue(OpacityKey, m_opacity);
    settings.setValue(ThicknessKey, m_lineThickness);
    settings.setValue(StyleKey, int(m_lineStyle));
}

// --- properties ---------------------------------------------------------------

int LineTool::numPoints() const
{
    const int count = m_screenPoints.size();
    if (count >= 2 && samePoint(m_screenPoints[count - 1], m_screenPoints[count - 2]))
        return count - 1;
    return count;
}

void LineTool::setOpacity(double opacity)
{
    if (opacity == m_opacity)
        return;
    m_opacity = opacity;
    emit opacityChanged(opacity);
}

void LineTool::setLineThickness(double thickness)
{
    if (thickness == m_lineThickness)
        return;
    m_lineThickness = thickness;
    emit lineThicknessChanged(thickness);
}

void LineTool::setLineStyle(Qt::PenStyle style)
{
    if (style == m_lineStyle)
        return;
    m_lineStyle = style;
    emit lineStyleChanged(style);
}

void LineTool::setFilled(bool filled)
{
    if (filled == m_filled)
        return;
    m_filled = filled;
    emit filledChanged(filled);
}

void LineTool::setPenMode(PenMode mode)
{
    if (mode == m_penMode)
        return;
    m_penMode = mode;
    emit penModeChanged(mode);
}

void LineTool::setEditModeEnabled(bool enabled)
{
    if (enabled == m_editModeEnabled)
        return;
    m_editModeEnabled = enabled;
    emit editModeEnabledChanged(enabled);
}

osg::ref_ptr<osg::Node> LineTool::overlayNode() const
{
    return m_overlayNode;
}

double LineTool::x(int i) const
{
    return i >= 0 && i < m_screenPoints.size() ? m_screenPoints[i].x() : 0.0;
}

double LineTool::y(int i) const
{
    return i >= 0 && i < m_screenPoints.size() ? m_screenPoints[i].y() : 0.0;
}

// --- helpers ------------------------------------------------------------------

LineTool::DragState LineTool::restingState() const
{
    return m_penMode != FreeHand ? DragState::ReticuleIdle : DragState::Idle;
}

std::shared_ptr<LineData2D> LineTool::newLine() const
{
    ApplicationManager* app = ApplicationManager::instance();
    const QString id = app ? app->makeUniqueId(QStringLiteral("LineTool")) : QString();
    auto line = LineData2D::create(id.toStdString(), std::string(), currentRockUnit(), LineData2D::lineStyleOf(m_lineStyle),
                                   m_filled, QString());
    line->setThickness(float(m_lineThickness));
    line->setOpacity(float(m_opacity));
    return line;
}

std::shared_ptr<LineData2D> LineTool::selectedLine() const
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!mapView() || !project || mapView()->selectedItemId().isEmpty())
        return nullptr;
    return project->lineById(mapView()->selectedItemId().toStdString());
}

bool LineTool::geoAt(double x, double y, double& longitude, double& latitude) const
{
    const GLRender* scene = mapView() ? mapView()->scene() : nullptr;
    return scene && scene->screenToGeo(x, y, longitude, latitude);
}

bool LineTool::screenOf(double longitude, double latitude, QPointF& screen) const
{
    const GLRender* scene = mapView() ? mapView()->scene() : nullptr;
    osg::Vec3d world;
    if (!scene || !GLRenderItem::toMap(scene, longitude, latitude, world))
        return false;
    screen = scene->worldToScreen(world);
    return true;
}

void LineTool::appendStrokePoint(double x, double y)
{
    double longitude = 0.0, latitude = 0.0;
    if (!geoAt(x, y, longitude, latitude))
        return;
    if (!m_pickedLine)
        m_pickedLine = newLine();
    m_pickedLine->addPoint(latitude, longitude);
    m_screenPoints.append(QPointF(x, y));
    requestRedraw();
    emit numPointsChanged(m_screenPoints.size());
}

int LineTool::vertexAt(double x, double y) const
{
    const std::shared_ptr<LineData2D> line = selectedLine();
    if (!line)
        return -1;
    // The nearest handle in reach: a stroke's first two points often lie
    // closer than the reach, and the end must not win over the inner one.
    const QPointF tap(x, y);
    int nearest = -1;
    float nearestDistance = float(m_pickRadius);
    for (int i = 0; i < line->pointCount(); ++i) {
        QPointF screen;
        if (!screenOf(line->longitudeAt(i), line->latitudeAt(i), screen))
            continue;
        const float distance = LineJoin::screenDistance(screen, tap);
        if (distance < nearestDistance) {
            nearest = i;
            nearestDistance = distance;
        }
    }
    if (nearest >= 0)
        qDebug() << "Got point";
    return nearest;
}

void LineTool::requestRedraw()
{
    {
        QMutexLocker lock(&m_overlayMutex);
        m_overlay.line = m_pickedLine ? std::make_shared<const LineData2D>(*m_pickedLine) : nullptr;
        m_overlay.state = m_dragState;
        m_overlay.penMode = m_penMode;
        const std::shared_ptr<Project> project = AppContext::currentProject();
        if (m_dragState == DragState::VertexDragging && m_pickedLine)
            m_overlay.colour = project ? project->unitColor(m_pickedLine->unitId()) : QColor(Qt::black);
        else
            m_overlay.colour = models() ? models()->currentRockUnitColor() : QColor(Qt::black);
        m_overlay.dirty = true;
    }
    requestFrame();
}

void LineTool::requestFrame() const
{
    if (GLRender* scene = mapView() ? mapView()->scene() : nullptr)
        scene->update();
}

QString LineTool::unitRefusal() const
{
    const int unit = currentRockUnit();
    if (unit == -1)
        return NoRockUnitText;
    // An open edit may delete or rename the unit the column no longer
    // outlines: a line waits for the column's "Done".
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (project && project->hasStratColumnModel() && project->stratColumnModel()->isEditing())
        return ColumnEditingText;
    return project && project->hasRockUnit(unit) ? QString() : NoRockUnitText;
}

void LineTool::toastError(const QString& message, int duration)
{
    AppContext::toastError(message, duration);
}

bool LineTool::runCommands(const std::vector<std::shared_ptr<AbstractCommand>>& commands) const
{
    CommandManager* manager = CommandManager::instance();
    bool ok = manager != nullptr;
    if (ok && commands.size() == 1) {
        ok = manager->execute(commands.front());
    } else if (ok) {
        manager->beginContext();
        for (const auto& command : commands)
            manager->execute(command);
        ok = manager->executePending();
    }
    if (!ok)
        toastSaveFailed();
    return ok;
}

void LineTool::toastSaveFailed() const
{
    toastError(SaveFailedText, LongToast);
}

// --- activation -----------------------------------------------------------------

void LineTool::toolActivated()
{
    Tool::toolActivated();
    m_dragState = restingState();
    if (CommandManager* commands = CommandManager::instance())
        commands->clearStacks();
    if (mapView())
        mapView()->setShowLinePoints(m_editModeEnabled);
    ApplicationManager* app = ApplicationManager::instance();
    m_pickRadius = app ? app->pickPrecision() * app->logicalToPhysicalMultiplier() : m_pickRadius;
    m_dragThreshold = 0.4 * m_pickRadius;
}

void LineTool::toolDeactivated()
{
    if (m_pickedLine)
        resetPickedPoints();
    if (mapView())
        mapView()->setShowLinePoints(false);
    Tool::toolDeactivated();
}

// --- gestures -------------------------------------------------------------------

bool LineTool::mousePressed(double x, double y, Qt::MouseButtons buttons)
{
    if (!active() || !mapView())
        return false;
    emit hideDeleteLinePoint();
    m_pressPosition = QPointF(x, y);
    m_dragDistance = 0.0;

    bool leftButton = buttons == Qt::LeftButton;
    switch (m_dragState) {
    case DragState::StrokeHeld:
        // The user drew it and never dropped it.
        finishHeldStroke();
        break;
    case DragState::ReticuleIdle:
        if (!m_editModeEnabled)
            return false;
        break;
    case DragState::Idle:
    case DragState::Pressed:
        break;
    default:
        m_dragState = DragState::Idle;
        leftButton = false;
        break;
    }
    if (!leftButton) {
        if (!m_pickedLine)
            return true;
        resetPickedPoints();
        return false;
    }
    if (!m_editModeEnabled) {
        m_dragState = DragState::Pressed;
        return true;
    }
    if (!selectedLine())
        mapView()->pick(x, y);
    m_pickedPointIndex = vertexAt(x, y);
    if (m_pickedPointIndex < 0) {
        m_dragState = DragState::Pressed;
        return true;
    }
    m_dragState = DragState::VertexPressed;
    if (const std::shared_ptr<LineData2D> line = selectedLine())
        m_pickedLine = std::make_shared<LineData2D>(*line);
    requestRedraw();
    return true;
}

bool LineTool::mouseMoved(double x, double y, Qt::MouseButtons)
{
    if (!active() || !mapView())
        return false;
    m_dragDistance += std::hypot(x - m_pressPosition.x(), y - m_pressPosition.y());
    switch (m_dragState) {
    case DragState::Pressed:
        if (!unitRefusal().isEmpty())
            return true;
        m_screenPoints.clear();
        if (m_editModeEnabled) {
            if (m_dragDistance > m_dragThreshold)
                m_dragState = DragState::Stroking;
            return true;
        }
        m_dragState = DragState::Stroking;
        appendStrokePoint(x, y);
        return true;
    case DragState::Stroking:
        if (!m_editModeEnabled)
            appendStrokePoint(x, y);
        return true;
    case DragState::ReticuleIdle:
        return false;
    case DragState::VertexPressed:
    case DragState::VertexDragging: {
        if (m_pickedPointIndex < 0)
            return true;
        if (m_dragDistance > m_dragThreshold)
            m_dragState = DragState::VertexDragging;
        double longitude = 0.0, latitude = 0.0;
        if (m_pickedLine && geoAt(x, y, longitude, latitude))
            m_pickedLine->setPoint(m_pickedPointIndex, latitude, longitude);
        requestRedraw();
        return true;
    }
    default:
        return true;
    }
}

bool LineTool::mouseReleased(double x, double y, Qt::MouseButtons buttons, bool)
{
    if (!active() || !mapView())
        return false;
    switch (m_dragState) {
    case DragState::Pressed: {
        m_dragState = DragState::Idle;
        const QString refusal = unitRefusal();
        // A plain tap still picks while the column edits; a stroke is told why it drew nothing.
        if (refusal == NoRockUnitText || (!refusal.isEmpty() && m_dragDistance > m_dragThreshold)) {
            toastError(refusal, ShortToast);
            return true;
        }
        return false;
    }
    case DragState::Stroking:
        if (buttons == Qt::LeftButton && m_screenPoints.size() > 2)
            saveLine();
        else if (buttons == Qt::LeftButton && !m_editModeEnabled)
            mapView()->pick(x, y);
        m_dragState = DragState::Idle;
        resetPickedPoints();
        return true;
    case DragState::ReticuleIdle:
        return false;
    case DragState::VertexPressed:
    case DragState::VertexMenu:
        m_dragState = DragState::Idle;
        resetPickedPoints();
        return true;
    case DragState::VertexDragging:
        if (m_pickedPointIndex >= 0 && m_pickedLine) {
            auto command = std::make_shared<ModifyLineCommand>(true);
            command->setLine(m_pickedLine);
            runCommands({command});
        }
        m_dragState = DragState::Idle;
        resetPickedPoints();
        return true;
    default:
        m_dragState = DragState::Idle;
        return true;
    }
}

void LineTool::mouseCanceled()
{
    if (!active())
        return;
    switch (m_dragState) {
    case DragState::Stroking:
        if (!m_editModeEnabled && !m_screenPoints.isEmpty()) {
            // Unsaved work under the layer that took the press, which asks about it.
            m_dragState = DragState::StrokeHeld;
            return;
        }
        break;
    case DragState::ReticuleIdle:
    case DragState::StrokeHeld:
        return;
    case DragState::Idle:
    case DragState::Pressed:
        m_dragState = DragState::Idle;
        return;
    default:
        break;
    }
    // A vertex drag or a menu press ends as a release that commits nothing.
    m_dragState = DragState::Idle;
    resetPickedPoints();
}

void LineTool::finishHeldStroke()
{
    if (m_dragState != DragState::StrokeHeld)
        return;
    m_dragState = DragState::Idle;
    if (m_screenPoints.size() > 2)
        saveLine();
    resetPickedPoints();
}

bool LineTool::mouseDoubleClicked(double x, double y, Qt::MouseButtons buttons)
{
    if (!active() || !mapView())
        return false;
    mapView()->mouseDoubleClicked(x, y, buttons);
    return true;
}

bool LineTool::mousePressAndHold(double x, double y, Qt::MouseButtons)
{
    if (!active() || !mapView() || !m_editModeEnabled)
        return false;
    switch (m_dragState) {
    case DragState::Stroking:
    case DragState::VertexDragging:
        return false;
    case DragState::VertexPressed:
        return removePointFromExistingLine(x, y);
    default:
        return addPointToExistingLine(x, y);
    }
}

// --- vertex editing ---------------------------------------------------------------

bool LineTool::removePointFromExistingLine(double x, double y)
{
    if (m_pickedPointIndex < 0 || !m_pickedLine || m_pickedLine->pointCount() <= 2)
        return false;
    m_dragState = DragState::VertexMenu;
    const bool enableSplit = !m_pickedLine->isFilled() && m_pickedPointIndex >= 1
                             && m_pickedPointIndex < m_pickedLine->pointCount() - 1;
    const QString lineId = mapView() ? mapView()->selectedItemId() : QString();
    emit showDeleteLinePoint(x, y, lineId, m_pickedPointIndex, enableSplit);
    return true;
}

bool LineTool::addPointToExistingLine(double x, double y)
{
    const std::shared_ptr<LineData2D> line = selectedLine();
    ApplicationManager* app = ApplicationManager::instance();
    if (!line || !app)
        return false;
    const double toGL = app->physicalToGLMultiplier();
    const double tolerance = (line->thickness() * 0.5 + 16.0) * toGL * app->logicalToPhysicalMultiplier();
    PickedItem row;
    int index = -1;
    mapView()->hitTestLine(line, mapView()->viewProjectionMatrix(), QPointF(x * toGL, y * toGL), tolerance, row,
                           index);
    double longitude = 0.0, latitude = 0.0;
    if (index < 0 || row.distance > tolerance || !geoAt(x, y, longitude, latitude))
        return false;
    auto edited = std::make_shared<LineData2D>(*line);
    if (edited->insertPoint(index, latitude, longitude) < 0)
        return false;
    m_pickedLine = edited;
    m_pickedPointIndex = index;
    m_dragState = DragState::VertexDragging;
    requestRedraw();
    return true;
}

void LineTool::deletePointFromLine(QString lineId, int pointIndex)
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    const std::shared_ptr<LineData2D> line = project ? project->lineById(lineId.toStdString()) : nullptr;
    // A line needs two points to be drawn or picked again.
    if (!line || line->pointCount() <= 2 || pointIndex < 0 || pointIndex >= line->pointCount())
        return;
    auto edited = std::make_shared<LineData2D>(*line);
    edited->removePoint(pointIndex);
    auto command = std::make_shared<ModifyLineCommand>(true);
    command->setLine(edited);
    runCommands({command});
    requestFrame();
}

void LineTool::splitLine(QString lineId, int pointIndex)
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    const std::shared_ptr<LineData2D> line = project ? project->lineById(lineId.toStdString()) : nullptr;
    if (!line)
        return;
    ApplicationManager* app = ApplicationManager::instance();
    const QString id = app ? app->makeUniqueId(QStringLiteral("LineTool")) : QString();
    const auto [kept, split] = LineJoin::split(*line, pointIndex, id.toStdString());
    if (!kept || !split)
        return;
    auto modify = std::make_shared<ModifyLineCommand>(true);
    modify->setLine(kept);
    auto add = std::make_shared<AddLineCommand>(true);
    add->setLinePointer(split);
    runCommands({modify, add});
    requestFrame();
}

// --- change handlers ----------------------------------------------------------------

void LineTool::onCurrentRockUnitChanged(int unitId)
{
    if (!m_pickedLine)
        return;
    m_pickedLine->setUnitId(unitId);
    requestRedraw();
}

void LineTool::onPenModeChanged(PenMode)
{
    // Points picked in one mode never carry over into another.
    const DragState target = restingState();
    if (target != m_dragState || m_pickedLine || !m_screenPoints.isEmpty()) {
        m_dragState = target;
        resetPickedPoints();
    }
}

void LineTool::onEditModeEnabledChanged(bool enabled)
{
    if (mapView())
        mapView()->setShowLinePoints(enabled);
    if (enabled) {
        resetPickedPoints();
        if (!selectedLine())
            AppContext::toastInfo(QStringLiteral("Edit mode enabled"), ShortToast);
    } else if (restingState() != m_dragState) {
        m_dragState = restingState();
        resetPickedPoints();
    }
    QSettings().setValue(EditModeKey, enabled);
}

// --- reticule modes -------------------------------------------------------------------

void LineTool::addPickedPoint(QPointF pickScreenPt, QPointF pickLatLg)
{
    if (!active() || !mapView())
        return;
    qDebug() << "Adding point" << pickScreenPt << pickLatLg;
    const QString refusal = unitRefusal();
    if (!refusal.isEmpty()) {
        toastError(refusal, ShortToast);
        return;
    }
    if (!m_pickedLine)
        m_pickedLine = newLine();
    if (m_screenPoints.isEmpty()) {
        m_pickedLine->addPoint(pickLatLg.y(), pickLatLg.x());
        m_screenPoints.append(pickScreenPt);
    } else {
        m_pickedLine->setPoint(m_pickedLine->pointCount() - 1, pickLatLg.y(), pickLatLg.x());
        m_screenPoints.last() = pickScreenPt;
    }
    m_pickedLine->addPoint(pickLatLg.y(), pickLatLg.x());
    m_screenPoints.append(pickScreenPt);
    requestRedraw();
    emit numPointsChanged(m_screenPoints.size());
}

void LineTool::trackPickedPoint(QPointF pickScreenPt, QPointF pickLatLg)
{
    if (m_screenPoints.isEmpty() || !m_pickedLine)
        return;
    m_pickedLine->setPoint(m_pickedLine->pointCount() - 1, pickLatLg.y(), pickLatLg.x());
    m_screenPoints.last() = pickScreenPt;
    requestRedraw();
    emit numPointsChanged(numPoints());
}

void LineTool::popPickedPoints()
{
    if (m_screenPoints.size() <= 2)
        return;
    const int index = m_screenPoints.size() - 2;
    m_screenPoints.removeAt(index);
    if (m_pickedLine)
        m_pickedLine->removePoint(index);
    requestRedraw();
    emit numPointsChanged(m_screenPoints.size());
}

void LineTool::resetPickedPoints()
{
    m_screenPoints.clear();
    m_pickedLine.reset();
    m_pickedPointIndex = -1;
    GLRender* scene = mapView() ? mapView()->scene() : nullptr;
    {
        // The frame holds the scene lock while it builds: never remove the
        // node in the middle of one.
        std::unique_ptr<QMutexLocker> sceneLock;
        if (scene)
            sceneLock = std::make_unique<QMutexLocker>(&scene->sceneMutex());
        QMutexLocker lock(&m_overlayMutex);
        m_overlay = Overlay();
        if (m_overlayNode && scene)
            scene->removeNode(m_overlayNode);
        m_overlayNode = nullptr;
    }
    emit numPointsChanged(numPoints());
    requestFrame();
}

void LineTool::savePickedPoints(QPointF pickScreenPt, QPointF pickLatLg)
{
    // The points wait, kept, until the line can take a stored unit.
    const QString refusal = m_screenPoints.isEmpty() ? QString() : unitRefusal();
    if (!refusal.isEmpty()) {
        toastError(refusal, ShortToast);
        return;
    }
    if (!m_screenPoints.isEmpty() && !samePoint(m_screenPoints.last(), pickScreenPt))
        addPickedPoint(pickScreenPt, pickLatLg);
    const int count = m_screenPoints.size();
    if (count >= 3 || (count == 2 && !samePoint(m_screenPoints[0], m_screenPoints[1])))
        saveLine();
    resetPickedPoints();
}

// --- the overlay ------------------------------------------------------------------------

void LineTool::frame(GLRender* render)
{
    if (!render)
        return;
    QMutexLocker lock(&m_overlayMutex);
    const bool shown = m_overlay.state == DragState::Stroking || m_overlay.state == DragState::StrokeHeld
                       || m_overlay.state == DragState::ReticuleIdle
                       || m_overlay.state == DragState::VertexDragging || m_overlay.penMode == VirtualStylus;
    if (!m_overlay.dirty || !m_overlay.line || !shown)
        return;
    const LineData2D& line = *m_overlay.line;
    osg::Vec3d origin;
    if (line.pointCount() == 0 || !GLRenderItem::toMap(render, line.longitudeAt(0), line.latitudeAt(0), origin))
        return;
    if (m_overlayNode)
        render->removeNode(m_overlayNode);

    osg::ref_ptr<osg::MatrixTransform> transform = new osg::MatrixTransform(osg::Matrixd::translate(origin));
    osg::ref_ptr<osg::Geode> lineGeode = LineDataRenderItem::createLineGeode();
    for (const auto& geometry : LineDataRenderItem::addLineGeometry(line, render, m_overlay.colour, LineLayer,
                                                                    origin.x(), origin.y(), origin.z()))
        lineGeode->addDrawable(geometry.get());
    transform->addChild(lineGeode.get());
    if (m_overlay.state == DragState::VertexDragging) {
        osg::ref_ptr<osg::Geode> handles = LinePointRenderItem::createPointGeode();
        if (const osg::ref_ptr<osg::Geometry> points = LinePointRenderItem::addLinePoints(line, render, HandleLayer, origin))
            handles->addDrawable(points.get());
        transform->addChild(handles.get());
    }
    m_overlayNode = transform;
    render->addNode(m_overlayNode);
    m_overlay.dirty = false;
}

// --- saving -------------------------------------------------------------------------------

void LineTool::reduce(LineData2D& line) const
{
    const GLRender* scene = mapView() ? mapView()->scene() : nullptr;
    const double width = mapView() ? mapView()->width() : 0.0;
    const int before = line.pointCount();
    // Half a screen pixel in degrees; without a usable extent the line is kept as drawn.
    const double tolerance = scene && width > 0.0 ? scene->visibleGeoRect().y() / width * 0.5 : 0.0;
    if (std::isfinite(tolerance) && tolerance > 0.0)
        line.simplify(tolerance);
    qDebug() << "Line reduced from " << before << " to " << line.pointCount() << " with tolerance " << tolerance;
}

bool LineTool::assignLocality(LineData2D& line) const
{
    if (!line.localityId().empty())
        return true;
    ModelManager* manager = models();
    if (!manager)
        return false;
    if (!manager->currentLocality()) {
        const LineData2D::Point centre = line.centroid();
        if (!Tool::ensureLocality(centre.second, centre.first, false))
            return false;
    }
    const std::shared_ptr<Locality> locality = manager->currentLocality();
    if (!locality)
        return false;
    line.setLocalityId(locality->id());
    return true;
}

bool LineTool::saveLine()
{
    if (!m_pickedLine || m_screenPoints.isEmpty())
        return false;
    const QString refusal = unitRefusal();
    if (!refusal.isEmpty()) {
        toastError(refusal, ShortToast);
        return false;
    }
    m_pickedLine->setUnitId(currentRockUnit());
    if (mapView()) {
        const int filter = mapView()->viewFilter();
        if (filter != MapViewController::FilterAll && filter != MapViewController::FilterLines)
            mapView()->setViewFilter(MapViewController::FilterAll);
    }
    writeLineSettings();
    reduce(*m_pickedLine);
    if (!assignLocality(*m_pickedLine)) {
        toastSaveFailed();
        return false;
    }
    const QString selectedId = mapView() ? mapView()->selectedItemId() : QString();
    const LineJoin::Plan plan = LineJoin::plan(findSnapCandidates(selectedId), selectedId.toStdString());
    switch (plan.action) {
    case LineJoin::Plan::Action::Extend:
        return extendExistingLine(plan.first);
    case LineJoin::Plan::Action::Join:
        return joinExistingLines(plan.first, plan.second);
    case LineJoin::Plan::Action::Add:
        break;
    }
    return addPickedLine();
}

bool LineTool::addPickedLine()
{
    auto command = std::make_shared<AddLineCommand>(true);
    command->setLinePointer(m_pickedLine);
    return runCommands({command});
}

std::vector<LineTool::SnapCandidate> LineTool::findSnapCandidates(const QString& selectedItemId) const
{
    std::vector<SnapCandidate> candidates;
    ApplicationManager* app = ApplicationManager::instance();
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!app || !project || selectedItemId.isEmpty() || m_screenPoints.isEmpty()
        || !project->lineById(selectedItemId.toStdString()))
        return candidates;
    const float radius = float(app->pickPrecision() * app->logicalToPhysicalMultiplier());
    const int unit = currentRockUnit();
    const QPointF drawnFirst = m_screenPoints.first();
    const QPointF drawnLast = m_screenPoints.last();
    for (const auto& locality : project->localities()) {
        for (const auto& line : locality->lines()) {
            if (line->isFilled() || line->unitId() != unit || line->pointCount() < 2)
                continue;
            QPointF first, last;
            const int n = line->pointCount();
            if (!screenOf(line->longitudeAt(0), line->latitudeAt(0), first)
                || !screenOf(line->longitudeAt(n - 1), line->latitudeAt(n - 1), last))
                continue;
            qDebug() << "Snap test, last point" << last;
            if (const auto touch = LineJoin::touchingEnds(drawnFirst, drawnLast, first, last, radius))
                candidates.push_back({line, touch->second, touch->first});
        }
    }
    return candidates;
}

bool LineTool::extendExistingLine(const SnapCandidate& candidate)
{
    const std::shared_ptr<LineData2D> extended = m_pickedLine ? LineJoin::extended(candidate, *m_pickedLine) : nullptr;
    if (!extended)
        return false;
    auto command = std::make_shared<ModifyLineCommand>(true);
    command->setLine(extended);
    return runCommands({command});
}

bool LineTool::joinExistingLines(const SnapCandidate& first, const SnapCandidate& second)
{
    if (!m_pickedLine)
        return false;
    const LineJoin::Joined joined = LineJoin::joined(first, second, *m_pickedLine);
    if (!joined.kept)
        return false;
    auto modify = std::make_shared<ModifyLineCommand>(true);
    modify->setLine(joined.kept);
    auto remove = std::make_shared<RemoveLineCommand>(true);
    remove->setLinePointer(joined.removed);
    return runCommands({modify, remove});
}

} // namespace kiv
