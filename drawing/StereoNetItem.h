#pragma once

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

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void fitToItem();
    void pickAt(const QPoint& point);

    std::unique_ptr<QPainterImplementation> m_painter;
    StereoNetPlot m_plot;
    bool m_dragging = false;
    // Keeps the plotted data alive while the project drops them.
    std::vector<std::shared_ptr<Data>> m_selection;
};

} // namespace kiv
