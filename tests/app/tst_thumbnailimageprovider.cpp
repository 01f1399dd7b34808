#include <QtTest>

#include "Database/PersistantCache.h"
#include "app/ThumbnailImageProvider.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ApplicationIdentity.h"
#include "support/ProjectFixture.h"
#include "support/SampleData.h"

#include <QPainter>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>

#include <atomic>
#include <thread>

using namespace kiv;

namespace {

const QList<QColor> BandColours = { Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::black,
                                    Qt::white, Qt::magenta, Qt::cyan, Qt::darkRed, Qt::darkGreen };
constexpr int BandCount = 10;

// Horizontal bands of BandColours, each a tenth of the height.
QImage bandedPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int band = 0; band < BandCount; ++band)
        painter.fillRect(0, band * height / BandCount, width, height / BandCount + 1, BandColours.at(band));
    return image;
}

bool closeTo(const QColor& a, const QColor& b)
{
    const int tolerance = 40; // JPEG
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
        && qAbs(a.blue() - b.blue()) <= tolerance;
}

QStringList cacheKeys(const QString& pattern)
{
    const QString database = ApplicationManager::instance()->cachePath() + QStringLiteral("/cache.db");
    const auto run = test::runTool(QStringLiteral("sqlite3"),
                                   { database, QStringLiteral("SELECT cacheKey FROM cacheData WHERE cacheKey LIKE '%1' "
                                                              "ORDER BY cacheKey;")
                                                   .arg(pattern) });
    return QString::fromUtf8(run.output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TestThumbnailImageProvider : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    std::unique_ptr<test::DocumentsApplication> m_app;
    QQmlEngine* m_engine = nullptr;
    QObject* m_ui = nullptr;
    std::shared_ptr<Project> m_first;
    std::shared_ptr<Project> m_second;

    QString imagePath(const std::shared_ptr<Project>& project, const QString& name) const
    {
        return project->folder().absoluteFilePath(QStringLiteral("images/") + name);
    }

    static bool writePicture(const QString& path, const QImage& image)
    {
        return QDir().mkpath(QFileInfo(path).path()) && image.save(path, "JPEG", 90);
    }

private slots:
    void initTestCase()
    {
        test::setApplicationIdentity();
        m_app = std::make_unique<test::DocumentsApplication>(m_root.path());
        m_engine = new QQmlEngine(this);
        m_engine->rootContext()->setContextProperty(QStringLiteral("_appManager"), m_app.get());
        QQmlComponent component(m_engine, QUrl(QStringLiteral("qrc:/qml/UI.qml")));
        m_ui = component.create();
        QVERIFY2(m_ui, qPrintable(component.errorString()));
        m_app->setUi(m_ui);
        QVERIFY(QDir().mkpath(m_app->cachePath()));
        QVERIFY(PersistantCache::instance()->isOpen());

        test::resetModelManager();
        ModelManager* manager = ModelManager::instance();
        const QDir root(m_root.path());
        QVERIFY(root.mkpath(QStringLiteral("one.qz")) && root.mkpath(QStringLiteral("two.qz")));
        m_first = manager->createProject(QStringLiteral("One"), QDir(root.absoluteFilePath(QStringLiteral("one.qz"))));
        m_second = manager->createProject(QStringLiteral("Two"), QDir(root.absoluteFilePath(QStringLiteral("two.qz"))));
        QVERIFY(m_first && m_second);
        QVERIFY(m_first->folder().mkpath(QStringLiteral("images")) && m_second->folder().mkpath(QStringLiteral("images")));
    }

    void init()
    {
        ModelManager::instance()->setCurrentProject(m_first);
        PersistantCache::instance()->clear();
    }

    void targets()
    {
        const CalloutThumbnailImageProvider callout;
        const DataCellThumbnailImageProvider cell;
        const DataDetailThumbnailImageProvider detail;
        const ImageGalleryThumbnailImageProvider gallery;
        const ThumbnailImageProvider plain;
        QCOMPARE(QSize(callout.targetWidth(), callout.targetHeight()), QSize(40, 40));
        QCOMPARE(QSize(cell.targetWidth(), cell.targetHeight()), QSize(320, 80));
        QCOMPARE(QSize(detail.targetWidth(), detail.targetHeight()), QSize(320, 240));
        QCOMPARE(QSize(gallery.targetWidth(), gallery.targetHeight()), QSize(128, 128));
        QCOMPARE(QSize(plain.targetWidth(), plain.targetHeight()), QSize(-1, -1));
        QVERIFY(callout.useCache() && cell.useCache() && detail.useCache() && !gallery.useCache());

        // Without the theme object the request decides.
        QObject* ui = m_app->ui();
        m_app->setUi(nullptr);
        const DataCellThumbnailImageProvider themeless;
        m_app->setUi(ui);
        QCOMPARE(QSize(themeless.targetWidth(), themeless.targetHeight()), QSize(-1, -1));
    }

    void crop_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<bool>("cell"); // else the gallery
        QTest::addColumn<QSize>("scaled");
        QTest::addColumn<int>("firstRow");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("landscape on cell") << QSize(4000, 3000) << true << QSize(320, 240) << 80 << QSize(320, 80);
        QTest::newRow("portrait on gallery") << QSize(3000, 4000) << false << QSize(128, 170) << 21 << QSize(128, 128);
    }

    void crop()
    {
        QFETCH(QSize, picture);
        QFETCH(bool, cell);
        QFETCH(QSize, scaled);
        QFETCH(int, firstRow);
        QFETCH(QSize, expected);
        const QString path = imagePath(m_first, QStringLiteral("bands.jpeg"));
        QVERIFY(writePicture(path, bandedPicture(picture.width(), picture.height())));
        std::unique_ptr<ThumbnailImageProvider> provider;
        if (cell)
            provider = std::make_unique<DataCellThumbnailImageProvider>();
        else
            provider = std::make_unique<ImageGalleryThumbnailImageProvider>();
        QSize reported;
        const QImage image = provider->requestImage(QUrl::fromLocalFile(path).toString(), &reported, QSize());
        QCOMPARE(image.size(), expected);
        QCOMPARE(reported, expected);
        // Each row shows the band of its row in the scaled picture; rows next
        // to a band edge are blurred by scaling and JPEG and are left out.
        const auto bandOf = [&](int scaledRow) { return scaledRow * BandCount / scaled.height(); };
        for (int y = 0; y < image.height(); ++y) {
            const int row = y + firstRow;
            if (bandOf(row - 1) != bandOf(row + 1))
                continue;
            const QColor want = BandColours.at(bandOf(row));
            for (int x : { 2, image.width() / 2, image.width() - 3 }) {
                const QColor got = image.pixelColor(x, y);
                QVERIFY2(closeTo(got, want), qPrintable(QStringLiteral("row %1: %2 instead of %3")
                                                            .arg(y).arg(got.name(), want.name())));
            }
        }
    }

    void requestedSizes_data()
    {
        QTest::addColumn<QSize>("requested");
        QTest::addColumn<QSize>("expected"); // empty: a failed request
        QTest::newRow("none") << QSize() << QSize(400, 400);
        QTest::newRow("100x50") << QSize(100, 50) << QSize(100, 50);
        QTest::newRow("width only") << QSize(100, 0) << QSize(100, 400);
        QTest::newRow("height only") << QSize(-1, 60) << QSize(400, 60);
        QTest::newRow("8 wide") << QSize(8, 8) << QSize(8, 8);
        QTest::newRow("7 wide") << QSize(7, 50) << QSize();
    }

    void requestedSizes()
    {
        QFETCH(QSize, requested);
        QFETCH(QSize, expected);
        const QString path = imagePath(m_first, QStringLiteral("small.jpeg"));
        QVERIFY(writePicture(path, bandedPicture(600, 500)));
        ThumbnailImageProvider provider;
        const QImage image = provider.requestImage(path, nullptr, requested);
        QCOMPARE(image.isNull(), expected.isEmpty());
        QCOMPARE(image.size(), expected.isEmpty() ? QSize(0, 0) : expected);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("gallery");
        QTest::addColumn<QSize>("expected"); // empty: no image
        QTest::newRow("empty") << "" << false << QSize();
        QTest::newRow("undefined") << "undefined" << false << QSize();
        QTest::newRow("missing") << "missing.jpeg" << false << QSize();
        QTest::newRow("truncated") << "truncated.jpeg" << false << QSize();
        QTest::newRow("not a picture") << "text.jpeg" << false << QSize();
        // The gallery keeps a cell for a file it lists, not for one that is gone.
        QTest::newRow("gallery, empty") << "" << true << QSize();
        QTest::newRow("gallery, missing") << "missing.jpeg" << true << QSize();
        QTest::newRow("gallery, not a picture") << "text.jpeg" << true << QSize(128, 128);
        QTest::newRow("gallery, truncated") << "truncated.jpeg" << true << QSize(128, 128);
    }

    void failures()
    {
        QFETCH(QString, id);
        const QByteArray jpeg = test::imageBytes("JPEG", 400, 300, 7);
        QFile truncated(imagePath(m_first, QStringLiteral("truncated.jpeg")));
        QVERIFY(truncated.open(QIODevice::WriteOnly) && truncated.write(jpeg.left(100)) == 100);
        truncated.close();
        QFile text(imagePath(m_first, QStringLiteral("text.jpeg")));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a picture") > 0);
        text.close();
        QFETCH(bool, gallery);
        QFETCH(QSize, expected);
        std::unique_ptr<ThumbnailImageProvider> provider;
        if (gallery)
            provider = std::make_unique<ImageGalleryThumbnailImageProvider>();
        else
            provider = std::make_unique<DataCellThumbnailImageProvider>();
        QSize size;
        const QImage image = provider->requestImage(id, &size, QSize());
        QCOMPARE(image.size(), expected.isEmpty() ? QSize(0, 0) : expected);
        if (!expected.isEmpty())
            QCOMPARE(size, expected);
    }

    void bareNameResolvesInProject()
    {
        QVERIFY(writePicture(imagePath(m_first, QStringLiteral("IMG_1.jpeg")), bandedPicture(400, 300)));
        DataCellThumbnailImageProvider cell;
        QCOMPARE(cell.requestImage(QStringLiteral("IMG_1.jpeg"), nullptr, QSize()).size(), QSize(320, 80));
        ModelManager::instance()->closeCurrentProject();
        QVERIFY(ModelManager::currentImagesPath().isEmpty());
        QVERIFY(cell.requestImage(QStringLiteral("IMG_1.jpeg"), nullptr, QSize()).isNull());
    }

    void cacheRows()
    {
        const QString path = imagePath(m_first, QStringLiteral("IMG_1.jpeg"));
        QVERIFY(writePicture(path, bandedPicture(400, 300)));
        ImageGalleryThumbnailImageProvider gallery;
        QVERIFY(!gallery.requestImage(path, nullptr, QSize()).isNull());
        QCOMPARE(cacheKeys(QStringLiteral("%")), QStringList());
        DataCellThumbnailImageProvider cell;
        QVERIFY(!cell.requestImage(path, nullptr, QSize()).isNull());
        QCOMPARE(cacheKeys(QStringLiteral("%")),
                 QStringList({ QStringLiteral("IMG_1.jpeg/320/80"), QStringLiteral("IMG_1.jpeg/320/80/TIMESTAMP") }));

        // Two projects' pictures of the same name and time, without a project.
        const QString other = imagePath(m_second, QStringLiteral("IMG_1.jpeg"));
        QVERIFY(writePicture(other, bandedPicture(400, 300)));
        QFile file(other);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(QFileInfo(path).lastModified(), QFileDevice::FileModificationTime));
        file.close();
        ModelManager::instance()->closeCurrentProject();
        QVERIFY(!cell.requestImage(path, nullptr, QSize()).isNull());
        QVERIFY(!cell.requestImage(other, nullptr, QSize()).isNull());
        QCOMPARE(cacheKeys(QStringLiteral("/%IMG_1.jpeg/320/80")),
                 QStringList({ path + QStringLiteral("/320/80"), other + QStringLiteral("/320/80") }));
    }

    void cacheFollowsModificationTime()
    {
        const QString path = imagePath(m_first, QStringLiteral("IMG_2.jpeg"));
        const QString key = QStringLiteral("IMG_2.jpeg/320/80");
        QImage red(400, 300, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(writePicture(path, red));
        DataCellThumbnailImageProvider cell;
        QVERIFY(closeTo(cell.requestImage(path, nullptr, QSize()).pixelColor(160, 40), Qt::red));
        const QDateTime oldTime = QFileInfo(path).lastModified();

        QImage blue(red.size(), QImage::Format_RGB32);
        blue.fill(Qt::blue);
        QVERIFY(writePicture(path, blue));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(oldTime, QFileDevice::FileModificationTime));
        QVERIFY(closeTo(cell.requestImage(path, nullptr, QSize()).pixelColor(160, 40), Qt::red));

        const QDateTime newTime = oldTime.addSecs(60);
        QVERIFY(file.setFileTime(newTime, QFileDevice::FileModificationTime));
        file.close();
        QVERIFY(closeTo(cell.requestImage(path, nullptr, QSize()).pixelColor(160, 40), Qt::blue));
        QCOMPARE(PersistantCache::instance()->getTimestamp(key), newTime);
        QVERIFY(closeTo(PersistantCache::instance()->getImage(key).pixelColor(160, 40), Qt::blue));
    }

    // Image threads read while the GUI thread switches projects.
    void switchingProjectsWhileServing()
    {
        QStringList ids;
        for (int i = 0; i < 50; ++i) {
            const QString name = QStringLiteral("S_%1.jpeg").arg(i);
            const auto& project = i % 2 ? m_first : m_second;
            QVERIFY(writePicture(imagePath(project, name), bandedPicture(200 + i, 150)));
            ids.append(i % 3 ? name : imagePath(project, name));
        }
        CalloutThumbnailImageProvider callout;
        DataCellThumbnailImageProvider cell;
        ImageGalleryThumbnailImageProvider gallery;
        ThumbnailImageProvider* providers[] = { &callout, &cell, &gallery };
        std::atomic<int> wrong { 0 };
        std::atomic<bool> done { false };
        std::vector<std::thread> threads;
        for (int t = 0; t < 8; ++t) {
            threads.emplace_back([&, t] {
                for (int round = 0; !done || round < 2; ++round) {
                    for (const QString& id : ids) {
                        ThumbnailImageProvider* provider = providers[(round + t) % 3];
                        const QImage image = provider->requestImage(id, nullptr, QSize());
                        if (!image.isNull()
                            && image.size() != QSize(provider->targetWidth(), provider->targetHeight()))
                            ++wrong;
                    }
                }
            });
        }
        ModelManager* manager = ModelManager::instance();
        for (int i = 0; i < 100; ++i) {
            if (i % 10 == 9)
                manager->closeCurrentProject();
            else
                manager->setCurrentProject(i % 2 ? m_first : m_second);
        }
        done = true;
        for (std::thread& thread : threads)
            thread.join();
        QCOMPARE(wrong.load(), 0);
    }

    void cleanupTestCase()
    {
        m_first.reset();
        m_second.reset();
        delete ModelManager::instance();
        ModelManager::instance() = nullptr;
        m_app->setUi(nullptr);
        delete m_ui;
    }
};

QTEST_MAIN(TestThumbnailImageProvider)
#include "tst_thumbnailimageprovider.moc"
