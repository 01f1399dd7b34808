#include "drawing/StereoNetItem.h"

#include "app/AppContext.h"
#include "drawing/ImageFile.h"
#include "drawing/QPainterImplementation.h"
#include "model/Data.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "tools/ImageTool.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QQuickWindow>

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
    , m_layer(new StereoNetLayer(this))
{
    setAcceptedMouseButtons(Qt::LeftButton);
    connect(m_layer, &StereoNetLayer::pictureChanged, this, [this] { update(); });
    connect(m_layer, &StereoNetLayer::busyChanged, this, &StereoNetItem::updatePlotting);
    if (ModelManager* manager = ModelManager::instance())
        connect(manager, &ModelManager::currentProjectChanged, this,
                &StereoNetItem::onCurrentProjectChanged);
}

StereoNetItem::~StereoNetItem() = default;

void StereoNetItem::paint(QPainter* painter)
{
    m_painter->setPainter(painter);
    fitToItem();
    const QImage& picture = m_layer->picture();
    // A picture of another size would show the net out of place.
    if (!picture.isNull() && picture.size() == (size() * pixelRatio()).toSize())
        painter->drawImage(QPointF(0.0, 0.0), picture);
    else
        m_plot.drawBase(*m_painter, {});
    m_plot.drawOverlay(*m_painter);
    m_painter->setPainter(nullptr);
    emit meanDipChanged(meanDip());
    emit meanAzimuthChanged(meanAzimuth());
}

void StereoNetItem::replot()
{
    if (!m_replotDue) {
        m_replotDue = true;
        QMetaObject::invokeMethod(this, &StereoNetItem::requestLayer, Qt::QueuedConnection);
    }
    updatePlotting();
    update();
}

void StereoNetItem::requestLayer()
{
    m_replotDue = false;
    if (width() >= 1.0 && height() >= 1.0)
        m_layer->request(m_plot, m_plot.marks(), size(), pixelRatio(), QPainterImplementation::applicationUiScale());
    updatePlotting();
}

void StereoNetItem::updatePlotting()
{
    const bool plotting = m_replotDue || m_layer->busy();
    if (plotting == m_plotting)
        return;
    m_plotting = plotting;
    emit plottingChanged(plotting);
}

qreal StereoNetItem::pixelRatio() const
{
    return window() ? window()->effectiveDevicePixelRatio() : 1.0;
}

void StereoNetItem::geometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickPaintedItem::geometryChanged(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size())
        replot();
}

void StereoNetItem::itemChange(ItemChange change, const ItemChangeData& value)
{
    QQuickPaintedItem::itemChange(change, value);
    if (change == ItemSceneChange || change == ItemDevicePixelRatioHasChanged)
        replot();
}

void StereoNetItem::setEqualAreaScaling(bool value)
{
    m_plot.setEqualArea(value);
    replot();
}

void StereoNetItem::setDrawPoles(bool value)
{
    m_plot.setDrawPoles(value);
    replot();
}

void StereoNetItem::setDrawPlanes(bool value)
{
    m_plot.setDrawPlanes(value);
    replot();
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
    selection.reserve(std::size_t(selectedData.size()));
    QList<Data*> plotted;
    // The data of a locality come together: one locality look-up for them.
    std::shared_ptr<Locality> locality;
    for (const Data* datum : selectedData) {
        if (!datum || !project)
            continue;
        if (!locality || locality->id() != datum->localityId())
            locality = project->locality(datum->localityId());
        std::shared_ptr<Data> held = locality ? locality->dataById(datum->id()) : nullptr;
        if (!held)
            held = project->dataById(datum->id());
        if (!held)
            continue;
        plotted.append(held.get());
        selection.push_back(std::move(held));
    }
    m_plot.setData(plotted);
    m_selection.swap(selection);
    replot();
}

void StereoNetItem::onCurrentProjectChanged(Project* project)
{
    // The switch frees the old project's data.
    m_plot.setData({});
    m_selection.clear();
    m_plot.setModel(project);
    m_layer->clear();
    replot();
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
    if (path.isEmpty() || !ImageFile::save(image, path, "PNG"))
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
