#pragma once

#include "tools/Tool.h"

#include <QPointF>
#include <QString>
#include <QUrl>

#include <memory>

namespace kiv {

class SketchFileSet;

class AddDataCommand;

// Saves photographs and notes as data at a position, takes screenshots of the
// map into the project and takes in the camera's pictures. Pictures of a
// project live in its "images" folder; data records hold paths relative to it.
class ImageTool : public Tool
{
    Q_OBJECT
    // -999 until a heading is known, -1 for none.
    Q_PROPERTY(double imageHeading READ imageHeading WRITE setImageHeading NOTIFY imageHeadingChanged)
    Q_PROPERTY(QUrl imageSource READ imageSource WRITE setImageSource NOTIFY imageSourceChanged)
    Q_PROPERTY(QString deviceId READ deviceId WRITE setDeviceId NOTIFY deviceIdChanged)

public:
    explicit ImageTool(QObject* parent = nullptr);
    ~ImageTool() override;

    double imageHeading() const { return m_imageHeading; }
    QUrl imageSource() const { return m_imageSource; }
    void setImageHeading(double imageHeading);
    void setImageSource(const QUrl& imageSource);

    // A free absolute path for a new picture in the current project's
    // "images" folder (created when missing): prefix, local date and time
    // ("2024-05-01_12-30-05"), suffix. Empty when there is no current
    // project, the folder cannot be made or the file already exists.
    static QString uniqueImagePath(const QString& prefix, const QString& suffix);
    static QString makeUniqueImagePath(const QString& prefix, const QString& suffix);

    // The same, below the given project folder.
    static QString uniqueImagePathIn(const QString& projectFolder, const QString& prefix,
                                     const QString& suffix);

    // Saves a picture as a photograph datum of the current locality; needs no
    // tool instance (the stereonet tool saves its plot through it).
    static bool saveImageFile(const QUrl& imageSource, double imageHeading, const QString& comment,
                              const QPointF& location, bool isGpsLocation);

    // Copies a picture into the current project's images folder under a free
    // name, through files: it stays only once files is finished, so a kill
    // before the datum is stored leaves the next start a journal to remove
    // it by. relativePath receives the copy's path inside that folder.
    static bool copyToProjectImages(const QString& sourcePath, QString& relativePath, SketchFileSet& files);
    // Whether a local picture lies inside the current project's images folder.
    static bool isInProjectImages(const QUrl& url);
    // The location manager's altitude, and its accuracies for a GPS position
    // (a position set by hand is exact); every new datum at a position takes them.
    static void setAltitudeAndAccuracy(AddDataCommand& command, bool isGpsLocation);

    // The message for a new entry that could not be saved there: without a
    // position it says what to do, so that no one suspects the disk.
    Q_INVOKABLE static QString failedSaveText(const QString& failed, const QPointF& location);

public slots:
    void toolActivated() override;
    void toolDeactivated() override;
    bool mousePressed(double x, double y, Qt::MouseButtons buttons) override;
    bool mousePressAndHold(double x, double y, Qt::MouseButtons buttons) override;
    virtual void takePhoto();
    virtual void pickPhoto();
    virtual bool takeMapScreenShot();

    void clearImageSource();
    // A picture of a QML image provider ("image://<provider>/<name>").
    void setCameraImage(const QString& id, const QUrl& cameraImage);
    // A picture the camera saved to a file.
    bool setCameraImage(const QString& cameraImagePath);
    // A note without a picture, a picture when there is one.
    bool save(const QString& comment, const QPointF& location, bool isGpsLocation);
    bool saveNote(const QString& comment, const QPointF& location, bool isGpsLocation);
    bool saveImage(const QString& comment, const QPointF& location, bool isGpsLocation);
    bool saveImage(const QUrl& imageSource, double imageHeading, const QString& comment,
                   const QPointF& location, bool isGpsLocation);
    QString deviceId() const { return m_deviceId; }
    void setDeviceId(const QString& deviceId);

signals:
    void imageHeadingChanged(double imageHeading);
    void imageSourceChanged(QUrl imageSource);
    void deviceIdChanged(QString deviceId);
    void longPress(QPointF position);

private:
    static QString currentProjectFolder();
    static QString projectImagesPath();
    static QString freeCopyTarget(const QString& folder, const QString& sourcePath);
    static bool execute(const std::shared_ptr<AddDataCommand>& command);
    // Shows everything when the map hides the new datum.
    void showSavedData();

    double m_imageHeading = -999.0;
    QUrl m_imageSource;
    QString m_deviceId;
    QPointF m_pressPosition;
};

} // namespace kiv
