#include "drawing/StereoNetItem.h"

#include "app/AppContext.h"
#include "drawing/QPainterImplementation.h"
#include "model/Data.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "tools/ImageTool.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace kiv {

namespace {

constexpr int PictureSize = 1024;

} // namespace

StereoNetItem::StereoNetItem(QQuickItem* parent)
    : QQuickPaintedItem(parent)
    , m_painter(std::make_unique<QPainterImplementation>(100.0f, 100.0f))
    , m_plot(AppContext::currentProject().get(), 1.0f)
{
    setAcceptedMouseButtons(Qt::LeftButton);
    if (ModelManager* manager = ModelManager::instance())
        connect(manager, &ModelManager::currentProjectChanged, this,
                &StereoNetItem::onCurrentProjectChanged);
}

StereoNetItem::~StereoNetItem() = default;

void StereoNetItem::paint(QPainter* painter)
{
    m_painter->setPainter(painter);
    m_painter->setSize(float(width()), float(height()));
    m_plot.draw(*m_painter);
    m_painter->setPainter(nullptr);
    emit meanDipChanged(meanDip());
    emit meanAzimuthChanged(meanAzimuth());
}

void StereoNetItem::setEqualAreaScaling(bool value)
{
    m_plot.setEqualArea(value);
    update();
}

void StereoNetItem::setDrawPoles(bool value)
{
    m_plot.setDrawPoles(value);
    update();
}

void StereoNetItem::setDrawPlanes(bool value)
{
    m_plot.setDrawPlanes(value);
    update();
}

void StereoNetItem::setDrawMeanValues(bool value)
{
    m_plot.setDrawMeanValues(value);
    update();
}

void StereoNetItem::setDrawTempPlane(bool value)
{
    if (value == m_plot.drawTempPlane())
        return;
    m_plot.setDrawTempPlane(value);
    emit drawTempPlaneChanged(value);
    update();
}

void StereoNetItem::setSelectedData(QList<Data*> selectedData)
{
    // The project's own objects, held so that a removal cannot free them
    // before the tool sends its next selection.
    const std::shared_ptr<Project> project = AppContext::currentProject();
    std::vector<std::shared_ptr<Data>> selection;
    QList<Data*> plotted;
    for (const Data* datum : selectedData) {
        std::shared_ptr<Data> held = datum && project ? project->dataById(datum->id()) : nullptr;
        if (!held)
            continue;
        plotted.append(held.get());
        selection.push_back(std::move(held));
    }
    m_plot.setData(plotted);
    m_selection.swap(selection);
    update();
}

void StereoNetItem::onCurrentProjectChanged(Project* project)
{
    // The switch frees the old project's data.
    m_plot.setData({});
    m_selection.clear();
    m_plot.setModel(project);
    update();
}

QUrl StereoNetItem::save()
{
    QImage image(PictureSize, PictureSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    m_painter->setPainter(&painter);
    m_painter->setSize(float(PictureSize), float(PictureSize));
    m_plot.draw(*m_painter);
    painter.end();
    m_painter->setPainter(nullptr);
    // Picks must see the item again, not the picture.
    fitToItem();
    update();

    const QString path = ImageTool::uniqueImagePath(QStringLiteral("STEREONET_"), QStringLiteral(".png"));
    if (path.isEmpty() || !image.save(path, "PNG"))
        return QUrl();
    return QUrl::fromLocalFile(path);
}

void StereoNetItem::fitToItem()
{
    m_painter->setSize(float(width()), float(height()));
    m_plot.setRadius(0.49f * float(std::min(width(), height())));
}

void StereoNetItem::mousePressEvent(QMouseEvent* event)
{
    const QPointF offset = event->localPos() - QPointF(width() / 2.0, height() / 2.0);
    const double radius = std::min(width(), height()) / 2.0;
    if (std::hypot(offset.x(), offset.y()) >= radius) {
        event->ignore();
        return;
    }
    setDrawTempPlane(true);
    m_dragging = true;
    event->accept();
}

void StereoNetItem::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        pickAt(event->pos());
}

void StereoNetItem::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    pickAt(event->pos());
    m_dragging = false;
}

void StereoNetItem::pickAt(const QPoint& point)
{
    fitToItem();
    double dip = 0.0;
    double azimuth = 0.0;
    if (!m_plot.pickOrientation(*m_painter, {float(point.x()), float(point.y())}, dip, azimuth))
        return;
    m_plot.setTempPlane(float(dip), float(azimuth));
    update();
    emit drawTempPlaneChanged(true);
    emit tempDipChanged(dip);
    emit tempAzimuthChanged(azimuth);
}

} // namespace kiv
