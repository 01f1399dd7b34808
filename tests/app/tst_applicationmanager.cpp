#include <QtTest>

#include "app/ApplicationManager.h"
#include "app/MainView.h"
#include "support/FileSizeLimit.h"
#include "tools/QPositioningLocationManager.h"
#include "tools/SimpleCompassClino.h"
#include "tools/Tool.h"

#include <QGuiApplication>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickView>
#include <QSet>
#include <QSettings>
#include <QScreen>

#include <cpl_conv.h>

#include <memory>
#include <thread>

using kiv::ApplicationManager;

namespace {

class FakeCompassClino : public kiv::AbstractCompassClino
{
public:
    explicit FakeCompassClino(bool hasSensors, QObject* parent)
        : kiv::AbstractCompassClino(parent)
    {
        setHasRequiredSensors(hasSensors);
    }
    bool startUpdates() override { return false; }
};

// The manager with sensors the test chooses.
class TestManager : public ApplicationManager
{
public:
    using ApplicationManager::ApplicationManager;

    void installCompassClino(bool hasSensors)
    {
        setSensors(nullptr, new FakeCompassClino(hasSensors, this));
    }
};

QString configHome()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME");
}

QSettings userStore()
{
    return QSettings(QStringLiteral("user"), QString());
}

// Enumerations and object pointers compared by their plain value.
QVariant plain(const QVariant& value)
{
    if (value.userType() == qMetaTypeId<QObject*>())
        return QVariant::fromValue(quintptr(value.value<QObject*>()));
    if (QMetaType::typeFlags(value.userType()) & QMetaType::IsEnumeration)
        return value.toInt();
    return value;
}

} // namespace

class TestApplicationManager : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestManager> manager;

    void newManager()
    {
        manager.reset();
        manager = std::make_unique<TestManager>(qGuiApp);
    }

    // Spies on the change signal of a property of the manager.
    std::unique_ptr<QSignalSpy> notifySpy(const QString& property) const
    {
        const QMetaObject* meta = manager->metaObject();
        const QMetaProperty p = meta->property(meta->indexOfProperty(property.toLatin1()));
        return std::make_unique<QSignalSpy>(manager.get(), ("2" + p.notifySignal().methodSignature()).constData());
    }

private slots:
    void initTestCase()
    {
        // As main sets them: they name the default settings store and folders.
        QCoreApplication::setOrganizationName(QStringLiteral("KIV"));
        QCoreApplication::setOrganizationDomain(QStringLiteral("quarzel.example"));
        QCoreApplication::setApplicationName(QStringLiteral("Quarzel"));
        QVERIFY(!configHome().isEmpty());
    }

    void init()
    {
        QSettings().clear();
        userStore().clear();
        newManager();
    }

    void cleanup()
    {
        manager.reset();
        QDir(QDir::tempPath() + QStringLiteral("/example.quarzel.Quarzel")).removeRecursively();
    }

    void properties_data()
    {
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("initial");
        QTest::addColumn<QVariant>("changed"); // invalid: read-only or set elsewhere
        auto row = [](const char* property, const QVariant& initial, const QVariant& changed = QVariant()) {
            QTest::newRow(property) << property << initial << changed;
        };
        QObject* object = this;
        row("buildNumber", "1.3.0.25162");
        row("canUndo", false);
        row("ui", QVariant::fromValue<QObject*>(nullptr), QVariant::fromValue(object));
        row("topBar", QVariant::fromValue<QObject*>(nullptr), QVariant::fromValue(object));
        row("logicalToPhysicalMultiplier", 1.0, 1.5);
        row("physicalToGLMultiplier", 1.0, 2.0);
        row("isDesktopOS", true, false);
        row("fullscreen", false);
        row("compassClinoEnabled", false, false); // changed with a compass present
        row("userKeyboardControl", false, true);
        row("keyboardVisible", false);
        row("keyboardHeight", 0);
        row("resetCaches", false, true);
        row("unitType", int(ApplicationManager::Metric), int(ApplicationManager::Imperial));
        row("angleConvention", int(ApplicationManager::DipAzimuth), int(ApplicationManager::DipStrikeRHR));
        row("pickPrecision", 16.0, 24.5);
        row("useQmlImageGallery", false, true);
        row("initialView", "Splash.qml", "ProjectView.qml");
        row("debugMessage", QString(), "hello");
        row("compassClinoInputMode", 0, 1);
        row("baseMapOnline", 2, 0);
        row("glRenderer", QString(), "llvmpipe");
        row("newBuildNumber", "1.3.0.25162");
        row("newBuildUrl", "https://www.quarzel.example/digital-mapping", "https://downloads.quarzel.example/");
        row("newBuildNotes", "Minor updates and bug fixes.", "Notes");
        row("newBuildAvailable", false, true);
        row("isLowMemoryDevice", false);
    }

    void properties()
    {
        QFETCH(QString, property);
        QFETCH(QVariant, initial);
        QFETCH(QVariant, changed);
        const QVariant actual = manager->property(property.toLatin1());
        QVERIFY2(actual.isValid(), qPrintable(property));
        QCOMPARE(plain(actual), plain(initial));
        if (!changed.isValid())
            return;
        // Setters store and announce only a change, and keep it out of the user's store.
        manager->installCompassClino(true);
        const auto spy = notifySpy(property);
        QVERIFY(spy->isValid());
        QVERIFY(manager->setProperty(property.toLatin1(), changed));
        QCOMPARE(spy->count(), 1);
        QCOMPARE(plain(spy->first().value(0)), plain(changed));
        QVERIFY(manager->setProperty(property.toLatin1(), changed));
        QCOMPARE(spy->count(), 1);
        QVERIFY(!userStore().contains(property));
    }

    void glRendererFromAnotherThreadLandsOnGuiThread()
    {
        QSignalSpy spy(manager.get(), &ApplicationManager::glRendererChanged);
        Qt::HANDLE emittingThread = nullptr;
        connect(manager.get(), &ApplicationManager::glRendererChanged, this,
                [&emittingThread] { emittingThread = QThread::currentThreadId(); },
                Qt::DirectConnection);
        std::thread renderThread([this] { manager->setGlRenderer(QStringLiteral("Mesa")); });
        renderThread.join();
        QTRY_COMPARE(manager->glRenderer(), QStringLiteral("Mesa"));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(emittingThread, QThread::currentThreadId());
    }

    void compassClinoEnabled_data()
    {
        QTest::addColumn<bool>("haveSource");
        QTest::addColumn<bool>("hasSensors");
        QTest::addColumn<bool>("flag");
        QTest::addColumn<bool>("expected");
        QTest::newRow("no source") << false << true << true << false;
        QTest::newRow("no sensors") << true << false << true << false;
        QTest::newRow("switched off") << true << true << false << false;
        QTest::newRow("all there") << true << true << true << true;
    }

    void compassClinoEnabled()
    {
        QFETCH(bool, haveSource);
        QFETCH(bool, hasSensors);
        QFETCH(bool, flag);
        QFETCH(bool, expected);
        if (haveSource)
            manager->installCompassClino(hasSensors);
        manager->setCompassClinoEnabled(flag);
        QCOMPARE(manager->compassClinoEnabled(), expected);

        // The stored flag follows what the device can do.
        manager->saveSettings();
        QCOMPARE(userStore().value(QStringLiteral("compassClinoEnabled")).toBool(), expected);
    }

    void createSensorsAnnouncesBoth()
    {
        QSignalSpy locationSpy(manager.get(), &ApplicationManager::locationManagerChanged);
        QSignalSpy compassSpy(manager.get(), &ApplicationManager::compassClinoChanged);
        manager->createSensors();
        QCOMPARE(locationSpy.count(), 1);
        QCOMPARE(compassSpy.count(), 1);
        QVERIFY(qobject_cast<kiv::QPositioningLocationManager*>(manager->locationManager()));
        QVERIFY(qobject_cast<kiv::SimpleCompassClino*>(manager->compassClino()));
        QCOMPARE(manager->locationManager()->parent(), manager.get());
        QCOMPARE(manager->compassClino()->parent(), manager.get());
    }

    void userStoreFileAndKeys()
    {
        manager->setPickPrecision(20.0);
        manager->setUnitType(ApplicationManager::Imperial);
        manager->setBaseMapOnline(1);
        manager->saveSettings();

        const QString path = configHome() + QStringLiteral("/user.conf");
        QVERIFY2(QFile::exists(path), qPrintable(path));
        QSettings file(path, QSettings::IniFormat);
        QStringList keys = file.allKeys();
        keys.sort();
        QStringList expected {"BaseMapOnlineMode", "UseQmlImageGallery", "angleConvention",
                              "compassClinoEnabled", "compassClinoInputMode", "pickPrecision",
                              "resetCaches", "unitType"};
        expected.sort();
        QCOMPARE(keys, expected);
        QCOMPARE(file.value("pickPrecision").toDouble(), 20.0);
        QCOMPARE(file.value("unitType").toInt(), 1);
        QCOMPARE(file.value("BaseMapOnlineMode").toInt(), 1);
        // Nothing of the user's choices leaks into the default store.
        QVERIFY(QSettings().allKeys().isEmpty());
    }

    // On a full disk nothing is written, the store answers as before and the
    // setting shown is the stored one again, announced.
    void saveSettingsOnAFullDisk_data()
    {
        QTest::addColumn<bool>("full");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("key");
        QTest::newRow("room, imperial") << false << "unitType" << QVariant(1) << "unitType";
        QTest::newRow("full, imperial") << true << "unitType" << QVariant(1) << "unitType";
        QTest::newRow("full, right-hand rule") << true << "angleConvention" << QVariant(1) << "angleConvention";
        QTest::newRow("full, gallery") << true << "useQmlImageGallery" << QVariant(true) << "UseQmlImageGallery";
        QTest::newRow("full, nothing changed") << true << "unitType" << QVariant(0) << "unitType";
    }

    void saveSettingsOnAFullDisk()
    {
        QFETCH(bool, full);
        QFETCH(QString, property);
        QFETCH(QVariant, value);
        QFETCH(QString, key);
        QVERIFY(manager->saveSettings());
        const QVariant before = plain(manager->property(property.toLatin1()));
        QFile file(configHome() + QStringLiteral("/user.conf"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray stored = file.readAll();
        file.close();
        const std::unique_ptr<QSignalSpy> spy = notifySpy(property);

        manager->setProperty(property.toLatin1(), value);
        const bool changed = plain(manager->property(property.toLatin1())) != before;
        bool saved = false;
        {
            std::unique_ptr<kiv::test::FileSizeLimit> limit;
            if (full)
                limit = std::make_unique<kiv::test::FileSizeLimit>(0);
            QVERIFY(!limit || limit->isSet());
            saved = manager->saveSettings();
        }
        const bool written = !full && changed;
        QCOMPARE(saved, !full || !changed);
        QCOMPARE(plain(manager->property(property.toLatin1())), written || !changed ? value : before);
        QCOMPARE(spy->count(), !changed ? 0 : saved ? 1 : 2);
        QCOMPARE(plain(userStore().value(key)).toString(), (written ? value : before).toString());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll() == stored, !written);
    }

    void defaultStoreFileAndGroup()
    {
        QSignalSpy spy(manager.get(), &ApplicationManager::settingChanged);
        manager->setValue(QStringLiteral("LineToolExpandMode"), 2);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.first().at(0).toString(), QStringLiteral("LineToolExpandMode"));

        const QString path = configHome() + QStringLiteral("/KIV/Quarzel.conf");
        QVERIFY2(QFile::exists(path), qPrintable(path));
        QSettings file(path, QSettings::IniFormat);
        QCOMPARE(file.value("qml/LineToolExpandMode").toInt(), 2);
        QCOMPARE(manager->value(QStringLiteral("LineToolExpandMode")).toInt(), 2);
        QCOMPARE(manager->value(QStringLiteral("missing"), 7).toInt(), 7);
        QVERIFY(userStore().allKeys().isEmpty());
    }

    void setValueIfNotSet()
    {
        QSignalSpy spy(manager.get(), &ApplicationManager::settingChanged);
        manager->setValueIfNotSet(QStringLiteral("tip"), QStringLiteral("first"));
        QCOMPARE(spy.count(), 1);
        manager->setValueIfNotSet(QStringLiteral("tip"), QStringLiteral("second"));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(manager->value(QStringLiteral("tip")).toString(), QStringLiteral("first"));
    }

    void boolValue_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<bool>("defaultValue");
        QTest::addColumn<bool>("expected");
        QTest::newRow("missing") << QVariant() << true << true;
        QTest::newRow("true") << QVariant(true) << false << true;
        QTest::newRow("false") << QVariant(false) << true << false;
        QTest::newRow("text true") << QVariant("true") << false << true;
        QTest::newRow("not a bool") << QVariant("perhaps") << true << true;
    }

    void boolValue()
    {
        QFETCH(QVariant, stored);
        QFETCH(bool, defaultValue);
        QFETCH(bool, expected);
        if (stored.isValid())
            manager->setValue(QStringLiteral("flag"), stored);
        QCOMPARE(manager->boolValue(QStringLiteral("flag"), defaultValue), expected);
    }

    void loadSettings_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("expected");
        QTest::newRow("precision") << "pickPrecision" << QVariant(30.5) << "pickPrecision" << QVariant(30.5);
        QTest::newRow("precision text") << "pickPrecision" << QVariant("abc") << "pickPrecision" << QVariant(16.0);
        QTest::newRow("precision negative") << "pickPrecision" << QVariant(-4.0) << "pickPrecision" << QVariant(16.0);
        QTest::newRow("precision zero") << "pickPrecision" << QVariant(0.0) << "pickPrecision" << QVariant(16.0);
        QTest::newRow("precision inf") << "pickPrecision" << QVariant("inf") << "pickPrecision" << QVariant(16.0);
        QTest::newRow("precision nan") << "pickPrecision" << QVariant("nan") << "pickPrecision" << QVariant(16.0);
        QTest::newRow("unit imperial") << "unitType" << QVariant(1) << "unitType" << QVariant(1);
        QTest::newRow("unit out of range") << "unitType" << QVariant(5) << "unitType" << QVariant(0);
        QTest::newRow("unit text") << "unitType" << QVariant("feet") << "unitType" << QVariant(0);
        QTest::newRow("convention rhr") << "angleConvention" << QVariant(1) << "angleConvention" << QVariant(1);
        QTest::newRow("convention negative") << "angleConvention" << QVariant(-1) << "angleConvention" << QVariant(0);
        QTest::newRow("reset") << "resetCaches" << QVariant(true) << "resetCaches" << QVariant(true);
        QTest::newRow("reset text") << "resetCaches" << QVariant("perhaps") << "resetCaches" << QVariant(false);
        QTest::newRow("input mode") << "compassClinoInputMode" << QVariant(3) << "compassClinoInputMode" << QVariant(3);
        QTest::newRow("input mode fraction") << "compassClinoInputMode" << QVariant("2.5") << "compassClinoInputMode" << QVariant(0);
        QTest::newRow("online offline") << "BaseMapOnlineMode" << QVariant(1) << "baseMapOnline" << QVariant(1);
        QTest::newRow("online out of range") << "BaseMapOnlineMode" << QVariant(7) << "baseMapOnline" << QVariant(2);
        QTest::newRow("gallery") << "UseQmlImageGallery" << QVariant(true) << "useQmlImageGallery" << QVariant(true);
        QTest::newRow("compass off") << "compassClinoEnabled" << QVariant(false) << "compassClinoEnabled" << QVariant(false);
        QTest::newRow("compass text") << "compassClinoEnabled" << QVariant("x") << "compassClinoEnabled" << QVariant(true);
        QTest::newRow("no precision") << "" << QVariant() << "pickPrecision" << QVariant(16.0);
        QTest::newRow("no unit") << "" << QVariant() << "unitType" << QVariant(0);
        QTest::newRow("no convention") << "" << QVariant() << "angleConvention" << QVariant(0);
        QTest::newRow("no online mode") << "" << QVariant() << "baseMapOnline" << QVariant(2);
    }

    void loadSettings()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QString, property);
        QFETCH(QVariant, expected);
        manager->installCompassClino(true);
        // Away from the defaults first: a value that cannot be used must not stay.
        manager->setPickPrecision(3.0);
        manager->setUnitType(ApplicationManager::Imperial);
        manager->setAngleConvention(ApplicationManager::DipStrikeRHR);
        manager->setBaseMapOnline(0);
        if (!key.isEmpty())
            userStore().setValue(key, stored);
        manager->loadSettings();
        QCOMPARE(plain(manager->property(property.toLatin1())), plain(expected));
    }

    void loadSettingsAnnouncesOnlyThree()
    {
        manager->installCompassClino(true);
        {
            QSettings store = userStore();
            store.setValue("pickPrecision", 8.0);
            store.setValue("unitType", 1);
            store.setValue("angleConvention", 1);
            store.setValue("resetCaches", true);
            store.setValue("compassClinoInputMode", 1);
            store.setValue("compassClinoEnabled", false);
            store.setValue("BaseMapOnlineMode", 0);
            store.setValue("UseQmlImageGallery", true);
        }
        const QStringList quiet {"pickPrecision", "unitType", "angleConvention", "resetCaches",
                                 "compassClinoInputMode"};
        const QStringList announced {"compassClinoEnabled", "baseMapOnline", "useQmlImageGallery"};
        std::vector<std::unique_ptr<QSignalSpy>> spies;
        for (const QString& name : quiet + announced)
            spies.push_back(notifySpy(name));
        manager->loadSettings();
        for (int i = 0; i < int(spies.size()); ++i)
            QCOMPARE(spies[size_t(i)]->count(), i < quiet.size() ? 0 : 1);
        QCOMPARE(manager->unitType(), ApplicationManager::Imperial);
        manager->loadSettings();
        for (int i = 0; i < int(spies.size()); ++i)
            QCOMPARE(spies[size_t(i)]->count(), i < quiet.size() ? 0 : 1);
    }

    void localizedLengthValue_data()
    {
        QTest::addColumn<double>("metres");
        QTest::addColumn<int>("unit");
        QTest::addColumn<bool>("withTag");
        QTest::addColumn<QString>("expected");
        QTest::newRow("metric") << 1.4 << 0 << true << "1m";
        QTest::newRow("imperial") << 1.4 << 1 << true << "5ft";
        QTest::newRow("half up") << 2.5 << 0 << false << "3";
        QTest::newRow("half away from zero") << -2.5 << 0 << false << "-3";
        QTest::newRow("no negative zero") << -0.4 << 0 << true << "0m";
        QTest::newRow("large") << 123456789.0 << 0 << true << "123456789m";
        QTest::newRow("imperial small") << 0.5 << 1 << false << "2";
    }

    void localizedLengthValue()
    {
        QFETCH(double, metres);
        QFETCH(int, unit);
        QFETCH(bool, withTag);
        QFETCH(QString, expected);
        manager->setUnitType(ApplicationManager::LengthUnit(unit));
        QCOMPARE(manager->localizedLengthValue(metres, withTag), expected);
    }

    void modelLengthValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("unit");
        QTest::addColumn<double>("expected");
        QTest::addColumn<bool>("isNumber");
        QTest::newRow("not a number") << "abc" << 0 << 0.0 << false;
        QTest::newRow("empty") << "" << 1 << 0.0 << false;
        QTest::newRow("metric") << "10" << 0 << 10.0 << true;
        QTest::newRow("imperial") << "10" << 1 << 3.048 << true;
        QTest::newRow("negative") << "-2.5" << 0 << -2.5 << true;
        QTest::newRow("blanks") << " 7 " << 0 << 7.0 << true;
        QTest::newRow("infinite") << "inf" << 0 << 0.0 << false;
        QTest::newRow("not a number, spelt") << "nan" << 0 << 0.0 << false;
        QTest::newRow("beyond a double") << "1e999" << 0 << 0.0 << false;
        // Beyond 1,000 km either way a typed length is a slip.
        QTest::newRow("largest double") << "1.7976931348623157e308" << 0 << 0.0 << false;
        QTest::newRow("1000 km") << "1000000" << 0 << 1.0e6 << true;
        QTest::newRow("1000 km down") << "-1000000" << 0 << -1.0e6 << true;
        QTest::newRow("just beyond 1000 km") << "1000000.01" << 0 << 0.0 << false;
        QTest::newRow("40 digits") << QString(40, QLatin1Char('9')) << 0 << 0.0 << false;
        QTest::newRow("feet within 1000 km") << "3280839" << 1 << 999999.96 << true;
        QTest::newRow("feet beyond 1000 km") << "-3280840" << 1 << 0.0 << false;
        QTest::newRow("decimal comma") << "12,5" << 0 << 0.0 << false;
    }

    void modelLengthValue()
    {
        QFETCH(QString, text);
        QFETCH(int, unit);
        QFETCH(double, expected);
        QFETCH(bool, isNumber);
        manager->setUnitType(ApplicationManager::LengthUnit(unit));
        const double value = manager->modelLengthValue(text);
        QVERIFY2(qAbs(value - expected) <= 1e-6 * qMax(1.0, qAbs(expected)),
                 qPrintable(QString::number(value, 'g', 10)));
        QCOMPARE(manager->isLengthText(text), isNumber);
    }

    void scaleFactor_data()
    {
        QTest::addColumn<double>("dpi");
        QTest::addColumn<double>("longSide");
        QTest::addColumn<double>("expected");
        QTest::newRow("laptop") << 96.0 << 1366.0 << 0.657309;
        QTest::newRow("phone") << 400.0 << 1280.0 << 1.511055;
        QTest::newRow("tablet") << 264.0 << 2048.0 << 1.807601;
        QTest::newRow("exactly 5.8 inches") << 200.0 << 1160.0 << 1.369394;
        QTest::newRow("no dpi") << 0.0 << 1280.0 << 1.511055;
        QTest::newRow("negative dpi") << -96.0 << 1280.0 << 1.511055;
        QTest::newRow("nan dpi") << qQNaN() << 1280.0 << 1.511055;
        QTest::newRow("infinite dpi") << qInf() << 1280.0 << 1.511055;
        QTest::newRow("no geometry") << 96.0 << 0.0 << 0.657309;
        QTest::newRow("nothing known") << 0.0 << 0.0 << 1.0;
    }

    void scaleFactor()
    {
        QFETCH(double, dpi);
        QFETCH(double, longSide);
        QFETCH(double, expected);
        QVERIFY2(qAbs(ApplicationManager::scaleFactorFor(dpi, longSide) - expected) < 1e-6,
                 qPrintable(QString::number(ApplicationManager::scaleFactorFor(dpi, longSide), 'f', 7)));
    }

    void scaleFactorFollowsTheViewScreen()
    {
        QSignalSpy spy(manager.get(), &ApplicationManager::logicalToPhysicalMultiplierChanged);
        manager->updateLogicalToPhysicalMultiplier();
        QCOMPARE(spy.count(), 0); // no view yet

        kiv::MainView view;
        manager->setMainView(&view);
        QVERIFY(view.screen());
        const QRect geometry = view.screen()->geometry();
        const double expected = ApplicationManager::scaleFactorFor(
            view.screen()->physicalDotsPerInch(), qMax(geometry.width(), geometry.height()));
        manager->updateLogicalToPhysicalMultiplier();
        QCOMPARE(manager->logicalToPhysicalMultiplier(), expected);
        const int announced = spy.count();
        QCOMPARE(announced, expected == 1.0 ? 0 : 1);
        manager->updateLogicalToPhysicalMultiplier();
        QCOMPARE(spy.count(), announced);
        manager->setMainView(nullptr);
    }

    void uniqueIds()
    {
        // 1000 in a row here and 4 x 250 at once on other threads.
        const ApplicationManager* shared = manager.get();
        std::vector<QStringList> batches(5);
        std::vector<std::thread> workers;
        for (int i = 0; i < 1000; ++i)
            batches[0] << shared->makeUniqueId(QStringLiteral("Data"));
        for (size_t b = 1; b < batches.size(); ++b)
            workers.emplace_back([shared, &batch = batches[b]] {
                for (int i = 0; i < 250; ++i)
                    batch << shared->makeUniqueId(QStringLiteral("LineTool"));
            });
        for (std::thread& worker : workers)
            worker.join();
        const QRegularExpression form(QStringLiteral("^[0-9a-f]{32}$"));
        QSet<QString> ids;
        for (const QStringList& batch : batches)
            for (const QString& id : batch) {
                QVERIFY2(form.match(id).hasMatch(), qPrintable(id));
                ids.insert(id);
            }
        QCOMPARE(ids.size(), 2000);
    }

    void contrastingColor_data()
    {
        QTest::addColumn<QColor>("color");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("black") << QColor(Qt::black) << QColor(Qt::white);
        QTest::newRow("value 164") << QColor::fromHsv(200, 255, 164) << QColor(Qt::white);
        QTest::newRow("value 165") << QColor::fromHsv(200, 255, 165) << QColor(Qt::black);
        QTest::newRow("white") << QColor(Qt::white) << QColor(Qt::black);
        QTest::newRow("dark red") << QColor(128, 0, 0) << QColor(Qt::white);
        QTest::newRow("yellow") << QColor(Qt::yellow) << QColor(Qt::black);
    }

    void contrastingColor()
    {
        QFETCH(QColor, color);
        QFETCH(QColor, expected);
        QCOMPARE(ApplicationManager::contrastingColor(color), expected);
    }

    void clearCaches_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::newRow("links inside") << "links inside";
        QTest::newRow("cache folder is a link") << "link";
        QTest::newRow("no cache folder") << "none";
    }

    void clearCaches()
    {
        QFETCH(QString, layout);
        QTemporaryDir outside;
        QVERIFY(QDir(outside.path()).mkpath(QStringLiteral("keep")));
        QVERIFY(touch(outside.path() + QStringLiteral("/keep/precious.txt")));
        QVERIFY(touch(outside.path() + QStringLiteral("/file.txt")));
        const QString cache = manager->cachePath();
        if (layout == QLatin1String("link")) {
            QVERIFY(QFile::link(outside.path(), cache));
        } else if (layout == QLatin1String("links inside")) {
            QVERIFY(QDir().mkpath(cache + QStringLiteral("/tiles/0/1")));
            for (const char* file : {"/cache.db", "/.hidden", "/tiles/0/1/2.png"})
                QVERIFY(touch(cache + QLatin1String(file)));
            QVERIFY(QFile::link(outside.path(), cache + QStringLiteral("/folderLink")));
            QVERIFY(QFile::link(outside.path() + QStringLiteral("/file.txt"), cache + QStringLiteral("/fileLink")));
            QVERIFY(QFile::link(outside.path(), cache + QStringLiteral("/tiles/deepLink")));
        }

        manager->clearCaches();

        QCOMPARE(QFileInfo(cache).isDir(), layout == QLatin1String("links inside"));
        QVERIFY(!QFileInfo(cache).isSymLink());
        QCOMPARE(QDir(cache).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System),
                 QStringList());
        QVERIFY(QFile::exists(outside.path() + QStringLiteral("/keep/precious.txt")));
        QVERIFY(QFile::exists(outside.path() + QStringLiteral("/file.txt")));
    }

    void setupEnvironmentOnlyForShippedFolders()
    {
        qunsetenv("GDAL_DATA");
        qunsetenv("GEOTIFF_CSV");
        qunsetenv("PROJ_LIB");
        CPLSetConfigOption("PROJ_LIB", nullptr);
        const QString gdal = manager->assetPath() + QStringLiteral("/gdal");
        QVERIFY(QDir().mkpath(gdal));

        manager->setupEnvironment();

        QCOMPARE(qEnvironmentVariable("GDAL_DATA"), gdal);
        QCOMPARE(qEnvironmentVariable("GEOTIFF_CSV"), gdal);
        QVERIFY(!qEnvironmentVariableIsSet("PROJ_LIB"));
        QCOMPARE(QString::fromLocal8Bit(CPLGetConfigOption("GDAL_DATA", "")), gdal);
        QCOMPARE(QString::fromLocal8Bit(CPLGetConfigOption("PROJ_LIB", "")), QString());
        QDir(manager->assetPath()).removeRecursively();
    }

    void setFullscreen_data()
    {
        QTest::addColumn<bool>("withView");
        QTest::newRow("without a view only stores") << false;
        QTest::newRow("with a view") << true;
    }

    void setFullscreen()
    {
        QFETCH(bool, withView);
        kiv::MainView view;
        if (withView)
            manager->setMainView(&view);
        QSignalSpy spy(manager.get(), &ApplicationManager::fullscreenChanged);
        for (bool on : {true, true, false}) {
            manager->setFullscreen(on);
            QCOMPARE(manager->fullscreen(), withView && on);
            QCOMPARE(QSettings().value(QStringLiteral("startFullscreen")).toBool(), on);
        }
        QCOMPARE(spy.count(), withView ? 2 : 0);
        manager->setMainView(nullptr);
    }

    void newBuildAnnouncement_data()
    {
        QTest::addColumn<QString>("announced");
        QTest::addColumn<int>("remindedDaysAgo"); // -1: never
        QTest::addColumn<bool>("before");
        QTest::addColumn<bool>("expected");
        QTest::newRow("newer, due") << "1.3.1.100" << -1 << false << true;
        QTest::newRow("older, due") << "1.3.0.25161" << -1 << true << false;
        QTest::newRow("three parts") << "1.3.0" << -1 << true << true;
        QTest::newRow("five parts") << "1.3.1.0.1" << -1 << false << false;
        QTest::newRow("newer, reminded today") << "1.3.1.100" << 0 << false << false;
        QTest::newRow("newer, reminded yesterday") << "1.3.1.100" << 1 << false << true;
        QTest::newRow("major wins") << "2.0.0.0" << -1 << false << true;
    }

    void newBuildAnnouncement()
    {
        QFETCH(QString, announced);
        QFETCH(int, remindedDaysAgo);
        QFETCH(bool, before);
        QFETCH(bool, expected);
        if (remindedDaysAgo >= 0)
            QSettings().setValue(QStringLiteral("NewVersionRemindMeLaterTime"),
                                 QDateTime::currentDateTime().addDays(-remindedDaysAgo));
        manager->setNewBuildAvailable(before);
        manager->setNewBuildNumber(announced);
        QCOMPARE(manager->newBuildAvailable(), expected);
    }

    void remindLaterPostponesToTomorrow()
    {
        QVERIFY(manager->isNewBuildReminderDue());
        manager->newBuildRemindLater();
        QVERIFY(!manager->isNewBuildReminderDue());
    }

    void baseZipAndShareDoNothing()
    {
        const QString zip = QDir::tempPath() + QStringLiteral("/out.zip");
        const QString file = QDir::tempPath() + QStringLiteral("/in.txt");
        QVERIFY(touch(file));
        QVERIFY(!manager->zipFiles(zip, {file}, nullptr));
        QVERIFY(!QFileInfo::exists(zip));
        QTest::ignoreMessage(QtDebugMsg,
                             "bool ApplicationManager::shareFiles(const QStringList &files) is not implemented!");
        QVERIFY(!manager->shareFiles({file}));
    }

    void loadTextFromFile()
    {
        const QString path = QDir::tempPath() + QStringLiteral("/help.txt");
        const QString text = QStringLiteral("Schiefer \u00e4\nline two");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0);
        file.close();
        QCOMPARE(manager->loadTextFromFile(path), text);
        QCOMPARE(manager->loadTextFromFile(path + QStringLiteral(".missing")), QString());
    }

    // The help page joins the magnetic model; a user's own page is kept, and
    // without an asset folder nothing lands in the file system's root.
    void installAssets()
    {
        QTemporaryDir root;
        const QString page = root.filePath(QStringLiteral("help/Default.htm"));
        QVERIFY(ApplicationManager::installAssets(root.path()));
        QFile installed(page);
        QVERIFY(installed.open(QIODevice::ReadOnly));
        QVERIFY(installed.readAll().contains("<html>"));
        QVERIFY(QFile::exists(root.filePath(QStringLiteral("WMM/conf/WMM.COF"))));

        QFile own(page);
        QVERIFY(own.open(QIODevice::WriteOnly) && own.write("own") == 3);
        own.close();
        QVERIFY(ApplicationManager::installAssets(root.path()));
        QCOMPARE(manager->loadTextFromFile(page), QStringLiteral("own"));

        QVERIFY(!ApplicationManager::installAssets(QString()));
        QVERIFY(!QFile::exists(QStringLiteral("/help/Default.htm")));
    }

    void qmlSeesTheEnumerations()
    {
        manager->registerQmlTypes();
        QQmlEngine engine;
        engine.rootContext()->setContextProperty(QStringLiteral("_appManager"), manager.get());
        QQmlComponent component(&engine);
        component.setData("import QtQml 2.0\n"
                          "import quarzel.touch 1.0\n"
                          "QtObject {\n"
                          "  property int imperial: ApplicationManager.Imperial\n"
                          "  property int rhr: ApplicationManager.DipStrikeRHR\n"
                          "  property string id: _appManager.makeUniqueId(\"qml\")\n"
                          "  property string length: _appManager.localizedLengthValue(1.4)\n"
                          "}\n",
                          QUrl());
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        QCOMPARE(object->property("imperial").toInt(), 1);
        QCOMPARE(object->property("rhr").toInt(), 1);
        QCOMPARE(object->property("id").toString().size(), 32);
        QCOMPARE(object->property("length").toString(), QStringLiteral("1m"));
    }

    void toolAndInstanceDoNotDangle()
    {
        QCOMPARE(ApplicationManager::instance(), manager.get());
        auto* current = new kiv::Tool;
        manager->setCurrentTool(current);
        {
            kiv::Tool passing;
        }
        QCOMPARE(manager->currentTool(), current);
        delete current;
        QCOMPARE(manager->currentTool(), nullptr);
        manager.reset();
        QCOMPARE(ApplicationManager::instance(), nullptr);
        // A tool outliving the manager must not reach for it.
        kiv::Tool late;
    }

private:
    static bool touch(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write("x", 1) == 1;
    }
};

QTEST_MAIN(TestApplicationManager)
#include "tst_applicationmanager.moc"
