#include <QtTest>

#include "model/ProjectFile.h"

using namespace kiv;

// Names read from a project's records reach only regular files inside its folder.
class TestProjectFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QDir project() const { return QDir(m_root.filePath(QStringLiteral("project"))); }

    void write(const QString& path, const QByteArray& content = "x")
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(m_root.path()).mkpath(QStringLiteral("project/images/sub")));
        QVERIFY(QDir(m_root.path()).mkpath(QStringLiteral("outside")));
        write(m_root.filePath(QStringLiteral("outside/secret.txt")));
        write(project().filePath(QStringLiteral("images/a.jpg")));
        write(project().filePath(QStringLiteral("images/sub/b.jpg")));
        QVERIFY(QFile::link(m_root.filePath(QStringLiteral("outside/secret.txt")),
                            project().filePath(QStringLiteral("images/link.jpg"))));
        QVERIFY(QFile::link(m_root.filePath(QStringLiteral("outside")), project().filePath(QStringLiteral("images/dir"))));
    }

    void resolve_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("usable");
        QTest::newRow("plain") << "images/a.jpg" << true;
        QTest::newRow("sub folder") << "images/sub/b.jpg" << true;
        QTest::newRow("missing") << "images/c.jpg" << false;
        QTest::newRow("folder") << "images/sub" << false;
        QTest::newRow("climbs out") << "images/../../outside/secret.txt" << false;
        QTest::newRow("up and back in") << "images/../images/a.jpg" << false;
        QTest::newRow("absolute") << m_root.filePath(QStringLiteral("outside/secret.txt")) << false;
        QTest::newRow("linked file") << "images/link.jpg" << false;
        QTest::newRow("through a linked folder") << "images/dir/secret.txt" << false;
        QTest::newRow("empty") << "" << false;
    }

    void resolve()
    {
        QFETCH(QString, name);
        QFETCH(bool, usable);
        const QString path = ProjectFile::resolve(project(), name);
        QCOMPARE(!path.isEmpty(), usable);
        if (usable)
            QCOMPARE(path, project().absoluteFilePath(name));
    }

    void freshPath_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("usable");
        QTest::newRow("new") << "map.tif" << true;
        QTest::newRow("taken") << "images" << false;
        QTest::newRow("in a sub folder") << "images/new.jpg" << false;
        QTest::newRow("climbs out") << "../x.tif" << false;
    }

    void freshPath()
    {
        QFETCH(QString, name);
        QFETCH(bool, usable);
        QCOMPARE(!ProjectFile::freshPath(project(), name).isEmpty(), usable);
    }

    // A name taken by the time of the move is never replaced.
    void moveToFreshName_data()
    {
        QTest::addColumn<QString>("taken");
        QTest::addColumn<QByteArray>("content"); // what the name then leads to
        QTest::newRow("fresh name") << QString() << QByteArray("part");
        QTest::newRow("a file") << "file" << QByteArray("mine");
        QTest::newRow("a link") << "link" << QByteArray("x");
        QTest::newRow("a folder") << "folder" << QByteArray();
    }

    void moveToFreshName()
    {
        QFETCH(QString, taken);
        QFETCH(QByteArray, content);
        const QDir images(project().filePath(QStringLiteral("images")));
        const QString from = images.filePath(QStringLiteral(".merge-0123456789abcdef.part"));
        const QString to = images.filePath(QStringLiteral("moved.jpg"));
        // What a failed row left.
        QFile::remove(to);
        images.rmdir(QStringLiteral("moved.jpg"));
        write(from, "part");
        if (taken == QLatin1String("file"))
            write(to, "mine");
        else if (taken == QLatin1String("link"))
            QVERIFY(QFile::link(m_root.filePath(QStringLiteral("outside/secret.txt")), to));
        else if (taken == QLatin1String("folder"))
            QVERIFY(images.mkdir(QStringLiteral("moved.jpg")));
        QCOMPARE(ProjectFile::moveToFreshName(from, to), taken.isEmpty());
        QCOMPARE(QFile::exists(from), !taken.isEmpty());
        QFile moved(to);
        QCOMPARE(moved.open(QIODevice::ReadOnly) ? moved.readAll() : QByteArray(), content);
        QCOMPARE(QFileInfo(to).isSymLink(), taken == QLatin1String("link"));
        QFile::remove(from);
        QFile::remove(to);
        images.rmdir(QStringLiteral("moved.jpg"));
    }

    void fileNameForId_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("kept");
        QTest::newRow("record id") << "0123456789abcdefABCDEF0123456789" << true;
        QTest::newRow("31 digits") << "0123456789abcdefABCDEF012345678" << false;
        QTest::newRow("climbs out") << "../../../../tmp/x" << false;
    }

    void fileNameForId()
    {
        QFETCH(QString, id);
        QFETCH(bool, kept);
        const QString name = ProjectFile::fileNameForId(id);
        QCOMPARE(name == id, kept);
        QVERIFY(ProjectFile::isRecordId(name));
    }
};

QTEST_GUILESS_MAIN(TestProjectFile)
#include "tst_projectfile.moc"
