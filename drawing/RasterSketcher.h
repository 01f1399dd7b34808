#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QMutex>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QQuickPaintedItem>
#include <QRect>
#include <QString>

#include <memory>

namespace kiv {

class Data;
class Project;
class SketchFileSet;

// The drawing surface of field sketches: freehand strokes, erasing and boxed
// text on a transparent layer over a white page or a project photograph.
// Saving writes the flattened picture, the layer and (for a photograph) the
// untouched background, and records them in the project.
class RasterSketcher : public QQuickPaintedItem
{
    Q_OBJECT
    Q_PROPERTY(bool active READ active WRITE setActive NOTIFY activeChanged)
    Q_PROPERTY(Mode mode READ mode WRITE setMode NOTIFY modeChanged)
    Q_PROPERTY(double lineThickness READ lineThickness WRITE setLineThickness NOTIFY lineThicknessChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(bool hasUnsavedChanges READ hasUnsavedChanges WRITE setHasUnsavedChanges NOTIFY
                   hasUnsavedChangesChanged)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(QRect textRect READ textRect WRITE setTextRect NOTIFY textRectChanged)
    Q_PROPERTY(QString itemId READ itemId NOTIFY itemIdChanged)
    // Item pixels per picture pixel: a picture larger than the item (made in
    // a larger window, or the window made smaller) shows whole, shrunk.
    Q_PROPERTY(double viewScale READ viewScale NOTIFY viewScaleChanged)

public:
    enum Mode { Paint = 0, Erase = 1, Text = 2 };
    Q_ENUM(Mode)

    // The running pointer gesture; Idle also while pressed inside the text box.
    enum class Gesture { Idle = 0, Stroke = 1, Resize = 2, Move = 3 };

    explicit RasterSketcher(QQuickItem* parent = nullptr);
    ~RasterSketcher() override;

    bool active() const { return m_active; }
    Mode mode() const { return m_mode; }
    double lineThickness() const { return m_lineThickness; }
    QColor color() const { return m_color; }
    bool hasUnsavedChanges() const { return m_hasUnsavedChanges; }
    QString text() const { return m_text; }
    QRect textRect() const { return m_textRect; }
    QString itemId() const;
    double viewScale() const { return m_viewScale; }

    Gesture gesture() const { return m_gesture; }
    // The text box's edges being dragged (TextBoxGeometry::Edge flags).
    int edgeFlags() const { return m_edgeFlags; }
    double handleSize() const { return m_handleSize; }
    // Copies of the two pictures.
    QImage background() const;
    QImage layer() const;

    void paint(QPainter* painter) override;

public slots:
    void setActive(bool active);
    void paintLine(QPoint p1, QPoint p2);
    void paintText(QPainter* painter, bool drawBoundingBox);
    void paintText(QPainter* painter);
    void setupExistingImage(const QString& dataId);
    void setupNewSketch();
    bool save();
    void acceptText();
    void clearText();
    void setMode(kiv::RasterSketcher::Mode mode);
    void setLineThickness(double lineThickness);
    void setColor(const QColor& color);
    void setText(const QString& text);
    void setTextRect(const QRect& textRect);
    void activated();
    void deactivated();
    void onModeChanged(kiv::RasterSketcher::Mode mode);
    void onLineThicknessChanged(double lineThickness);
    void onColorChanged(const QColor& color);
    void setHasUnsavedChanges(bool hasUnsavedChanges);

signals:
    void activeChanged(bool active);
    void modeChanged(kiv::RasterSketcher::Mode mode);
    void lineThicknessChanged(double lineThickness);
    void colorChanged(const QColor& color);
    void hasUnsavedChangesChanged(bool hasUnsavedChanges);
    void textChanged(const QString& text);
    void textRectChanged(const QRect& textRect);
    void itemIdChanged(const QString& itemId);
    void viewScaleChanged(double viewScale);
    void showTextInput();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseUngrabEvent() override;
    void touchUngrabEvent() override;
    void geometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    void readSettings();
    static void writeSetting(const QString& key, const QVariant& value);
    // Puts the pictures in place; an open painter moves to the new layer.
    void replacePictures(const QImage& background, const QImage& layer);
    // Outside the mutex: the change is announced.
    void setEditedData(std::shared_ptr<Data> data);
    void applyPen();
    void updateViewScale();
    QPoint toPicture(const QPoint& item) const;
    QRect toItem(const QRect& picture) const;
    // A length on the screen, in picture pixels.
    double inPicture(double itemPixels) const { return itemPixels / m_viewScale; }
    void repaintTextBox();

    void pressText(const QPoint& point);
    void moveText(const QPoint& point);
    void releaseText(const QPoint& point);
    void moveBox(const QPoint& point);
    void resizeBox(const QPoint& point);
    QRect defaultBox(const QPoint& centre) const;
    QRect pictureRect() const;
    QRect spanned(const QPoint& a, const QPoint& b) const;

    bool saveNewSketch();
    bool saveExistingImage();
    // The files and the record of an edited sketch, all or none; false at
    // the first failure.
    bool writeExistingImage();
    bool writeSketch(SketchFileSet& files, const QString& imagePath, const QString& sketchPath) const;
    void toastSaved(bool saved) const;

    bool m_active = false;
    mutable QMutex m_mutex;
    bool m_hasUnsavedChanges = false;
    std::shared_ptr<Data> m_data;
    QImage m_background;
    QImage m_layer;
    QPainter m_painter;
    Mode m_mode = Paint;
    double m_lineThickness = 5.0;
    QColor m_color;
    QString m_text;
    QPen m_drawPen;
    QPen m_erasePen;
    QFont m_font;
    QPoint m_lastPoint;
    QRect m_textRect;
    Gesture m_gesture = Gesture::Idle;
    int m_edgeFlags = 0;
    double m_handleSize = 5.0;
    double m_viewScale = 1.0;
};

} // namespace kiv
