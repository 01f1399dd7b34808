#pragma once

#include "drawing/AbstractPainter.h"

#include <QBrush>
#include <QPen>

class QPainter;

namespace kiv {

// Draws onto a QPainter that its user supplies and keeps active. Pen widths
// are the logical widths times the UI scale factor and the scale factor.
class QPainterImplementation : public AbstractPainter
{
public:
    QPainterImplementation(float width, float height);

    // Not owned; must stay active while this painter draws. Null detaches.
    void setPainter(QPainter* painter);
    // Ignored unless positive; set it before any width.
    void setScaleFactor(float factor);
    float scaleFactor() const { return m_scaleFactor; }
    // Pen widths take this UI scale in place of the application's: a painter
    // that draws away from the GUI thread must not read the application.
    void setUiScale(double scale) { m_uiScale = scale; }
    // The application's UI scale; 1 without an application manager (tools,
    // tests). GUI thread only.
    static double applicationUiScale();

    void setLineWidth(float width) override;
    void setColor(const std::string& color) override;
    void setCapStyle(int style) override;
    void setJoinStyle(int style) override;
    void setFillMode(int mode) override;
    void drawPolyline(const PainterPoints& points) override;
    void drawLine(float x1, float y1, float x2, float y2) override;
    void drawArc(float cx, float cy, float radius, float startAngle, float endAngle,
                 bool clockwise) override;
    // Draws only paths made by createPath of this back end.
    void drawPath(const std::shared_ptr<AbstractPath>& path) override;
    std::shared_ptr<AbstractPath> createPath() override;

private:
    // False, with a warning, while no QPainter is set.
    bool hasPainter() const;

    QBrush m_brush{Qt::SolidPattern};
    QPainter* m_painter = nullptr;
    QPen m_pen{Qt::SolidLine};
    float m_scaleFactor = 1.0f;
    // Not positive: the application's.
    double m_uiScale = 0.0;
};

} // namespace kiv
