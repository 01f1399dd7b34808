#include "app/MainView.h"
#include "map/MapViewController.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "tools/ImageTool.h"
#include "support/ProjectFixture.h"
#include "support/ScriptedLocationManager.h"

#include <QQmlEngine>
#include <QQuickImageProvider>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace kiv;

namespace {

const QPointF Here(-3.5, 55.25);

// Hands out one picture, "pic"; any other name is a null image.
class PictureProvider : public QQuickImageProvider
{
public:
    PictureProvider()
        : QQuickImageProvider(QQuickImageProvider::Image)
    {
    }
    QImage requestImage(const QString& id, QSize* size, const QSize&) override
    {
        if (id != QLatin1String("pic"))
            return QImage();
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        *size = image.size();
        return image;
    }
};

} // namespace

class TestImageTool : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ProjectFixture> fixture;
    std::unique_ptr<ImageTool> tool;
    test::ScriptedLocationManager* location = nullptr;

    QDir images() const { return QDir(fixture->project->folder().absoluteFilePath("images")); }

    std::vector<QZProtoBuffers::Data> rows() const
    {
        std::vector<QZProtoBuffers::Data> parsed;
        for (const std::string& bytes : fixture->messages("data")) {
            parsed.emplace_back();
            parsed.back().ParseFromString(bytes);
        }
        return parsed;
    }

    // A small JPEG at path; its folder is made.
    static QString writePicture(const QString& path)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        return image.save(path) ? path : QString();
    }

    QString outsidePicture() const
    {
        return writePicture(fixture->project->folder().absoluteFilePath("../outside/photo.jpg"));
    }

private slots:
    void init()
    {
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        location = new test::ScriptedLocationManager;
        location->setAltitude(120.0);
        location->setHorizontalAccuracy(4.0);
        location->setVerticalAccuracy(6.0);
        auto* app = static_cast<test::DocumentsApplication*>(ApplicationManager::instance());
        location->setParent(app);
        app->setSensors(location, nullptr);
        tool = std::make_unique<ImageTool>();
    }

    void cleanup()
    {
        tool.reset();
        fixture.reset();
    }

    void outsidePicturesAreCopiedUnderFreeNames()
    {
        const QUrl source = QUrl::fromLocalFile(outsidePicture());
        QVERIFY(ImageTool::saveImageFile(source, 10.0, "first", Here, false));
        QVERIFY(ImageTool::saveImageFile(source, 10.0, "second", Here, false));
        QVERIFY(images().exists("photo.jpg"));
        QVERIFY(images().exists("photo_1.jpg"));
        const auto data = rows();
        QCOMPARE(data.size(), size_t(2));
        QCOMPARE(data[0].imagepath(), "photo.jpg");
        QCOMPARE(data[1].imagepath(), "photo_1.jpg");
        QCOMPARE(data[1].comment(), "second");
        QCOMPARE(data[1].datatype(), QZProtoBuffers::Data::IMAGE);
    }

    void inProjectImages_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("inside");
        QTest::newRow("images") << "images/a.jpg" << true;
        QTest::newRow("images sub folder") << "images/sub/b.jpg" << true;
        QTest::newRow("project folder") << "c.jpg" << false;
        QTest::newRow("images name prefix") << "images2/d.jpg" << false;
        QTest::newRow("up and back in") << "images/../images/e.jpg" << true;
        QTest::newRow("invalid url") << "" << false;
    }

    void inProjectImages()
    {
        QFETCH(QString, relative);
        QFETCH(bool, inside);
        const QUrl url = relative.isEmpty()
                             ? QUrl()
                             : QUrl::fromLocalFile(fixture->project->folder().absoluteFilePath(relative));
        QCOMPARE(ImageTool::isInProjectImages(url), inside);
        QVERIFY(!ImageTool::isInProjectImages(QUrl("http://127.0.0.1/images/a.jpg")));
    }

    void picturesInsideStayWhereTheyAre()
    {
        writePicture(images().absoluteFilePath("sub/in.jpg"));
        QVERIFY(ImageTool::saveImageFile(QUrl::fromLocalFile(images().absoluteFilePath("sub/in.jpg")), 1.0, "",
                                         Here, false));
        QCOMPARE(rows().at(0).imagepath(), "sub/in.jpg");
        QCOMPARE(images().entryList(QDir::Files).size(), 0);
        // One level above the images folder counts as outside.
        const QString above = writePicture(fixture->project->folder().absoluteFilePath("above.jpg"));
        QVERIFY(ImageTool::saveImageFile(QUrl::fromLocalFile(above), 1.0, "", Here, false));
        QCOMPARE(rows().at(1).imagepath(), "above.jpg");
        QVERIFY(images().exists("above.jpg"));
    }

    void unusablePictureAddsNothing_data()
    {
        QTest::addColumn<QByteArray>("content"); // "<none>": no such file
        QTest::newRow("missing") << QByteArray("<none>");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("not an image") << QByteArray("just some text\n");
    }

    void unusablePictureAddsNothing()
    {
        QFETCH(QByteArray, content);
        // An empty project: the save would otherwise make its first locality.
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkdir("empty.qz"));
        const QDir folder(root.filePath("empty.qz"));
        auto empty = ModelManager::instance()->createProject("Empty", folder);
        QVERIFY(empty);
        ModelManager::instance()->setCurrentProject(empty);
        QVERIFY(!ModelManager::instance()->currentLocality());
        const QString picture = root.filePath("nothing.jpg");
        if (content == "<none>") {
            QTest::ignoreMessage(QtWarningMsg, qPrintable("File does not exist: " + picture));
            QTest::ignoreMessage(QtWarningMsg, "Unable to copy file to project images");
        } else {
            QFile file(picture);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
            file.close();
            QTest::ignoreMessage(QtWarningMsg, qPrintable("Not an image file: " + picture));
        }
        QVERIFY(!ImageTool::saveImageFile(QUrl::fromLocalFile(picture), 1.0, "", Here, false));
        QCOMPARE(empty->numberOfLocalities(), 0);
        QVERIFY(!QDir(folder.filePath("images")).exists("nothing.jpg"));
        QVERIFY(ImageTool::saveImageFile(QUrl::fromLocalFile(outsidePicture()), 1.0, "", Here, true));
        QCOMPARE(empty->numberOfLocalities(), 1);
    }

    void heading_data()
    {
        QTest::addColumn<double>("heading");
        QTest::addColumn<float>("stored");
        QTest::newRow("full circle") << 360.0 << -1.0f;
        QTest::newRow("below full circle") << 359.9 << 359.9f;
        QTest::newRow("zero") << 0.0 << 0.0f;
        QTest::newRow("negative") << -0.5 << -1.0f;
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << -1.0f;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << -1.0f;
        QTest::newRow("start value") << -999.0 << -1.0f;
    }

    void heading()
    {
        QFETCH(double, heading);
        QFETCH(float, stored);
        QVERIFY(ImageTool::saveImageFile(QUrl::fromLocalFile(outsidePicture()), heading, "", Here, false));
        QCOMPARE(rows().at(0).dip_azimuth(), stored);
    }

    void note_data()
    {
        QTest::addColumn<QString>("comment");
        QTest::addColumn<QPointF>("position");
        QTest::addColumn<bool>("gps");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<double>("horizontal");
        QTest::addColumn<double>("vertical");
        QTest::newRow("empty comment") << "" << Here << false << "Empty comment!" << 0.0 << 0.0;
        QTest::newRow("invalid location") << "x" << QPointF(999, 999) << false << "Invalid location!" << 0.0 << 0.0;
        QTest::newRow("gps") << "x" << Here << true << "" << 4.0 << 6.0;
        QTest::newRow("by hand") << "x" << Here << false << "" << 0.0 << 0.0;
    }

    void note()
    {
        QFETCH(QString, comment);
        QFETCH(QPointF, position);
        QFETCH(bool, gps);
        QFETCH(QString, warning);
        QFETCH(double, horizontal);
        QFETCH(double, vertical);
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        QCOMPARE(tool->saveNote(comment, position, gps), warning.isEmpty());
        const auto data = rows();
        QCOMPARE(data.size(), size_t(warning.isEmpty() ? 1 : 0));
        if (data.empty())
            return;
        QCOMPARE(data[0].datatype(), QZProtoBuffers::Data::NOTE);
        QCOMPARE(data[0].comment(), "x");
        QCOMPARE(data[0].position().latitude(), Here.y());
        QCOMPARE(data[0].position().longitude(), Here.x());
        QCOMPARE(data[0].position().altitude(), 120.0);
        QCOMPARE(data[0].position().horizontalaccuracy(), horizontal);
        QCOMPARE(data[0].position().verticalaccuracy(), vertical);
    }

    void viewFilter_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("data") << int(MapViewController::FilterData) << int(MapViewController::FilterAll);
        QTest::newRow("annotations") << int(MapViewController::FilterAnnotations)
                                     << int(MapViewController::FilterAnnotations);
    }

    void viewFilter()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        MapViewController map;
        map.viewDidLoad();
        map.setViewFilter(MapViewController::ViewFilter(before));
        tool->setMapView(&map);
        QVERIFY(tool->saveNote("x", Here, false));
        QCOMPARE(int(map.viewFilter()), after);
        map.setViewFilter(MapViewController::ViewFilter(before));
        tool->setImageSource(QUrl::fromLocalFile(outsidePicture()));
        QVERIFY(tool->saveImage("y", Here, false));
        QCOMPARE(int(map.viewFilter()), after);
        tool->setMapView(nullptr);
    }

    void lockedDatabaseAddsNothing_data()
    {
        QTest::addColumn<bool>("picture");
        QTest::newRow("note") << false;
        QTest::newRow("picture") << true;
    }

    void lockedDatabaseAddsNothing()
    {
        QFETCH(bool, picture);
        QVERIFY(tool->saveNote("before", Here, false));
        const QUrl source = QUrl::fromLocalFile(outsidePicture());
        tool->setImageSource(picture ? source : QUrl());
        tool->setImageHeading(12.0);
        QSignalSpy cleared(tool.get(), &ImageTool::imageSourceChanged);
        {
            const auto lock = fixture->lockFor("EXCLUSIVE");
            QVERIFY(lock->isLocked());
            QTest::ignoreMessage(QtWarningMsg, picture ? "Could not save image." : "Could not save note.");
            QVERIFY(!tool->save("during", Here, false));
        }
        QCOMPARE(rows().size(), size_t(1));
        QCOMPARE(cleared.count(), 0);
        QCOMPARE(tool->imageHeading(), 12.0);
        // No copy is left behind for a picture that was not saved.
        QVERIFY(!images().exists("photo.jpg"));
    }

    void saveClearsTheSource()
    {
        tool->setImageSource(QUrl::fromLocalFile(outsidePicture()));
        QSignalSpy source(tool.get(), &ImageTool::imageSourceChanged);
        QSignalSpy heading(tool.get(), &ImageTool::imageHeadingChanged);
        QVERIFY(tool->save("c", Here, false));
        QCOMPARE(rows().at(0).datatype(), QZProtoBuffers::Data::IMAGE);
        QCOMPARE(rows().at(0).dip_azimuth(), -1.0f);
        QCOMPARE(rows().at(0).position().latitude(), Here.y());
        QCOMPARE(rows().at(0).position().longitude(), Here.x());
        QCOMPARE(source.count(), 1);
        QVERIFY(tool->imageSource().isEmpty());
        QCOMPARE(heading.count(), 1);
        QCOMPARE(heading.at(0).at(0).toDouble(), -1.0);
        tool->clearImageSource();
        QCOMPARE(source.count(), 1);
        QCOMPARE(heading.count(), 1);
        QTest::ignoreMessage(QtWarningMsg, "Empty or invalid imageSource!");
        QVERIFY(!tool->saveImage("c", Here, false));
    }

    void cameraImage()
    {
        MainView view;
        ApplicationManager* app = ApplicationManager::instance();
        app->setMainView(&view);
        view.engine()->addImageProvider("test", new PictureProvider);
        const QDir cache(app->cachePath());
        QFile::remove(cache.filePath("camera_0.jpg"));
        QFile::remove(cache.filePath("camera_1.jpg"));
        QSignalSpy source(tool.get(), &ImageTool::imageSourceChanged);
        for (const char* url : {"image://none/pic", "image://test/other"})
            tool->setCameraImage("1", QUrl(url));
        QCOMPARE(source.count(), 0);
        for (const char* name : {"camera_0.jpg", "camera_1.jpg"}) {
            tool->setCameraImage("1", QUrl("image://test/pic"));
            QCOMPARE(tool->imageSource(), QUrl::fromLocalFile(cache.filePath(name)));
            QCOMPARE(QImage(cache.filePath(name)).size(), QSize(40, 30));
        }
        app->setMainView(nullptr);
    }

    void longPress_data()
    {
        QTest::addColumn<bool>("active");
        QTest::addColumn<QPointF>("hold");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("same place") << true << QPointF(100, 100) << true;
        QTest::newRow("10 pixels") << true << QPointF(106, 108) << true;
        QTest::newRow("10.5 pixels") << true << QPointF(110.5, 100) << false;
        QTest::newRow("inactive") << false << QPointF(100, 100) << false;
    }

    void longPress()
    {
        QFETCH(bool, active);
        QFETCH(QPointF, hold);
        QFETCH(bool, accepted);
        tool->setActive(active);
        QSignalSpy pressed(tool.get(), &ImageTool::longPress);
        QVERIFY(!tool->mousePressed(100, 100, Qt::LeftButton));
        QCOMPARE(tool->mousePressAndHold(hold.x(), hold.y(), Qt::LeftButton), accepted);
        QCOMPARE(pressed.count(), accepted ? 1 : 0);
        if (accepted)
            QCOMPARE(pressed.at(0).at(0).toPointF(), hold);
        tool->setActive(false);
    }
};

QTEST_MAIN(TestImageTool)

#include "tst_imagetool.moc"
