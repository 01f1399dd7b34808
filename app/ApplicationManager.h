#pragma once

#include "tools/AbstractCompassClino.h"
#include "tools/AbstractLocationManager.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include <memory>

class QGuiApplication;

namespace kiv {

class DialogController;
class MainView;
class Task;
class TestConnectionThread;
class Tool;

// The process-wide application object: settings, folders, the UI scale, the
// sensors, the current tool, the window and the QML interface of the program.
// main creates it (in its platform variant); instance() is null before that.
class ApplicationManager : public QObject
{
    Q_OBJECT

    Q_PROPERTY(QString buildNumber READ buildNumber NOTIFY buildNumberChanged)
    Q_PROPERTY(bool canUndo READ canUndo NOTIFY canUndoChanged)
    Q_PROPERTY(QObject* ui READ ui WRITE setUi NOTIFY uiChanged)
    Q_PROPERTY(QObject* topBar READ topBar WRITE setTopBar NOTIFY topBarChanged)
    Q_PROPERTY(double logicalToPhysicalMultiplier READ logicalToPhysicalMultiplier WRITE
                   setLogicalToPhysicalMultiplier NOTIFY logicalToPhysicalMultiplierChanged)
    Q_PROPERTY(double physicalToGLMultiplier READ physicalToGLMultiplier WRITE
                   setPhysicalToGLMultiplier NOTIFY physicalToGLMultiplierChanged)
    Q_PROPERTY(bool isDesktopOS READ isDesktopOS WRITE setIsDesktopOS NOTIFY isDesktopOSChanged)
    Q_PROPERTY(bool fullscreen READ fullscreen WRITE setFullscreen NOTIFY fullscreenChanged)
    Q_PROPERTY(kiv::AbstractCompassClino* compassClino READ compassClino NOTIFY compassClinoChanged)
    Q_PROPERTY(bool compassClinoEnabled READ compassClinoEnabled WRITE setCompassClinoEnabled NOTIFY
                   compassClinoEnabledChanged)
    Q_PROPERTY(kiv::AbstractLocationManager* locationManager READ locationManager NOTIFY
                   locationManagerChanged)
    Q_PROPERTY(bool userKeyboardControl READ userKeyboardControl WRITE setUserKeyboardControl NOTIFY
                   userKeyboardControlChanged)
    Q_PROPERTY(bool keyboardVisible READ keyboardVisible NOTIFY keyboardVisibleChanged)
    Q_PROPERTY(int keyboardHeight READ keyboardHeight NOTIFY keyboardHeightChanged)
    Q_PROPERTY(bool resetCaches READ resetCaches WRITE setResetCaches NOTIFY resetCachesChanged)
    Q_PROPERTY(LengthUnit unitType READ unitType WRITE setUnitType NOTIFY unitTypeChanged)
    Q_PROPERTY(AngleConvention angleConvention READ angleConvention WRITE setAngleConvention NOTIFY
                   angleConventionChanged)
    Q_PROPERTY(double pickPrecision READ pickPrecision WRITE setPickPrecision NOTIFY
                   pickPrecisionChanged)
    Q_PROPERTY(bool useQmlImageGallery READ useQmlImageGallery WRITE setUseQmlImageGallery NOTIFY
                   useQmlImageGalleryChanged)
    Q_PROPERTY(QString initialView READ initialView WRITE setInitialView NOTIFY initialViewChanged)
    Q_PROPERTY(QString debugMessage READ debugMessage WRITE setDebugMessage NOTIFY
                   debugMessageChanged)
    Q_PROPERTY(int compassClinoInputMode READ compassClinoInputMode WRITE setCompassClinoInputMode
                   NOTIFY compassClinoInputModeChanged)
    Q_PROPERTY(int baseMapOnline READ baseMapOnline WRITE setBaseMapOnline NOTIFY
                   baseMapOnlineChanged)
    Q_PROPERTY(QString glRenderer READ glRenderer WRITE setGlRenderer NOTIFY glRendererChanged)
    Q_PROPERTY(QString newBuildNumber READ newBuildNumber WRITE setNewBuildNumber NOTIFY
                   newBuildNumberChanged)
    Q_PROPERTY(QString newBuildUrl READ newBuildUrl WRITE setNewBuildUrl NOTIFY newBuildUrlChanged)
    Q_PROPERTY(QString newBuildNotes READ newBuildNotes WRITE setNewBuildNotes NOTIFY
                   newBuildNotesChanged)
    Q_PROPERTY(bool newBuildAvailable READ newBuildAvailable WRITE setNewBuildAvailable NOTIFY
                   newBuildAvailableChanged)
    Q_PROPERTY(bool isLowMemoryDevice READ isLowMemoryDevice NOTIFY isLowMemoryDeviceChanged)

public:
    enum LengthUnit { Metric = 0, Imperial = 1 };
    Q_ENUM(LengthUnit)
    enum AngleConvention { DipAzimuth = 0, DipStrikeRHR = 1 };
    Q_ENUM(AngleConvention)
    enum HelpStatus { HelpOK = 0, HelpRequiresDownload = 1, HelpRequiresExtraction = 2 };
    Q_ENUM(HelpStatus)

    explicit ApplicationManager(QGuiApplication* application);
    ~ApplicationManager() override;

    // The object main created; null before that.
    static ApplicationManager* instance();

    // The UI scale factor for a screen of the given physical resolution whose
    // longer side has the given number of pixels: 46 logical units span 8 mm,
    // and a screen under 5.8 inches is treated as if it were 5.8 inches long.
    static double scaleFactorFor(double physicalDpi, double longSidePixels);

    QString buildNumber() const;
    bool canUndo() const;
    QObject* ui() const;
    QObject* topBar() const;
    double logicalToPhysicalMultiplier() const;
    double physicalToGLMultiplier() const;
    bool isDesktopOS() const;
    AbstractCompassClino* compassClino() const;
    bool compassClinoEnabled() const;
    AbstractLocationManager* locationManager() const;
    bool userKeyboardControl() const;
    bool keyboardVisible() const;
    int keyboardHeight() const;
    bool resetCaches() const;
    LengthUnit unitType() const;
    AngleConvention angleConvention() const;
    double pickPrecision() const;
    bool useQmlImageGallery() const;
    QString initialView() const;
    QString debugMessage() const;
    int compassClinoInputMode() const;
    int baseMapOnline() const;
    QString glRenderer() const;
    QString newBuildNumber() const;
    QString newBuildUrl() const;
    QString newBuildNotes() const;
    bool newBuildAvailable() const;

    void setUi(QObject* ui);
    void setTopBar(QObject* topBar);
    void setLogicalToPhysicalMultiplier(double multiplier);
    void setPhysicalToGLMultiplier(double multiplier);
    void setIsDesktopOS(bool isDesktopOS);
    void setUserKeyboardControl(bool userKeyboardControl);
    void setResetCaches(bool resetCaches);
    void setAngleConvention(AngleConvention convention);
    void setPickPrecision(double pickPrecision);
    void setUseQmlImageGallery(bool useQmlImageGallery);
    void setInitialView(const QString& initialView);
    void setDebugMessage(const QString& debugMessage);
    void setCompassClinoInputMode(int mode);
    void setBaseMapOnline(int mode);
    // Safe from any thread: the map scene calls it from its render thread.
    void setGlRenderer(const QString& glRenderer);
    void setNewBuildNumber(const QString& number);
    void setNewBuildUrl(const QString& url);
    void setNewBuildNotes(const QString& notes);
    void setNewBuildAvailable(bool available);

    QGuiApplication* application() const;
    MainView* mainView() const;
    void setMainView(MainView* view);
    std::shared_ptr<DialogController> dialogController() const;
    Tool* currentTool() const;
    void setCurrentTool(Tool* tool);
    QRect windowGeometry() const;

    // The result of the last connectivity probe.
    bool online() const;
    // The background probe's tick (5000 ms); applies to a worker made later.
    void setConnectionTestInterval(int milliseconds);

    // True when "NewVersionRemindMeLaterTime" (default two days ago) lies at
    // least one calendar day in the past.
    Q_INVOKABLE bool isNewBuildReminderDue() const;

    // Q_INVOKABLE helpers for QML.
    Q_INVOKABLE QString loadTextFromFile(const QString& path) const;
    Q_INVOKABLE static QColor contrastingColor(const QColor& color);
    Q_INVOKABLE static double colorHue(const QColor& color);
    Q_INVOKABLE static double colorSaturation(const QColor& color);
    Q_INVOKABLE static double colorValue(const QColor& color);

    // Writes the magnetic model and the help pages into the asset folder
    // where they are missing; nothing for an empty folder.
    static bool installAssets(const QString& assetFolder);
    // Clears empty lock files that a killed start left beside the settings
    // stores; called before anything reads or writes the settings.
    static void removeStaleSettingsLocks();
    // Settles, once at a start and only while no other instance can be
    // writing, what killed writers left: settings saves, exports, merges and
    // sketch saves, each by its own rules. Returns how many files it settled.
    static int settleLeftovers(const QString& documentsFolder, const QString& tempFolder,
                               const QStringList& projectFolders);

    // Settings of the QML side, in the group "qml" of the default store.
    Q_INVOKABLE QVariant value(const QString& key, const QVariant& defaultValue = QVariant()) const;
    Q_INVOKABLE bool boolValue(const QString& key, bool defaultValue = false) const;
    Q_INVOKABLE void setValue(const QString& key, const QVariant& value);
    Q_INVOKABLE void setValueIfNotSet(const QString& key, const QVariant& value);

    // A length in metres as text in the user's unit, rounded to whole units.
    Q_INVOKABLE QString localizedLengthValue(double metres, bool withTag = true) const;
    // Text typed in the user's unit as metres; 0 when it is not a number
    // or lies beyond 1,000 km either way.
    Q_INVOKABLE double modelLengthValue(const QString& text) const;
    // Whether typed text is a length modelLengthValue takes as it is.
    Q_INVOKABLE bool isLengthText(const QString& text) const;

public slots:
    // The start-up sequence.
    virtual void init();

    virtual QString tempPath() const;
    virtual QString documentPath() const;
    virtual QString cachePath() const;
    virtual QString assetPath() const;
    virtual QString userName() const;

    // A 32-digit lower-case hexadecimal id, distinct for every call.
    virtual QString makeUniqueId(const QString& discriminator) const;

    virtual void startConnectionTest(bool wanted);
    virtual bool fullscreen() const;
    virtual bool openLink(const QUrl& url);
    virtual bool zipFiles(const QString& zipPath, const QStringList& files, kiv::Task* progress);
    virtual bool shareFiles(const QStringList& files);
    virtual void checkForUpdate();
    virtual bool isLowMemoryDevice() const;
    virtual void setFullscreen(bool fullscreen);
    virtual void handleMainWindowResize();
    virtual void requestOnScreenKeyboard();
    virtual void onLoadingTilesChanged(bool loadingTiles);
    virtual void checkOnlineStatus(bool forceEmit = false);
    virtual void onOnlineStatusTestResult(bool online);
    virtual kiv::ApplicationManager::HelpStatus helpStatus() const;
    virtual void setupEnvironment();
    virtual void updateLogicalToPhysicalMultiplier();
    virtual void createSensors();
    virtual void registerQmlTypes();
    virtual void loadSettings();
    virtual void clearCaches();

    void undo();
    // False when the store could not be written; the settings are then
    // what the store holds.
    bool saveSettings();
    void setUnitType(kiv::ApplicationManager::LengthUnit unitType);
    void setCompassClinoEnabled(bool enabled);
    void onNewBuildNumberChanged(const QString& number);
    void newBuildRemindLater();

signals:
    void buildNumberChanged(const QString& buildNumber);
    void canUndoChanged(bool canUndo);
    void uiChanged(QObject* ui);
    void topBarChanged(QObject* topBar);
    void logicalToPhysicalMultiplierChanged(double multiplier);
    void physicalToGLMultiplierChanged(double multiplier);
    void isDesktopOSChanged(bool isDesktopOS);
    void fullscreenChanged(bool fullscreen);
    void compassClinoChanged(kiv::AbstractCompassClino* compassClino);
    void compassClinoEnabledChanged(bool enabled);
    void locationManagerChanged(kiv::AbstractLocationManager* locationManager);
    void userKeyboardControlChanged(bool userKeyboardControl);
    void keyboardVisibleChanged(bool keyboardVisible);
    void keyboardHeightChanged(int keyboardHeight);
    void resetCachesChanged(bool resetCaches);
    void unitTypeChanged(kiv::ApplicationManager::LengthUnit unitType);
    void angleConventionChanged(kiv::ApplicationManager::AngleConvention convention);
    void pickPrecisionChanged(double pickPrecision);
    void useQmlImageGalleryChanged(bool useQmlImageGallery);
    void initialViewChanged(const QString& initialView);
    void debugMessageChanged(const QString& debugMessage);
    void compassClinoInputModeChanged(int mode);
    void baseMapOnlineChanged(int mode);
    void glRendererChanged(const QString& glRenderer);
    void newBuildNumberChanged(const QString& number);
    void newBuildUrlChanged(const QString& url);
    void newBuildNotesChanged(const QString& notes);
    void newBuildAvailableChanged(bool available);
    void isLowMemoryDeviceChanged(bool isLowMemoryDevice);

    void applicationStateChanged(Qt::ApplicationState state);
    void settingChanged(const QString& key);
    void onlineStatusChanged(bool online);
    void fileSystemChanged(const QStringList& paths);
    void appDidAppear();

protected:
    // The background probe; null until a test was first wanted while tiles
    // were loading.
    TestConnectionThread* connectionThread() const;

    // Stores the sensor objects (either may be null) and announces them.
    void setSensors(AbstractLocationManager* locationManager, AbstractCompassClino* compassClino);
    // Lets a manager that never runs init() show toasts and dialogs.
    void setDialogController(std::shared_ptr<DialogController> dialogController);

private:
    void updatePhysicalToGLMultiplier();
    void createUi();
    void addImageProviders();
    void initModel();
    void readSettings(bool announceAll);
    // Typed text in the user's unit as metres, when it is a length taken.
    bool typedMetres(const QString& text, double* metres) const;

    static ApplicationManager* s_instance;

    QObject* m_ui = nullptr;
    QObject* m_topBar = nullptr;
    double m_logicalToPhysicalMultiplier = 1.0;
    double m_physicalToGLMultiplier = 1.0;
    bool m_isDesktopOS = true;
    bool m_userKeyboardControl = false;
    bool m_resetCaches = false;
    AngleConvention m_angleConvention = DipAzimuth;
    double m_pickPrecision = 16.0;
    bool m_useQmlImageGallery = false;
    QString m_debugMessage;
    int m_compassClinoInputMode = 0;
    int m_baseMapOnline = 2;
    QString m_initialView = QStringLiteral("Splash.qml");
    QString m_glRenderer;
    QString m_newBuildNumber = QStringLiteral("1.3.0.25162");
    QString m_newBuildUrl = QStringLiteral("https://www.quarzel.example/digital-mapping");
    QString m_newBuildNotes = QStringLiteral("Minor updates and bug fixes.");
    bool m_newBuildAvailable = false;
    MainView* m_mainView = nullptr;
    std::shared_ptr<DialogController> m_dialogController;
    QGuiApplication* m_application = nullptr;
    QString m_buildNumber = QStringLiteral("1.3.0.25162");
    QPointer<Tool> m_currentTool;
    AbstractLocationManager* m_locationManager = nullptr;
    AbstractCompassClino* m_compassClino = nullptr;
    QRect m_windowGeometry;
    bool m_keyboardVisible = false;
    int m_keyboardHeight = 0;
    bool m_loadingTiles = true;
    bool m_connectionTestWanted = false;
    bool m_online = false;
    TestConnectionThread* m_connectionThread = nullptr;
    int m_connectionTestIntervalMs = 5000;
    LengthUnit m_unitType = Metric;
    bool m_compassClinoEnabled = true;
};

} // namespace kiv
