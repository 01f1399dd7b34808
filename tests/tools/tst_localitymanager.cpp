#include "Database/CommandManager.h"
#include "Database/Quarzel.pb.h"
#include "app/DialogController.h"
#include "model/AddLocalityCommand.h"
#include "model/Project.h"
#include "support/ProjectFixture.h"
#include "support/ScriptedLocationManager.h"
#include "tools/LocalityManager.h"

#include <QtTest>

using namespace kiv;

// Creating localities at the current position, on a project with two.
class TestLocalityManager : public QObject
{
    Q_OBJECT

    std::unique_ptr<test::ProjectFixture> fixture;

    static test::DocumentsApplication* app()
    {
        return static_cast<test::DocumentsApplication*>(ApplicationManager::instance());
    }

    std::vector<QZProtoBuffers::Locality> stored() const
    {
        std::vector<QZProtoBuffers::Locality> records;
        for (const std::string& message : fixture->messages("localities")) {
            records.emplace_back();
            records.back().ParseFromString(message);
        }
        return records;
    }

    // A locality added by another path than the manager's.
    static bool addOtherLocality()
    {
        auto other = std::make_shared<AddLocalityCommand>();
        other->setLocality(QStringLiteral("Other"), 46.0, 7.0, 0.0, 0.0, 0.0);
        return CommandManager::instance()->execute(other);
    }

private slots:
    void init()
    {
        fixture = std::make_unique<test::ProjectFixture>();
        QVERIFY(fixture->isValid());
        fixture->addLocality(test::idOf(0xa2), 2000);
        auto* location = new test::ScriptedLocationManager(app());
        location->setLastKnownCoordinate(QPointF(999.0, 999.0));
        location->setAltitude(12.0);
        location->setHorizontalAccuracy(3.0);
        location->setVerticalAccuracy(4.0);
        app()->setSensors(location, nullptr);
    }

    void cleanup()
    {
        app()->setSensors(nullptr, nullptr);
        fixture.reset();
    }

    void createsALocalityWhereTheDeviceIs()
    {
        LocalityManager manager;
        QSignalSpy created(&manager, &LocalityManager::localityCreated);
        // The position bar stores an altitude typed there first.
        AbstractLocationManager* location = app()->locationManager();
        connect(location, &AbstractLocationManager::pendingInputRequested, this, [=] { location->setAltitude(77.0); });
        manager.createLocality();
        disconnect(location, &AbstractLocationManager::pendingInputRequested, this, nullptr);
        QCOMPARE(created.count(), 1);
        const auto records = stored();
        QCOMPARE(records.size(), size_t(3));
        const auto made = std::find_if(records.begin(), records.end(), [this](const auto& record) {
            return QString::fromStdString(record.name()) == fixture->project->localityName(3);
        });
        QVERIFY(made != records.end());
        QCOMPARE(made->position().latitude(), 999.0);
        QCOMPARE(made->position().longitude(), 999.0);
        QCOMPARE(made->position().altitude(), 77.0);
        QCOMPARE(made->position().horizontalaccuracy(), 3.0);
        QCOMPARE(made->position().verticalaccuracy(), 4.0);
        // Only that creation is announced.
        QVERIFY(addOtherLocality());
        QCOMPARE(created.count(), 1);
    }

    // Nothing is announced, but the user is told (a full disk, say).
    void aFailedCreationAnnouncesNothing()
    {
        const auto dialogs = std::make_shared<DialogController>();
        app()->setDialogController(dialogs);
        LocalityManager manager;
        QSignalSpy created(&manager, &LocalityManager::localityCreated);
        {
            const auto lock = fixture->lockFor(QStringLiteral("EXCLUSIVE"));
            QVERIFY(lock->isLocked());
            manager.createLocality();
        }
        QCOMPARE(stored().size(), size_t(2));
        QCOMPARE(fixture->project->localities().size(), size_t(2));
        QVERIFY(addOtherLocality());
        QCOMPARE(created.count(), 0);
        QCOMPARE(dialogs->toasts().size(), 1);
        QCOMPARE(dialogs->toasts().front().message, QStringLiteral("Could not create locality"));
        app()->setDialogController(nullptr);
    }

    void activationMakesTheModelOnce()
    {
        LocalityManager manager;
        QSignalSpy models(&manager, &LocalityManager::localityModelChanged);
        QSignalSpy changes(&manager, &LocalityManager::activeChanged);
        manager.setActive(true);
        manager.setActive(true);
        manager.setActive(false);
        manager.setActive(true);
        QCOMPARE(models.count(), 1);
        QCOMPARE(changes.count(), 3);
        QVERIFY(manager.localityModel());
        auto* model = qobject_cast<QAbstractItemModel*>(manager.localityModel());
        QVERIFY(model);
        QCOMPARE(model->rowCount(), 2);
    }
};

QTEST_MAIN(TestLocalityManager)

#include "tst_localitymanager.moc"
