#pragma once

#include "drawing/StereoNetLayer.h"
#include "drawing/StereoNetPlot.h"

#include <QList>
#include <QQuickPaintedItem>
#include <QUrl>

#include <memory>
#include <vector>

namespace kiv {

class Data;
class Project;
class QPainterImplementation;

// The stereonet of the data the stereonet tool selects; a touch on the net
// sets the temporary plane, and save() writes the net into the project.
class StereoNetItem : public QQuickPaintedItem
{
    Q_OBJECT
    Q_PROPERTY(bool equalAreaScaling READ equalAreaScaling WRITE setEqualAreaScaling NOTIFY
                   equalAreaScalingChanged)
    Q_PROPERTY(bool drawPoles READ drawPoles WRITE setDrawPoles NOTIFY drawPolesChanged)
    Q_PROPERTY(bool drawPlanes READ drawPlanes WRITE setDrawPlanes NOTIFY drawPlanesChanged)
    Q_PROPERTY(bool drawMeanValues READ drawMeanValues WRITE setDrawMeanValues NOTIFY
                   drawMeanValuesChanged)
    Q_PROPERTY(double meanDip READ meanDip NOTIFY meanDipChanged)
    Q_PROPERTY(double meanAzimuth READ meanAzimuth NOTIFY meanAzimuthChanged)
    Q_PROPERTY(bool drawTempPlane READ drawTempPlane WRITE setDrawTempPlane NOTIFY
                   drawTempPlaneChanged)
    Q_PROPERTY(double tempDip READ tempDip NOTIFY tempDipChanged)
    Q_PROPERTY(double tempAzimuth READ tempAzimuth NOTIFY tempAzimuthChanged)
    // The data are being drawn; meanwhile the net shows without them, or with
    // the data drawn before.
    Q_PROPERTY(bool plotting READ plotting NOTIFY plottingChanged)

public:
    explicit StereoNetItem(QQuickItem* parent = nullptr);
    ~StereoNetItem() override;

    bool equalAreaScaling() const { return m_plot.equalArea(); }
    bool drawPoles() const { return m_plot.drawPoles(); }
    bool drawPlanes() const { return m_plot.drawPlanes(); }
    bool drawMeanValues() const { return m_plot.drawMeanValues(); }
    double meanDip() const { return m_plot.meanDip(); }
    double meanAzimuth() const { return m_plot.meanAzimuth(); }
    bool drawTempPlane() const { return m_plot.drawTempPlane(); }
    double tempDip() const { return m_plot.tempDip(); }
    double tempAzimuth() const { return m_plot.tempAzimuth(); }
    bool plotting() const { return m_plotting; }

    void paint(QPainter* painter) override;

public slots:
    // These four repaint on every call and never signal.
    void setEqualAreaScaling(bool value);
    void setDrawPoles(bool value);
    void setDrawPlanes(bool value);
    void setDrawMeanValues(bool value);
    void setDrawTempPlane(bool value);
    // Data not found in the current project are left out.
    void setSelectedData(QList<kiv::Data*> selectedData);
    void onCurrentProjectChanged(kiv::Project* project);
    // The file URL of the saved picture; empty on failure.
    QUrl save();

signals:
    void equalAreaScalingChanged(bool value);
    void drawPolesChanged(bool value);
    void drawPlanesChanged(bool value);
    void drawMeanValuesChanged(bool value);
    void meanDipChanged(double value);
    void meanAzimuthChanged(double value);
    void drawTempPlaneChanged(bool value);
    void tempDipChanged(double value);
    void tempAzimuthChanged(double value);
    void plottingChanged(bool plotting);

protected:
    void geometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry) override;
    void itemChange(ItemChange change, const ItemChangeData& value) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void fitToItem();
    void pickAt(const QPoint& point);
    // The data or their look changed: the layer is drawn again once the
    // changes of this turn of the event loop are in.
    void replot();
    void requestLayer();
    void updatePlotting();
    qreal pixelRatio() const;

    std::unique_ptr<QPainterImplementation> m_painter;
    StereoNetPlot m_plot;
    StereoNetLayer* m_layer;
    bool m_replotDue = false;
    bool m_plotting = false;
    bool m_dragging = false;
    // Keeps the plotted data alive while the project drops them.
    std::vector<std::shared_ptr<Data>> m_selection;
};

} // namespace kiv
