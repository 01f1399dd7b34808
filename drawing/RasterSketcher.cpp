#include "drawing/RasterSketcher.h"

#include "app/AppContext.h"
#include "drawing/SketchFileSet.h"
#include "drawing/SketchFiles.h"
#include "drawing/TextBoxGeometry.h"

#include "Database/CommandManager.h"
#include "app/ApplicationManager.h"
#include "app/DialogController.h"
#include "map/TemporaryItemController.h"
#include "model/AddDataCommand.h"
#include "model/Data.h"
#include "model/ModelManager.h"
#include "model/ModifyDataCommand.h"
#include "model/Project.h"
#include "tools/AbstractLocationManager.h"
#include "tools/ImageTool.h"
#include "tools/Tool.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QMutexLocker>
#include <QSettings>
#include <QTextOption>

#include <algorithm>
#include <cmath>

namespace kiv {

namespace {

const QString SettingsGroup = QStringLiteral("RasterSketcher/");
const QString SavedMessage = QStringLiteral("Saved sketch");
const QString FailedMessage = QStringLiteral("Save failed!");
constexpr int ToastDuration = 2000;
// Long enough to read what to do about it.
constexpr int AdviceDuration = 4000;

QObject* theme()
{
    const ApplicationManager* application = ApplicationManager::instance();
    return application ? application->ui() : nullptr;
}

double uiScale()
{
    const ApplicationManager* application = ApplicationManager::instance();
    return application ? application->logicalToPhysicalMultiplier() : 1.0;
}

// A theme size; without a theme, its logical value at the current UI scale.
double themeSize(const char* name, double logical)
{
    if (const QObject* ui = theme()) {
        bool ok = false;
        const double value = ui->property(name).toDouble(&ok);
        if (ok)
            return value;
    }
    return logical * uiScale();
}

QColor themeColor(const char* name, const char* fallback)
{
    if (const QObject* ui = theme()) {
        const QColor colour = ui->property(name).value<QColor>();
        if (colour.isValid())
            return colour;
    }
    return QColor(QLatin1String(fallback));
}

QDir imagesFolder(const Project& project)
{
    return QDir(project.folder().absoluteFilePath(QStringLiteral("images")));
}

// No marker shows on the sketch: it goes where the location bar says.
QPointF savePosition()
{
    const ApplicationManager* application = ApplicationManager::instance();
    if (AbstractLocationManager* location = application ? application->locationManager() : nullptr)
        location->takePendingInput();
    return TemporaryItemController::savePlace(nullptr).location;
}

bool validMode(int mode)
{
    return mode >= RasterSketcher::Paint && mode <= RasterSketcher::Text;
}

} // namespace

RasterSketcher::RasterSketcher(QQuickItem* parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
    setAcceptedMouseButtons(Qt::LeftButton);
    connect(this, &RasterSketcher::modeChanged, this, &RasterSketcher::onModeChanged);
    connect(this, &RasterSketcher::lineThicknessChanged, this, &RasterSketcher::onLineThicknessChanged);
    connect(this, &RasterSketcher::colorChanged, this, &RasterSketcher::onColorChanged);
    connect(this, &RasterSketcher::textChanged, this, &RasterSketcher::repaintTextBox);
    connect(this, &RasterSketcher::textRectChanged, this, [this] { update(); });
    readSettings();
    emit modeChanged(m_mode);
    emit lineThicknessChanged(m_lineThickness);
    emit colorChanged(m_color);
    m_drawPen.setCapStyle(Qt::RoundCap);
    m_erasePen.setCapStyle(Qt::RoundCap);
    m_erasePen.setColor(QColor(255, 255, 255, 0));
}

RasterSketcher::~RasterSketcher()
{
    const QMutexLocker locker(&m_mutex);
    if (m_painter.isActive())
        m_painter.end();
}

QString RasterSketcher::itemId() const
{
    return m_data ? QString::fromStdString(m_data->id()) : QString();
}

QImage RasterSketcher::background() const
{
    const QMutexLocker locker(&m_mutex);
    return m_background.copy();
}

QImage RasterSketcher::layer() const
{
    const QMutexLocker locker(&m_mutex);
    return m_layer.copy();
}

// --- settings and properties ---------------------------------------------------

void RasterSketcher::readSettings()
{
    const QSettings settings;
    const int mode = settings.value(SettingsGroup + "Mode", int(m_mode)).toInt();
    m_mode = validMode(mode) ? Mode(mode) : Paint;
    bool ok = false;
    const double thickness = settings.value(SettingsGroup + "LineThickness", m_lineThickness).toDouble(&ok);
    if (ok && std::isfinite(thickness) && thickness > 0.0)
        m_lineThickness = thickness;
    const QColor fallback = themeColor("kivLightBlue", "#009cde");
    const QColor colour(settings.value(SettingsGroup + "Color", fallback.name()).toString());
    m_color = colour.isValid() ? colour : fallback;
}

void RasterSketcher::writeSetting(const QString& key, const QVariant& value)
{
    QSettings().setValue(SettingsGroup + key, value);
}

void RasterSketcher::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    if (active)
        activated();
    else
        deactivated();
    emit activeChanged(active);
}

void RasterSketcher::setMode(Mode mode)
{
    if (m_mode == mode)
        return;
    m_mode = mode;
    writeSetting(QStringLiteral("Mode"), int(mode));
    emit modeChanged(mode);
}

void RasterSketcher::setLineThickness(double lineThickness)
{
    if (m_lineThickness == lineThickness)
        return;
    m_lineThickness = lineThickness;
    writeSetting(QStringLiteral("LineThickness"), lineThickness);
    emit lineThicknessChanged(lineThickness);
}

void RasterSketcher::setColor(const QColor& color)
{
    if (m_color == color)
        return;
    m_color = color;
    writeSetting(QStringLiteral("Color"), color.name());
    emit colorChanged(color);
}

void RasterSketcher::setText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    emit textChanged(text);
}

void RasterSketcher::setTextRect(const QRect& textRect)
{
    if (m_textRect == textRect)
        return;
    m_textRect = textRect;
    emit textRectChanged(textRect);
}

void RasterSketcher::setHasUnsavedChanges(bool hasUnsavedChanges)
{
    if (m_hasUnsavedChanges == hasUnsavedChanges)
        return;
    m_hasUnsavedChanges = hasUnsavedChanges;
    emit hasUnsavedChangesChanged(hasUnsavedChanges);
}

// --- pens ------------------------------------------------------------------------

void RasterSketcher::onColorChanged(const QColor& color)
{
    m_drawPen.setColor(color);
    onModeChanged(m_mode);
}

void RasterSketcher::onLineThicknessChanged(double lineThickness)
{
    m_drawPen.setWidthF(lineThickness);
    m_erasePen.setWidthF(lineThickness);
    m_font.setPointSizeF(themeSize("microText", 12) + lineThickness);
    onModeChanged(m_mode);
}

void RasterSketcher::onModeChanged(Mode mode)
{
    if (!validMode(mode))
        return;
    applyPen();
    if (mode == Text)
        repaintTextBox();
    else
        clearText();
}

// Erasing draws with a transparent pen that keeps only what lies outside it.
void RasterSketcher::applyPen()
{
    if (!m_painter.isActive())
        return;
    const bool erase = m_mode == Erase;
    m_painter.setPen(erase ? m_erasePen : m_drawPen);
    m_painter.setCompositionMode(erase ? QPainter::CompositionMode_DestinationIn
                                       : QPainter::CompositionMode_SourceOver);
}

void RasterSketcher::repaintTextBox()
{
    if (m_textRect.isValid())
        update(toItem(m_textRect));
    else
        update();
}

// Never enlarged: a picture shows pixel for pixel where it fits.
void RasterSketcher::updateViewScale()
{
    double scale = 1.0;
    {
        const QMutexLocker locker(&m_mutex);
        if (!m_layer.isNull() && width() >= 1.0 && height() >= 1.0)
            scale = std::min({1.0, width() / m_layer.width(), height() / m_layer.height()});
        if (scale == m_viewScale)
            return;
        m_viewScale = scale;
    }
    emit viewScaleChanged(scale);
    update();
}

QPoint RasterSketcher::toPicture(const QPoint& item) const
{
    return m_viewScale == 1.0 ? item : (QPointF(item) / m_viewScale).toPoint();
}

QRect RasterSketcher::toItem(const QRect& picture) const
{
    if (m_viewScale == 1.0)
        return picture;
    const QRectF shown(QRectF(picture).topLeft() * m_viewScale, QRectF(picture).size() * m_viewScale);
    return shown.toAlignedRect();
}

void RasterSketcher::geometryChanged(const QRectF& newGeometry, const QRectF& oldGeometry)
{
    QQuickPaintedItem::geometryChanged(newGeometry, oldGeometry);
    updateViewScale();
}

// --- activation and set-up -------------------------------------------------------

void RasterSketcher::activated()
{
    if (m_background.isNull() || m_layer.isNull())
        setupNewSketch();
    {
        const QMutexLocker locker(&m_mutex);
        if (!m_painter.isActive() && !m_layer.isNull() && m_painter.begin(&m_layer))
            m_painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    }
    if (const ApplicationManager* application = ApplicationManager::instance())
        m_handleSize = application->logicalToPhysicalMultiplier() * application->pickPrecision();
    emit modeChanged(m_mode);
    update();
}

void RasterSketcher::deactivated()
{
    // A text that was not accepted ends with the session.
    clearText();
    {
        const QMutexLocker locker(&m_mutex);
        if (m_background.isNull() || m_layer.isNull())
            return;
        if (m_painter.isActive())
            m_painter.end();
        m_background = QImage();
        m_layer = QImage();
    }
    setEditedData(nullptr);
    updateViewScale();
}

void RasterSketcher::replacePictures(const QImage& background, const QImage& layer)
{
    {
        const QMutexLocker locker(&m_mutex);
        const bool painting = m_painter.isActive();
        if (painting)
            m_painter.end();
        m_background = background;
        m_layer = layer;
        if (painting && !m_layer.isNull() && m_painter.begin(&m_layer))
            m_painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    }
    applyPen();
    updateViewScale();
    update();
}

void RasterSketcher::setupNewSketch()
{
    const QSize size(static_cast<int>(width()), static_cast<int>(height()));
    replacePictures(SketchFiles::filledPicture(size, Qt::white), SketchFiles::filledPicture(size, Qt::transparent));
    // A blank page must not be saved over the files of the datum opened before.
    setEditedData(nullptr);
    clearText();
    setHasUnsavedChanges(false);
}

void RasterSketcher::setupExistingImage(const QString& dataId)
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (dataId.isEmpty() || !project)
        return;
    const std::shared_ptr<Data> data = project->dataById(dataId.toStdString());
    if (!data || data->type() != Data::Image)
        return;
    QImage background;
    QImage layer;
    if (!SketchFiles::load(imagesFolder(*project), *data, QSize(int(width()), int(height())), background, layer))
        return;
    replacePictures(background, layer);
    setEditedData(data);
    clearText();
    setHasUnsavedChanges(false);
}

// What the tool offers (Save waiting for a position, above all) follows
// whether a datum is being edited.
void RasterSketcher::setEditedData(std::shared_ptr<Data> data)
{
    const QString before = itemId();
    m_data = std::move(data);
    if (itemId() != before)
        emit itemIdChanged(itemId());
}

// --- drawing ---------------------------------------------------------------------

void RasterSketcher::paint(QPainter* painter)
{
    const QMutexLocker locker(&m_mutex);
    if (!isVisible() || m_background.isNull() || m_layer.isNull())
        return;
    painter->setRenderHint(QPainter::Antialiasing);
    if (m_viewScale != 1.0) {
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        painter->scale(m_viewScale, m_viewScale);
    }
    painter->drawImage(0, 0, m_background);
    painter->drawImage(0, 0, m_layer);
    if (m_mode == Text && m_textRect.isValid())
        paintText(painter, true);
}

void RasterSketcher::paintLine(QPoint p1, QPoint p2)
{
    if (!m_painter.isActive())
        return;
    {
        const QMutexLocker locker(&m_mutex);
        // QPainter leaves a zero-length line out; a tap still makes a dot.
        if (p1 == p2)
            m_painter.drawPoint(p1);
        else
            m_painter.drawLine(p1, p2);
    }
    const int grow = int(m_lineThickness);
    update(toItem(spanned(p1, p2).adjusted(-grow, -grow, grow, grow)));
    setHasUnsavedChanges(true);
}

void RasterSketcher::paintText(QPainter* painter)
{
    paintText(painter, true);
}

void RasterSketcher::paintText(QPainter* painter, bool drawBoundingBox)
{
    if (!painter || m_mode != Text || !m_textRect.isValid())
        return;
    if (drawBoundingBox) {
        painter->save();
        painter->setOpacity(0.4);
        painter->fillRect(pictureRect(), themeColor("disabledToolColor", "#666666"));
        painter->fillRect(m_textRect, themeColor("activeToolColor", "#ffffff"));
        painter->setOpacity(1.0);
        painter->setPen(QPen(themeColor("kivBlue", "#006eb8")));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(m_textRect);
        const int side = int(inPicture(m_handleSize) / 2);
        const QColor fill = themeColor("kivLightBlue", "#009cde");
        for (const TextBoxGeometry::Handle& handle : TextBoxGeometry::handles(m_textRect)) {
            QRect square(0, 0, side, side);
            square.moveCenter(handle.centre);
            if ((m_edgeFlags & handle.edges) == handle.edges)
                painter->fillRect(square, fill);
            painter->drawRect(square);
        }
        painter->restore();
    }
    painter->setPen(m_drawPen);
    QFont font = m_font;
    font.setItalic(m_text.isEmpty());
    painter->setFont(font);
    const QString shown = m_text.isEmpty() ? QStringLiteral("Tap to enter text...") : m_text;
    painter->drawText(QRectF(m_textRect), shown, QTextOption());
}

void RasterSketcher::acceptText()
{
    if (m_text.isEmpty() || !m_painter.isActive())
        return;
    {
        const QMutexLocker locker(&m_mutex);
        paintText(&m_painter, false);
    }
    clearText();
    setHasUnsavedChanges(true);
    update();
}

void RasterSketcher::clearText()
{
    if (!m_textRect.isNull())
        setTextRect(QRect());
    m_edgeFlags = 0;
    setText(QString());
}

// --- pointer gestures ------------------------------------------------------------

void RasterSketcher::mousePressEvent(QMouseEvent* event)
{
    if (m_gesture != Gesture::Idle) {
        event->ignore();
        return;
    }
    switch (m_mode) {
    case Paint:
    case Erase:
        m_gesture = Gesture::Stroke;
        m_lastPoint = toPicture(event->pos());
        break;
    case Text:
        pressText(toPicture(event->pos()));
        break;
    default:
        qDebug() << "Mode not handled: " << int(m_mode);
        event->ignore();
        return;
    }
    event->accept();
}

void RasterSketcher::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = toPicture(event->pos());
    if (m_mode == Text) {
        moveText(point);
    } else if (m_gesture != Gesture::Idle) {
        paintLine(m_lastPoint, point);
        m_lastPoint = point;
    }
    event->accept();
}

void RasterSketcher::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint point = toPicture(event->pos());
    if (m_mode == Text) {
        releaseText(point);
    } else {
        if (m_gesture == Gesture::Stroke)
            paintLine(m_lastPoint, point);
        m_gesture = Gesture::Idle;
    }
    event->accept();
}

// Without a release the next press would be refused for good.
void RasterSketcher::mouseUngrabEvent()
{
    m_gesture = Gesture::Idle;
    m_edgeFlags = 0;
}

void RasterSketcher::touchUngrabEvent()
{
    m_gesture = Gesture::Idle;
    m_edgeFlags = 0;
}

void RasterSketcher::pressText(const QPoint& point)
{
    switch (TextBoxGeometry::hit(m_textRect, point, inPicture(m_handleSize))) {
    case TextBoxGeometry::Hit::Inside:
        m_gesture = Gesture::Idle;
        break;
    case TextBoxGeometry::Hit::Frame:
        m_gesture = Gesture::Resize;
        break;
    case TextBoxGeometry::Hit::Outside:
        m_gesture = Gesture::Stroke;
        break;
    }
    m_lastPoint = point;
}

void RasterSketcher::moveText(const QPoint& point)
{
    switch (m_gesture) {
    case Gesture::Idle:
        m_gesture = Gesture::Move;
        moveBox(point);
        break;
    case Gesture::Move:
        moveBox(point);
        break;
    case Gesture::Stroke:
        setTextRect(spanned(m_lastPoint, point));
        break;
    case Gesture::Resize:
        if (m_edgeFlags == 0)
            m_edgeFlags = TextBoxGeometry::edgesAt(m_textRect, m_lastPoint, inPicture(m_handleSize));
        resizeBox(point);
        break;
    default:
        break;
    }
}

void RasterSketcher::releaseText(const QPoint& point)
{
    switch (m_gesture) {
    case Gesture::Idle:
        if (m_textRect.contains(point))
            emit showTextInput();
        break;
    case Gesture::Stroke: {
        const QRect drawn = spanned(m_lastPoint, point);
        if (!m_textRect.isValid())
            setTextRect(defaultBox(m_lastPoint));
        else if (drawn.right() - drawn.left() + 1 < 2)
            setTextRect(QRect());
        else
            setTextRect(drawn);
        break;
    }
    case Gesture::Resize:
        resizeBox(point);
        break;
    case Gesture::Move:
        moveBox(point);
        break;
    default:
        break;
    }
    m_lastPoint = QPoint(0, 0);
    m_edgeFlags = 0;
    update();
    m_gesture = Gesture::Idle;
}

void RasterSketcher::moveBox(const QPoint& point)
{
    const QPoint delta = point - m_lastPoint;
    qDebug() << "Text box moved by" << delta;
    if (const std::optional<QRect> box = TextBoxGeometry::moved(m_textRect, delta, m_layer.size()))
        setTextRect(*box);
    m_lastPoint = point;
}

// textRectChanged follows each changed axis.
void RasterSketcher::resizeBox(const QPoint& point)
{
    const QPoint target = TextBoxGeometry::clamped(point, m_layer.size());
    setTextRect(TextBoxGeometry::resized(m_textRect, Qt::Horizontal, target, m_edgeFlags));
    setTextRect(TextBoxGeometry::resized(m_textRect, Qt::Vertical, target, m_edgeFlags));
}

QRect RasterSketcher::defaultBox(const QPoint& centre) const
{
    // As large on the screen as at full size.
    const QSize size(int(inPicture(int(themeSize("panelWidth", 320)))),
                     int(inPicture(3 * int(themeSize("buttonHeight", 40)))));
    return TextBoxGeometry::defaultBox(centre, size, m_layer.size(), inPicture(m_handleSize));
}

QRect RasterSketcher::pictureRect() const
{
    return QRect(QPoint(0, 0), m_layer.size());
}

QRect RasterSketcher::spanned(const QPoint& a, const QPoint& b) const
{
    return TextBoxGeometry::spanned(a, b, m_layer.size());
}

// --- saving ----------------------------------------------------------------------

bool RasterSketcher::save()
{
    // A typed text still in its box is part of what the user saves.
    if (m_mode == Text && m_textRect.isValid())
        acceptText();
    const bool saved = m_data ? saveExistingImage() : saveNewSketch();
    if (saved)
        emit itemIdChanged(itemId());
    setHasUnsavedChanges(!saved);
    return saved;
}

// The layer, then the flattened picture: background and strokes only, the
// text box and unaccepted text are not part of the sketch.
bool RasterSketcher::writeSketch(SketchFileSet& files, const QString& imagePath, const QString& sketchPath) const
{
    const QMutexLocker locker(&m_mutex);
    return files.write(m_layer, sketchPath, "PNG")
           && files.write(SketchFiles::flattened(m_background, m_layer), imagePath, "JPEG");
}

void RasterSketcher::toastSaved(bool saved) const
{
    const std::shared_ptr<DialogController> controller = AppContext::dialogs();
    if (!controller)
        return;
    if (saved)
        controller->toastOk(SavedMessage, ToastDuration);
    else
        controller->toastError(FailedMessage, ToastDuration);
}

bool RasterSketcher::saveNewSketch()
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (m_data || !project)
        return false;
    // A datum without a position would sit at the "none" coordinate on the
    // map and in every export; the sketch stays open to be saved later.
    const QPointF position = savePosition();
    if (!AbstractLocationManager::isValidCoordinate(position)) {
        qWarning() << "No known position for the new sketch";
        if (const std::shared_ptr<DialogController> controller = AppContext::dialogs())
            controller->toastError(ImageTool::failedSaveText(FailedMessage, position), AdviceDuration);
        return false;
    }
    const QString imagePath = ImageTool::uniqueImagePath(SketchFiles::ImagePrefix, QStringLiteral(".jpeg"));
    if (imagePath.isEmpty())
        return false;
    const QString sketchPath = SketchFiles::layerPath(imagePath);
    // Until finished, the files of a sketch that never became a datum go.
    SketchFileSet files;
    if (!writeSketch(files, imagePath, sketchPath) || !files.place()) {
        toastSaved(false);
        return false;
    }
    // The datum joins the current locality: a locality made or listed but
    // never picked must not turn the save into a failed command.
    if (!Tool::ensureLocality(position.x(), position.y(), true)) {
        qWarning() << "No locality for the new sketch";
        toastSaved(false);
        return false;
    }
    const QDir images = imagesFolder(*project);
    auto command = std::make_shared<AddDataCommand>();
    command->setSketchData(position.y(), position.x(), 0.0f, images.relativeFilePath(imagePath), QString(),
                           images.relativeFilePath(sketchPath), QString());
    ImageTool::setAltitudeAndAccuracy(*command, true);
    AppContext::runCommand(command);
    m_data = command->dataId().empty() ? nullptr : project->dataById(command->dataId());
    if (m_data)
        files.finish();
    toastSaved(bool(m_data));
    return bool(m_data);
}

bool RasterSketcher::saveExistingImage()
{
    const bool saved = writeExistingImage();
    toastSaved(saved);
    return saved;
}

bool RasterSketcher::writeExistingImage()
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!m_data || !project || m_data->imagePath().isEmpty())
        return false;
    auto command = std::make_shared<ModifyDataCommand>();
    command->setFromData(m_data);
    const QDir images = imagesFolder(*project);
    QString imagePath = images.absoluteFilePath(m_data->imagePath());
    QString sketchPath;
    // Every file of the save is stored, or none.
    SketchFileSet files;
    if (m_data->sketchPath().isEmpty()) {
        if (!SketchFiles::hasImagePrefix(imagePath)) {
            // The photograph keeps its name; the sketch shows under IMG_.
            imagePath = SketchFiles::prefixedPath(imagePath);
            command->setImagePath(images.relativeFilePath(imagePath));
        } else if (!files.copy(imagePath, SketchFiles::originalPath(imagePath))) {
            return false;
        }
        const QString backgroundPath = SketchFiles::backgroundPath(imagePath);
        bool backgroundWritten = false;
        {
            const QMutexLocker locker(&m_mutex);
            backgroundWritten = files.write(m_background, backgroundPath);
        }
        if (!backgroundWritten)
            return false;
        command->setBackgroundPath(images.relativeFilePath(backgroundPath));
        sketchPath = SketchFiles::layerPath(imagePath);
        command->setSketchPath(images.relativeFilePath(sketchPath));
    } else {
        sketchPath = images.absoluteFilePath(m_data->sketchPath());
    }
    // A record that cannot be stored takes the files back with it.
    if (!writeSketch(files, imagePath, sketchPath) || !files.place() || !AppContext::runCommand(command))
        return false;
    files.finish();
    return true;
}

} // namespace kiv
