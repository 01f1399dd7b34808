#pragma once

#include "drawing/InstrumentItem.h"
#include "model/NoValue.h"

#include <QFont>
#include <QImage>
#include <QPolygonF>

namespace kiv {

// The large compass rose; a click holds the bearing as a sighting's heading.
class CompassItem : public InstrumentItem
{
    Q_OBJECT
    Q_PROPERTY(double bearing READ bearing WRITE setBearing NOTIFY bearingChanged)
    Q_PROPERTY(bool isHeadingLocked READ isHeadingLocked NOTIFY headingLockChanged)
    Q_PROPERTY(double heading READ heading WRITE setHeading NOTIFY headingChanged)
    Q_PROPERTY(double declination READ declination WRITE setDeclination NOTIFY declinationChanged)

public:
    explicit CompassItem(QQuickItem* parent = nullptr);

    double bearing() const { return m_bearing; }
    QString compassPoint() const { return m_compassPoint; }
    bool isHeadingLocked() const { return m_isHeadingLocked; }
    double heading() const { return m_heading; }
    double declination() const { return m_declination; }

signals:
    void bearingChanged(double bearing);
    void headingLockChanged(bool isHeadingLocked);
    void headingChanged(double heading);
    void declinationChanged(double declination);

public slots:
    void setBearing(double bearing);
    void setHeading(double heading);
    bool setDeclination(double declination);
    void lockHeading();
    void unlockHeading();
    void reset() override;
    void onUiChanged(QObject* ui) override;
    virtual void onClicked();
    void onCompassClinoEnabledChanged(bool compassClinoEnabled);
    void onHasRequiredSensorsChanged(bool hasRequiredSensors);

protected:
    void layout() override;
    void drawInstrument(QPainter* painter) override;

private:
    struct Text
    {
        double size;
        QFont font;
    };

    void repaintIfVisible();
    void drawBackground();
    void drawCardinals(QPainter* painter, double turn);
    void drawReading(QPainter* painter);
    void drawHeadingOverlay(QPainter* painter);

    double m_bearing = 0.0;
    QString m_compassPoint;
    bool m_isHeadingLocked = false;
    double m_heading;
    double m_declination = NoValue;
    bool m_compassClinoEnabled = true;
    bool m_hasRequiredSensors = false;
    // Degree numbers, drawn once per layout; an image, as painting may run
    // on the scene graph's thread.
    QImage m_background;
    QPen m_blackPen{Qt::black};
    QPen m_redPen{Qt::red};
    QPen m_lightGreyPen{Qt::lightGray};
    QPen m_whitePen{Qt::white};
    QPolygonF m_northArrow;
    QPolygonF m_declinationArrow;
    QVector<QPointF> m_cross;
    Text m_micro;
    Text m_small;
    Text m_medium;
    Text m_giant;
};

} // namespace kiv
