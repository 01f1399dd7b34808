#pragma once

#include "drawing/ButtonInstrumentItem.h"
#include "drawing/QPainterImplementation.h"

#include <memory>

namespace kiv {

class SymbolPainter;

// A small red bedding symbol turned to the current orientation.
class ButtonClinoItem : public ButtonInstrumentItem
{
    Q_OBJECT
    Q_PROPERTY(double dip READ dip WRITE setDip NOTIFY dipChanged)
    Q_PROPERTY(double azimuth READ azimuth WRITE setAzimuth NOTIFY azimuthChanged)

public:
    explicit ButtonClinoItem(QQuickItem* parent = nullptr);
    ~ButtonClinoItem() override;

    double dip() const { return m_dip; }
    double azimuth() const { return m_azimuth; }
    void setDip(double dip);
    void setAzimuth(double azimuth);

signals:
    void dipChanged(double dip);
    void azimuthChanged(double azimuth);

protected:
    void layout() override;
    void drawInstrument(QPainter* painter) override;

private:
    double m_dip = 0.0;
    double m_azimuth = 0.0;
    QPainterImplementation m_painter{100.0f, 100.0f};
    std::unique_ptr<SymbolPainter> m_symbols;
    double m_symbolSide = 0.0;
    QPointF m_symbolOrigin;
};

} // namespace kiv
