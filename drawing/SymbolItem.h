#pragma once

#include <QColor>
#include <QQuickPaintedItem>

#include <memory>

namespace kiv {

class QPainterImplementation;
class SymbolPainter;

// One map symbol by icon id, for pickers, lists and data cells.
class SymbolItem : public QQuickPaintedItem
{
    Q_OBJECT
    Q_PROPERTY(double lineThickness READ lineThickness WRITE setLineThickness NOTIFY
                   lineThicknessChanged)
    Q_PROPERTY(double dip READ dip WRITE setDip NOTIFY dipChanged)
    Q_PROPERTY(double azimuth READ azimuth WRITE setAzimuth NOTIFY azimuthChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    // Invalid: no halo.
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor NOTIFY
                   backgroundColorChanged)
    Q_PROPERTY(int iconId READ iconId WRITE setIconId NOTIFY iconIdChanged)

public:
    explicit SymbolItem(QQuickItem* parent = nullptr);
    ~SymbolItem() override;

    double lineThickness() const { return m_lineThickness; }
    double dip() const { return m_dip; }
    double azimuth() const { return m_azimuth; }
    QColor color() const { return m_color; }
    QColor backgroundColor() const { return m_backgroundColor; }
    int iconId() const { return m_iconId; }

    void setLineThickness(double thickness);
    void setDip(double dip);
    void setAzimuth(double azimuth);
    void setColor(const QColor& color);
    void setBackgroundColor(const QColor& color);
    void setIconId(int iconId);

    void paint(QPainter* painter) override;

signals:
    void lineThicknessChanged(double lineThickness);
    void dipChanged(double dip);
    void azimuthChanged(double azimuth);
    void colorChanged(const QColor& color);
    void backgroundColorChanged(const QColor& backgroundColor);
    void iconIdChanged(int iconId);

private:
    void repaint() { update(); }

    double m_lineThickness = 1.0;
    double m_dip = 0.0;
    double m_azimuth = 0.0;
    QColor m_color{Qt::black};
    QColor m_backgroundColor;
    int m_iconId = 0;
    std::unique_ptr<QPainterImplementation> m_painter;
    std::unique_ptr<SymbolPainter> m_symbols;
};

} // namespace kiv
