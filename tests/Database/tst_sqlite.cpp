#include <QtTest>

#include "Database/SQLiteDatabase.h"
#include "Database/SQLiteException.h"
#include "Database/SQLiteInsert.h"
#include "Database/SQLiteQuery.h"
#include "Database/Schema.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <future>
#include <memory>
#include <thread>

using namespace kiv;

namespace {

std::string tempFile(const QTemporaryDir& dir, const char* name)
{
    return dir.filePath(QString::fromLatin1(name)).toStdString();
}

// Runs fn, expecting an SQLiteException; returns it (what() and detail()).
template <typename Fn>
std::pair<std::string, std::string> expectThrow(Fn fn)
{
    try {
        fn();
    } catch (const SQLiteException& e) {
        return { e.what(), e.detail() };
    }
    return { "<no exception>", "" };
}

// Descriptors of this process open on path.
int openHandles(const std::string& path)
{
    const QString target = QFileInfo(QString::fromStdString(path)).canonicalFilePath();
    int count = 0;
    for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files))
        count += fd.symLinkTarget() == target ? 1 : 0;
    return count;
}

} // namespace

class TestSQLite : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    SQLiteDatabase m_db;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_db.open(tempFile(m_dir, "t.db")));
        m_db.exec("CREATE TABLE v (i INTEGER, r REAL, t TEXT, b BLOB)");
        m_db.exec("INSERT INTO v VALUES (NULL, NULL, NULL, NULL)");
    }

    void nullColumnsReadBackPerType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("expected");
        QTest::newRow("bool") << int(SQLiteOperation::Bool) << "i" << "false";
        QTest::newRow("int64") << int(SQLiteOperation::Int64) << "i" << "2147483647";
        QTest::newRow("int") << int(SQLiteOperation::Int) << "i" << "2147483647";
        QTest::newRow("uint") << int(SQLiteOperation::UInt) << "i" << "4294967295";
        QTest::newRow("float") << int(SQLiteOperation::Float) << "r" << "nan";
        QTest::newRow("double") << int(SQLiteOperation::Double) << "r" << "nan";
        QTest::newRow("text") << int(SQLiteOperation::Text) << "t" << "";
        QTest::newRow("blob") << int(SQLiteOperation::Blob) << "b" << "";
    }

    void nullColumnsReadBackPerType()
    {
        QFETCH(int, type);
        QFETCH(QString, column);
        QFETCH(QString, expected);
        bool b = true;
        std::int64_t i64 = 0;
        std::int32_t i32 = 0;
        std::uint32_t u32 = 0;
        float f = 0;
        double d = 0;
        std::string s = "previous";
        void* targets[] = { &b, &i64, &i32, &u32, &f, &d, &s, &s };
        SQLiteQuery query(&m_db);
        query.prepare("SELECT " + column.toStdString() + " FROM v");
        query.bind(SQLiteOperation::ColumnType(type), targets[type]);
        QVERIFY(query.step());
        QString got;
        switch (type) {
        case SQLiteOperation::Bool: got = b ? "true" : "false"; break;
        case SQLiteOperation::Int64: got = QString::number(i64); break;
        case SQLiteOperation::Int: got = QString::number(i32); break;
        case SQLiteOperation::UInt: got = QString::number(u32); break;
        case SQLiteOperation::Float: got = std::isnan(f) ? "nan" : QString::number(f); break;
        case SQLiteOperation::Double: got = std::isnan(d) ? "nan" : QString::number(d); break;
        default: got = QString::fromStdString(s);
        }
        QCOMPARE(got, expected);
    }

    void valuesRoundTrip()
    {
        m_db.exec("CREATE TABLE r (b INTEGER, l INTEGER, i INTEGER, u INTEGER, f REAL, d REAL, t TEXT, x BLOB)");
        bool b = true;
        std::int64_t l = -9000000000000LL;
        std::int32_t i = -7;
        std::uint32_t u = 4000000000u;
        float f = 1.5f;
        double d = 0.1;
        std::string t = std::string("a\0b", 3);
        std::string x = std::string("\0\x01\0\xff", 4);
        SQLiteInsert insert(&m_db);
        insert.prepare("INSERT INTO r VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        insert.bind(&b);
        insert.bind(&l);
        insert.bind(&i);
        insert.bind(&u);
        insert.bind(&f);
        insert.bind(&d);
        insert.bindText(&t);
        insert.bindBlob(&x);
        QVERIFY(insert.execute());

        bool b2 = false;
        std::int64_t l2 = 0;
        std::int32_t i2 = 0;
        std::uint32_t u2 = 0;
        float f2 = 0;
        double d2 = 0;
        std::string t2, x2;
        SQLiteQuery query(&m_db);
        query.prepare("SELECT b, l, i, u, f, d, t, x FROM r");
        query.bind(&b2);
        query.bind(&l2);
        query.bind(&i2);
        query.bind(&u2);
        query.bind(&f2);
        query.bind(&d2);
        query.bindText(&t2);
        query.bindBlob(&x2);
        QVERIFY(query.step());
        QCOMPARE(b2, true);
        QCOMPARE(l2, l);
        QCOMPARE(i2, i);
        QCOMPARE(u2, u);
        QCOMPARE(f2, f);
        QCOMPARE(d2, d);
        QCOMPARE(t2, std::string("a")); // text stops at its first zero byte
        QCOMPARE(x2, x);                // blobs keep every byte
        QVERIFY(!query.step());
    }

    void queryWithoutRowsKeepsVariables()
    {
        m_db.exec("CREATE TABLE empty (n INTEGER)");
        std::int32_t n = 42;
        SQLiteQuery query(&m_db);
        query.prepare("SELECT n FROM empty");
        query.bind(&n);
        QVERIFY(!query.step());
        QCOMPARE(n, 42);
    }

    void oneInsertExecutedTwice()
    {
        m_db.exec("CREATE TABLE twice (n INTEGER)");
        SQLiteInsert insert(&m_db);
        insert.prepare("INSERT INTO twice VALUES (?)");
        std::int32_t n = 1;
        insert.bind(&n);
        QVERIFY(insert.execute());
        n = 2;
        insert.bind(&n);
        QVERIFY(insert.execute());

        std::int32_t count = 0, sum = 0;
        SQLiteQuery query(&m_db);
        query.prepare("SELECT count(*), sum(n) FROM twice");
        query.bind(&count);
        query.bind(&sum);
        QVERIFY(query.step());
        QCOMPARE(count, 2);
        QCOMPARE(sum, 3);
    }

    // Texts and blobs are bound without a copy: once a run is over, nothing
    // of it may be read again, however the next run is bound.
    void insertTextsAreNotKeptAfterTheRun_data()
    {
        QTest::addColumn<bool>("sameStatement");
        QTest::newRow("run again") << true;
        QTest::newRow("taken from the cache") << false;
    }

    void insertTextsAreNotKeptAfterTheRun()
    {
        QFETCH(bool, sameStatement);
        m_db.exec("CREATE TABLE IF NOT EXISTS pairs (a TEXT, b BLOB)");
        m_db.exec("DELETE FROM pairs");
        const std::string sql = "INSERT INTO pairs VALUES (?, ?)";
        auto first = std::make_unique<SQLiteInsert>(&m_db);
        first->prepare(sql);
        {
            std::string a(40, 'a');
            std::string b(40, 'b');
            first->bindText(&a);
            first->bindBlob(&b);
            QVERIFY(first->execute());
            // Overwritten before it goes: a read after the run would see this.
            a.assign(40, 'x');
            b.assign(40, 'y');
        }
        if (!sameStatement) {
            first.reset();
            first = std::make_unique<SQLiteInsert>(&m_db);
            first->prepare(sql);
        }
        std::string c = "c";
        first->bindText(&c);
        QVERIFY(first->execute());
        first.reset();

        std::string a, b;
        SQLiteQuery query(&m_db);
        query.prepare("SELECT ifnull(a, 'NULL'), ifnull(b, 'NULL') FROM pairs ORDER BY rowid");
        query.bindText(&a);
        query.bindText(&b);
        QVERIFY(query.step());
        QCOMPARE(a, std::string(40, 'a'));
        QCOMPARE(b, std::string(40, 'b'));
        QVERIFY(query.step());
        QCOMPARE(a, std::string("c"));
        QCOMPARE(b, std::string("NULL"));
        QVERIFY(!query.step());
    }

    void queryParameters()
    {
        m_db.exec("CREATE TABLE k (id TEXT, n INTEGER)");
        m_db.exec("INSERT INTO k VALUES ('a''b', 1), ('c', 2)");
        std::string id = "a'b";
        std::int32_t n = 0;
        SQLiteQuery query(&m_db);
        query.prepare("SELECT n FROM k WHERE id = ?");
        query.bindTextParameter(&id);
        query.bind(&n);
        QVERIFY(query.step());
        QCOMPARE(n, 1);
        QVERIFY(!query.step());
    }

    void errorTexts_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("detail");
        QTest::newRow("exec") << "exec BOGUS" << "Failed to execute SQL statement \"BOGUS\".  Code: 'SQLITE_ERROR' near \"BOGUS\": syntax error"
                              << "Failed to execute SQL statement \"BOGUS\".  Code: 'SQLITE_ERROR' near \"BOGUS\": syntax error";
        QTest::newRow("prepare") << "prepare SELEC 1" << "Failed to prepare SQL statement: SELEC 1"
                                 << "Failed to prepare SQL statement: SELEC 1 near \"SELEC\": syntax error. For SQL command \"SELEC 1\"";
        QTest::newRow("step unprepared") << "step" << "No SQL statement has been prepared."
                                         << "No SQL statement has been prepared. For SQL command \"\"";
        QTest::newRow("execute unprepared") << "execute" << "No SQL statement has been prepared."
                                            << "No SQL statement has been prepared. For SQL command \"\"";
        QTest::newRow("unique") << "unique" << "Unexpected result on row insertion. Code: 'SQLITE_CONSTRAINT' "
                                << "Unexpected result on row insertion. Code: 'SQLITE_CONSTRAINT'  UNIQUE constraint failed: u.n. For SQL command \"INSERT INTO u VALUES (1)\"";
        QTest::newRow("insert returning a row") << "returning" << "Unexpected result on row insertion. Code: 'SQLITE_ROW' "
                                                << "Unexpected result on row insertion. Code: 'SQLITE_ROW'  another row available. For SQL command \"INSERT INTO u VALUES (2) RETURNING n\"";
        QTest::newRow("null as result") << "nullresult" << "Unknown column type given for binding during query."
                                        << "Unknown column type given for binding during query. For SQL command \"SELECT 1\"";
        QTest::newRow("schema") << "schema" << "Undefined database schema" << "Undefined database schema";
    }

    void errorTexts()
    {
        QFETCH(QString, operation);
        QFETCH(QString, what);
        QFETCH(QString, detail);
        m_db.exec("CREATE TABLE IF NOT EXISTS u (n INTEGER UNIQUE)");
        m_db.exec("INSERT OR IGNORE INTO u VALUES (1)");
        const auto result = expectThrow([&] {
            if (operation.startsWith("exec ")) {
                m_db.exec(operation.mid(5).toStdString());
            } else if (operation.startsWith("prepare ")) {
                SQLiteQuery query(&m_db);
                query.prepare(operation.mid(8).toStdString());
            } else if (operation == "step") {
                SQLiteQuery query(&m_db);
                query.step();
            } else if (operation == "execute") {
                SQLiteInsert insert(&m_db);
                insert.execute();
            } else if (operation == "unique") {
                SQLiteInsert insert(&m_db);
                insert.prepare("INSERT INTO u VALUES (1)");
                insert.execute();
            } else if (operation == "returning") {
                SQLiteInsert insert(&m_db);
                insert.prepare("INSERT INTO u VALUES (2) RETURNING n");
                insert.execute();
            } else if (operation == "nullresult") {
                SQLiteQuery query(&m_db);
                query.prepare("SELECT 1");
                query.bind(SQLiteOperation::Null, nullptr);
                query.step();
            } else if (operation == "schema") {
                Schema schema;
                schema.createDB(&m_db);
            }
        });
        QCOMPARE(QString::fromStdString(result.first), what);
        QCOMPARE(QString::fromStdString(result.second), detail);
        // The entry stays in the log (a later finalize may add its own).
        bool logged = false;
        for (const auto& entry : m_db.log().entries())
            logged = logged || entry.text == result.second;
        QVERIFY(logged);
    }

    void resultCodeNames_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("1") << 1 << " Code: 'SQLITE_ERROR' ";
        QTest::newRow("5") << 5 << " Code: 'SQLITE_BUSY' ";
        QTest::newRow("26") << 26 << " Code: 'SQLITE_NOTADB' ";
        QTest::newRow("100") << 100 << " Code: 'SQLITE_ROW' ";
        QTest::newRow("101") << 101 << " Code: 'SQLITE_DONE' ";
        QTest::newRow("262") << 262 << " Code: 'SQLITE_LOCKED_SHAREDCACHE' ";
        QTest::newRow("266") << 266 << " Code: 'SQLITE_IOERR_READ' ";
        QTest::newRow("3594") << 3594 << " Code: 'SQLITE_IOERR_CHECKRESERVEDLOCK' ";
        QTest::newRow("4362") << 4362 << " Code: 'SQLITE_IOERR_DIR_CLOSE' ";
        QTest::newRow("27") << 27 << " Code: '27' ";
        QTest::newRow("4618") << 4618 << " Code: '4618' ";
    }

    void resultCodeNames()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        QCOMPARE(QString::fromStdString(m_db.resultCodeName(code)), name);
    }

    void failedOpenNamesPathTwice()
    {
        // A regular file used as a folder can never be opened.
        QFile blocker(m_dir.filePath("plain"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const std::string path = m_dir.filePath("plain/sub/x.db").toStdString();
        SQLiteDatabase db;
        QVERIFY(!db.open(path));
        QVERIFY(!db.isOpen());
        const std::string entry = db.log().lastError();
        QCOMPARE(QString::fromStdString(entry),
                 QString::fromStdString("Failed to open database file '" + path + "' Code: 'SQLITE_CANTOPEN " + path
                                        + "'  unable to open database file"));
        QCOMPARE(db.log().entries().size(), size_t(1));
        QCOMPARE(db.log().entries().front().kind, SQLiteLog::Kind::Error);
    }

    void tableExists()
    {
        struct Probe : Schema
        {
            explicit Probe(SQLiteDatabase* db) { m_database = db; }
        };
        SQLiteDatabase db;
        QVERIFY(db.open(tempFile(m_dir, "schema.db")));
        Probe probe(&db);
        QVERIFY(!probe.tableExists("project"));
        db.exec("CREATE TABLE project (x)");
        QVERIFY(probe.tableExists("project"));
        QVERIFY(!probe.tableExists("project\" OR \"1\"=\"1"));
    }

    // Statements go back to the connection's cache after use; closing must
    // still let go of the file.
    void closeReleasesTheFile_data()
    {
        QTest::addColumn<int>("use");
        QTest::newRow("query reused") << 0;
        QTest::newRow("insert reused") << 1;
        QTest::newRow("exec reused") << 2;
    }

    void closeReleasesTheFile()
    {
        QFETCH(int, use);
        const std::string path = tempFile(m_dir, "closed.db");
        for (int round = 0; round < 2; ++round) {
            SQLiteDatabase db;
            QVERIFY(db.open(path));
            db.exec("CREATE TABLE IF NOT EXISTS c (n INTEGER)");
            for (int i = 0; i < 2; ++i) {
                if (use == 0) {
                    SQLiteQuery query(&db);
                    query.prepare("SELECT n FROM c");
                    query.step();
                } else if (use == 1) {
                    SQLiteInsert insert(&db);
                    insert.prepare("INSERT INTO c VALUES (1)");
                    QVERIFY(insert.execute());
                } else {
                    db.exec("INSERT INTO c VALUES (2)");
                }
            }
            QVERIFY(openHandles(path) > 0);
            db.close();
            QCOMPARE(openHandles(path), 0);
        }
        SQLiteDatabase other;
        QVERIFY(other.open(path));
        other.exec("BEGIN EXCLUSIVE");
        other.exec("COMMIT");
    }

    void busyTimeout_data()
    {
        QTest::addColumn<bool>("insert");
        QTest::addColumn<bool>("released"); // the lock ends after 300 ms, else only after the attempt
        QTest::newRow("query") << false << false;
        QTest::newRow("insert") << true << false;
        QTest::newRow("query, lock released") << false << true;
        QTest::newRow("insert, lock released") << true << true;
    }

    void busyTimeout()
    {
        QFETCH(bool, insert);
        QFETCH(bool, released);
        const std::string path = tempFile(m_dir, released ? "released.db" : "busy.db");
        SQLiteDatabase waiter;
        QVERIFY(waiter.open(path));
        waiter.exec("CREATE TABLE IF NOT EXISTS t (n INTEGER)");
        SQLiteInsert insertOp(&waiter);
        insertOp.prepare("INSERT INTO t VALUES (1)");
        SQLiteQuery queryOp(&waiter);
        queryOp.prepare("SELECT n FROM t");
        // The holder runs on its own thread: the waiter blocks this one.
        std::promise<void> locked;
        std::promise<void> attempted;
        std::thread holder([&] {
            SQLiteDatabase db;
            db.open(path);
            db.exec("BEGIN EXCLUSIVE");
            locked.set_value();
            if (released)
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            else
                attempted.get_future().wait();
            db.exec("COMMIT");
        });
        locked.get_future().wait();
        const auto result = expectThrow([&] {
            if (insert)
                insertOp.execute();
            else
                queryOp.step();
        });
        attempted.set_value();
        holder.join();
        const QString expected = released ? QString("<no exception>")
            : insert                      ? QString("Timeout waiting for record to unlock during insertion.")
                                          : QString("Timeout waiting for record to unlock during selection query.");
        QCOMPARE(QString::fromStdString(result.first), expected);
    }
};

QTEST_GUILESS_MAIN(TestSQLite)
#include "tst_sqlite.moc"
