#include "map/ProjectViewController.h"
#include "support/MessageLog.h"

#include <QSignalSpy>
#include <QtTest>

using namespace kiv;

class TestViewControllers : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { test::recordLogLines(); }
    void init() { test::takeLines(); }

    void appearingActivatesOnce()
    {
        ProjectViewController controller;
        controller.setTitle(QStringLiteral("X"));
        QVERIFY(!controller.isEnabled());
        QSignalSpy active(&controller, &BaseViewController::activeChanged);
        controller.viewWillAppear();
        controller.viewDidAppear();
        QCOMPARE(active.count(), 1);
        QVERIFY(controller.isEnabled());
        QStringList messages = test::takeLines();
        QCOMPARE(messages.count(QStringLiteral("View X became ACTIVE")), 1);
        QVERIFY(messages.contains(QStringLiteral("View X did appear")));

        controller.viewWillDisappear();
        controller.viewDidDisappear();
        QCOMPARE(active.count(), 2);
        QCOMPARE(active.last().first().toBool(), false);
        QVERIFY(!controller.isEnabled());
        messages += test::takeLines();
        QCOMPARE(messages.count(QStringLiteral("View X became INACTIVE")), 1);
    }

    void settersAnnounceEveryCall()
    {
        ProjectViewController controller;
        QSignalSpy titles(&controller, &BaseViewController::titleChanged);
        QSignalSpy models(&controller, &BaseViewController::buttonsModelChanged);
        controller.setTitle(QStringLiteral("a"));
        controller.setTitle(QStringLiteral("a"));
        QCOMPARE(titles.count(), 2);
        QObject model;
        controller.setButtonsModel(&model);
        controller.setButtonsModel(&model);
        QCOMPARE(models.count(), 2);
        QCOMPARE(controller.buttonsModel(), &model);
    }
};

QTEST_MAIN(TestViewControllers)
#include "tst_viewcontrollers.moc"
