#pragma once

#include "drawing/ButtonInstrumentItem.h"

#include <QFont>
#include <QPolygonF>

namespace kiv {

// A small compass needle with the bearing in figures.
class ButtonCompassItem : public ButtonInstrumentItem
{
    Q_OBJECT
    // No change signals: the button only shows what it is given.
    Q_PROPERTY(double bearing READ bearing WRITE setBearing)
    Q_PROPERTY(double heading READ heading WRITE setHeading)

public:
    explicit ButtonCompassItem(QQuickItem* parent = nullptr);

    double bearing() const { return m_bearing; }
    double heading() const { return m_heading; }

public slots:
    void setBearing(double bearing);
    void setHeading(double heading);
    void reset() override;
    virtual void onUiChanged(QObject* ui);

protected:
    void layout() override;
    void drawInstrument(QPainter* painter) override;

private:
    void drawNeedle(QPainter* painter);
    void drawHeadingMark(QPainter* painter);

    double m_bearing = -1.0;
    double m_heading;
    QPolygonF m_needle;
    double m_textSize;
    QFont m_font;
};

} // namespace kiv
