#include "app/ApplicationManager.h"
#include "app/StaleLockFile.h"
#include "support/ApplicationIdentity.h"

#include <QLockFile>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace kiv;

namespace {

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace

// A start after a power cut finds the settings lock created but never
// written; a lock another running start holds stays.
class TestStaleLockFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { test::setApplicationIdentity(); }

    void removeEmptyStaleLock_data()
    {
        QTest::addColumn<QString>("lock");
        QTest::addColumn<bool>("removed");

        QTest::newRow("empty and unheld") << "empty" << true;
        QTest::newRow("empty, held by a live start") << "held" << false;
        QTest::newRow("written by a live lock") << "live" << false;
        QTest::newRow("no lock") << "none" << false;
    }

    void removeEmptyStaleLock()
    {
        QFETCH(QString, lock);
        QFETCH(bool, removed);

        QTemporaryDir folder;
        const QString settings = folder.filePath("Quarzel.conf");
        const QString lockPath = settings + ".lock";
        int holder = -1;
        QLockFile live(lockPath);
        if (lock == "empty" || lock == "held")
            QVERIFY(writeFile(lockPath, QByteArray()));
        if (lock == "held") {
            holder = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CLOEXEC);
            QVERIFY(holder >= 0 && ::flock(holder, LOCK_EX | LOCK_NB) == 0);
        }
        if (lock == "live")
            QVERIFY(live.tryLock());

        QCOMPARE(kiv::removeEmptyStaleLock(settings), removed);
        if (holder >= 0)
            ::close(holder);
        QCOMPARE(QFile::exists(lockPath), lock != "none" && !removed);
    }

    // Both settings stores: the application's and the user's.
    void startClearsTheSettingsLocks()
    {
        const QString application = QSettings().fileName();
        const QString user = QSettings("user", QString()).fileName();
        QVERIFY(application != user);
        QVERIFY(writeFile(application + ".lock", QByteArray()));
        QVERIFY(writeFile(user + ".lock", QByteArray()));

        ApplicationManager::removeStaleSettingsLocks();
        QVERIFY(!QFile::exists(application + ".lock"));
        QVERIFY(!QFile::exists(user + ".lock"));
    }
};

QTEST_GUILESS_MAIN(TestStaleLockFile)
#include "tst_stalelockfile.moc"
