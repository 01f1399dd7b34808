#include "tools/ImageTool.h"

#include "Database/CommandManager.h"
#include "app/AppContext.h"
#include "app/ApplicationManager.h"
#include "app/MainView.h"
#include "drawing/ImageFile.h"
#include "drawing/SketchFileSet.h"
#include "map/MapViewController.h"
#include "model/AddDataCommand.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "tools/AbstractLocationManager.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImage>
#include <QQmlEngine>
#include <QQuickImageProvider>
#include <QScreen>
#include <QTransform>

#include <cmath>

namespace kiv {

namespace {

constexpr double LongPressTolerance = 10.0;
constexpr double NoHeading = -1.0;

QString localPath(const QUrl& url)
{
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

} // namespace

ImageTool::ImageTool(QObject* parent)
    : Tool(parent)
{
}

ImageTool::~ImageTool() = default;

void ImageTool::setImageHeading(double imageHeading)
{
    if (imageHeading == m_imageHeading)
        return;
    m_imageHeading = imageHeading;
    emit imageHeadingChanged(imageHeading);
}

void ImageTool::setImageSource(const QUrl& imageSource)
{
    if (imageSource == m_imageSource)
        return;
    m_imageSource = imageSource;
    emit imageSourceChanged(imageSource);
}

void ImageTool::setDeviceId(const QString& deviceId)
{
    if (deviceId == m_deviceId)
        return;
    m_deviceId = deviceId;
    emit deviceIdChanged(deviceId);
}

void ImageTool::toolActivated()
{
    Tool::toolActivated();
}

void ImageTool::toolDeactivated()
{
    Tool::toolDeactivated();
}

bool ImageTool::mousePressed(double x, double y, Qt::MouseButtons)
{
    if (active())
        m_pressPosition = QPointF(x, y);
    return false;
}

bool ImageTool::mousePressAndHold(double x, double y, Qt::MouseButtons)
{
    if (!active())
        return false;
    const QPointF position(x, y);
    const QPointF moved = position - m_pressPosition;
    if (std::hypot(moved.x(), moved.y()) > LongPressTolerance)
        return false;
    emit longPress(position);
    return true;
}

void ImageTool::takePhoto()
{
    qDebug() << "ImageTool::takePhoto() is not implemented!";
}

void ImageTool::pickPhoto()
{
    qDebug() << "ImageTool::pickPhoto() is not implemented!";
}

bool ImageTool::takeMapScreenShot()
{
    if (!mapView())
        return false;
    const QImage image = mapView()->capture();
    if (image.isNull())
        return false;
    // Names are by the second: a second shot within it is refused.
    const QString path = makeUniqueImagePath(QStringLiteral("MAP_"), QStringLiteral(".jpg"));
    if (path.isEmpty()) {
        qWarning() << "No free name for the map screenshot.";
        return false;
    }
    if (!ImageFile::save(image, path)) {
        qWarning().noquote() << "Failed to save the map screenshot to:" << path;
        return false;
    }
    setImageSource(QUrl::fromLocalFile(path));
    return true;
}

void ImageTool::clearImageSource()
{
    setImageSource(QUrl());
    setImageHeading(NoHeading);
}

void ImageTool::setCameraImage(const QString&, const QUrl& cameraImage)
{
    ApplicationManager* app = ApplicationManager::instance();
    QQmlEngine* engine = app && app->mainView() ? app->mainView()->engine() : nullptr;
    auto* provider = engine ? dynamic_cast<QQuickImageProvider*>(engine->imageProvider(cameraImage.host())) : nullptr;
    if (!provider || provider->imageType() != QQmlImageProviderBase::Image)
        return;
    QSize size;
    const QImage image = provider->requestImage(cameraImage.fileName(), &size, QSize());
    if (image.isNull())
        return;
    const QDir cache(app->cachePath());
    if (!QDir().mkpath(cache.absolutePath()))
        return;
    QString path;
    int n = 0;
    do
        path = QStringLiteral("%1/camera_%2.jpg").arg(cache.absolutePath()).arg(n++);
    while (QFileInfo::exists(path));
    if (ImageFile::save(image, path))
        setImageSource(QUrl::fromLocalFile(path));
}

bool ImageTool::setCameraImage(const QString& cameraImagePath)
{
    const QUrl url(cameraImagePath);
    const QString path = url.isLocalFile() ? url.toLocalFile() : cameraImagePath;
    ApplicationManager* app = ApplicationManager::instance();
    QScreen* screen = app && app->mainView() ? app->mainView()->screen() : nullptr;
    if (screen && screen->orientation() == Qt::InvertedLandscapeOrientation) {
        // The camera saves its picture upside down in this orientation.
        const QImage image(path);
        if (image.isNull() || !ImageFile::save(image.transformed(QTransform().rotate(180)), path))
            return false;
    }
    setImageSource(QUrl::fromLocalFile(path));
    return true;
}

bool ImageTool::save(const QString& comment, const QPointF& location, bool isGpsLocation)
{
    if (m_imageSource.isEmpty())
        return saveNote(comment, location, isGpsLocation);
    return saveImage(comment, location, isGpsLocation);
}

bool ImageTool::saveNote(const QString& comment, const QPointF& location, bool isGpsLocation)
{
    if (comment.isEmpty()) {
        qWarning() << "Empty comment!";
        return false;
    }
    if (!AbstractLocationManager::isValidCoordinate(location)) {
        qWarning() << "Invalid location!";
        return false;
    }
    bool saved = ensureLocality(location.x(), location.y(), isGpsLocation);
    if (saved) {
        auto command = std::make_shared<AddDataCommand>();
        command->setNoteData(location.y(), location.x(), comment);
        setAltitudeAndAccuracy(*command, isGpsLocation);
        saved = execute(command);
    }
    if (!saved) {
        qWarning() << "Could not save note.";
        return false;
    }
    showSavedData();
    return true;
}

bool ImageTool::saveImage(const QString& comment, const QPointF& location, bool isGpsLocation)
{
    if (m_imageSource.isEmpty() || !m_imageSource.isValid()) {
        qWarning() << "Empty or invalid imageSource!";
        return false;
    }
    if (!saveImageFile(m_imageSource, m_imageHeading, comment, location, isGpsLocation))
        return false;
    clearImageSource();
    showSavedData();
    return true;
}

bool ImageTool::saveImage(const QUrl& imageSource, double imageHeading, const QString& comment,
                          const QPointF& location, bool isGpsLocation)
{
    return saveImageFile(imageSource, imageHeading, comment, location, isGpsLocation);
}

bool ImageTool::saveImageFile(const QUrl& imageSource, double imageHeading, const QString& comment,
                              const QPointF& location, bool isGpsLocation)
{
    if (!AbstractLocationManager::isValidCoordinate(location)) {
        qWarning() << "Invalid location!";
        return false;
    }
    // The picture is in place before a locality is made for it.
    const QString source = localPath(imageSource);
    if (QFileInfo(source).isFile() && !QImageReader(source).canRead()) {
        qWarning().noquote() << "Not an image file:" << source;
        return false;
    }
    QString relativePath;
    // Until finished, a copy no datum refers to goes.
    SketchFileSet files;
    if (isInProjectImages(imageSource)) {
        if (!QFileInfo(source).isFile()) {
            qWarning().noquote() << "File does not exist: " + source;
            return false;
        }
        relativePath = QDir(projectImagesPath()).relativeFilePath(source);
    } else {
        if (!copyToProjectImages(source, relativePath, files)) {
            qWarning() << "Unable to copy file to project images";
            return false;
        }
    }
    // NaN passes a range test, so the test is for a valid heading.
    if (!std::isfinite(imageHeading) || !(imageHeading >= 0.0 && imageHeading < 360.0))
        imageHeading = NoHeading;
    bool saved = ensureLocality(location.x(), location.y(), isGpsLocation);
    if (saved) {
        auto command = std::make_shared<AddDataCommand>();
        command->setImageData(location.y(), location.x(), float(imageHeading), relativePath, comment);
        setAltitudeAndAccuracy(*command, isGpsLocation);
        saved = execute(command);
    }
    if (!saved) {
        qWarning() << "Could not save image.";
        return false;
    }
    files.finish();
    return true;
}

QString ImageTool::failedSaveText(const QString& failed, const QPointF& location)
{
    if (AbstractLocationManager::isValidCoordinate(location))
        return failed;
    const bool sentence = failed.endsWith(QLatin1Char('!')) || failed.endsWith(QLatin1Char('.'));
    return failed + QLatin1String(sentence ? " " : ". ")
           + QStringLiteral("No position yet: turn on location or set a position");
}

bool ImageTool::isInProjectImages(const QUrl& url)
{
    const QString path = localPath(url);
    const QString images = projectImagesPath();
    if (!url.isValid() || path.isEmpty() || images.isEmpty())
        return false;
    const QString relative = QDir(images).relativeFilePath(path);
    // A picture on another drive has no relative path at all.
    if (!QDir::isRelativePath(relative))
        return false;
    return relative.split(QLatin1Char('/')).first() != QLatin1String("..");
}

bool ImageTool::copyToProjectImages(const QString& sourcePath, QString& relativePath, SketchFileSet& files)
{
    const QFileInfo source(sourcePath);
    if (sourcePath.isEmpty() || !source.isFile()) {
        qWarning().noquote() << "File does not exist: " + sourcePath;
        return false;
    }
    const QString images = projectImagesPath();
    if (images.isEmpty() || !QDir().mkpath(images)) {
        qWarning().noquote() << "Unabled to create project images folder:" + images;
        return false;
    }
    const QString target = freeCopyTarget(images, sourcePath);
    if (!files.copyNamed(sourcePath, target) || !files.place()) {
        qWarning().noquote() << "Failed to copy image to: " + target;
        return false;
    }
    relativePath = QDir(images).relativeFilePath(target);
    return true;
}

QString ImageTool::freeCopyTarget(const QString& folder, const QString& sourcePath)
{
    const QDir dir(folder);
    const QFileInfo name(sourcePath);
    QString target = dir.absoluteFilePath(name.fileName());
    qDebug().noquote() << "Copying:" << sourcePath << " >>> " << target;
    // Without a suffix the clash name gets no trailing dot.
    const QString pattern = name.completeSuffix().isEmpty()
                                ? name.baseName() + QStringLiteral("_%1")
                                : name.baseName() + QStringLiteral("_%1.") + name.completeSuffix();
    for (int n = 1; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n) {
        target = dir.absoluteFilePath(pattern.arg(n));
        qDebug().noquote() << "Trying: " + target;
    }
    return target;
}

QString ImageTool::uniqueImagePath(const QString& prefix, const QString& suffix)
{
    return uniqueImagePathIn(currentProjectFolder(), prefix, suffix);
}

QString ImageTool::makeUniqueImagePath(const QString& prefix, const QString& suffix)
{
    return uniqueImagePath(prefix, suffix);
}

QString ImageTool::uniqueImagePathIn(const QString& projectFolder, const QString& prefix,
                                     const QString& suffix)
{
    if (projectFolder.isEmpty())
        return QString();
    // The name must stay inside the images folder.
    for (const QString& part : {prefix, suffix}) {
        if (part.contains(QLatin1Char('/')) || part.contains(QLatin1Char('\\')))
            return QString();
    }
    QDir project(projectFolder);
    const QString imagesPath = project.absoluteFilePath(QStringLiteral("images"));
    if (!QDir().mkpath(imagesPath) || !QFileInfo(imagesPath).isDir())
        return QString();

    QString stamp = QDateTime::currentDateTime().toString(Qt::ISODate);
    stamp.replace(QLatin1Char('T'), QLatin1Char('_')).replace(QLatin1Char(':'), QLatin1Char('-'));
    const QString path = QDir(imagesPath).absoluteFilePath(prefix + stamp + suffix);
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return QString();
    return path;
}

QString ImageTool::currentProjectFolder()
{
    ModelManager* manager = ModelManager::instance();
    const std::shared_ptr<Project> project = manager ? manager->currentProject() : nullptr;
    return project ? project->folder().absolutePath() : QString();
}

QString ImageTool::projectImagesPath()
{
    const QString folder = currentProjectFolder();
    return folder.isEmpty() ? QString() : QDir(folder).absoluteFilePath(QStringLiteral("images"));
}

void ImageTool::setAltitudeAndAccuracy(AddDataCommand& command, bool isGpsLocation)
{
    const PositionQuality quality = positionQuality(isGpsLocation);
    command.setAltitudeAndAccuracy(quality.altitude, quality.horizontalAccuracy, quality.verticalAccuracy);
}

bool ImageTool::execute(const std::shared_ptr<AddDataCommand>& command)
{
    return AppContext::runCommand(command);
}

void ImageTool::showSavedData()
{
    MapViewController* map = mapView();
    if (!map)
        return;
    const int filter = map->viewFilter();
    if (filter != MapViewController::FilterAll && filter != MapViewController::FilterAnnotations)
        map->setViewFilter(MapViewController::FilterAll);
}

} // namespace kiv
