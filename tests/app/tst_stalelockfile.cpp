#include "app/ApplicationManager.h"
#include "app/InstanceLock.h"
#include "app/StaleLockFile.h"
#include "support/ApplicationIdentity.h"
#include "support/FileSizeLimit.h"
#include "support/MessageLog.h"

#include <QLockFile>
#include <QtTest>

#include <limits>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kiv;

namespace {

bool writeFile(const QString& path, const QByteArray& content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The files beside a store keep the times they were written with.
constexpr qint64 AsWritten = std::numeric_limits<qint64>::min();

// The id of a process that has ended.
qint64 deadProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
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

    // Both settings stores: the application's and the user's. A save killed
    // midway leaves its lock and Qt's temporary file; a live save's stay,
    // and so do the user's files with like names. A temporary file counts
    // as the save's when written no earlier than its lock and at most
    // DeadSaveMoments after it.
    void startClearsTheSettingsLocks_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QStringList>("beside"); // names beside each store
        QTest::addColumn<QStringList>("kept");
        QTest::addColumn<qint64>("after"); // ms the files beside were written after the lock
        QTest::addColumn<QByteArray>("content"); // of the files beside but the lock
        const QStringList killed{".lock", ".Ab12Cd"};
        const QByteArray settings("[General]");
        QTest::newRow("empty locks") << "empty" << QStringList{".lock"} << QStringList() << AsWritten << settings;
        QTest::newRow("a killed save's lock and empty temporary file")
            << "killed" << killed << QStringList() << AsWritten << QByteArray();
        // Name and time cannot tell it from the user's file.
        QTest::newRow("a killed save's lock and temporary file with content")
            << "killed" << killed << QStringList{".Ab12Cd"} << AsWritten << settings;
        QTest::newRow("a save killed as Qt made its temporary file")
            << "qt" << QStringList() << QStringList() << AsWritten << settings;
        QTest::newRow("a lock naming a live process that does not hold it")
            << "unheld" << killed << QStringList() << AsWritten << QByteArray();
        QTest::newRow("a live save's lock and temporary file")
            << "live" << killed << QStringList{".lock", ".Ab12Cd"} << AsWritten << QByteArray();
        QTest::newRow("the user's files with like names")
            << "killed" << QStringList{".Ab12C", ".Ab12Cde", ".bak", ".Ab-2Cd", ".link"}
            << QStringList{".Ab12C", ".Ab12Cde", ".bak", ".Ab-2Cd", ".link"} << AsWritten << settings;
        QTest::newRow("the user's backup, older than a dead lock")
            << "killed" << QStringList{".lock", ".backup"} << QStringList{".backup"} << qint64(-3600 * 1000)
            << settings;
        QTest::newRow("the user's backup, 5 s after a dead lock")
            << "killed" << QStringList{".lock", ".backup"} << QStringList{".backup"} << qint64(5000)
            << QByteArray("my backup");
        QTest::newRow("the user's notes, 12 s after a dead lock")
            << "killed" << QStringList{".lock", ".Mm22Nn"} << QStringList{".Mm22Nn"} << qint64(12000)
            << QByteArray("notes");
        QTest::newRow("a temporary file a millisecond older than the lock")
            << "killed" << killed << QStringList{".Ab12Cd"} << qint64(-1) << QByteArray();
        QTest::newRow("a temporary file written as the lock was")
            << "killed" << killed << QStringList() << qint64(0) << QByteArray();
        QTest::newRow("a temporary file written the last moment a save takes")
            << "killed" << killed << QStringList() << qint64(DeadSaveMoments) << QByteArray();
        QTest::newRow("a temporary file written a moment later")
            << "killed" << killed << QStringList{".Ab12Cd"} << qint64(DeadSaveMoments + 1) << QByteArray();
    }

    void startClearsTheSettingsLocks()
    {
        QFETCH(QString, left);
        QFETCH(QStringList, beside);
        QFETCH(QStringList, kept);
        QFETCH(qint64, after);
        QFETCH(QByteArray, content);
        const QString application = QSettings().fileName();
        const QString user = QSettings("user", QString()).fileName();
        QVERIFY(application != user);
        std::vector<std::unique_ptr<QLockFile>> live;
        const QDateTime locked = QDateTime::currentDateTime().addSecs(-7200);
        for (const QString& store : {application, user}) {
            QVERIFY(QDir().mkpath(QFileInfo(store).absolutePath()));
            if (left == "qt") {
                // Killed with its lock held and its temporary file made but
                // not yet written, named as QSaveFile names it where it
                // cannot leave it unnamed (asking for the name gives it one).
                const pid_t child = ::fork();
                if (child == 0) {
                    QLockFile lock(store + ".lock");
                    QTemporaryFile file(store + ".XXXXXX");
                    const bool made = lock.tryLock() && file.open() && !file.fileName().isEmpty();
                    ::_exit(made ? 0 : 1);
                }
                int status = -1;
                QCOMPARE(::waitpid(child, &status, 0), child);
                QCOMPARE(status, 0);
                QCOMPARE(QFileInfo(store).dir().entryList({QFileInfo(store).fileName() + ".*"}).size(), 2);
            }
            for (const QString& name : beside) {
                if (name == ".link") {
                    QVERIFY(writeFile(store + ".mine", "mine"));
                    // Named like a temporary file, but a link.
                    QVERIFY(QFile::link(store + ".mine", store + ".Zz12Cd"));
                } else if (name == ".lock" && left == "live") {
                    live.push_back(std::make_unique<QLockFile>(store + name));
                    QVERIFY(live.back()->tryLock());
                } else if (name == ".lock" && (left == "killed" || left == "unheld")) {
                    const qint64 holder = left == "killed" ? deadProcess() : QCoreApplication::applicationPid();
                    QVERIFY(writeFile(store + name, QByteArray::number(holder) + "\nQuarzel\n"));
                } else {
                    QVERIFY(writeFile(store + name, left == "empty" ? QByteArray() : content));
                }
                if (after != AsWritten && name != ".link") {
                    QFile file(store + name);
                    QVERIFY(file.open(QIODevice::ReadWrite));
                    QVERIFY(file.setFileTime(name == ".lock" ? locked : locked.addMSecs(after),
                                             QFileDevice::FileModificationTime));
                }
            }
        }

        if (left == "empty")
            ApplicationManager::removeStaleSettingsLocks();
        else
            QCOMPARE(ApplicationManager::settleLeftovers(QString(), QString(), {}),
                     left == "qt" ? 4 : 2 * (beside.size() - kept.size()));
        for (const QString& store : {application, user}) {
            for (const QString& name : beside) {
                const QString path = store + (name == ".link" ? ".Zz12Cd" : name);
                QVERIFY2(QFileInfo(path).isSymLink() || QFile::exists(path) == kept.contains(name), qPrintable(path));
                // What stays is as it was.
                if (kept.contains(name) && name != ".lock" && name != ".link")
                    QCOMPARE(readFile(path), content);
                QFile::remove(path);
            }
            QFile::remove(store + ".mine");
            QCOMPARE(QFileInfo(store).dir().entryList({QFileInfo(store).fileName() + ".*"}), QStringList());
        }
    }

    // One running instance per user: only a live holder keeps the lock.
    void instanceLock_data()
    {
        QTest::addColumn<QString>("lock");
        QTest::addColumn<int>("outcome");

        QTest::newRow("no lock") << "none" << int(InstanceLock::Taken);
        QTest::newRow("held by a running instance") << "live" << int(InstanceLock::HeldElsewhere);
        QTest::newRow("left by a killed instance") << "dead" << int(InstanceLock::Taken);
        QTest::newRow("left empty by a killed instance") << "empty" << int(InstanceLock::Taken);
        QTest::newRow("empty, held by a starting instance") << "held" << int(InstanceLock::HeldElsewhere);
        QTest::newRow("folder cannot be made") << "unwritable" << int(InstanceLock::Failed);
        QTest::newRow("first start, folder not there yet") << "fresh" << int(InstanceLock::Taken);
        // Not even a second lock file fits beside it: the start goes on.
        QTest::newRow("left by a killed instance, no room for another file") << "dead, full" << int(InstanceLock::Failed);
        QTest::newRow("names a process of another program, no room") << "other, full" << int(InstanceLock::Failed);
    }

    void instanceLock()
    {
        QFETCH(QString, lock);
        QFETCH(int, outcome);

        QTemporaryDir home;
        // A file where the folder would be.
        const QString folder = home.filePath(lock == "unwritable" ? "file/Quarzel" : "Quarzel");
        QVERIFY(writeFile(home.filePath("file"), "x"));
        InstanceLock instance(folder);
        const QString path = instance.fileName();
        QCOMPARE(QFileInfo(path).absolutePath(), folder);
        if (lock != "unwritable" && lock != "fresh")
            QVERIFY(QDir().mkpath(folder));
        QLockFile live(path);
        int flocked = -1;
        if (lock == "live")
            QVERIFY(live.tryLock());
        // This test process runs, but is no instance of the program.
        const qint64 holder = lock.startsWith("other") ? QCoreApplication::applicationPid()
                              : lock.startsWith("dead")  ? deadProcess()
                                                         : 0;
        if (holder)
            QVERIFY(writeFile(path, QByteArray::number(holder) + "\nQuarzel\n"
                                        + QSysInfo::machineHostName().toUtf8() + "\n"));
        if (lock == "empty" || lock == "held")
            QVERIFY(writeFile(path, QByteArray()));
        if (lock == "held") {
            flocked = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
            QVERIFY(flocked >= 0 && ::flock(flocked, LOCK_EX | LOCK_NB) == 0);
        }

        test::recordLogLines();
        test::takeLines();
        {
            std::unique_ptr<test::FileSizeLimit> full;
            if (lock.endsWith("full"))
                QVERIFY((full = std::make_unique<test::FileSizeLimit>(0))->isSet());
            QCOMPARE(int(instance.take()), outcome);
        }
        if (lock.endsWith("full")) {
            // Said in the log, and the dead holder's lock is gone.
            const QString log = test::takeLines().join('\n');
            QVERIFY2(log.contains(QString("left by process %1, which is no running instance").arg(holder)),
                     qPrintable(log));
            QVERIFY2(log.contains("starting without the lock"), qPrintable(log));
            QVERIFY(!QFile::exists(path));
        }
        if (flocked >= 0)
            ::close(flocked);
        if (outcome == InstanceLock::Taken) {
            // Written as ours, and taken from us by nobody.
            QFile written(path);
            QVERIFY(written.open(QIODevice::ReadOnly));
            QCOMPARE(written.readLine().trimmed().toLongLong(), QCoreApplication::applicationPid());
            InstanceLock second(folder);
            QCOMPARE(int(second.take()), int(InstanceLock::HeldElsewhere));
        }
    }
};

QTEST_GUILESS_MAIN(TestStaleLockFile)
#include "tst_stalelockfile.moc"
