#include <QtTest>

#include "Database/Quarzel.pb.h"
#include "model/Index.h"
#include "model/ModelManager.h"
#include "model/Project.h"
#include "support/ApplicationIdentity.h"

#include <memory>

using namespace kiv;

namespace {

QByteArray indexBytes(const QStringList& paths)
{
    QZProtoBuffers::Index record;
    for (const QString& path : paths)
        record.add_projectpath(path.toUtf8().toStdString());
    std::string bytes;
    record.SerializeToString(&bytes);
    return QByteArray(bytes.data(), int(bytes.size()));
}

QStringList paths(const std::vector<QDir>& folders)
{
    QStringList result;
    for (const QDir& folder : folders)
        result << folder.absolutePath();
    return result;
}

} // namespace

class TestIndex : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;

    QString makeFolder(const QString& name, bool withDatabase)
    {
        const QString path = QDir(m_root.path()).absoluteFilePath(name);
        QDir().mkpath(path);
        if (withDatabase) {
            QFile file(QDir(path).absoluteFilePath("main.db"));
            file.open(QIODevice::WriteOnly);
        }
        return path;
    }

private slots:
    void initTestCase()
    {
        test::setApplicationIdentity();
        QVERIFY(m_root.isValid());
    }

    void init() { QSettings().clear(); }

    void missingKeyIsCreatedEmpty()
    {
        QVERIFY(!QSettings().contains(Index::Key));
        Index index;
        QVERIFY(QSettings().contains(Index::Key));
        QVERIFY(QSettings().value(Index::Key).toByteArray().isEmpty());
        QVERIFY(index.load().empty());
    }


    void loadKeepsUsableFoldersInOrder_data()
    {
        QTest::addColumn<QStringList>("stored"); // name, "-" prefix: folder without main.db, "!" prefix: missing
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("all usable") << QStringList{"b.qz", "a.qz"} << QStringList{"b.qz", "a.qz"};
        QTest::newRow("no main.db") << QStringList{"c.qz", "-empty.qz", "a.qz"} << QStringList{"c.qz", "a.qz"};
        QTest::newRow("deleted folder") << QStringList{"!gone.qz", "b.qz"} << QStringList{"b.qz"};
    }

    void loadKeepsUsableFoldersInOrder()
    {
        QFETCH(QStringList, stored);
        QFETCH(QStringList, expected);
        QStringList storedPaths;
        for (QString name : stored) {
            const bool missing = name.startsWith('!');
            const bool withDatabase = !name.startsWith('-');
            if (!withDatabase || missing)
                name.remove(0, 1);
            storedPaths << (missing ? QDir(m_root.path()).absoluteFilePath(name) : makeFolder(name, withDatabase));
        }
        QStringList expectedPaths;
        for (const QString& name : expected)
            expectedPaths << QDir(m_root.path()).absoluteFilePath(name);
        QSettings().setValue(Index::Key, indexBytes(storedPaths));
        QCOMPARE(paths(Index().load()), expectedPaths);
    }


    void saveWritesProjectFoldersInListOrder()
    {
        const QString older = makeFolder("older.qz", false);
        const QString newer = makeFolder("newer.qz", false);
        auto first = std::make_shared<Project>(ProjectId(1), nullptr, "Old", QString(), QString(), QDir(older));
        first->setTimeStamp(100);
        auto second = std::make_shared<Project>(ProjectId(2), nullptr, "New", QString(), QString(), QDir(newer));
        second->setTimeStamp(200);
        Index index;
        index.save({second, first});
        QZProtoBuffers::Index record;
        const QByteArray bytes = QSettings().value(Index::Key).toByteArray();
        QVERIFY(record.ParseFromArray(bytes.constData(), bytes.size()));
        QCOMPARE(record.projectpath_size(), 2);
        QCOMPARE(QString::fromStdString(record.projectpath(0)), newer);
        QCOMPARE(QString::fromStdString(record.projectpath(1)), older);
        QCOMPARE(paths(index.load()), (QStringList{newer, older}));
    }
};

QTEST_GUILESS_MAIN(TestIndex)
#include "tst_index.moc"
