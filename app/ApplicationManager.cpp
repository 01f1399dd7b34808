#include "app/ApplicationManager.h"
#include "app/BundledFile.h"
#include "app/CacheFolder.h"
#include "app/QmlTypeRegistry.h"
#include "app/StaleLockFile.h"
#include "app/UpdateReminder.h"
#include "app/UserSettings.h"

#include "Database/CommandManager.h"
#include "Database/StartLeftovers.h"
#include "drawing/SketchFileSet.h"
#include "export/ExportLeftovers.h"
#include "model/MergeJournal.h"
#include "Database/PersistantCache.h"

#include "app/ConnectionProbe.h"
#include "app/DialogController.h"
#include "model/ModelManager.h"
#include "app/MainView.h"
#include "app/TestConnectionThread.h"
#include "app/ThumbnailImageProvider.h"
#include "app/platform/Platform.h"
#include "tools/MagneticModel.h"
#include "tools/QPositioningLocationManager.h"
#include "tools/SimpleCompassClino.h"
#include "tools/Tool.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDebug>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QQuickView>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTextStream>
#include <QThread>
#include <QtQml>

#include <cpl_conv.h>

#include <atomic>
#include <cmath>
#include <limits>

namespace kiv {

ApplicationManager* ApplicationManager::s_instance = nullptr;

namespace {

constexpr double FeetPerMetre = 3.2808399;
// Metres either way from sea level that a typed length may reach.
constexpr double MaxTypedLength = 1.0e6;
constexpr double MinimumScreenInches = 5.8;
const QString QmlGroup = QStringLiteral("qml");

// A typed length: a finite number in the C locale, blanks around it allowed.
bool parseLength(const QString& text, double* value)
{
    bool ok = false;
    *value = text.toDouble(&ok);
    return ok && std::isfinite(*value);
}

// Stores the value and emits the change signal only when it differs.
template <typename Field, typename Value, typename Signal>
void assign(ApplicationManager* manager, Field& field, const Value& value, Signal signal)
{
    if (field == value)
        return;
    field = value;
    emit (manager->*signal)(field);
}

} // namespace

ApplicationManager::ApplicationManager(QGuiApplication* application)
    : m_application(application)
{
    s_instance = this;
    // Queued connections and QML see the enumerations in the change signals.
    qRegisterMetaType<LengthUnit>();
    qRegisterMetaType<AngleConvention>();
    qRegisterMetaType<HelpStatus>();
    if (m_application) {
        connect(m_application, &QGuiApplication::applicationStateChanged, this,
                &ApplicationManager::applicationStateChanged);
    }
    connect(this, &ApplicationManager::newBuildNumberChanged, this,
            &ApplicationManager::onNewBuildNumberChanged);
}

ApplicationManager::~ApplicationManager()
{
    // The program never gets here; a stopped worker can go with its manager.
    if (m_connectionThread) {
        m_connectionThread->stop();
        if (m_connectionThread->isFinished())
            delete m_connectionThread;
    }
    if (s_instance == this)
        s_instance = nullptr;
}

ApplicationManager* ApplicationManager::instance()
{
    return s_instance;
}

double ApplicationManager::scaleFactorFor(double physicalDpi, double longSidePixels)
{
    const bool haveSide = std::isfinite(longSidePixels) && longSidePixels > 0.0;
    const bool haveDpi = std::isfinite(physicalDpi) && physicalDpi > 0.0;
    if (!haveDpi && !haveSide)
        return 1.0;
    double dpi = physicalDpi;
    if (!haveDpi || (haveSide && longSidePixels / dpi < MinimumScreenInches))
        dpi = longSidePixels / MinimumScreenInches;
    return dpi / 25.4 * 8.0 / 46.0;
}

// --- property readers ---------------------------------------------------------

QString ApplicationManager::buildNumber() const { return m_buildNumber; }

bool ApplicationManager::canUndo() const
{
    CommandManager* manager = CommandManager::instance();
    return manager && manager->canUndo();
}

QObject* ApplicationManager::ui() const { return m_ui; }
QObject* ApplicationManager::topBar() const { return m_topBar; }
double ApplicationManager::logicalToPhysicalMultiplier() const { return m_logicalToPhysicalMultiplier; }
double ApplicationManager::physicalToGLMultiplier() const { return m_physicalToGLMultiplier; }
bool ApplicationManager::isDesktopOS() const { return m_isDesktopOS; }
AbstractCompassClino* ApplicationManager::compassClino() const { return m_compassClino; }

bool ApplicationManager::compassClinoEnabled() const
{
    return m_compassClino && m_compassClino->hasRequiredSensors() && m_compassClinoEnabled;
}

AbstractLocationManager* ApplicationManager::locationManager() const { return m_locationManager; }
bool ApplicationManager::userKeyboardControl() const { return m_userKeyboardControl; }
bool ApplicationManager::keyboardVisible() const { return m_keyboardVisible; }
int ApplicationManager::keyboardHeight() const { return m_keyboardHeight; }
bool ApplicationManager::resetCaches() const { return m_resetCaches; }
ApplicationManager::LengthUnit ApplicationManager::unitType() const { return m_unitType; }
ApplicationManager::AngleConvention ApplicationManager::angleConvention() const { return m_angleConvention; }
double ApplicationManager::pickPrecision() const { return m_pickPrecision; }
bool ApplicationManager::useQmlImageGallery() const { return m_useQmlImageGallery; }
QString ApplicationManager::initialView() const { return m_initialView; }
QString ApplicationManager::debugMessage() const { return m_debugMessage; }
int ApplicationManager::compassClinoInputMode() const { return m_compassClinoInputMode; }
int ApplicationManager::baseMapOnline() const { return m_baseMapOnline; }
QString ApplicationManager::glRenderer() const { return m_glRenderer; }
QString ApplicationManager::newBuildNumber() const { return m_newBuildNumber; }
QString ApplicationManager::newBuildUrl() const { return m_newBuildUrl; }
QString ApplicationManager::newBuildNotes() const { return m_newBuildNotes; }
bool ApplicationManager::newBuildAvailable() const { return m_newBuildAvailable; }

QGuiApplication* ApplicationManager::application() const { return m_application; }
MainView* ApplicationManager::mainView() const { return m_mainView; }
void ApplicationManager::setMainView(MainView* view) { m_mainView = view; }
std::shared_ptr<DialogController> ApplicationManager::dialogController() const { return m_dialogController; }

void ApplicationManager::setDialogController(std::shared_ptr<DialogController> dialogController)
{
    m_dialogController = std::move(dialogController);
}
Tool* ApplicationManager::currentTool() const { return m_currentTool; }
void ApplicationManager::setCurrentTool(Tool* tool) { m_currentTool = tool; }
QRect ApplicationManager::windowGeometry() const { return m_windowGeometry; }
bool ApplicationManager::online() const { return m_online; }
void ApplicationManager::setConnectionTestInterval(int milliseconds) { m_connectionTestIntervalMs = milliseconds; }
TestConnectionThread* ApplicationManager::connectionThread() const { return m_connectionThread; }

// --- property setters: store and announce only on change -----------------------

void ApplicationManager::setUi(QObject* ui) { assign(this, m_ui, ui, &ApplicationManager::uiChanged); }
void ApplicationManager::setTopBar(QObject* topBar) { assign(this, m_topBar, topBar, &ApplicationManager::topBarChanged); }

void ApplicationManager::setLogicalToPhysicalMultiplier(double multiplier)
{
    assign(this, m_logicalToPhysicalMultiplier, multiplier, &ApplicationManager::logicalToPhysicalMultiplierChanged);
}

void ApplicationManager::setPhysicalToGLMultiplier(double multiplier)
{
    assign(this, m_physicalToGLMultiplier, multiplier, &ApplicationManager::physicalToGLMultiplierChanged);
}

void ApplicationManager::setIsDesktopOS(bool isDesktopOS)
{
    assign(this, m_isDesktopOS, isDesktopOS, &ApplicationManager::isDesktopOSChanged);
}

void ApplicationManager::setUserKeyboardControl(bool userKeyboardControl)
{
    assign(this, m_userKeyboardControl, userKeyboardControl, &ApplicationManager::userKeyboardControlChanged);
}

void ApplicationManager::setResetCaches(bool resetCaches)
{
    assign(this, m_resetCaches, resetCaches, &ApplicationManager::resetCachesChanged);
}

void ApplicationManager::setUnitType(LengthUnit unitType)
{
    assign(this, m_unitType, unitType, &ApplicationManager::unitTypeChanged);
}

void ApplicationManager::setAngleConvention(AngleConvention convention)
{
    assign(this, m_angleConvention, convention, &ApplicationManager::angleConventionChanged);
}

void ApplicationManager::setPickPrecision(double pickPrecision)
{
    assign(this, m_pickPrecision, pickPrecision, &ApplicationManager::pickPrecisionChanged);
}

void ApplicationManager::setUseQmlImageGallery(bool useQmlImageGallery)
{
    assign(this, m_useQmlImageGallery, useQmlImageGallery, &ApplicationManager::useQmlImageGalleryChanged);
}

void ApplicationManager::setInitialView(const QString& initialView)
{
    assign(this, m_initialView, initialView, &ApplicationManager::initialViewChanged);
}

void ApplicationManager::setDebugMessage(const QString& debugMessage)
{
    assign(this, m_debugMessage, debugMessage, &ApplicationManager::debugMessageChanged);
}

void ApplicationManager::setCompassClinoInputMode(int mode)
{
    assign(this, m_compassClinoInputMode, mode, &ApplicationManager::compassClinoInputModeChanged);
}

void ApplicationManager::setBaseMapOnline(int mode)
{
    assign(this, m_baseMapOnline, mode, &ApplicationManager::baseMapOnlineChanged);
}

void ApplicationManager::setGlRenderer(const QString& glRenderer)
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, glRenderer] { setGlRenderer(glRenderer); }, Qt::QueuedConnection);
        return;
    }
    assign(this, m_glRenderer, glRenderer, &ApplicationManager::glRendererChanged);
}

void ApplicationManager::setNewBuildNumber(const QString& number)
{
    assign(this, m_newBuildNumber, number, &ApplicationManager::newBuildNumberChanged);
}

void ApplicationManager::setNewBuildUrl(const QString& url)
{
    assign(this, m_newBuildUrl, url, &ApplicationManager::newBuildUrlChanged);
}

void ApplicationManager::setNewBuildNotes(const QString& notes)
{
    assign(this, m_newBuildNotes, notes, &ApplicationManager::newBuildNotesChanged);
}

void ApplicationManager::setNewBuildAvailable(bool available)
{
    assign(this, m_newBuildAvailable, available, &ApplicationManager::newBuildAvailableChanged);
}

void ApplicationManager::setCompassClinoEnabled(bool enabled)
{
    if (m_compassClinoEnabled == enabled)
        return;
    m_compassClinoEnabled = enabled;
    emit compassClinoEnabledChanged(compassClinoEnabled());
}

void ApplicationManager::setSensors(AbstractLocationManager* locationManager,
                                    AbstractCompassClino* compassClino)
{
    m_locationManager = locationManager;
    m_compassClino = compassClino;
    emit locationManagerChanged(m_locationManager);
    emit compassClinoChanged(m_compassClino);
}

// --- virtual operations ----------------------------------------------------------

void ApplicationManager::init()
{
    checkOnlineStatus(false);
    m_mainView = new MainView();
    // The image providers read it below; a screen change may change it.
    updatePhysicalToGLMultiplier();
    connect(m_mainView, &QWindow::screenChanged, this, &ApplicationManager::updatePhysicalToGLMultiplier);
    loadSettings();
    m_dialogController = std::make_shared<DialogController>();
    if (CommandManager* commands = CommandManager::instance())
        connect(commands, &CommandManager::canUndoChanged, this, &ApplicationManager::canUndoChanged);
    // The location manager reads the magnetic model from the asset folder.
    installAssets(assetPath());
    createSensors();
    if (m_compassClino && m_compassClino->hasRequiredSensors())
        m_compassClino->startUpdates();
    initModel();
    registerQmlTypes();
    setupEnvironment();
    QQmlContext* context = m_mainView->rootContext();
    context->setContextProperty(QStringLiteral("_appManager"), this);
    context->setContextProperty(QStringLiteral("_modelManager"), ModelManager::instance());
    context->setContextProperty(QStringLiteral("_dialogController"), m_dialogController.get());
    createUi();
    updateLogicalToPhysicalMultiplier();
    addImageProviders();
    if (m_resetCaches) {
        clearCaches();
        setResetCaches(false);
        saveSettings();
    }
    m_mainView->setSource(QUrl(QStringLiteral("qrc:/qml/main.qml")));
    connect(m_mainView, &MainView::resized, this, &ApplicationManager::handleMainWindowResize);
    if (QScreen* screen = m_mainView->screen()) {
        screen->setOrientationUpdateMask(Qt::PortraitOrientation | Qt::LandscapeOrientation
                                         | Qt::InvertedPortraitOrientation | Qt::InvertedLandscapeOrientation);
    }
    m_windowGeometry = m_mainView->geometry();
    QDir().mkpath(cachePath());
    PersistantCache::instance();
    if (QSettings().value(QStringLiteral("startFullscreen"), false).toBool())
        setFullscreen(true);
    else
        m_mainView->show();
}

void ApplicationManager::updatePhysicalToGLMultiplier()
{
    if (m_mainView)
        setPhysicalToGLMultiplier(m_mainView->devicePixelRatio());
}

bool ApplicationManager::installAssets(const QString& assetFolder)
{
    // Without an asset folder the paths would land in the file system's root.
    if (assetFolder.isEmpty())
        return false;
    const bool model = MagneticModel::installBundledModel(assetFolder);
    const bool help = installBundledFile(QStringLiteral(":/help/Default.htm"),
                                         assetFolder + QStringLiteral("/help/Default.htm"));
    return model && help;
}

void ApplicationManager::removeStaleSettingsLocks()
{
    removeEmptyStaleLock(QSettings().fileName());
    removeEmptyStaleLock(UserSettings::open()->fileName());
}

int ApplicationManager::settleLeftovers(const QString& documentsFolder, const QString& tempFolder,
                                        const QStringList& projectFolders)
{
    StartLeftovers leftovers;
    UserSettings::feed(leftovers);
    ExportLeftovers::feed(leftovers, documentsFolder, tempFolder);
    MergeJournal::feed(leftovers);
    SketchFileSet::feed(leftovers);
    return leftovers.settle(documentsFolder, projectFolders);
}

void ApplicationManager::initModel()
{
    if (ModelManager* model = ModelManager::instance())
        model->init(QDir(documentPath()));
}

void ApplicationManager::createUi()
{
    const QUrl url(QStringLiteral("qrc:/qml/UI.qml"));
    QQmlEngine* engine = m_mainView->engine();
    QQmlComponent component(engine, url);
    QObject* ui = component.create(engine->rootContext());
    if (!ui) {
        qDebug() << "failed to load:" << url << component.errorString();
        return;
    }
    m_mainView->rootContext()->setContextProperty(QStringLiteral("_ui"), ui);
    setUi(ui);
}

void ApplicationManager::addImageProviders()
{
    ThumbnailImageProvider::addProviders(m_mainView->engine());
}

QString ApplicationManager::tempPath() const
{
    return QDir::tempPath() + QStringLiteral("/Orvanta");
}

QString ApplicationManager::documentPath() const
{
    return QDir::homePath();
}

QString ApplicationManager::cachePath() const
{
    return QDir::tempPath() + QStringLiteral("/example.quarzel.")
        + QCoreApplication::applicationName();
}

QString ApplicationManager::assetPath() const
{
    return QStandardPaths::standardLocations(QStandardPaths::AppDataLocation).value(0);
}

QString ApplicationManager::userName() const
{
    return platform::userName();
}

QString ApplicationManager::makeUniqueId(const QString& discriminator) const
{
    // The sequence number keeps ids apart that share user, millisecond and
    // discriminator.
    static std::atomic<quint64> sequence {0};
    const quint64 serial = sequence.fetch_add(1, std::memory_order_relaxed);
    // One multi-argument call: a "%1" inside the name or discriminator
    // must not be substituted again.
    const QString text = QStringLiteral("%1/%2/%3/%4")
                             .arg(userName(), QString::number(QDateTime::currentMSecsSinceEpoch()),
                                  discriminator, QString::number(serial));
    return QString::fromLatin1(
        QCryptographicHash::hash(text.toLatin1(), QCryptographicHash::Md5).toHex());
}

void ApplicationManager::startConnectionTest(bool wanted)
{
    m_connectionTestWanted = wanted;
    if (wanted && m_loadingTiles && !m_connectionThread) {
        m_connectionThread = new TestConnectionThread(
            ConnectionProbe::defaultUrl(), std::chrono::milliseconds(m_connectionTestIntervalMs));
        connect(m_connectionThread, &TestConnectionThread::connectionActive, this,
                &ApplicationManager::onOnlineStatusTestResult, Qt::QueuedConnection);
        m_connectionThread->start();
    }
    if (!m_connectionThread)
        return;
    if (wanted && !m_loadingTiles)
        m_connectionThread->setOneShot(true);
    else
        m_connectionThread->setActive(wanted);
}

bool ApplicationManager::fullscreen() const
{
    return m_mainView && m_mainView->visibility() == QWindow::FullScreen;
}

bool ApplicationManager::openLink(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

bool ApplicationManager::zipFiles(const QString& zipPath, const QStringList& files, Task* progress)
{
    Q_UNUSED(zipPath)
    Q_UNUSED(files)
    Q_UNUSED(progress)
    return false;
}

bool ApplicationManager::shareFiles(const QStringList& files)
{
    Q_UNUSED(files)
    qDebug() << "bool ApplicationManager::shareFiles(const QStringList &files) is not implemented!";
    return false;
}

void ApplicationManager::checkForUpdate()
{
}

bool ApplicationManager::isLowMemoryDevice() const
{
    return false;
}

void ApplicationManager::setFullscreen(bool fullscreen)
{
    if (m_mainView && fullscreen == this->fullscreen())
        return;
    QSettings().setValue(QStringLiteral("startFullscreen"), fullscreen);
    // Without a window there is nothing to show; the choice applies at the
    // next start.
    if (!m_mainView)
        return;
    if (fullscreen)
        m_mainView->showFullScreen();
    else
        m_mainView->show();
    emit fullscreenChanged(fullscreen);
}

void ApplicationManager::handleMainWindowResize()
{
}

void ApplicationManager::requestOnScreenKeyboard()
{
}

void ApplicationManager::onLoadingTilesChanged(bool loadingTiles)
{
    if (loadingTiles == m_loadingTiles)
        return;
    m_loadingTiles = loadingTiles;
    startConnectionTest(m_connectionTestWanted);
}

void ApplicationManager::checkOnlineStatus(bool forceEmit)
{
    const bool online = ConnectionProbe().probe(ConnectionProbe::defaultUrl()) == 0;
    const bool changed = online != m_online;
    m_online = online;
    if (changed || forceEmit)
        emit onlineStatusChanged(m_online);
}

void ApplicationManager::onOnlineStatusTestResult(bool online)
{
    assign(this, m_online, online, &ApplicationManager::onlineStatusChanged);
}

ApplicationManager::HelpStatus ApplicationManager::helpStatus() const
{
    return HelpOK;
}

void ApplicationManager::setupEnvironment()
{
    const QString assets = assetPath();
    if (assets.isEmpty())
        return;
    // Only folders we ship: pointing GDAL or PROJ at a missing folder hides
    // the system's own data and breaks every reprojection.
    const QString gdal = assets + QStringLiteral("/gdal");
    const QString proj = assets + QStringLiteral("/proj");
    const struct {
        const char* name;
        QString folder;
    } variables[] = {{"GDAL_DATA", gdal}, {"GEOTIFF_CSV", gdal}, {"PROJ_LIB", proj}};
    for (const auto& variable : variables) {
        if (!QFileInfo(variable.folder).isDir())
            continue;
        const QByteArray value = QFile::encodeName(variable.folder);
        qDebug() << "putenv" << (QByteArray(variable.name) + '=' + value);
        platform::setEnvironment(variable.name, value);
        CPLSetConfigOption(variable.name, value.constData());
    }
}

void ApplicationManager::updateLogicalToPhysicalMultiplier()
{
    if (!m_mainView || !m_mainView->screen())
        return;
    const QScreen* screen = m_mainView->screen();
    const QRect geometry = screen->geometry();
    const double longSide = qMax(geometry.width(), geometry.height());
    setLogicalToPhysicalMultiplier(scaleFactorFor(screen->physicalDotsPerInch(), longSide));
}

void ApplicationManager::createSensors()
{
    setSensors(new QPositioningLocationManager(this), new SimpleCompassClino(this));
}

void ApplicationManager::registerQmlTypes()
{
    QmlTypeRegistry::registerTypes();
}

void ApplicationManager::loadSettings()
{
    readSettings(false);
}

// At start-up nothing shows the first five yet; after a failed write every
// change is announced, so the screens show what the store holds.
void ApplicationManager::readSettings(bool announceAll)
{
    const std::unique_ptr<QSettings> settings = UserSettings::open();
    const double pickPrecision = UserSettings::readPositiveDouble(*settings, QStringLiteral("pickPrecision"), 16.0);
    const auto unitType = LengthUnit(UserSettings::readInt(*settings, QStringLiteral("unitType"), Metric, Metric, Imperial));
    const auto angleConvention = AngleConvention(
        UserSettings::readInt(*settings, QStringLiteral("angleConvention"), DipAzimuth, DipAzimuth, DipStrikeRHR));
    const bool resetCaches = UserSettings::readBool(*settings, QStringLiteral("resetCaches"), false);
    const int compassClinoInputMode = UserSettings::readInt(*settings, QStringLiteral("compassClinoInputMode"), 0,
                                      std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    if (announceAll) {
        setPickPrecision(pickPrecision);
        setUnitType(unitType);
        setAngleConvention(angleConvention);
        setResetCaches(resetCaches);
        setCompassClinoInputMode(compassClinoInputMode);
    } else {
        m_pickPrecision = pickPrecision;
        m_unitType = unitType;
        m_angleConvention = angleConvention;
        m_resetCaches = resetCaches;
        m_compassClinoInputMode = compassClinoInputMode;
    }
    setCompassClinoEnabled(UserSettings::readBool(*settings, QStringLiteral("compassClinoEnabled"), true));
    setBaseMapOnline(UserSettings::readInt(*settings, QStringLiteral("BaseMapOnlineMode"), 2, 0, 2));
    setUseQmlImageGallery(UserSettings::readBool(*settings, QStringLiteral("UseQmlImageGallery"), false));
}

bool ApplicationManager::saveSettings()
{
    const QStringList keys {QStringLiteral("pickPrecision"), QStringLiteral("unitType"),
                            QStringLiteral("angleConvention"), QStringLiteral("resetCaches"),
                            QStringLiteral("compassClinoInputMode"), QStringLiteral("compassClinoEnabled"),
                            QStringLiteral("BaseMapOnlineMode"), QStringLiteral("UseQmlImageGallery")};
    // A device without the sensors stores false for the compass.
    const QVariantList values {m_pickPrecision, int(m_unitType), int(m_angleConvention), m_resetCaches,
                               m_compassClinoInputMode, compassClinoEnabled(), m_baseMapOnline,
                               m_useQmlImageGallery};
    if (UserSettings::write(keys, values))
        return true;
    readSettings(true);
    return false;
}

void ApplicationManager::clearCaches()
{
    CacheFolder::clearPersistentCacheIfOpen();
    CacheFolder::clear(cachePath());
}

void ApplicationManager::undo()
{
    if (CommandManager* manager = CommandManager::instance())
        manager->undo();
}

// --- settings of the QML side -----------------------------------------------------

QVariant ApplicationManager::value(const QString& key, const QVariant& defaultValue) const
{
    QSettings settings;
    settings.beginGroup(QmlGroup);
    return settings.value(key, defaultValue);
}

bool ApplicationManager::boolValue(const QString& key, bool defaultValue) const
{
    QSettings settings;
    settings.beginGroup(QmlGroup);
    return UserSettings::readBool(settings, key, defaultValue);
}

void ApplicationManager::setValue(const QString& key, const QVariant& value)
{
    {
        QSettings settings;
        settings.beginGroup(QmlGroup);
        settings.setValue(key, value);
    }
    emit settingChanged(key);
}

void ApplicationManager::setValueIfNotSet(const QString& key, const QVariant& value)
{
    {
        QSettings settings;
        settings.beginGroup(QmlGroup);
        if (settings.contains(key))
            return;
        settings.setValue(key, value);
    }
    emit settingChanged(key);
}

// --- units --------------------------------------------------------------------------

QString ApplicationManager::localizedLengthValue(double metres, bool withTag) const
{
    const bool imperial = m_unitType == Imperial;
    double rounded = std::round(imperial ? metres * FeetPerMetre : metres);
    if (rounded == 0.0)
        rounded = 0.0; // no "-0"
    QString text = QString::number(rounded, 'f', 0);
    if (withTag)
        text += imperial ? QStringLiteral("ft") : QStringLiteral("m");
    return text;
}

double ApplicationManager::modelLengthValue(const QString& text) const
{
    double metres = 0.0;
    return typedMetres(text, &metres) ? metres : 0.0;
}

bool ApplicationManager::isLengthText(const QString& text) const
{
    double metres = 0.0;
    return typedMetres(text, &metres);
}

bool ApplicationManager::typedMetres(const QString& text, double* metres) const
{
    double value = 0.0;
    if (!parseLength(text, &value))
        return false;
    *metres = m_unitType == Imperial ? value / FeetPerMetre : value;
    // Further than any place a reading is taken: a slip of the finger.
    return std::abs(*metres) <= MaxTypedLength;
}

// --- update reminder -------------------------------------------------------------

bool ApplicationManager::isNewBuildReminderDue() const
{
    return UpdateReminder::isDue();
}

void ApplicationManager::onNewBuildNumberChanged(const QString& number)
{
    const std::optional<bool> newer = UpdateReminder::isNewerBuild(m_buildNumber, number);
    if (newer && isNewBuildReminderDue())
        setNewBuildAvailable(*newer);
}

void ApplicationManager::newBuildRemindLater()
{
    UpdateReminder::remindLater();
}

// --- helpers for QML ---------------------------------------------------------------

QString ApplicationManager::loadTextFromFile(const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    return stream.readAll();
}

QColor ApplicationManager::contrastingColor(const QColor& color)
{
    return color.value() < 165 ? QColor(Qt::white) : QColor(Qt::black);
}

double ApplicationManager::colorHue(const QColor& color) { return color.hsvHueF(); }
double ApplicationManager::colorSaturation(const QColor& color) { return color.hsvSaturationF(); }
double ApplicationManager::colorValue(const QColor& color) { return color.valueF(); }

} // namespace kiv
