#include <QtTest>

#include "Database/ObjectTaskRunner.h"
#include "Database/Task.h"

#include <QPointer>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>

using kiv::ObjectTaskRunner;
using kiv::Task;

namespace {

// What a task's body and hooks saw; outlives the task, which the runner deletes.
struct Probe
{
    QSemaphore release;
    std::atomic<bool> workDone {false};
    std::atomic<bool> sawCancel {false};
    std::atomic<int> finishedCalls {0};
    std::atomic<QThread*> finishedThread {nullptr};
    std::atomic<QThread*> workThread {nullptr};

    // Blocks the worker until the test lets it go (or five seconds pass).
    void waitForRelease() { release.tryAcquire(1, 5000); }
};

class ProbeTask : public Task
{
public:
    using Body = std::function<void(ProbeTask&, Probe&)>;

    ProbeTask(const QString& name, bool canCancel, std::shared_ptr<Probe> probe, Body body = {})
        : Task(name, canCancel)
        , m_probe(std::move(probe))
        , m_body(std::move(body))
    {
    }

    void work() override
    {
        m_probe->workThread = QThread::currentThread();
        if (m_body)
            m_body(*this, *m_probe);
        m_probe->workDone = true;
    }

    void onFinished() override
    {
        ++m_probe->finishedCalls;
        m_probe->finishedThread = QThread::currentThread();
    }

    void succeed() { setSuccessful(true); }

private:
    std::shared_ptr<Probe> m_probe;
    Body m_body;
};

// Reports progress and caption, then waits for the test.
ProbeTask::Body reportAndWait(int progress, const QString& caption)
{
    return [progress, caption](ProbeTask& self, Probe& p) {
        self.setCaption(caption);
        self.setProgress(progress);
        p.waitForRelease();
    };
}

const char* const ItemSource = R"(
import QtQuick 2.4
Item {
    property bool running: false
    property bool canCancel: false
    property int progress: 0
    property string caption: ""
    signal cancelled()

    property int completedCount: 0
    property string completedName: ""
    property bool completedSuccessful: false
    property bool completedCancelled: false
    property bool runningAtCompletion: true
    function onCompleted(task) {
        completedName = task.objectName
        completedSuccessful = task.successful
        completedCancelled = task.cancelled
        runningAtCompletion = running
        completedCount += 1
    }
}
)";

// Counts the progress reports that reach the runner.
class CountingRunner : public ObjectTaskRunner
{
public:
    QList<int> progressSeen;

    void onProgressChanged(Task* task, int progress) override
    {
        progressSeen << progress;
        ObjectTaskRunner::onProgressChanged(task, progress);
    }
};

} // namespace

class TestObjectTaskRunner : public QObject
{
    Q_OBJECT

private:
    QQmlEngine engine;
    std::unique_ptr<ObjectTaskRunner> runner;
    QList<QPointer<QObject>> items;

    // A progress item and a task for it; the caller hands both to the runner.
    struct Job
    {
        QObject* item = nullptr;
        std::shared_ptr<Probe> probe = std::make_shared<Probe>();
        QPointer<Task> task;
    };

    Job newJob(const QString& name, bool canCancel, ProbeTask::Body body)
    {
        Job job;
        QQmlComponent component(&engine);
        component.setData(ItemSource, QUrl());
        job.item = component.create();
        if (!job.item)
            qWarning() << component.errorString();
        items.append(job.item);
        job.task = new ProbeTask(name, canCancel, job.probe, std::move(body));
        return job;
    }

    Job startJob(const QString& name, bool canCancel, ProbeTask::Body body)
    {
        Job job = newJob(name, canCancel, std::move(body));
        runner->addTask(job.task, job.item);
        return job;
    }

private slots:
    void init() { runner = std::make_unique<ObjectTaskRunner>(); }

    void cleanup()
    {
        runner.reset();
        for (const QPointer<QObject>& item : qAsConst(items))
            delete item.data();
        items.clear();
    }

    void setProgressEmitsOnlyOnChange_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QList<int>>("emitted");
        QTest::newRow("same twice") << QList<int> {5, 5} << QList<int> {5};
        QTest::newRow("initial zero") << QList<int> {0} << QList<int> {};
        QTest::newRow("back and forth") << QList<int> {10, 20, 20, 10} << QList<int> {10, 20, 10};
    }

    void setProgressEmitsOnlyOnChange()
    {
        QFETCH(QList<int>, values);
        QFETCH(QList<int>, emitted);
        ProbeTask task(QStringLiteral("direct"), true, std::make_shared<Probe>());
        QSignalSpy spy(&task, &Task::progressChanged);
        for (int value : values)
            QVERIFY(!task.setProgress(value));
        QList<int> seen;
        for (const QList<QVariant>& arguments : qAsConst(spy)) {
            QCOMPARE(arguments.at(0).value<Task*>(), &task);
            seen.append(arguments.at(1).toInt());
        }
        QCOMPARE(seen, emitted);
    }

    void cancelAndReset()
    {
        ProbeTask task(QStringLiteral("direct"), true, std::make_shared<Probe>());
        QSignalSpy cancelled(&task, &Task::taskCancelled);
        task.setProgress(30);
        task.cancel();
        task.cancel();
        QCOMPARE(cancelled.count(), 1);
        QVERIFY(task.property("cancelled").toBool());
        QVERIFY(task.setProgress(31));
        task.reset();
        QCOMPARE(task.progress(), 0);
        QVERIFY(!task.isCancelled());
    }

    void runCalledDirectlyKeepsTheCallersLoop()
    {
        // Run on its own thread, the task must not end that thread's loop.
        auto probe = std::make_shared<Probe>();
        ProbeTask task(QStringLiteral("direct"), false, probe);
        QEventLoop loop;
        QElapsedTimer clock;
        clock.start();
        QTimer::singleShot(0, &task, &Task::run);
        QTimer::singleShot(100, &loop, &QEventLoop::quit);
        loop.exec();
        QVERIFY(clock.elapsed() >= 90);
        QVERIFY(probe->workDone);
    }

    void startPreparesItemAndCompletionTellsIt_data()
    {
        QTest::addColumn<bool>("canCancel");
        QTest::addColumn<bool>("successful");
        QTest::newRow("cancellable, successful") << true << true;
        QTest::newRow("not cancellable, failed") << false << false;
    }

    void startPreparesItemAndCompletionTellsIt()
    {
        QFETCH(bool, canCancel);
        QFETCH(bool, successful);
        Job job = newJob(QStringLiteral("export"), canCancel, [successful](ProbeTask& self, Probe& p) {
            p.waitForRelease();
            if (successful)
                self.succeed();
        });
        QObject* item = job.item;
        item->setProperty("progress", 55);
        item->setProperty("canCancel", !canCancel);
        QSignalSpy completed(job.task.data(), &Task::taskCompleted);
        runner->addTask(job.task, item);

        QCOMPARE(item->property("running").toBool(), true);
        QCOMPARE(item->property("canCancel").toBool(), canCancel);
        QCOMPARE(item->property("progress").toInt(), 0);
        QCOMPARE(runner->itemForTask(job.task), item);
        QCOMPARE(runner->taskForItem(item), job.task.data());

        job.probe->release.release();
        QTRY_COMPARE(item->property("completedCount").toInt(), 1);
        QCOMPARE(item->property("completedName").toString(), QStringLiteral("export"));
        QCOMPARE(item->property("completedSuccessful").toBool(), successful);
        QCOMPARE(item->property("running").toBool(), false);
        QCOMPARE(item->property("runningAtCompletion").toBool(), false);
        QCOMPARE(job.probe->finishedCalls.load(), 1);
        QCOMPARE(job.probe->finishedThread.load(), QThread::currentThread());
        QVERIFY(job.probe->workThread.load() != QThread::currentThread());
        QCOMPARE(completed.count(), 1);
        QVERIFY(job.task.isNull());
        QCOMPARE(runner->taskForItem(item), nullptr);
    }

    void cancelFromTheItem()
    {
        Job job = newJob(QStringLiteral("export"), true, [](ProbeTask& self, Probe& p) {
            for (int i = 0; i < 5000 && !p.sawCancel; ++i) {
                p.sawCancel = self.setProgress(i % 100 + 1);
                QThread::msleep(1);
            }
        });
        QSignalSpy taskCancelled(job.task.data(), &Task::taskCancelled);
        runner->addTask(job.task, job.item);
        QTRY_VERIFY(job.item->property("progress").toInt() > 0);
        QVERIFY(QMetaObject::invokeMethod(job.item, "cancelled"));
        QTRY_COMPARE(job.item->property("completedCount").toInt(), 1);
        QVERIFY(job.probe->sawCancel);
        QCOMPARE(taskCancelled.count(), 1);
        QCOMPARE(job.item->property("completedCancelled").toBool(), true);
        QVERIFY(job.task.isNull());
    }

    void progressAndCaptionReachOnlyTheirOwnItems()
    {
        const Job a = startJob(QStringLiteral("A"), true, reportAndWait(10, QStringLiteral("a")));
        const Job b = startJob(QStringLiteral("B"), true, reportAndWait(20, QStringLiteral("b")));
        QTRY_COMPARE(a.item->property("progress").toInt(), 10);
        QTRY_COMPARE(b.item->property("progress").toInt(), 20);
        QTRY_COMPARE(a.item->property("caption").toString(), QStringLiteral("a"));
        QTRY_COMPARE(b.item->property("caption").toString(), QStringLiteral("b"));

        a.probe->release.release();
        QTRY_COMPARE(a.item->property("completedCount").toInt(), 1);
        QCOMPARE(a.item->property("completedName").toString(), QStringLiteral("A"));
        QCOMPARE(b.item->property("completedCount").toInt(), 0);
        QCOMPARE(b.item->property("running").toBool(), true);
        QCOMPARE(runner->taskForItem(a.item), nullptr);
        QCOMPARE(runner->taskForItem(b.item), b.task.data());
        QCOMPARE(runner->itemForTask(b.task), b.item);

        b.probe->release.release();
        QTRY_COMPARE(b.item->property("completedCount").toInt(), 1);
        QCOMPARE(a.item->property("completedCount").toInt(), 1);
        QVERIFY(b.task.isNull());
    }

    void runAndWaitBlocksAndKeepsTheTask()
    {
        auto probe = std::make_shared<Probe>();
        ProbeTask task(QStringLiteral("layer"), false, probe, [](ProbeTask& self, Probe&) {
            QThread::msleep(100);
            self.setProgress(50);
            self.succeed();
        });
        QSignalSpy completed(&task, &Task::taskCompleted);
        runner->runAndWait(&task);
        QVERIFY(probe->workDone);
        QVERIFY(probe->workThread.load() != QThread::currentThread());
        QVERIFY(task.successful());
        // Back on the caller's thread, so the caller can use and delete it.
        QCOMPARE(task.thread(), QThread::currentThread());
        QCoreApplication::processEvents();
        QCOMPARE(probe->finishedCalls.load(), 0);
        QCOMPARE(completed.count(), 0);
        QCOMPARE(runner->itemForTask(&task), nullptr);
    }

    void throwingWorkStillCompletes()
    {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("task .*broken.* failed: disk full"));
        const Job job = startJob(QStringLiteral("broken"), false,
                                 [](ProbeTask&, Probe&) { throw std::runtime_error("disk full"); });
        QTRY_COMPARE(job.item->property("completedCount").toInt(), 1);
        QCOMPARE(job.item->property("completedSuccessful").toBool(), false);
        QCOMPARE(job.item->property("running").toBool(), false);
    }

    void itemDestroyedWhileRunning()
    {
        const Job job = startJob(QStringLiteral("export"), true, [](ProbeTask& self, Probe& p) {
            p.waitForRelease();
            self.setProgress(70);
            self.setCaption(QStringLiteral("late"));
        });
        delete job.item;
        job.probe->release.release();
        QTRY_VERIFY(job.task.isNull());
        QCOMPARE(job.probe->finishedCalls.load(), 1);
    }

    void finishedThreadsAreDeleted()
    {
        auto probe = std::make_shared<Probe>();
        for (int i = 0; i < 100; ++i) {
            ProbeTask task(QStringLiteral("layer"), false, probe);
            runner->runAndWait(&task);
        }
        for (int i = 0; i < 3; ++i)
            startJob(QStringLiteral("export"), false, {});
        QTRY_VERIFY(runner->findChildren<QThread*>().isEmpty());
    }

    void aTaskStartedAgainReportsOncePerStart()
    {
        CountingRunner counting;
        auto probe = std::make_shared<Probe>();
        ProbeTask task(QStringLiteral("layer"), false, probe, [](ProbeTask& self, Probe&) {
            self.setProgress(40);
            self.setProgress(80);
        });
        counting.runAndWait(&task);
        counting.runAndWait(&task);
        QTRY_COMPARE(counting.progressSeen.size(), 4);
        QTest::qWait(20);
        QCOMPARE(counting.progressSeen, (QList<int> {40, 80, 40, 80}));
    }

    void runnerTeardownStopsRunningTasks()
    {
        const Job job = startJob(QStringLiteral("export"), true, [](ProbeTask& self, Probe& p) {
            while (!self.isCancelled())
                QThread::msleep(1);
            p.sawCancel = true;
        });
        QTRY_VERIFY(job.probe->workThread.load() != nullptr);
        runner.reset();
        QVERIFY(job.probe->sawCancel);
        QVERIFY(job.task.isNull());
    }
};

QTEST_MAIN(TestObjectTaskRunner)
#include "tst_objecttaskrunner.moc"
