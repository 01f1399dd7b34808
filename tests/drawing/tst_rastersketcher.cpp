#include <QtTest>

#include "Database/CommandManager.h"
#include "Database/Quarzel.pb.h"
#include "Database/SQLiteQuery.h"
#include "Database/StartLeftovers.h"
#include "app/DialogController.h"
#include "drawing/RasterSketcher.h"
#include "drawing/SketchFileSet.h"
#include "drawing/TextBoxGeometry.h"
#include "model/AddDataCommand.h"
#include "model/Data.h"
#include "model/Locality.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/FileSizeLimit.h"
#include "support/ProjectFixture.h"
#include "support/ScriptedLocationManager.h"
#include "tools/AbstractLocationManager.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <filesystem>
#include <memory>

using namespace kiv;

namespace {

// A location manager that knows one position.
class StubLocationManager : public test::ScriptedLocationManager
{
public:
    StubLocationManager() { setLastKnownCoordinate(QPointF(7.25, 46.5)); }
    void startDeclinationUpdates() override {}
};

// The fixture's documents folder, with a theme, toasts and (optionally) a
// location manager the test can see.
class TestApplication : public test::DocumentsApplication
{
public:
    TestApplication(const QString& documents, bool withLocation)
        : DocumentsApplication(documents)
        , dialogs(std::make_shared<DialogController>())
    {
        setDialogController(dialogs);
        if (withLocation)
            setSensors(new StubLocationManager, nullptr);
        theme.setProperty("panelWidth", 320);
        theme.setProperty("buttonHeight", 40);
        theme.setProperty("microText", 12);
        setUi(&theme);
    }
    ~TestApplication() override
    {
        setUi(nullptr);
        delete locationManager();
    }

    QStringList toasts() const
    {
        QStringList messages;
        for (const DialogController::Toast& toast : dialogs->toasts())
            messages << toast.message;
        return messages;
    }

    std::shared_ptr<DialogController> dialogs;
    QObject theme;
};

class Sketcher : public RasterSketcher
{
public:
    Sketcher() { setSize(QSizeF(800, 600)); }
    void send(QEvent::Type type, const QPoint& point)
    {
        QMouseEvent event(type, point, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        if (type == QEvent::MouseButtonPress)
            mousePressEvent(&event);
        else if (type == QEvent::MouseMove)
            mouseMoveEvent(&event);
        else
            mouseReleaseEvent(&event);
    }
    void drag(const QPoint& from, const QPoint& to)
    {
        send(QEvent::MouseButtonPress, from);
        send(QEvent::MouseMove, to);
        send(QEvent::MouseButtonRelease, to);
    }
    void tap(const QPoint& point)
    {
        send(QEvent::MouseButtonPress, point);
        send(QEvent::MouseButtonRelease, point);
    }
    void loseGrab() { mouseUngrabEvent(); }
};

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every file of a folder with its bytes.
QMap<QString, QByteArray> filesIn(const QDir& folder)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System))
        files.insert(name, bytesOf(folder.filePath(name)));
    return files;
}

// The images folder as a kill would leave it when a sketch save says it
// cannot copy the photo.
QString s_watchedImages;
QMap<QString, QByteArray> s_atCopyFailure;
QtMessageHandler s_previousHandler = nullptr;

void snapshotAtCopyFailure(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message.startsWith("Sketch: cannot copy"))
        s_atCopyFailure = filesIn(QDir(s_watchedImages));
    if (s_previousHandler)
        s_previousHandler(type, context, message);
}

void writePhoto(const QString& path)
{
    QImage photo(400, 300, QImage::Format_RGB32);
    QPainter painter(&photo);
    QLinearGradient sky(0, 0, 0, 300);
    sky.setColorAt(0, QColor("#9ec9e8"));
    sky.setColorAt(1, QColor("#c8b48a"));
    painter.fillRect(photo.rect(), sky);
    painter.setBrush(QColor("#6b5a44"));
    painter.drawPolygon(QPolygon({QPoint(0, 300), QPoint(140, 110), QPoint(260, 190), QPoint(400, 80),
                                  QPoint(400, 300)}));
    painter.end();
    QVERIFY(photo.save(path, "JPEG", 90));
}

bool near(QRgb pixel, const QColor& expected, int tolerance = 40)
{
    return qAbs(qRed(pixel) - expected.red()) <= tolerance && qAbs(qGreen(pixel) - expected.green()) <= tolerance
           && qAbs(qBlue(pixel) - expected.blue()) <= tolerance;
}

} // namespace

class TestRasterSketcher : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::ProjectFixture> m_fixture;
    std::unique_ptr<TestApplication> m_app;
    std::unique_ptr<QTemporaryDir> m_otherDocuments;

    std::shared_ptr<Project> project() const { return ModelManager::instance()->currentProject(); }
    QDir images() const { return QDir(project()->folder().absoluteFilePath("images")); }
    QString image(const QString& name) const { return images().absoluteFilePath(name); }

    std::string addImage(const QString& imagePath, const QString& sketchPath = {},
                         const QString& backgroundPath = {})
    {
        auto command = std::make_shared<AddDataCommand>();
        command->setSketchData(45, 7, 30, imagePath, QString(), sketchPath, backgroundPath);
        CommandManager::instance()->execute(command);
        return command->dataId();
    }

    // The stored record of a datum, decoded from main.db.
    QZProtoBuffers::Data storedData(const std::string& id) const
    {
        const QString path = project()->folder().absoluteFilePath("main.db");
        SQLiteDatabase database;
        database.open(path.toStdString());
        std::string message;
        SQLiteQuery query(&database);
        query.prepare("SELECT message FROM data");
        query.bindBlob(&message);
        QZProtoBuffers::Data record;
        while (query.step()) {
            if (record.ParseFromString(message) && record.dataid() == id)
                return record;
        }
        return QZProtoBuffers::Data();
    }

    // A photograph datum in the current project, opened in an active sketcher.
    std::string openPhoto(Sketcher& sketcher, const QString& name)
    {
        images().mkpath(".");
        writePhoto(image(name));
        const std::string id = addImage(name);
        sketcher.setupExistingImage(QString::fromStdString(id));
        sketcher.setActive(true);
        return id;
    }

    // A current project inside a folder whose path holds "IMG_" and "jpgs".
    void useAwkwardFolder()
    {
        m_otherDocuments = std::make_unique<QTemporaryDir>();
        QDir root(m_otherDocuments->path());
        QVERIFY(root.mkpath("IMG_field jpgs.qz"));
        auto other = ModelManager::instance()->createProject("Other", QDir(root.absoluteFilePath("IMG_field jpgs.qz")));
        QVERIFY(other);
        ModelManager::instance()->setCurrentProject(other);
        std::shared_ptr<Locality> locality = other->createLocality(test::idOf(0xb2));
        other->syncLocalityDetails(locality.get());
        ModelManager::instance()->setCurrentLocality(locality);
    }

    void startApplication(bool withLocation)
    {
        m_fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(m_fixture->isValid());
        m_app = std::make_unique<TestApplication>(QDir::tempPath(), withLocation);
    }

private slots:
    void init() { startApplication(true); }

    void cleanup()
    {
        m_fixture.reset();
        m_app.reset();
        m_otherDocuments.reset();
    }

    void firstSaveOverPhoto_data()
    {
        QTest::addColumn<bool>("awkwardFolder");
        QTest::addColumn<bool>("positionHeld"); // by the location bar
        QTest::newRow("ordinary folder") << false << true;
        QTest::newRow("folder path holding IMG_ and jpgs") << true << true;
        // The photo keeps its own place: no position is asked for.
        QTest::newRow("no position held") << false << false;
    }

    void firstSaveOverPhoto()
    {
        QFETCH(bool, awkwardFolder);
        QFETCH(bool, positionHeld);
        if (awkwardFolder)
            useAwkwardFolder();
        if (!positionHeld)
            m_app->locationManager()->setLastKnownCoordinate(AbstractLocationManager::INVALID_COORDINATE);
        Sketcher sketcher;
        const std::string id = openPhoto(sketcher, "camera_x.jpg");
        const QZProtoBuffers::Position place = storedData(id).position();
        QCOMPARE(place.latitude(), 45.0);
        const QByteArray original = bytesOf(image("camera_x.jpg"));
        QSignalSpy itemIds(&sketcher, &RasterSketcher::itemIdChanged);
        sketcher.paintLine(QPoint(100, 100), QPoint(300, 200));
        QVERIFY(sketcher.hasUnsavedChanges());

        QVERIFY(sketcher.save());
        QStringList files = images().entryList(QDir::Files | QDir::Hidden);
        files.sort();
        QCOMPARE(files, QStringList({"BACKGROUND_camera_x.jpg", "IMG_camera_x.jpg", "SKETCH_camera_x.png", "camera_x.jpg"}));
        QCOMPARE(bytesOf(image("camera_x.jpg")), original);
        const QZProtoBuffers::Data record = storedData(id);
        QCOMPARE(record.imagepath(), std::string("IMG_camera_x.jpg"));
        QCOMPARE(record.sketchpath(), std::string("SKETCH_camera_x.png"));
        QCOMPARE(record.backgroundpath(), std::string("BACKGROUND_camera_x.jpg"));
        QCOMPARE(m_app->toasts(), QStringList({"Saved sketch"}));
        QCOMPARE(m_app->dialogs->toasts().first().icon, DialogController::okGlyph);
        QVERIFY(!sketcher.hasUnsavedChanges());
        QCOMPARE(itemIds.count(), 1);
        QCOMPARE(itemIds.first().first().toString(), QString::fromStdString(id));

        // The second save leaves the original and the background alone.
        QFile::remove(image("IMG_camera_x.jpg"));
        QFile::remove(image("SKETCH_camera_x.png"));
        QFile background(image("BACKGROUND_camera_x.jpg"));
        QVERIFY(background.open(QIODevice::WriteOnly));
        background.write("marker");
        background.close();
        sketcher.paintLine(QPoint(50, 50), QPoint(60, 300));
        QVERIFY(sketcher.save());
        QVERIFY(QFileInfo::exists(image("IMG_camera_x.jpg")));
        QVERIFY(QFileInfo::exists(image("SKETCH_camera_x.png")));
        QCOMPARE(bytesOf(image("BACKGROUND_camera_x.jpg")), QByteArray("marker"));
        QCOMPARE(bytesOf(image("camera_x.jpg")), original);
        QCOMPARE(storedData(id).imagepath(), std::string("IMG_camera_x.jpg"));
        QCOMPARE(itemIds.count(), 2);
        QCOMPARE(storedData(id).position().SerializeAsString(), place.SerializeAsString());
    }

    void photoNamedWithPrefix()
    {
        Sketcher sketcher;
        const std::string id = openPhoto(sketcher, "IMG_p.jpg");
        const QByteArray original = bytesOf(image("IMG_p.jpg"));
        sketcher.paintLine(QPoint(10, 10), QPoint(90, 90));
        QVERIFY(images().mkdir("SKETCH_p.png"));

        QVERIFY(!sketcher.save());
        QCOMPARE(m_app->toasts(), QStringList({"Save failed!"}));
        QVERIFY(sketcher.hasUnsavedChanges());
        // The copy of the photo goes with the failed save.
        QVERIFY(!QFileInfo::exists(image("p.jpg")));
        QCOMPARE(bytesOf(image("IMG_p.jpg")), original);
        QVERIFY(!QFileInfo::exists(image("BACKGROUND_p.jpg")));
        QCOMPARE(storedData(id).sketchpath(), std::string());

        QVERIFY(images().rmdir("SKETCH_p.png"));
        QVERIFY(sketcher.save());
        QCOMPARE(bytesOf(image("p.jpg")), original);
        const QZProtoBuffers::Data record = storedData(id);
        QCOMPARE(record.imagepath(), std::string("IMG_p.jpg"));
        QCOMPARE(record.sketchpath(), std::string("SKETCH_p.png"));
        QCOMPARE(record.backgroundpath(), std::string("BACKGROUND_p.jpg"));
    }

    void newSketch_data()
    {
        QTest::addColumn<bool>("withLocation");
        QTest::addColumn<QPointF>("position"); // longitude, latitude
        QTest::addColumn<QString>("locality");
        QTest::addColumn<double>("altitude"); // as typed in the position bar; accuracies as the receiver's
        QTest::newRow("last known position") << true << QPointF(7.25, 46.5) << "current" << 0.0;
        QTest::newRow("localities listed, none current") << true << QPointF(7.25, 46.5) << "none current" << 0.0;
        QTest::newRow("no locality in the project") << true << QPointF(7.25, 46.5) << "none" << 0.0;
        QTest::newRow("altitude set, as a note takes it") << true << QPointF(7.25, 46.5) << "current" << 1234.5;
    }

    void newSketch()
    {
        QFETCH(bool, withLocation);
        QFETCH(QPointF, position);
        QFETCH(QString, locality);
        QFETCH(double, altitude);
        cleanup();
        startApplication(withLocation);
        AbstractLocationManager* location = m_app->locationManager();
        location->setAltitude(altitude);
        location->setHorizontalAccuracy(4.0);
        location->setVerticalAccuracy(6.0);
        if (locality == "none")
            QVERIFY(project()->removeLocality(m_fixture->locality->id()));
        ModelManager::instance()->setCurrentLocality(locality == "current" ? m_fixture->locality : nullptr);
        Sketcher sketcher;
        sketcher.setActive(true);
        sketcher.paintLine(QPoint(20, 20), QPoint(200, 20));
        QSignalSpy itemIds(&sketcher, &RasterSketcher::itemIdChanged);

        QVERIFY(sketcher.save());
        QCOMPARE(itemIds.count(), 1);
        const std::string id = itemIds.first().first().toString().toStdString();
        const std::shared_ptr<Data> data = project()->dataById(id);
        QVERIFY(data);
        QCOMPARE(data->type(), int(Data::Image));
        const QZProtoBuffers::Data record = storedData(id);
        const QString imagePath = QString::fromStdString(record.imagepath());
        QVERIFY2(QRegularExpression(R"(^IMG_\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\.jpeg$)").match(imagePath).hasMatch(),
                 qPrintable(imagePath));
        QString sketchPath = imagePath;
        sketchPath.replace("IMG_", "SKETCH_").replace(".jpeg", ".png");
        QCOMPARE(QString::fromStdString(record.sketchpath()), sketchPath);
        QVERIFY(QFileInfo::exists(image(imagePath)));
        QVERIFY(QFileInfo::exists(image(sketchPath)));
        QCOMPARE(record.backgroundpath(), std::string());
        QCOMPARE(record.dip_azimuth(), 0.0f);
        QCOMPARE(record.position().latitude(), position.y());
        QCOMPARE(record.position().longitude(), position.x());
        QCOMPARE(record.position().altitude(), altitude);
        QCOMPARE(record.position().horizontalaccuracy(), 4.0);
        QCOMPARE(record.position().verticalaccuracy(), 6.0);
        QCOMPARE(m_app->toasts(), QStringList({"Saved sketch"}));
        // The newest locality, made at the sketch when there was none.
        const std::shared_ptr<Locality> current = ModelManager::instance()->currentLocality();
        QVERIFY(current);
        QCOMPARE(project()->numberOfLocalities(), 1);
        QCOMPARE(data->localityId(), current->id());
        QCOMPARE(current->id() == m_fixture->locality->id(), locality != "none");
        if (locality == "none")
            QCOMPARE(QPointF(current->longitude(), current->latitude()), position);
    }

    void newSketchFails_data()
    {
        QTest::addColumn<bool>("nameTaken");
        QTest::addColumn<bool>("withLocation");
        QTest::addColumn<QStringList>("toasts");
        QTest::addColumn<QString>("failure"); // of the disk or the database
        QTest::newRow("this and the next second's names taken") << true << true << QStringList() << "";
        QTest::newRow("no known position")
            << false << false << QStringList({"Save failed! No position yet: turn on location or set a position"})
            << "";
        QTest::newRow("the disk is full") << false << true << QStringList({"Save failed!"}) << "full";
        // Both files were in place when the record failed.
        QTest::newRow("locked database") << false << true << QStringList({"Save failed!"}) << "locked";
    }

    void newSketchFails()
    {
        QFETCH(bool, nameTaken);
        QFETCH(bool, withLocation);
        QFETCH(QStringList, toasts);
        QFETCH(QString, failure);
        if (!withLocation) {
            cleanup();
            startApplication(false);
        }
        images().mkpath(".");
        if (nameTaken) {
            const QDateTime now = QDateTime::currentDateTime();
            for (const QDateTime& time : {now, now.addSecs(1)}) {
                QString stamp = time.toString(Qt::ISODate).replace('T', '_').replace(':', '-');
                QFile file(image("IMG_" + stamp + ".jpeg"));
                QVERIFY(file.open(QIODevice::WriteOnly));
            }
        }
        const QStringList before = images().entryList(QDir::Files | QDir::Hidden);
        const std::size_t stored = m_fixture->messages("data").size();
        Sketcher sketcher;
        sketcher.setActive(true);
        sketcher.paintLine(QPoint(20, 20), QPoint(200, 20));
        QSignalSpy itemIds(&sketcher, &RasterSketcher::itemIdChanged);
        {
            std::unique_ptr<test::FileSizeLimit> full;
            std::unique_ptr<test::DatabaseLock> lock;
            if (failure == "full")
                full = std::make_unique<test::FileSizeLimit>(0);
            else if (failure == "locked")
                lock = m_fixture->lockFor("EXCLUSIVE");
            QVERIFY(failure != "locked" || lock->isLocked());
            QVERIFY(!sketcher.save());
        }
        QCOMPARE(m_app->toasts(), toasts);
        QCOMPARE(itemIds.count(), 0);
        QCOMPARE(m_fixture->messages("data").size(), stored);
        QVERIFY(sketcher.hasUnsavedChanges());
        QVERIFY(sketcher.itemId().isEmpty());
        QCOMPARE(images().entryList(QDir::Files | QDir::Hidden), before);
    }

    // The flattened picture holds the background and the strokes only.
    void flattenedPicture_data()
    {
        QTest::addColumn<bool>("textMode");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QPoint>("probe");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("stroke drawn, then hidden") << false << QString() << QPoint(150, 100) << QColor(Qt::red);
        QTest::newRow("open text box: no wash far from it")
            << true << QString() << QPoint(50, 550) << QColor(Qt::white);
        // The box spans (240, 240) to (560, 360); its text starts at the top left.
        QTest::newRow("typed text not yet accepted: saved with the sketch")
            << true << QString(8, QChar(0x2588)) << QPoint(250, 252) << QColor(Qt::red);
    }

    void flattenedPicture()
    {
        QFETCH(bool, textMode);
        QFETCH(QString, text);
        QFETCH(QPoint, probe);
        QFETCH(QColor, expected);
        Sketcher sketcher;
        sketcher.setColor(Qt::red);
        sketcher.setLineThickness(9);
        sketcher.setActive(true);
        sketcher.paintLine(QPoint(100, 100), QPoint(200, 100));
        if (textMode) {
            sketcher.setMode(RasterSketcher::Text);
            sketcher.tap(QPoint(400, 300));
            QVERIFY(sketcher.textRect().isValid());
            sketcher.setText(text);
        } else {
            sketcher.setVisible(false);
        }
        QSignalSpy itemIds(&sketcher, &RasterSketcher::itemIdChanged);
        QVERIFY(sketcher.save());
        const std::shared_ptr<Data> data = project()->dataById(itemIds.first().first().toString().toStdString());
        const QImage saved(image(data->imagePath()));
        QCOMPARE(saved.size(), QSize(800, 600));
        QVERIFY2(near(saved.pixel(probe), expected), qPrintable(QColor(saved.pixel(probe)).name()));
        QCOMPARE(sketcher.text(), QString());
        QVERIFY(!sketcher.hasUnsavedChanges());
    }

    void existingThenNewSketch()
    {
        Sketcher sketcher;
        const std::string photo = openPhoto(sketcher, "camera_x.jpg");
        const QZProtoBuffers::Data recordBefore = storedData(photo);
        sketcher.setupNewSketch();
        QVERIFY(sketcher.itemId().isEmpty());
        sketcher.paintLine(QPoint(5, 5), QPoint(50, 50));
        QVERIFY(sketcher.save());
        QVERIFY(sketcher.itemId() != QString::fromStdString(photo));
        QCOMPARE(storedData(photo).SerializeAsString(), recordBefore.SerializeAsString());
        QVERIFY(!QFileInfo::exists(image("IMG_camera_x.jpg")));
        QVERIFY(!QFileInfo::exists(image("SKETCH_camera_x.png")));
    }

    void setupExistingImage_data()
    {
        QTest::addColumn<QString>("damage"); // file removed or emptied
        QTest::addColumn<bool>("adopted");
        QTest::newRow("sketch missing") << "SKETCH_s.png" << false;
        QTest::newRow("photograph unreadable") << "s.jpg" << false;
        QTest::newRow("background missing: white page") << "BACKGROUND_s.jpg" << true;
    }

    void setupExistingImage()
    {
        QFETCH(QString, damage);
        QFETCH(bool, adopted);
        Sketcher sketcher;
        const std::string first = openPhoto(sketcher, "first.jpg");
        const QImage firstBackground = sketcher.background();
        // A sketched photograph, or (for the photograph row) a fresh one.
        writePhoto(image("s.jpg"));
        QImage(200, 100, QImage::Format_ARGB32).save(image("SKETCH_s.png"));
        writePhoto(image("BACKGROUND_s.jpg"));
        const bool sketched = damage != "s.jpg";
        const std::string second
            = addImage("s.jpg", sketched ? "SKETCH_s.png" : "", sketched ? "BACKGROUND_s.jpg" : "");
        QFile(image(damage)).resize(0);

        sketcher.setupExistingImage(QString::fromStdString(second));
        QCOMPARE(sketcher.itemId(), QString::fromStdString(adopted ? second : first));
        if (adopted) {
            QCOMPARE(sketcher.background().size(), QSize(200, 100));
            QVERIFY(near(sketcher.background().pixel(100, 50), Qt::white, 0));
        } else {
            QCOMPARE(sketcher.background(), firstBackground);
        }
    }

    void newSketchWhileActive()
    {
        Sketcher sketcher;
        sketcher.setActive(true);
        sketcher.setupNewSketch();
        sketcher.paintLine(QPoint(300, 300), QPoint(310, 300));
        QVERIFY(qAlpha(sketcher.layer().pixel(305, 300)) > 0);
    }

    void failureAtSecondSave_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::newRow("locked database") << "locked";
        QTest::newRow("the disk is full") << "full";
        // The layer is written first: it fits, the flattened picture does not.
        QTest::newRow("room for the layer, not the picture") << "between";
        QTest::newRow("a folder where the picture goes") << "folder";
    }

    // A failed save keeps the sketch's files and record as the first save
    // left them.
    void failureAtSecondSave()
    {
        QFETCH(QString, failure);
        Sketcher sketcher;
        const std::string id = openPhoto(sketcher, "camera_x.jpg");
        sketcher.paintLine(QPoint(10, 10), QPoint(90, 90));
        QVERIFY(sketcher.save());
        const qint64 layerSize = QFileInfo(image("SKETCH_camera_x.png")).size();
        const qint64 pictureSize = QFileInfo(image("IMG_camera_x.jpg")).size();
        if (failure == "folder") {
            QVERIFY(QFile::remove(image("IMG_camera_x.jpg")));
            QVERIFY(images().mkdir("IMG_camera_x.jpg"));
        }
        QMap<QString, QByteArray> saved;
        for (const QString& name : images().entryList(QDir::Files | QDir::Hidden))
            saved.insert(name, bytesOf(image(name)));
        const std::string record = storedData(id).SerializeAsString();
        sketcher.paintLine(QPoint(90, 10), QPoint(10, 90));
        QSignalSpy itemIds(&sketcher, &RasterSketcher::itemIdChanged);
        std::unique_ptr<test::FileSizeLimit> full;
        std::unique_ptr<test::DatabaseLock> lock;
        if (failure == "full") {
            full = std::make_unique<test::FileSizeLimit>(0);
        } else if (failure == "between") {
            QVERIFY2(2 * layerSize < pictureSize, qPrintable(QString("%1 %2").arg(layerSize).arg(pictureSize)));
            full = std::make_unique<test::FileSizeLimit>((layerSize + pictureSize) / 2);
        } else if (failure == "locked") {
            lock = m_fixture->lockFor("EXCLUSIVE");
            QVERIFY(lock && lock->isLocked());
        }
        QVERIFY(!full || full->isSet());
        QVERIFY(!sketcher.save());
        full.reset();
        lock.reset();
        QCOMPARE(m_app->toasts(), QStringList({"Saved sketch", "Save failed!"}));
        QVERIFY(sketcher.hasUnsavedChanges());
        QCOMPARE(itemIds.count(), 0);
        QStringList names = images().entryList(QDir::Files | QDir::Hidden);
        names.sort();
        QCOMPARE(names, QStringList(saved.keys()));
        for (const QString& name : saved.keys())
            QVERIFY2(bytesOf(image(name)) == saved.value(name), qPrintable(name));
        QVERIFY(storedData(id).SerializeAsString() == record);
    }

    // A save stopped by a kill is settled at the next start: the sketch's
    // files all as before or all new, never a mix; the user's files and
    // links with like names stay.
    void leftoversOfStoppedSave_data()
    {
        // name=contents, name>link target, or name+a second name of that file
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("settled");
        const QStringList old{"IMG_s.jpeg=old picture", "SKETCH_s.png=old layer"};
        const QStringList fresh{"IMG_s.jpeg=new picture", "SKETCH_s.png=new layer"};
        const QStringList layerIn{"IMG_s.jpeg=old picture", "SKETCH_s.png=new layer", "SKETCH_s.png.k3.old=old layer"};
        // A second save lists its parts and the old files' second names.
        const QString second = ".sketch-k3.journal=quarzel sketch journal 2\npart SKETCH_s.png.k3.part\n"
                               "old SKETCH_s.png.k3.old\npart IMG_s.jpeg.k3.part\nold IMG_s.jpeg.k3.old\n";
        QTest::newRow("both written aside")
            << old + QStringList{"SKETCH_s.png.k3.part=new layer", "IMG_s.jpeg.k3.part=new picture", second} << old
            << 2;
        QTest::newRow("the layer in place, the picture aside")
            << layerIn + QStringList{"IMG_s.jpeg.k3.part=new picture", second} << old << 2;
        QTest::newRow("the old picture moved aside, the new one not yet in")
            << QStringList{"SKETCH_s.png=new layer", "SKETCH_s.png.k3.old=old layer", "IMG_s.jpeg.k3.old=old picture",
                           "IMG_s.jpeg.k3.part=new picture", second}
            << old << 3;
        QTest::newRow("the old picture kept under a second name, the new one not yet in")
            << layerIn + QStringList{"IMG_s.jpeg.k3.old+IMG_s.jpeg", "IMG_s.jpeg.k3.part=new picture", second} << old
            << 3;
        QTest::newRow("a failed save putting the old files back")
            << QStringList{"SKETCH_s.png=new layer", "SKETCH_s.png.k3.old=old layer", "IMG_s.jpeg=new picture",
                           "IMG_s.jpeg.k3.part+IMG_s.jpeg", "IMG_s.jpeg.k3.old=old picture", second}
            << old << 3;
        QTest::newRow("the picture still being written")
            << old + QStringList{"SKETCH_s.png.k3.part=new layer", "IMG_s.jpeg.k3.part=new", second} << old << 2;
        QTest::newRow("stopped as its journal took its name") << old + QStringList{second} << old << 0;
        QTest::newRow("both in place, the old ones aside")
            << fresh + QStringList{"SKETCH_s.png.k3.old=old layer", "IMG_s.jpeg.k3.old=old picture", second} << fresh
            << 2;
        QTest::newRow("both in place, one old one left") << fresh + QStringList{"IMG_s.jpeg.k3.old=old picture", second}
                                                         << fresh << 1;
        QTest::newRow("two saves stopped at different steps")
            << layerIn
                   + QStringList{"IMG_s.jpeg.k3.part=new picture", "IMG_t.jpeg=new", "IMG_t.jpeg.z9.old=old", second,
                                 ".sketch-z9.journal=quarzel sketch journal 2\npart IMG_t.jpeg.z9.part\n"
                                 "old IMG_t.jpeg.z9.old\n"}
            << old + QStringList{"IMG_t.jpeg=new"} << 3;
        const QStringList mine{"notes.k3.old=mine", "IMG_s.jpeg.K3.part=mine", "IMG_s.jpeg.k3.old>notes.k3.old",
                               ".sketch-notes.journal=", ".sketch-Notes.journal=", ".sketch-k6.journal.Ab12Cd=my notes",
                               ".sketch-k6.journal.Ab12C=", "q.jpg.k3.part=mine"};
        QTest::newRow("the user's files and a link with like names") << old + mine << old + mine << 0;
        // An interrupted copy from a card and backups are named so; no
        // journal lists them.
        const QStringList lookAlikes{"IMG_5678.jpg=photo", "row:IMG_5678.jpg", "IMG_5678.jpg.part=mine",
                                     "IMG_5678.jpg.old=mine", "IMG_5678.jpg.1a2b3c4.old=mine",
                                     "IMG_1234.jpg.1a2b3c4.part=mine", "BACKGROUND_trip.jpg.old=mine",
                                     "SKETCH_trip.png.1a2b3c4.part=mine"};
        QTest::newRow("the user's files named like a save's, no journal")
            << lookAlikes << QStringList(lookAlikes.mid(0, 1) + lookAlikes.mid(2)) << 0;
        QTest::newRow("the user's file named like a listed save's part")
            << old + QStringList{"IMG_s.jpeg.k3.part=mine",
                                 ".sketch-k3.journal=quarzel sketch journal 2\npart SKETCH_s.png.k3.part\n"
                                 "old SKETCH_s.png.k3.old\n"}
            << old + QStringList{"IMG_s.jpeg.k3.part=mine"} << 0;
        QTest::newRow("a new sketch, stopped as its parts were written")
            << old
                   + QStringList{"SKETCH_n.png.k4.part=new layer",
                                 ".sketch-k4.journal=quarzel sketch journal 2\npart SKETCH_n.png.k4.part\n"
                                 "new SKETCH_n.png\npart IMG_n.jpeg.k4.part\nnew IMG_n.jpeg\n"}
            << old << 1;
        // A photo copied into the folder, killed before its datum was stored.
        const QString photoCopy = ".sketch-k7.journal=quarzel sketch journal 2\npart rock_3.jpg.k7.part\nnew rock_3.jpg\n";
        QTest::newRow("a photo's copy in place, its row not stored")
            << old + QStringList{"rock_3.jpg=photo", photoCopy} << old << 1;
        QTest::newRow("a photo's copy in place, its row stored")
            << old + QStringList{"rock_3.jpg=photo", photoCopy, "row:rock_3.jpg"}
            << old + QStringList{"rock_3.jpg=photo"} << 0;
        // A row names no copy alone: whether the save landed cannot be told.
        const QStringList copyOnly{"IMG_q.jpg=photo", "q.jpg=photo", "q.jpg.k5.part=ph", "row:IMG_q.jpg",
                                   ".sketch-k5.journal=quarzel sketch journal 2\npart q.jpg.k5.part\ncopy q.jpg\n"};
        QTest::newRow("a save whose journal lists only a copy") << copyOnly << QStringList(copyOnly.mid(0, 3) + copyOnly.mid(4))
                                                                << 0;
        // Killed after its files took their fresh names, before or after
        // the row that names them was stored.
        const QString journal = ".sketch-k4.journal=quarzel sketch journal 1\n";
        const QStringList placed{"IMG_n.jpeg=new picture", "SKETCH_n.png=new layer"};
        QTest::newRow("a new sketch in place, its row not stored")
            << old + placed + QStringList{journal + "new IMG_n.jpeg\nnew SKETCH_n.png\n"} << old << 2;
        QTest::newRow("a new sketch in place, its row stored")
            << old + placed + QStringList{journal + "new IMG_n.jpeg\nnew SKETCH_n.png\n", "row:IMG_n.jpeg,SKETCH_n.png"}
            << old + placed << 0;
        QTest::newRow("the first sketch over a photo in place, its row not changed")
            << QStringList{"p.jpg=photo", "row:p.jpg", "IMG_p.jpg=new picture", "SKETCH_p.png=new layer",
                           "BACKGROUND_p.jpg=photo",
                           journal + "new BACKGROUND_p.jpg\nnew SKETCH_p.png\nnew IMG_p.jpg\n"}
            << QStringList{"p.jpg=photo"} << 3;
        // The picture replaced in place: without its row's change, it goes back.
        QTest::newRow("the first sketch over an IMG_ photo in place, its row not changed")
            << QStringList{"q.jpg=photo", "row:IMG_q.jpg", "IMG_q.jpg=new picture", "IMG_q.jpg.k5.old=photo",
                           "SKETCH_q.png=new layer", "BACKGROUND_q.jpg=photo",
                           ".sketch-k5.journal=quarzel sketch journal 1\nnew BACKGROUND_q.jpg\nnew SKETCH_q.png\n"}
            << QStringList{"q.jpg=photo", "IMG_q.jpg=photo"} << 3;
        // The photo's copy is listed too, after the new files.
        const QString copying = ".sketch-k5.journal=quarzel sketch journal 1\nnew BACKGROUND_q.jpg\nnew SKETCH_q.png\n"
                                "copy q.jpg\n";
        QTest::newRow("the first sketch over an IMG_ photo, stopped as it copied the photo")
            << QStringList{"IMG_q.jpg=photo", "row:IMG_q.jpg", "BACKGROUND_q.jpg.k5.part=photo",
                           "SKETCH_q.png.k5.part=new layer", "IMG_q.jpg.k5.part=new picture", "q.jpg.k5.part.Ab12Cd=ph",
                           copying}
            << QStringList{"IMG_q.jpg=photo"} << 4;
        const QStringList copied{"q.jpg=photo", "IMG_q.jpg=new picture", "IMG_q.jpg.k5.old=photo",
                                 "SKETCH_q.png=new layer", "BACKGROUND_q.jpg=photo", copying};
        QTest::newRow("the first sketch over an IMG_ photo and its copy in place, its row not changed")
            << copied + QStringList{"row:IMG_q.jpg"} << QStringList{"IMG_q.jpg=photo"} << 4;
        QTest::newRow("the first sketch over an IMG_ photo and its copy in place, its row changed")
            << copied + QStringList{"row:IMG_q.jpg,SKETCH_q.png"}
            << QStringList{"q.jpg=photo", "IMG_q.jpg=new picture", "SKETCH_q.png=new layer", "BACKGROUND_q.jpg=photo"}
            << 1;
        // Whole or not, such a journal noted nothing yet made.
        QTest::newRow("journals stopped before they took their names")
            << old + QStringList{".sketch-k6.journal.Ab12Cd=", ".sketch-k7.journal.Zz09Yy=quarzel sk",
                                 ".sketch-k8.journal.Qq11Ww=quarzel sketch journal 1\nnew IMG_n.jpeg\n",
                                 ".sketch-k9.journal.Pp22Rr=quarzel sketch journal 2\npart IMG_n.jpeg.k9.part\n"}
            << old << 4;
        // Nothing is judged without the rows: the save's files and journal stay.
        const QStringList unjudged = old + placed + QStringList{journal + "new IMG_n.jpeg\nnew SKETCH_n.png\n"};
        QTest::newRow("a new sketch in place, main.db unreadable")
            << unjudged + QStringList{"db:garbage"} << unjudged << 0;
        QTest::newRow("a new sketch in place, a folder where main.db goes")
            << unjudged + QStringList{"db:folder"} << unjudged << 0;
    }

    void leftoversOfStoppedSave()
    {
        QFETCH(QStringList, before);
        QFETCH(QStringList, after);
        QFETCH(int, settled);
        QVERIFY(images().mkpath("."));
        for (const QString& entry : before) {
            if (entry.startsWith("row:")) {
                const QStringList names = entry.mid(4).split(',');
                QVERIFY(!addImage(names[0], names.value(1)).empty());
            } else if (entry.startsWith("db:")) {
                const QString database = project()->folder().absoluteFilePath("main.db");
                QVERIFY(QFile::remove(database));
                QVERIFY(entry == "db:folder" ? QDir().mkdir(database) : writeBytes(database, "not a database"));
            } else if (entry.contains('>')) {
                QVERIFY(QFile::link(entry.section('>', 1), image(entry.section('>', 0, 0))));
            } else if (entry.contains('+')) {
                std::filesystem::create_hard_link(image(entry.section('+', 1)).toStdString(),
                                                  image(entry.section('+', 0, 0)).toStdString());
            } else {
                QFile file(image(entry.section('=', 0, 0)));
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(entry.section('=', 1).toUtf8());
            }
        }
        StartLeftovers start;
        SketchFileSet::feed(start);
        QCOMPARE(start.settle(QString(), {project()->folder().absolutePath()}), settled);
        QStringList found;
        for (const QFileInfo& file : images().entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
            found << (file.isSymLink() ? file.fileName() + '>' + QFileInfo(file.symLinkTarget()).fileName()
                                       : file.fileName() + '=' + bytesOf(file.filePath()));
        }
        found.sort();
        after.sort();
        QCOMPARE(found, after);
    }

    // A real save notes every file it makes before it makes one. Stopped
    // as the first (the photo's copy) is made, here by a full disk, it
    // leaves what the next start settles to the files before the save.
    void saveNotesItsFilesFirst()
    {
        Sketcher sketcher;
        const std::string id = openPhoto(sketcher, "IMG_p.jpg");
        {
            // Far larger than any picture written before it.
            QFile photo(image("IMG_p.jpg"));
            QVERIFY(photo.open(QIODevice::Append));
            photo.write(QByteArray(512 * 1024, 'x'));
        }
        const QMap<QString, QByteArray> before = filesIn(images());
        sketcher.paintLine(QPoint(10, 10), QPoint(90, 90));
        s_watchedImages = images().absolutePath();
        s_atCopyFailure.clear();
        s_previousHandler = qInstallMessageHandler(snapshotAtCopyFailure);
        {
            test::FileSizeLimit full(256 * 1024);
            QVERIFY(full.isSet());
            QVERIFY(!sketcher.save());
        }
        qInstallMessageHandler(s_previousHandler);
        const QStringList journals = s_atCopyFailure.keys().filter(QRegularExpression("^\\.sketch-.*\\.journal$"));
        QCOMPARE(journals.size(), 1);
        const QString token = journals.first().section('-', 1).section('.', 0, 0);
        // The copy's part is made first; the journal was there before it.
        QVERIFY(s_atCopyFailure.contains(QString("p.jpg.%1.part").arg(token)));
        QCOMPARE(s_atCopyFailure.size(), before.size() + 2);
        QCOMPARE(QString::fromUtf8(s_atCopyFailure.value(journals.first())),
                 QString("quarzel sketch journal 2\npart p.jpg.%1.part\ncopy p.jpg\npart BACKGROUND_p.jpg.%1.part\n"
                         "new BACKGROUND_p.jpg\npart SKETCH_p.png.%1.part\nnew SKETCH_p.png\npart IMG_p.jpg.%1.part\n"
                         "old IMG_p.jpg.%1.old\n")
                     .arg(token));
        QCOMPARE(filesIn(images()), before);
        QCOMPARE(storedData(id).sketchpath(), std::string());

        for (const QString& name : before.keys())
            QVERIFY(QFile::remove(image(name)));
        for (auto file = s_atCopyFailure.begin(); file != s_atCopyFailure.end(); ++file)
            QVERIFY(writeBytes(image(file.key()), file.value()));
        StartLeftovers start;
        SketchFileSet::feed(start);
        // Each part goes; the journal is not counted.
        QCOMPARE(start.settle(QString(), {project()->folder().absolutePath()}),
                 s_atCopyFailure.size() - before.size() - 1);
        QCOMPARE(filesIn(images()), before);
    }

    void defaultTextBox_data()
    {
        QTest::addColumn<QPoint>("tap");
        QTest::addColumn<QRect>("box"); // in the picture
        QTest::addColumn<QSizeF>("shown"); // the item's size once the 800x600 page is made
        const QSizeF whole(800, 600);
        QTest::newRow("centred on the tap") << QPoint(400, 300) << QRect(241, 241, 320, 120) << whole;
        QTest::newRow("near the top left corner") << QPoint(10, 10) << QRect(8, 8, 320, 120) << whole;
        QTest::newRow("near the bottom right corner") << QPoint(795, 595) << QRect(473, 473, 320, 120) << whole;
        // The window made smaller: the page shows whole at half size, and the
        // box is as large on the screen as before.
        QTest::newRow("the page shown at half size") << QPoint(200, 150) << QRect(81, 181, 640, 240)
                                                     << QSizeF(400, 500);
        QTest::newRow("the page shown at half size, near its bottom right corner")
            << QPoint(398, 298) << QRect(145, 345, 640, 240) << QSizeF(400, 300);
    }

    void defaultTextBox()
    {
        QFETCH(QPoint, tap);
        QFETCH(QRect, box);
        QFETCH(QSizeF, shown);
        Sketcher sketcher;
        sketcher.setMode(RasterSketcher::Text);
        sketcher.setActive(true);
        QSignalSpy scales(&sketcher, &RasterSketcher::viewScaleChanged);
        sketcher.setSize(shown);
        QCOMPARE(sketcher.viewScale(), shown.width() / 800.0);
        QCOMPARE(scales.count(), shown.width() < 800.0 ? 1 : 0);
        QCOMPARE(sketcher.layer().size(), QSize(800, 600));
        QSignalSpy boxes(&sketcher, &RasterSketcher::textRectChanged);
        sketcher.tap(tap);
        QCOMPARE(sketcher.textRect(), box);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(sketcher.gesture(), RasterSketcher::Gesture::Idle);
    }

    void textBoxGestures()
    {
        Sketcher sketcher;
        sketcher.setMode(RasterSketcher::Text);
        sketcher.setActive(true);
        QCOMPARE(sketcher.handleSize(), 16.0);
        sketcher.tap(QPoint(400, 300));
        const QRect box = sketcher.textRect();

        // A tap inside asks for the text.
        QSignalSpy asks(&sketcher, &RasterSketcher::showTextInput);
        sketcher.tap(box.center());
        QCOMPARE(asks.count(), 1);

        // The left edge dragged past the right one carries on as the right.
        sketcher.send(QEvent::MouseButtonPress, QPoint(box.left(), 300));
        sketcher.send(QEvent::MouseMove, QPoint(box.left() + 20, 300));
        QCOMPARE(sketcher.edgeFlags(), int(TextBoxGeometry::LeftEdge));
        sketcher.send(QEvent::MouseMove, QPoint(700, 300));
        QCOMPARE(sketcher.edgeFlags(), int(TextBoxGeometry::RightEdge));
        sketcher.send(QEvent::MouseButtonRelease, QPoint(700, 300));
        QCOMPARE(sketcher.textRect(), QRect(QPoint(box.right(), box.top()), QPoint(700, box.bottom())));

        // A tap outside drops the box but keeps the text.
        sketcher.setText("Outcrop");
        sketcher.tap(QPoint(50, 50));
        QVERIFY(sketcher.textRect().isNull());
        QCOMPARE(sketcher.text(), QString("Outcrop"));
    }

    // A text left unaccepted goes with its session: the next one starts without it.
    void newSessionStartsWithoutText_data()
    {
        QTest::addColumn<bool>("leave");
        QTest::addColumn<bool>("photo");
        QTest::newRow("left, the same photo again") << true << true;
        QTest::newRow("left, a blank page") << true << false;
        QTest::newRow("a blank page while active") << false << false;
    }

    void newSessionStartsWithoutText()
    {
        QFETCH(bool, leave);
        QFETCH(bool, photo);
        Sketcher sketcher;
        sketcher.setMode(RasterSketcher::Text);
        const std::string id = openPhoto(sketcher, "camera_x.jpg");
        sketcher.tap(QPoint(400, 300));
        sketcher.setText("Outcrop A");
        QSignalSpy texts(&sketcher, &RasterSketcher::textChanged);
        QSignalSpy boxes(&sketcher, &RasterSketcher::textRectChanged);
        if (leave)
            sketcher.setActive(false);
        if (photo)
            sketcher.setupExistingImage(QString::fromStdString(id));
        else
            sketcher.setupNewSketch();
        sketcher.setActive(true);
        QCOMPARE(sketcher.text(), QString());
        QVERIFY(sketcher.textRect().isNull());
        QCOMPARE(texts.count(), 1);
        QCOMPARE(boxes.count(), 1);
        QVERIFY(!sketcher.hasUnsavedChanges());
    }

    void paintAndErase()
    {
        Sketcher sketcher;
        sketcher.setLineThickness(5);
        sketcher.setActive(true);
        QSignalSpy unsaved(&sketcher, &RasterSketcher::hasUnsavedChangesChanged);
        sketcher.tap(QPoint(100, 100));
        QVERIFY(qAlpha(sketcher.layer().pixel(100, 100)) > 0);
        QCOMPARE(unsaved.count(), 1);
        sketcher.setMode(RasterSketcher::Erase);
        sketcher.drag(QPoint(90, 100), QPoint(110, 100));
        QCOMPARE(qAlpha(sketcher.layer().pixel(100, 100)), 0);
    }

    void lostGrab()
    {
        Sketcher sketcher;
        sketcher.setActive(true);
        sketcher.send(QEvent::MouseButtonPress, QPoint(10, 10));
        sketcher.loseGrab();
        sketcher.drag(QPoint(400, 300), QPoint(420, 300));
        QVERIFY(qAlpha(sketcher.layer().pixel(410, 300)) > 0);
    }

    void settingsRoundTrip()
    {
        QSettings().clear();
        {
            Sketcher sketcher;
            QCOMPARE(sketcher.color(), QColor("#009cde"));
            QSignalSpy colours(&sketcher, &RasterSketcher::colorChanged);
            sketcher.setColor(QColor("red"));
            sketcher.setColor(QColor("red"));
            QCOMPARE(colours.count(), 1);
            sketcher.setLineThickness(7);
            sketcher.setMode(RasterSketcher::Text);
        }
        QCOMPARE(QSettings().value("RasterSketcher/Color").toString(), QString("#ff0000"));
        QCOMPARE(QSettings().value("RasterSketcher/LineThickness").toDouble(), 7.0);
        Sketcher again;
        QCOMPARE(again.color(), QColor(Qt::red));
        QCOMPARE(again.lineThickness(), 7.0);
        QCOMPARE(again.mode(), RasterSketcher::Text);
    }
};

QTEST_MAIN(TestRasterSketcher)
#include "tst_rastersketcher.moc"
