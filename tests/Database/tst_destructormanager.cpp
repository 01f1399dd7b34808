#include <QtTest>

#include "Database/AbstractCommandFactory.h"
#include "Database/Destructor.h"
#include "Database/DestructorManager.h"

#include <stdexcept>

namespace {

QStringList& events()
{
    static QStringList list;
    return list;
}

} // namespace

// Test singletons: each notes its construction and destruction.
#define TEST_SINGLETON(Name)                                                                                           \
    struct Name                                                                                                        \
    {                                                                                                                  \
        Name() { events() << "new " #Name; }                                                                           \
        ~Name() { events() << "delete " #Name; }                                                                       \
        static Name*& instance();                                                                                      \
    };

TEST_SINGLETON(FiveA)
TEST_SINGLETON(FiveB)
TEST_SINGLETON(Four)
TEST_SINGLETON(Six)
TEST_SINGLETON(Unused)

KIV_DEFINE_SINGLETON(FiveA, 5)
KIV_DEFINE_SINGLETON(FiveB, 5)
KIV_DEFINE_SINGLETON(Four, 4)
KIV_DEFINE_SINGLETON(Six, 6)
KIV_DEFINE_SINGLETON(Unused, 7)

class TestDestructorManager : public QObject
{
    Q_OBJECT

private slots:
    void emptyRegistryRefusesToCreate()
    {
        // The library's own command factories are set aside for the check.
        std::map<std::string, kiv::AbstractCommandFactory*> registered;
        registered.swap(kiv::AbstractCommandFactory::registry());
        try {
            kiv::AbstractCommandFactory::create("class kiv::AddDataCommand");
            registered.swap(kiv::AbstractCommandFactory::registry());
            QFAIL("no exception");
        } catch (const std::runtime_error& e) {
            registered.swap(kiv::AbstractCommandFactory::registry());
            QCOMPARE(QString(e.what()), QString("Abstract factory has no registered concrete factory classes. "
                                                "Please contact Brackwater with a bug-report."));
        }
    }

    void teardownOrder()
    {
        // First use: Four, FiveB, Six, FiveA (FiveB again does not re-register).
        QVERIFY(Four::instance());
        QVERIFY(FiveB::instance());
        QVERIFY(Six::instance());
        QVERIFY(FiveA::instance());
        QVERIFY(FiveB::instance());
        QCOMPARE(events(), QStringList({ "new Four", "new FiveB", "new Six", "new FiveA" }));

        events().clear();
        kiv::DestructorManager::instance().destroyAll();
        // Highest priority first; equal priorities in order of first use.
        QCOMPARE(events(), QStringList({ "delete Six", "delete FiveB", "delete FiveA", "delete Four" }));
    }

    void noRecreationAfterTeardown()
    {
        events().clear();
        QCOMPARE(FiveA::instance(), nullptr);
        QCOMPARE(Four::instance(), nullptr);
        // A second run finds null pointers and destroys nothing twice.
        kiv::DestructorManager::instance().destroyAll();
        QVERIFY(events().isEmpty());
    }

    void destroyOnNullPointerDoesNothing()
    {
        kiv::TDestructor<FiveA> record(5);
        record.destroy();
        QVERIFY(events().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDestructorManager)
#include "tst_destructormanager.moc"
