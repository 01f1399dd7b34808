#pragma once

#include <QColor>
#include <QPoint>
#include <QQuickPaintedItem>
#include <QVariantList>
#include <QVector>

namespace kiv {

class LineData2D;

// A small preview of a line datum: from points given to it or from a line of
// the current project, in a 90 by 90 box scaled to the item.
class PolylineItem : public QQuickPaintedItem
{
    Q_OBJECT
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    // The stroke's alpha; shadows the item's own opacity in QML.
    Q_PROPERTY(double opacity READ opacity WRITE setOpacity NOTIFY opacityChanged)
    Q_PROPERTY(double lineThickness READ lineThickness WRITE setLineThickness NOTIFY
                   lineThicknessChanged)
    Q_PROPERTY(Qt::PenStyle lineStyle READ lineStyle WRITE setLineStyle NOTIFY lineStyleChanged)
    Q_PROPERTY(QVariantList points READ points WRITE setPoints NOTIFY pointsChanged)
    Q_PROPERTY(QString lineId READ lineId WRITE setLineId NOTIFY lineIdChanged)
    Q_PROPERTY(bool filled READ filled WRITE setFilled NOTIFY filledChanged)

public:
    explicit PolylineItem(QQuickItem* parent = nullptr);
    ~PolylineItem() override;

    QColor color() const { return m_color; }
    double opacity() const { return m_opacity; }
    double lineThickness() const { return m_lineThickness; }
    Qt::PenStyle lineStyle() const { return m_lineStyle; }
    QVariantList points() const { return m_points; }
    QString lineId() const { return m_lineId; }
    bool filled() const { return m_filled; }

    void setColor(const QColor& color);
    void setOpacity(double opacity);
    void setLineThickness(double thickness);
    void setLineStyle(Qt::PenStyle style);
    void setPoints(const QVariantList& points);
    // Rebuilds the preview from the current project's line of that id.
    void setLineId(const QString& lineId);
    void setFilled(bool filled);

    // The preview points of a line: its longer side fills the 90 by 90 box,
    // a degree of latitude drawn twice as long as one of longitude.
    static QVariantList previewPoints(const LineData2D& line);
    // points scaled and offset into the item.
    const QVector<QPoint>& screenPolyline() const { return m_screenPolyline; }

    void paint(QPainter* painter) override;

signals:
    void colorChanged(QColor color);
    void opacityChanged(double opacity);
    void lineThicknessChanged(double lineThickness);
    void lineStyleChanged(Qt::PenStyle lineStyle);
    void pointsChanged(QVariantList points);
    void lineIdChanged(QString lineId);
    void filledChanged(bool filled);

protected:
    void geometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    void repaint() { update(); }
    void rebuildScreenPolyline(double width, double height);

    QColor m_color{Qt::black};
    double m_opacity = 1.0;
    double m_lineThickness = 1.0;
    Qt::PenStyle m_lineStyle = Qt::SolidLine;
    QVariantList m_points;
    QString m_lineId;
    bool m_filled = false;
    QVector<QPoint> m_screenPolyline;
};

} // namespace kiv
