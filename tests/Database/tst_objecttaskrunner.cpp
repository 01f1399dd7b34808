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

// What a task's body and hooks saw; outlives the task, which the runner
// deletes.
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

    ProbeTask(const QString& name, bool canCancel, std::shared_ptr<Probe> probe, Body body)
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

} // namespace

class TestObjectTaskRunner : public QObject
{
    Q_OBJECT

private:
    QQmlEngine engine;
    std::unique_ptr<ObjectTaskRunner> runner;
    QList<QPointer<QObject>> items;

    QObject* newItem()
    {
        QQmlComponent component(&engine);
        component.setData(ItemSource, QUrl());
        QObject* item = component.create();
        if (!item)
            qWarning() << component.errorString();
        items.append(item);
        return item;
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

    void singletonIsCreatedOnce()
    {
        ObjectTaskRunner* first = ObjectTaskRunner::instance();
        QVERIFY(first);
        QCOMPARE(ObjectTaskRunner::instance(), first);
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
        ProbeTask task(QStringLiteral("direct"), true, std::make_shared<Probe>(), {});
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
        ProbeTask task(QStringLiteral("direct"), true, std::make_shared<Probe>(), {});
        QSignalSpy cancelled(&task, &Task::taskCancelled);
        task.setProgress(30);
        task.cancel();
        task.cancel();
        QCOMPARE(cancelled.count(), 1);
        QVERIFY(task.isCancelled());
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
        ProbeTask task(QStringLiteral("direct"), false, probe, {});
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
        QObject* item = newItem();
        QVERIFY(item);
        item->setProperty("progress", 55);
        item->setProperty("canCancel", !canCancel);
        auto probe = std::make_shared<Probe>();
        QPointer<Task> task = new ProbeTask(QStringLiteral("export"), canCancel, probe,
                                            [successful](ProbeTask& self, Probe& p) {
                                                p.waitForRelease();
                                                if (successful)
                                                    self.succeed();
                                            });
        QSignalSpy completed(task.data(), &Task::taskCompleted);
        runner->addTask(task, item);

        QCOMPARE(item->property("running").toBool(), true);
        QCOMPARE(item->property("canCancel").toBool(), canCancel);
        QCOMPARE(item->property("progress").toInt(), 0);
        QCOMPARE(runner->itemForTask(task), item);
        QCOMPARE(runner->taskForItem(item), task.data());

        probe->release.release();
        QTRY_COMPARE(item->property("completedCount").toInt(), 1);
        QCOMPARE(item->property("completedName").toString(), QStringLiteral("export"));
        QCOMPARE(item->property("completedSuccessful").toBool(), successful);
        QCOMPARE(item->property("running").toBool(), false);
        QCOMPARE(item->property("runningAtCompletion").toBool(), false);
        QCOMPARE(probe->finishedCalls.load(), 1);
        QCOMPARE(probe->finishedThread.load(), QThread::currentThread());
        QVERIFY(probe->workThread.load() != QThread::currentThread());
        QCOMPARE(completed.count(), 1);
        QVERIFY(task.isNull());
        QCOMPARE(runner->taskForItem(item), nullptr);
    }

    void progressAndCaptionReachTheItem()
    {
        QObject* item = newItem();
        auto probe = std::make_shared<Probe>();
        runner->addTask(new ProbeTask(QStringLiteral("import"), true, probe,
                                      [](ProbeTask& self, Probe& p) {
                                          self.setCaption(QStringLiteral("Copying pictures"));
                                          self.setProgress(40);
                                          p.waitForRelease();
                                      }),
                        item);
        QTRY_COMPARE(item->property("progress").toInt(), 40);
        QTRY_COMPARE(item->property("caption").toString(), QStringLiteral("Copying pictures"));
        probe->release.release();
        QTRY_COMPARE(item->property("completedCount").toInt(), 1);
    }

    void cancelFromTheItem()
    {
        QObject* item = newItem();
        auto probe = std::make_shared<Probe>();
        QPointer<Task> task = new ProbeTask(QStringLiteral("export"), true, probe,
                                            [](ProbeTask& self, Probe& p) {
                                                for (int i = 0; i < 5000; ++i) {
                                                    if (self.setProgress(i % 100 + 1)) {
                                                        p.sawCancel = true;
                                                        return;
                                                    }
                                                    QThread::msleep(1);
                                                }
                                            });
        QSignalSpy taskCancelled(task.data(), &Task::taskCancelled);
        runner->addTask(task, item);
        QTRY_VERIFY(item->property("progress").toInt() > 0);
        QVERIFY(QMetaObject::invokeMethod(item, "cancelled"));
        QTRY_COMPARE(item->property("completedCount").toInt(), 1);
        QVERIFY(probe->sawCancel);
        QCOMPARE(taskCancelled.count(), 1);
        QCOMPARE(item->property("completedCancelled").toBool(), true);
        QVERIFY(task.isNull());
    }

    void twoTasksUpdateOnlyTheirOwnItems()
    {
        QObject* itemA = newItem();
        QObject* itemB = newItem();
        auto probeA = std::make_shared<Probe>();
        auto probeB = std::make_shared<Probe>();
        auto body = [](int progress, const QString& caption) {
            return [progress, caption](ProbeTask& self, Probe& p) {
                self.setCaption(caption);
                self.setProgress(progress);
                p.waitForRelease();
            };
        };
        auto* taskA = new ProbeTask(QStringLiteral("A"), true, probeA, body(10, QStringLiteral("a")));
        QPointer<Task> taskB = new ProbeTask(QStringLiteral("B"), true, probeB, body(20, QStringLiteral("b")));
        runner->addTask(taskA, itemA);
        runner->addTask(taskB, itemB);
        QTRY_COMPARE(itemA->property("progress").toInt(), 10);
        QTRY_COMPARE(itemB->property("progress").toInt(), 20);
        QTRY_COMPARE(itemA->property("caption").toString(), QStringLiteral("a"));
        QTRY_COMPARE(itemB->property("caption").toString(), QStringLiteral("b"));

        probeA->release.release();
        QTRY_COMPARE(itemA->property("completedCount").toInt(), 1);
        QCOMPARE(itemA->property("completedName").toString(), QStringLiteral("A"));
        QCOMPARE(itemB->property("completedCount").toInt(), 0);
        QCOMPARE(itemB->property("running").toBool(), true);
        QCOMPARE(runner->taskForItem(itemA), nullptr);
        QCOMPARE(runner->taskForItem(itemB), taskB.data());
        QCOMPARE(runner->itemForTask(taskB), itemB);

        probeB->release.release();
        QTRY_COMPARE(itemB->property("completedCount").toInt(), 1);
        QCOMPARE(itemB->property("completedName").toString(), QStringLiteral("B"));
        QCOMPARE(itemA->property("completedCount").toInt(), 1);
        QVERIFY(taskB.isNull());
    }

    void runAndWaitBlocksAndKeepsTheTask()
    {
        auto probe = std::make_shared<Probe>();
        auto task = std::make_unique<ProbeTask>(QStringLiteral("layer"), false, probe,
                                                [](ProbeTask& self, Probe&) {
                                                    QThread::msleep(100);
                                                    self.setProgress(50);
                                                    self.succeed();
                                                });
        QSignalSpy completed(task.get(), &Task::taskCompleted);
        runner->runAndWait(task.get());
        QVERIFY(probe->workDone);
        QVERIFY(probe->workThread.load() != QThread::currentThread());
        QVERIFY(task->successful());
        // Back on the caller's thread, so the caller can use and delete it.
        QCOMPARE(task->thread(), QThread::currentThread());
        QCoreApplication::processEvents();
        QCOMPARE(probe->finishedCalls.load(), 0);
        QCOMPARE(completed.count(), 0);
        QCOMPARE(runner->itemForTask(task.get()), nullptr);
    }

    void throwingWorkStillCompletes()
    {
        QObject* item = newItem();
        auto probe = std::make_shared<Probe>();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("task .*broken.* failed: disk full"));
        runner->addTask(new ProbeTask(QStringLiteral("broken"), false, probe,
                                      [](ProbeTask&, Probe&) { throw std::runtime_error("disk full"); }),
                        item);
        QTRY_COMPARE(item->property("completedCount").toInt(), 1);
        QCOMPARE(item->property("completedSuccessful").toBool(), false);
        QCOMPARE(item->property("running").toBool(), false);
    }

    void itemDestroyedWhileRunning()
    {
        QObject* item = newItem();
        auto probe = std::make_shared<Probe>();
        QPointer<Task> task = new ProbeTask(QStringLiteral("export"), true, probe,
                                            [](ProbeTask& self, Probe& p) {
                                                p.waitForRelease();
                                                self.setProgress(70);
                                                self.setCaption(QStringLiteral("late"));
                                            });
        runner->addTask(task, item);
        delete item;
        probe->release.release();
        QTRY_VERIFY(task.isNull());
        QCOMPARE(probe->finishedCalls.load(), 1);
    }

    void runnerTeardownStopsRunningTasks()
    {
        QObject* item = newItem();
        auto probe = std::make_shared<Probe>();
        QPointer<Task> task = new ProbeTask(QStringLiteral("export"), true, probe,
                                            [](ProbeTask& self, Probe& p) {
                                                while (!self.isCancelled())
                                                    QThread::msleep(1);
                                                p.sawCancel = true;
                                            });
        runner->addTask(task, item);
        QTRY_VERIFY(probe->workThread.load() != nullptr);
        runner.reset();
        QVERIFY(probe->sawCancel);
        QVERIFY(task.isNull());
    }
};

QTEST_MAIN(TestObjectTaskRunner)
#include "tst_objecttaskrunner.moc"
