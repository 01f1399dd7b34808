// The task runner at the end of the program: the test starts itself again as
// a child that quits while tasks run, and reads what the child reports.

#include <QtTest>

#include "Database/Destructor.h"
#include "Database/DestructorManager.h"
#include "Database/ObjectTaskRunner.h"
#include "Database/Task.h"

#include <QProcess>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <cstdio>

using kiv::ObjectTaskRunner;
using kiv::Task;

namespace {

const char* const ChildArgument = "--quit-while-running";

void report(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// Stands in for the model manager: torn down before the runner.
class StandIn
{
public:
    static StandIn*& instance();
    ~StandIn();

    std::atomic<int> reads {0};
};

KIV_DEFINE_SINGLETON(StandIn, 5)

std::atomic<QThread*> readerThread {nullptr};

StandIn::~StandIn()
{
    QThread* thread = readerThread;
    report(thread && thread->isFinished() ? "stand-in destroyed after the reader finished"
                                          : "stand-in destroyed while the reader runs");
}

// Reads the stand-in until cancelled.
class ReaderTask : public Task
{
public:
    ReaderTask()
        : Task("reader", true)
    {
    }

    void work() override
    {
        while (!isCancelled()) {
            ++StandIn::instance()->reads;
            QThread::msleep(2);
        }
    }
};

class SleepTask : public Task
{
public:
    explicit SleepTask(unsigned long milliseconds)
        : Task("sleeper", false)
        , m_milliseconds(milliseconds)
    {
    }

    void work() override
    {
        QThread::msleep(m_milliseconds);
        done = true;
    }

    std::atomic<bool> done {false};

private:
    unsigned long m_milliseconds;
};

int runChild(int argc, char** argv)
{
    auto* application = new QCoreApplication(argc, argv);
    ObjectTaskRunner* runner = ObjectTaskRunner::instance();
    StandIn::instance();
    auto* reader = new ReaderTask;
    runner->addTask(reader, nullptr);
    readerThread = reader->thread();
    QTimer::singleShot(20, [runner] {
        SleepTask sleeper(200);
        QTimer::singleShot(20, [] { QCoreApplication::quit(); });
        runner->runAndWait(&sleeper);
        report(sleeper.done ? "runAndWait returned after the work" : "runAndWait returned during the work");
    });
    const int code = application->exec();
    delete application;
    kiv::DestructorManager::instance().destroyAll();
    return code;
}

} // namespace

class TestTaskRunnerShutdown : public QObject
{
    Q_OBJECT

private slots:
    void quitWhileTasksRun()
    {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {ChildArgument});
        QVERIFY(child.waitForFinished(30000));
        const QString output = QString::fromLocal8Bit(child.readAllStandardOutput() + child.readAllStandardError());
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QVERIFY2(output.contains("runAndWait returned after the work"), qPrintable(output));
        QVERIFY2(output.contains("stand-in destroyed after the reader finished"), qPrintable(output));
        QVERIFY2(!output.contains("QThread: Destroyed while thread is still running"), qPrintable(output));
    }

    void manyQuickRunsAllReturn()
    {
        for (int i = 0; i < 1000; ++i) {
            SleepTask task(0);
            ObjectTaskRunner::instance()->runAndWait(&task);
            QVERIFY(task.done);
        }
    }
};

int main(int argc, char** argv)
{
    if (argc > 1 && qstrcmp(argv[1], ChildArgument) == 0)
        return runChild(argc, argv);
    QCoreApplication application(argc, argv);
    TestTaskRunnerShutdown test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_taskrunnershutdown.moc"
