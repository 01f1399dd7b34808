#pragma once

#include "drawing/InstrumentItem.h"
#include "drawing/PainterPoint.h"
#include "drawing/QPainterImplementation.h"

#include <QBrush>
#include <QColor>

#include <memory>

namespace kiv {

class StereoNetPlot;
class SymbolPainter;

// The large clinometer: a small stereonet on the dial with the current
// symbol in the middle; sets dip and azimuth by hand while not updating.
class ClinoItem : public InstrumentItem
{
    Q_OBJECT
    Q_PROPERTY(double dip READ dip WRITE setDip NOTIFY dipChanged)
    Q_PROPERTY(double azimuth READ azimuth WRITE setAzimuth NOTIFY azimuthChanged)
    Q_PROPERTY(double planeSymbolRotation READ planeSymbolRotation WRITE setPlaneSymbolRotation
                   NOTIFY planeSymbolRotationChanged)
    Q_PROPERTY(double lineSymbolRotation READ lineSymbolRotation WRITE setLineSymbolRotation
                   NOTIFY lineSymbolRotationChanged)
    Q_PROPERTY(bool isUpdating READ isUpdating WRITE setIsUpdating NOTIFY isUpdatingChanged)
    Q_PROPERTY(int iconId READ iconId WRITE setIconId NOTIFY iconIdChanged)
    // Invalid: the colour follows isUpdating.
    Q_PROPERTY(QColor iconColor READ iconColor WRITE setIconColor NOTIFY iconColorChanged)

public:
    enum InputMode { RelativeOffset = 0, StereoNet = 1 };
    Q_ENUM(InputMode)

    explicit ClinoItem(QQuickItem* parent = nullptr);
    ~ClinoItem() override;

    double dip() const { return m_dip; }
    double azimuth() const { return m_azimuth; }
    double planeSymbolRotation() const { return m_planeSymbolRotation; }
    double lineSymbolRotation() const { return m_lineSymbolRotation; }
    bool isUpdating() const { return m_isUpdating; }
    int iconId() const { return m_iconId; }
    QColor iconColor() const { return m_iconColor; }

    void setDip(double dip);
    void setAzimuth(double azimuth);
    void setPlaneSymbolRotation(double rotation);
    void setLineSymbolRotation(double rotation);
    void setIsUpdating(bool isUpdating);
    void setIconId(int iconId);
    void setIconColor(const QColor& iconColor);

signals:
    void dipChanged(double dip);
    void azimuthChanged(double azimuth);
    void planeSymbolRotationChanged(double planeSymbolRotation);
    void lineSymbolRotationChanged(double lineSymbolRotation);
    void isUpdatingChanged(bool isUpdating);
    void iconIdChanged(int iconId);
    void iconColorChanged(const QColor& iconColor);

public slots:
    void onUiChanged(QObject* ui) override;

protected:
    void layout() override;
    void drawInstrument(QPainter* painter) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool isLineIcon() const { return m_iconId >= 13; }
    InputMode inputMode() const;
    double symbolRotation() const;
    void drawNet(QPainter* painter);
    void drawHints(QPainter* painter);
    void drawOffsetHints(QPainter* painter);
    void drawSymbol(QPainter* painter);

    // The pointer in the small net's painter frame; the plot's painter is
    // sized to the net first.
    PainterPoint netPoint(const QPointF& position);
    double pointerAngle(const QPointF& position) const;
    double axisOffset(const QPointF& position) const;
    bool hitsPole(const QPointF& position);
    void applyDrag(const QPointF& position);
    void pickOnNet(const QPointF& position);
    void dragDip();
    void dragRotation(const QPointF& position);
    void rotateBy(double delta);

    double m_dip = 0.0;
    double m_azimuth = 0.0;
    double m_planeSymbolRotation = 0.0;
    double m_lineSymbolRotation = 0.0;
    bool m_isUpdating = true;
    int m_iconId = 0;
    QColor m_iconColor;
    QPainterImplementation m_painter{100.0f, 100.0f};
    std::unique_ptr<SymbolPainter> m_symbols;
    std::unique_ptr<StereoNetPlot> m_plot;
    double m_symbolSide = 0.0;
    QPointF m_symbolOrigin;
    double m_netSide = 0.0;
    QPointF m_netOrigin;
    double m_poleRadius = 0.0;
    QBrush m_markerBrush;
    QColor m_normalColour;
    QColor m_highlightColour;
    bool m_dragging = false;
    QPointF m_lastPointer;
    double m_pathLength = 0.0;
    double m_axisOffsetAtPress = 0.0;
    double m_offsetSincePress = 0.0;
    double m_dipAtPress = 0.0;
    bool m_flipped = false;
    double m_axisAngle = 0.0;
    double m_dragThreshold = 5.0;
    bool m_dipMode = false;
};

} // namespace kiv
