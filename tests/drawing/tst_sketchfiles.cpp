#include <QtTest>

#include "drawing/SketchFiles.h"
#include "model/Data.h"

#include <QTemporaryDir>

using kiv::Data;
using kiv::SketchFiles;

namespace {

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QImage picture(const QSize& size, const QColor& colour)
{
    return SketchFiles::filledPicture(size, colour);
}

} // namespace

class TestSketchFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        QDir folder(m_dir.path());
        for (const QString& name : folder.entryList(QDir::Files))
            QVERIFY(folder.remove(name));
    }

    void names_data()
    {
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("layer");
        QTest::addColumn<QString>("background");
        QTest::addColumn<QString>("original");
        QTest::newRow("sketch") << "/p/images/IMG_20240101.jpeg" << "/p/images/SKETCH_20240101.png"
                                << "/p/images/BACKGROUND_20240101.jpeg" << "/p/images/20240101.jpeg";
        QTest::newRow("prefix in the folder name")
            << "/p/IMG_field jpgs.qz/images/IMG_a.jpg" << "/p/IMG_field jpgs.qz/images/SKETCH_a.png"
            << "/p/IMG_field jpgs.qz/images/BACKGROUND_a.jpg" << "/p/IMG_field jpgs.qz/images/a.jpg";
        QTest::newRow("every prefix replaced") << "/p/IMG_IMG_x.jpg" << "/p/SKETCH_SKETCH_x.png"
                                               << "/p/BACKGROUND_BACKGROUND_x.jpg" << "/p/x.jpg";
        QTest::newRow("dots in the name") << "/p/IMG_a.b.jpeg" << "/p/SKETCH_a.b.png" << "/p/BACKGROUND_a.b.jpeg"
                                          << "/p/a.b.jpeg";
        QTest::newRow("prefix is case-sensitive") << "/p/img_a.JPG" << "/p/img_a.png" << "/p/img_a.JPG"
                                                  << "/p/img_a.JPG";
    }

    void names()
    {
        QFETCH(QString, image);
        QTEST(SketchFiles::layerPath(image), "layer");
        QTEST(SketchFiles::backgroundPath(image), "background");
        QTEST(SketchFiles::originalPath(image), "original");
    }

    void prefixed_data()
    {
        QTest::addColumn<QString>("photo");
        QTest::addColumn<bool>("hasPrefix");
        QTest::addColumn<QString>("prefixed");
        QTest::newRow("plain photo") << "/p/images/DSC01.jpg" << false << "/p/images/IMG_DSC01.jpg";
        QTest::newRow("prefix only in the folder") << "/p/IMG_dir/DSC01.jpg" << false << "/p/IMG_dir/IMG_DSC01.jpg";
        QTest::newRow("prefixed") << "/p/images/IMG_1.jpg" << true << "/p/images/IMG_IMG_1.jpg";
        QTest::newRow("prefix inside the name") << "/p/images/DSC_IMG_1.jpg" << true << "/p/images/IMG_DSC_IMG_1.jpg";
    }

    void prefixed()
    {
        QFETCH(QString, photo);
        QTEST(SketchFiles::hasImagePrefix(photo), "hasPrefix");
        QTEST(SketchFiles::prefixedPath(photo), "prefixed");
    }

    void keepOriginal_data()
    {
        QTest::addColumn<bool>("withSource");
        QTest::addColumn<QByteArray>("target"); // empty: no file there
        QTest::addColumn<bool>("kept");
        QTest::newRow("copied") << true << QByteArray() << true;
        QTest::newRow("an earlier copy") << true << QByteArray("photo") << true;
        QTest::newRow("another file in the way") << true << QByteArray("other") << false;
        QTest::newRow("a longer file in the way") << true << QByteArray("photo and more") << false;
        QTest::newRow("no source") << false << QByteArray() << false;
    }

    void keepOriginal()
    {
        QFETCH(bool, withSource);
        QFETCH(QByteArray, target);
        if (withSource)
            QVERIFY(writeBytes(path("IMG_a.jpg"), "photo"));
        if (!target.isEmpty())
            QVERIFY(writeBytes(path("a.jpg"), target));
        QTEST(SketchFiles::keepOriginal(path("IMG_a.jpg"), path("a.jpg")), "kept");
        // What was in the way stays as it was.
        QCOMPARE(bytesOf(path("a.jpg")), target.isEmpty() && withSource ? QByteArray("photo") : target);
    }

    void flattened()
    {
        QImage background = picture(QSize(4, 4), Qt::red);
        background.setPixelColor(3, 3, Qt::transparent);
        QImage layer = picture(QSize(4, 4), Qt::transparent);
        layer.setPixelColor(1, 1, Qt::blue);
        const QImage flat = SketchFiles::flattened(background, layer);
        QCOMPARE(flat.size(), QSize(4, 4));
        QCOMPARE(flat.pixelColor(0, 0), QColor(Qt::red));
        QCOMPARE(flat.pixelColor(1, 1), QColor(Qt::blue));
        QCOMPARE(flat.pixelColor(3, 3), QColor(Qt::white));
    }

    void readScaledPhoto_data()
    {
        QTest::addColumn<QSize>("photo");
        QTest::addColumn<QSize>("fit");
        QTest::addColumn<QSize>("scaled");
        QTest::newRow("fits the width") << QSize(400, 300) << QSize(800, 700) << QSize(800, 600);
        QTest::newRow("exactly as high as the item") << QSize(400, 300) << QSize(800, 600) << QSize(800, 600);
        QTest::newRow("one pixel too high") << QSize(400, 300) << QSize(800, 599) << QSize(798, 599);
        QTest::newRow("upright") << QSize(300, 400) << QSize(800, 600) << QSize(450, 600);
        QTest::newRow("shrunk") << QSize(1600, 1200) << QSize(800, 600) << QSize(800, 600);
    }

    void readScaledPhoto()
    {
        QFETCH(QSize, photo);
        QFETCH(QSize, fit);
        QVERIFY(picture(photo, Qt::darkGreen).save(path("photo.png")));
        const QImage scaled = SketchFiles::readScaledPhoto(path("photo.png"), fit);
        QTEST(scaled.size(), "scaled");
        QCOMPARE(scaled.format(), SketchFiles::PictureFormat);
    }

    void unreadablePhoto()
    {
        QVERIFY(SketchFiles::readScaledPhoto(path("missing.jpg"), QSize(800, 600)).isNull());
        QVERIFY(writeBytes(path("broken.jpg"), "not a picture"));
        QVERIFY(SketchFiles::readScaledPhoto(path("broken.jpg"), QSize(800, 600)).isNull());
    }

    void load_data()
    {
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("sketch");
        QTest::addColumn<QString>("background");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QColor>("backgroundColour");
        QTest::addColumn<int>("layerAlpha");
        QTest::newRow("never sketched") << "photo.png" << "" << "" << true << QSize(800, 600) << QColor(Qt::darkGreen)
                                        << 0;
        QTest::newRow("photo lost") << "lost.png" << "" << "" << false << QSize() << QColor() << 0;
        QTest::newRow("sketched over a photo") << "IMG_a.png" << "SKETCH_a.png" << "BACKGROUND_a.png" << true
                                               << QSize(40, 30) << QColor(Qt::darkGreen) << 255;
        QTest::newRow("sketched on a blank page") << "IMG_a.png" << "SKETCH_a.png" << "" << true << QSize(40, 30)
                                                  << QColor(Qt::white) << 255;
        QTest::newRow("background lost") << "IMG_a.png" << "SKETCH_a.png" << "lost.png" << true << QSize(40, 30)
                                         << QColor(Qt::white) << 255;
        QTest::newRow("layer lost") << "IMG_a.png" << "lost.png" << "BACKGROUND_a.png" << false << QSize()
                                    << QColor() << 0;
    }

    void load()
    {
        QFETCH(QString, image);
        QFETCH(QString, sketch);
        QFETCH(QString, background);
        QFETCH(bool, loaded);
        QFETCH(QSize, size);
        QVERIFY(picture(QSize(400, 300), Qt::darkGreen).save(path("photo.png")));
        QVERIFY(picture(QSize(40, 30), Qt::darkGreen).save(path("BACKGROUND_a.png")));
        QVERIFY(picture(QSize(40, 30), Qt::black).save(path("SKETCH_a.png")));
        const auto data = Data::createImage("d", "l", 46.0, 7.0, 0.0f, image, QString(), sketch, background);
        QImage backgroundPicture;
        QImage layer;
        QCOMPARE(SketchFiles::load(QDir(m_dir.path()), *data, QSize(800, 600), backgroundPicture, layer), loaded);
        if (!loaded)
            return;
        QCOMPARE(backgroundPicture.size(), size);
        QCOMPARE(layer.size(), size);
        QCOMPARE(layer.format(), SketchFiles::PictureFormat);
        QCOMPARE(backgroundPicture.format(), SketchFiles::PictureFormat);
        QTEST(backgroundPicture.pixelColor(1, 1), "backgroundColour");
        QTEST(qAlpha(layer.pixel(1, 1)), "layerAlpha");
    }
};

QTEST_MAIN(TestSketchFiles)
#include "tst_sketchfiles.moc"
