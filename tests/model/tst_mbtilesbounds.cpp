#include <QtTest>

#include "model/MBTilesBounds.h"

#include <sqlite3.h>

using namespace kiv;

namespace {

bool makePackage(const QString& path, const char* bounds)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    bool ok = sqlite3_exec(db, "CREATE TABLE metadata (name TEXT, value TEXT)", nullptr, nullptr, nullptr) == SQLITE_OK;
    if (ok && bounds) {
        sqlite3_stmt* st = nullptr;
        ok = sqlite3_prepare_v2(db, "INSERT INTO metadata VALUES ('bounds', ?)", -1, &st, nullptr) == SQLITE_OK
            && sqlite3_bind_text(st, 1, bounds, -1, SQLITE_TRANSIENT) == SQLITE_OK && sqlite3_step(st) == SQLITE_DONE;
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return ok;
}

// True when this process still holds a descriptor on path.
bool fileIsOpen(const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        if (fd.symLinkTarget() == target)
            return true;
    }
    return false;
}

} // namespace

class TestMBTilesBounds : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void handMadePackages_data()
    {
        QTest::addColumn<QByteArray>("bounds"); // "<none>" for no row
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("plain") << QByteArray("-10,40,5,50") << QRectF(-10, 40, 15, 10);
        QTest::newRow("quoted") << QByteArray("\"-10\",'40',5,50") << QRectF(-10, 40, 15, 10);
        QTest::newRow("swapped corners") << QByteArray("5,50,-10,40") << QRectF(-10, 40, 15, 10);
        QTest::newRow("spaces") << QByteArray("-10, 40, 5, 50") << QRectF(-10, 40, 15, 10);
        QTest::newRow("not a number is 0") << QByteArray("west,40,5,50") << QRectF(0, 40, 5, 10);
        QTest::newRow("nan is 0") << QByteArray("nan,40,5,50") << QRectF(0, 40, 5, 10);
        QTest::newRow("three numbers") << QByteArray("-10,40,5") << QRectF();
        QTest::newRow("five numbers") << QByteArray("-10,40,5,50,1") << QRectF();
        QTest::newRow("quoted comma") << QByteArray("'-10,40',5,50") << QRectF();
        QTest::newRow("no bounds row") << QByteArray("<none>") << QRectF();
    }

    void handMadePackages()
    {
        QFETCH(QByteArray, bounds);
        QFETCH(QRectF, expected);
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + ".mbtiles");
        QVERIFY(makePackage(path, bounds == "<none>" ? nullptr : bounds.constData()));
        QCOMPARE(readMBTilesBounds(QUrl::fromLocalFile(path)), expected);
        QVERIFY(!fileIsOpen(path));
    }

    void unreadableFiles_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: the file does not exist
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("not sqlite") << QByteArray("this is not a database at all, just some text\n");
        QTest::newRow("no metadata table") << QByteArray("CREATE TABLE other (x)");
        // Read at every project open on the GUI thread: it hung the program.
        QTest::newRow("endless metadata view")
            << QByteArray("CREATE VIEW metadata AS WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL "
                          "SELECT n + 1 FROM r) SELECT 'bounds' AS name, n AS value FROM r WHERE n < 0");
    }

    void unreadableFiles()
    {
        QFETCH(QByteArray, content);
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_') + ".mbtiles");
        if (content.startsWith("CREATE")) {
            sqlite3* db = nullptr;
            QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db, content.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
            if (content.contains("VIEW"))
                QTest::ignoreMessage(QtWarningMsg, QRegularExpression("is not a table"));
        } else if (!content.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        QCOMPARE(readMBTilesBounds(QUrl::fromLocalFile(path)), QRectF());
        QVERIFY(!fileIsOpen(path));
        if (content.isEmpty())
            QVERIFY(!QFile::exists(path)); // read-only: never created
    }

    void packageMadeByGdal()
    {
        const QString tif = m_dir.filePath("area.tif");
        const QString mbtiles = m_dir.filePath("area.mbtiles");
        QCOMPARE(QProcess::execute("gdal_create",
                                   { "-of", "GTiff", "-outsize", "256", "256", "-bands", "3", "-burn", "200",
                                     "-a_srs", "EPSG:4326", "-a_ullr", "-10", "50", "5", "40", tif }),
                 0);
        QCOMPARE(QProcess::execute("gdal_translate", { "-q", "-of", "MBTILES", tif, mbtiles }), 0);
        const QRectF bounds = readMBTilesBounds(QUrl::fromLocalFile(mbtiles));
        // GDAL snaps the extent to its tile pixels.
        QVERIFY2(std::abs(bounds.left() + 10) < 0.02, qPrintable(QString::number(bounds.left())));
        QVERIFY2(std::abs(bounds.right() - 5) < 0.02, qPrintable(QString::number(bounds.right())));
        QVERIFY2(std::abs(bounds.top() - 40) < 0.02, qPrintable(QString::number(bounds.top())));
        QVERIFY2(std::abs(bounds.bottom() - 50) < 0.02, qPrintable(QString::number(bounds.bottom())));
    }
};

QTEST_GUILESS_MAIN(TestMBTilesBounds)
#include "tst_mbtilesbounds.moc"
