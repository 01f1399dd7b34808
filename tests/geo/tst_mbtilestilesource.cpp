#include "geo/ImageLayer.h"
#include "geo/Profile.h"
#include "geo/drivers/MBTilesDatabase.h"
#include "geo/drivers/MBTilesTileSourceOptions.h"
#include "support/GeoTestData.h"

#include <sqlite3.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace kiv::geo;
using namespace kiv::geo::Drivers;

namespace {

struct Tile
{
    int z, column, row;
    QByteArray data;
};

bool writePackage(const QString& path, const QMap<QString, QString>& metadata,
                  const QList<Tile>& tiles)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    bool ok = sqlite3_exec(db,
                           "CREATE TABLE metadata (name TEXT, value TEXT);"
                           "CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, "
                           "tile_row INTEGER, tile_data BLOB);",
                           nullptr, nullptr, nullptr)
        == SQLITE_OK;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO metadata VALUES (?1, ?2)", -1, &st, nullptr);
    for (auto it = metadata.begin(); ok && it != metadata.end(); ++it) {
        const QByteArray k = it.key().toUtf8(), v = it.value().toUtf8();
        sqlite3_bind_text(st, 1, k.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, v.constData(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(st) == SQLITE_DONE;
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_prepare_v2(db, "INSERT INTO tiles VALUES (?1, ?2, ?3, ?4)", -1, &st, nullptr);
    for (const Tile& t : tiles) {
        sqlite3_bind_int(st, 1, t.z);
        sqlite3_bind_int(st, 2, t.column);
        sqlite3_bind_int(st, 3, t.row);
        sqlite3_bind_blob(st, 4, t.data.constData(), t.data.size(), SQLITE_TRANSIENT);
        ok = ok && sqlite3_step(st) == SQLITE_DONE;
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return ok;
}

using Meta = QMap<QString, QString>;
using Expectation = QPair<QString, QColor>; // key "z/x/y" and colour; invalid colour = no data
using ExpectationList = QList<Expectation>;

} // namespace

Q_DECLARE_METATYPE(Meta)
Q_DECLARE_METATYPE(ExpectationList)

class TestMBTilesTileSource : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    osg::ref_ptr<const Profile> mercator_ = Profile::create(QStringLiteral("spherical-mercator"));

    osg::ref_ptr<ImageLayer> openLayer(const QString& path)
    {
        MBTilesTileSourceOptions options;
        options.setFilename(path);
        options.setFormat(QStringLiteral("png"));
        return new ImageLayer(QStringLiteral("MBTiles"), options);
    }

private slots:
    void handMade_data()
    {
        QTest::addColumn<Meta>("metadata");
        QTest::addColumn<unsigned>("minLevel");
        QTest::addColumn<unsigned>("maxLevel");
        QTest::addColumn<QRectF>("bounds"); // west, south, width, height
        QTest::addColumn<ExpectationList>("expected");

        const QColor none;
        // Tiles: z1 column 1 row 0 (TMS) is XYZ 1/1/1, red PNG; z2 column 0
        // row 3 is XYZ 2/0/0, blue JPEG.
        QTest::newRow("full metadata")
            << Meta{{"minzoom", "1"}, {"maxzoom", "2"}, {"format", "png"},
                    {"bounds", "-180,-85.05,180,85.05"}}
            << 1u << 2u << QRectF(-180, -85.05, 360, 170.1)
            << ExpectationList{{"1/1/1", Qt::red}, {"1/1/0", none}, {"2/0/0", Qt::blue},
                               {"0/0/0", none}, {"3/0/0", none}};
        QTest::newRow("zoom range from tiles")
            << Meta{{"format", "png"}} << 1u << 2u << QRectF(-180, -85.0511, 360, 170.1023)
            << ExpectationList{{"1/1/1", Qt::red}, {"2/0/0", Qt::blue}};
        QTest::newRow("bounds limit the data")
            << Meta{{"minzoom", "1"}, {"maxzoom", "2"}, {"bounds", "10,-60,170,-10"}}
            << 1u << 2u << QRectF(10, -60, 160, 50)
            << ExpectationList{{"1/1/1", Qt::red}, {"2/0/0", none}};
        QTest::newRow("bad bounds ignored")
            << Meta{{"minzoom", "1"}, {"maxzoom", "2"}, {"bounds", "10,-60,nonsense,-10"}}
            << 1u << 2u << QRectF(-180, -85.0511, 360, 170.1023)
            << ExpectationList{{"2/0/0", Qt::blue}};
    }

    void handMade()
    {
        QFETCH(Meta, metadata);
        QFETCH(unsigned, minLevel);
        QFETCH(unsigned, maxLevel);
        QFETCH(QRectF, bounds);
        QFETCH(ExpectationList, expected);

        const QString path = dir_.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".mbtiles");
        QVERIFY(writePackage(path, metadata,
                             {{1, 1, 0, kiv::test::encodedTile(Qt::red, "PNG")},
                              {2, 0, 3, kiv::test::encodedTile(Qt::blue, "JPG")}}));
        if (metadata.value("bounds").contains("nonsense"))
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("bad MBTiles bounds"));
        osg::ref_ptr<ImageLayer> layer = openLayer(path);
        QVERIFY2(layer->getProfile(), qPrintable(layer->getStatus().message()));
        QVERIFY(layer->getProfile()->isSphericalMercator());
        QCOMPARE(layer->getTileSource()->getMinLevel(), minLevel);
        QCOMPARE(layer->getMaxLevel(), maxLevel);
        const Bounds b = layer->getLatLongDataBounds();
        QVERIFY2(kiv::test::boundsNear(b, bounds, 1e-3), qPrintable(b.toString()));

        for (const Expectation& e : expected) {
            const TileResult r = layer->createImage(kiv::test::tileKey(e.first, mercator_.get()));
            if (!e.second.isValid()) {
                QVERIFY2(r.isNoData(), qPrintable(e.first));
                continue;
            }
            QVERIFY2(r.isOk(), qPrintable(e.first + " " + r.error()));
            QCOMPARE(r.image().format(), QImage::Format_RGBA8888);
            const QColor got = r.image().pixelColor(128, 128);
            QVERIFY2(std::abs(got.red() - e.second.red()) < 8
                         && std::abs(got.blue() - e.second.blue()) < 8,
                     qPrintable(e.first + " " + got.name()));
        }
    }

    void unusablePackages_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("create");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("not sqlite") << QByteArray("just text") << true;
        QTest::newRow("no tiles") << QByteArray() << true;
    }

    void unusablePackages()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, create);
        const QString path = dir_.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".mbtiles");
        if (create && content.isEmpty())
            QVERIFY(writePackage(path, {}, {}));
        else if (create)
            QVERIFY(kiv::test::writeText(path, content));
        osg::ref_ptr<ImageLayer> layer = openLayer(path);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("failed to open"));
        QVERIFY(!layer->getProfile());
        // Opening read-only never creates the file.
        QCOMPARE(QFile::exists(path), create);
    }

    // Packages crafted to stall or exhaust their reader are refused: a view in
    // place of a table hung the reader forever, a tile claiming a huge
    // picture was decoded whole.
    void hostilePackages_data()
    {
        QTest::addColumn<QByteArray>("schema");
        QTest::addColumn<QSize>("tileSize"); // of the tile at 0/0/0
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("tileRead");
        const QByteArray endless = "WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r) ";
        const QByteArray tilesTable = "CREATE TABLE tiles (zoom_level, tile_column, tile_row, tile_data);";
        const QByteArray metadataTable = "CREATE TABLE metadata (name, value);";
        QTest::newRow("endless metadata view")
            << tilesTable + "CREATE VIEW metadata AS " + endless
                   + "SELECT 'minzoom' AS name, n AS value FROM r WHERE n < 0;"
            << QSize(1, 1) << false << false;
        QTest::newRow("endless tiles view")
            << metadataTable + "CREATE VIEW tiles AS " + endless
                   + "SELECT 0 AS zoom_level, 0 AS tile_column, 0 AS tile_row, n AS tile_data "
                     "FROM r WHERE n < 0;"
            << QSize(1, 1) << false << false;
        QTest::newRow("tile at the size limit") << metadataTable + tilesTable << QSize(4096, 1) << true << true;
        QTest::newRow("tile one pixel wider") << metadataTable + tilesTable << QSize(4097, 1) << true << false;
        QTest::newRow("tile one pixel taller") << metadataTable + tilesTable << QSize(1, 4097) << true << false;
    }

    void hostilePackages()
    {
        QFETCH(QByteArray, schema);
        QFETCH(QSize, tileSize);
        QFETCH(bool, opens);
        QFETCH(bool, tileRead);
        const QString path = dir_.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_') + ".mbtiles");
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, schema.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        QImage picture(tileSize, QImage::Format_Grayscale8);
        picture.fill(128);
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "PNG"));
        if (opens) {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db, "INSERT INTO tiles VALUES (0, 0, 0, ?1)", -1, &st, nullptr);
            sqlite3_bind_blob(st, 1, png.constData(), png.size(), SQLITE_TRANSIENT);
            QCOMPARE(sqlite3_step(st), SQLITE_DONE);
            sqlite3_finalize(st);
        }
        sqlite3_close(db);

        osg::ref_ptr<ImageLayer> layer = openLayer(path);
        if (!opens)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("is not a table"));
        QCOMPARE(bool(layer->getProfile()), opens);
        if (!opens)
            return;
        const TileResult tile = layer->createImage(TileKey(0, 0, 0, mercator_.get()));
        QCOMPARE(tile.isOk(), tileRead);
        if (tileRead)
            QCOMPARE(tile.image().size(), QSize(256, 256));
    }

    // A package in WAL mode would get -wal and -shm files beside it if it
    // were opened for writing or replayed.
    void walPackageGetsNoCompanions()
    {
        const QString path = dir_.filePath(QStringLiteral("wal.mbtiles"));
        QVERIFY(writePackage(path, {{"minzoom", "0"}, {"maxzoom", "0"}, {"format", "png"}},
                             {{0, 0, 0, kiv::test::encodedTile(Qt::red, "PNG")}}));
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        const QStringList companions{path + "-wal", path + "-shm"};
        for (const QString& companion : companions)
            QVERIFY(!QFile::exists(companion));
        {
            osg::ref_ptr<ImageLayer> layer = openLayer(path);
            QVERIFY(layer->getProfile());
            QVERIFY(layer->createImage(TileKey(0, 0, 0, mercator_.get())).isOk());
            for (const QString& companion : companions)
                QVERIFY2(!QFile::exists(companion), qPrintable(companion));
        }
        for (const QString& companion : companions)
            QVERIFY2(!QFile::exists(companion), qPrintable(companion));
    }

    // Without an index every tile read scans the whole table; each read gets
    // the full work bound, so none fails however many came before.
    void manyReadsWithoutAnIndex()
    {
        const QString path = dir_.filePath(QStringLiteral("unindexed.mbtiles"));
        QVERIFY(writePackage(path, {{"minzoom", "10"}, {"maxzoom", "10"}, {"format", "png"}}, {}));
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        // 20,000 rows: tile columns 0 to 1023 of TMS rows 0 to 19.
        QCOMPARE(sqlite3_prepare_v2(db,
                                    "INSERT INTO tiles WITH RECURSIVE r(n) AS (SELECT 0 UNION ALL SELECT n + 1 "
                                    "FROM r WHERE n < 19999) SELECT 10, n % 1024, n / 1024, ?1 FROM r",
                                    -1, &st, nullptr),
                 SQLITE_OK);
        const QByteArray tile = kiv::test::encodedTile(Qt::red, "PNG");
        sqlite3_bind_blob(st, 1, tile.constData(), tile.size(), SQLITE_TRANSIENT);
        QCOMPARE(sqlite3_step(st), SQLITE_DONE);
        sqlite3_finalize(st);
        sqlite3_close(db);
        osg::ref_ptr<ImageLayer> layer = openLayer(path);
        QVERIFY(layer->getProfile());
        // TMS row 18 lies near the end of the table: each read scans most of it.
        for (unsigned x = 0; x < 600; ++x) {
            const TileResult r = layer->createImage(TileKey(10, x, 1023 - 18, mercator_.get()));
            QVERIFY2(r.isOk(), qPrintable(QString::number(x) + " " + r.error()));
        }
    }

    void workBoundInterruptsALongQuery_data()
    {
        QTest::addColumn<int>("rows"); // counted by a recursive query
        QTest::addColumn<int>("result");
        QTest::newRow("short query") << 1000 << SQLITE_ROW;
        QTest::newRow("query past the bound") << 10000000 << SQLITE_INTERRUPT;
    }

    void workBoundInterruptsALongQuery()
    {
        QFETCH(int, rows);
        QFETCH(int, result);
        const QString path = dir_.filePath(QStringLiteral("bound.mbtiles"));
        if (!QFile::exists(path))
            QVERIFY(writePackage(path, {}, {}));
        QString error;
        const std::unique_ptr<MBTilesDatabase> database = MBTilesDatabase::open(path, &error);
        QVERIFY2(database, qPrintable(error));
        sqlite3_stmt* st = nullptr;
        QCOMPARE(sqlite3_prepare_v2(database->handle(),
                                    "WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r WHERE n < ?1) "
                                    "SELECT count(*) FROM r",
                                    -1, &st, nullptr),
                 SQLITE_OK);
        sqlite3_bind_int(st, 1, rows);
        // Twice: the bound is granted again for each query.
        for (int i = 0; i < 2; ++i) {
            database->armGuard();
            QCOMPARE(sqlite3_step(st), result);
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
    }

    // A package written by GDAL from a GeoTIFF: its metadata and tile rows
    // must line up with the map's keys.
    void fromGdalTranslate()
    {
        const QString gdalTranslate = QStandardPaths::findExecutable("gdal_translate");
        if (gdalTranslate.isEmpty())
            QSKIP("gdal_translate is not installed");

        const QString tif = dir_.filePath("source.tif");
        QVERIFY(kiv::test::writeRaster(tif, kiv::test::colouredRaster(10, 45, 12, 47, QColor(30, 160, 90), 512)));

        const QString mbtiles = dir_.filePath("translated.mbtiles");
        QProcess p;
        p.start(gdalTranslate, {"-q", "-of", "MBTILES", tif, mbtiles});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);

        osg::ref_ptr<ImageLayer> layer = openLayer(mbtiles);
        QVERIFY2(layer->getProfile(), qPrintable(layer->getStatus().message()));
        const unsigned z = layer->getMaxLevel();
        QVERIFY(z >= 7 && z <= 10);
        const Bounds b = layer->getDataExtents().front().bounds();
        QVERIFY2(kiv::test::boundsNear(b, QRectF(10, 45, 2, 2), 0.1), qPrintable(b.toString()));

        const TileKey middle = kiv::test::tileAt(mercator_.get(), 11.0, 46.0, z);
        const TileResult r = layer->createImage(middle);
        QVERIFY2(r.isOk(), qPrintable(middle.str() + " " + r.error()));
        bool found = false;
        for (int y = 0; y < 256 && !found; y += 16)
            for (int x = 0; x < 256 && !found; x += 16) {
                const QColor c = r.image().pixelColor(x, y);
                found = c.alpha() == 255 && std::abs(c.red() - 30) < 4
                    && std::abs(c.green() - 160) < 4 && std::abs(c.blue() - 90) < 4;
            }
        QVERIFY(found);
        // The row below the raster's tiles holds nothing.
        const TileKey south(z, middle.getTileX(), (1u << z) - 1, mercator_.get());
        QVERIFY(layer->createImage(south).isNoData());
    }
};

QTEST_GUILESS_MAIN(TestMBTilesTileSource)
#include "tst_mbtilestilesource.moc"
