#include <QtTest>

#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>

#include "app/DialogController.h"
#include "app/MainView.h"

using namespace kiv;

class TestDialogController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // No GL under the offscreen platform: Qt Quick draws in software.
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    }

    void toastGlyphsAndDurations_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<int>("duration");
        QTest::newRow("toast") << "toast" << QString(QChar(0xE820)) << 2000;
        QTest::newRow("toast with icon") << "toast icon" << QString("*") << 2000;
        QTest::newRow("error") << "error" << QString(QChar(0xE8D0)) << 2000;
        QTest::newRow("info 500") << "info 500" << QString(QChar(0xE820)) << 500;
        QTest::newRow("ok") << "ok" << QString(QChar(0xE8C4)) << 2000;
        QTest::newRow("ok 750") << "ok 750" << QString(QChar(0xE8C4)) << 750;
    }

    void toastGlyphsAndDurations()
    {
        QFETCH(QString, call);
        QFETCH(QString, icon);
        QFETCH(int, duration);
        DialogController controller;
        if (call == "toast")
            controller.toast("x");
        else if (call == "toast icon")
            controller.toast("x", "*");
        else if (call == "error")
            controller.toastError("x");
        else if (call == "info 500")
            controller.toastInfo("x", 500);
        else if (call == "ok")
            controller.toastOk("x");
        else
            controller.toastOk("x", 750);
        QCOMPARE(controller.toasts().size(), 1);
        QCOMPARE(controller.toastIcon(), icon);
        QCOMPARE(controller.toastDuration(), duration);
        QCOMPARE(controller.toastMessage(), QString("x"));
        QCOMPARE(controller.toastBlocksInteraction(), false);
    }

    void toastsWaitUntilReadyAndShowOneByOne()
    {
        DialogController controller;
        QCOMPARE(controller.toastDuration(), 0);
        QVERIFY(controller.toastMessage().isEmpty());
        QSignalSpy display(&controller, &DialogController::displayToast);
        QSignalSpy message(&controller, &DialogController::toastMessageChanged);
        controller.toast("one", "", 100);
        controller.toast("two", "", 200);
        controller.toast("three", "", 300);
        QCOMPARE(display.count(), 0); // the map view has not appeared yet

        controller.setToastReady(true);
        QCOMPARE(display.count(), 1);
        QCOMPARE(message.takeLast().at(0).toString(), QString("one"));
        controller.toast("four", "", 400); // does not interrupt the first
        QCOMPARE(display.count(), 1);

        const QStringList expected = { "two", "three", "four" };
        for (const QString& next : expected) {
            controller.dismissToast();
            QCOMPARE(message.takeLast().at(0).toString(), next);
            QCOMPARE(controller.toastMessage(), next);
        }
        QCOMPARE(display.count(), 4);
        QCOMPARE(controller.toastDuration(), 400);
        controller.dismissToast();
        QCOMPARE(display.count(), 4);
        QCOMPARE(controller.toastDuration(), 0);
        controller.dismissToast(); // empty queue: nothing
        QCOMPARE(display.count(), 4);
    }

    void dialogFlags()
    {
        DialogController controller;
        QObject buttons;
        controller.messageBox("T", "M", &buttons);
        QVERIFY(controller.dialogActive());
        QVERIFY(controller.messageBoxActive());
        QVERIFY(!controller.customDialogActive());
        QCOMPARE(controller.messageBoxTitle(), QString("T"));
        QCOMPARE(controller.messageBoxButtonsModel(), &buttons);

        controller.launchCustomDialog("AboutDialog.qml");
        QVERIFY(controller.dialogActive());
        QVERIFY(!controller.messageBoxActive());
        QVERIFY(controller.customDialogActive());
        QCOMPARE(controller.customDialogType(), QString("AboutDialog.qml"));

        controller.messageBox("T2", "M2");
        QVERIFY(!controller.customDialogActive());
        QCOMPARE(controller.messageBoxButtonsModel(), nullptr);
    }

    void resultReachesEachReceiverOnce()
    {
        DialogController controller;
        QList<int> answers;
        QString typeSeen = "unset";
        connect(&controller, &DialogController::result, this, [&](int r) {
            answers << r;
            typeSeen = controller.customDialogType();
        });
        controller.launchCustomDialog("X.qml");
        controller.dismissDialog(1);
        controller.dismissDialog(2);
        QCOMPARE(answers, QList<int>({ 1 }));
        QCOMPARE(typeSeen, QString()); // cleared before the answer goes out
        QVERIFY(!controller.dialogActive());
        QVERIFY(!controller.customDialogActive());
    }

    void settersStoreOnlyOnChange()
    {
        DialogController controller;
        QSignalSpy spy(&controller, &DialogController::messageBoxTitleChanged);
        controller.setMessageBoxTitle("a");
        controller.setMessageBoxTitle("a");
        QCOMPARE(spy.count(), 1);
    }

    void modalWaitIsQueuedToRootItem()
    {
        QQmlEngine engine;
        QQmlComponent component(&engine);
        component.setData("import QtQuick 2.0\nItem { property var calls: []\n"
                          "function modalWait(v) { calls.push(v); callsChanged() } }",
                          QUrl());
        std::unique_ptr<QObject> root(component.create());
        QVERIFY2(root, qPrintable(component.errorString()));
        DialogController controller;
        controller.modalWait(true); // no root item yet: nothing happens
        QCoreApplication::processEvents();
        controller.setRootItem(qobject_cast<QQuickItem*>(root.get()));
        controller.modalWait(QString("Saving"));
        controller.modalWait(false);
        QCOMPARE(root->property("calls").toList().size(), 0); // queued, not yet run
        QCoreApplication::processEvents();
        QCOMPARE(root->property("calls").toList(), QVariantList({ QString("Saving"), false }));
    }

    void slotsFromOtherThreadsRunOnTheControllerThread()
    {
        DialogController controller;
        QThread* worker = QThread::create([&] { controller.toastError("from worker"); });
        worker->start();
        worker->wait();
        delete worker;
        QCOMPARE(controller.toasts().size(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(controller.toasts().size(), 1);
        QCOMPARE(controller.toastMessage(), QString("from worker"));
    }

    void mainViewAnnouncesResize()
    {
        MainView view;
        QSignalSpy spy(&view, &MainView::resized);
        view.resize(320, 200);
        view.show();
        QTRY_VERIFY(spy.count() >= 1);
        QCOMPARE(view.resizeMode(), QQuickView::SizeRootObjectToView);
    }
};

QTEST_MAIN(TestDialogController)
#include "tst_dialogcontroller.moc"
