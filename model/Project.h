#pragma once

#include "Database/DatabaseManager.h"
#include "model/LocalityListModel.h"
#include "model/NoValue.h"
#include "model/ProjectId.h"
#include "model/RockUnit.h"
#include "model/StratColumnModel.h"
#include "model/SymbolListModel.h"

#include <QColor>
#include <QDir>
#include <QMetaObject>
#include <QObject>
#include <QRectF>
#include <QString>
#include <QUrl>

#include <memory>
#include <string>
#include <vector>

namespace kiv {

class Data;
class LineData2D;
class Locality;
class ModelManager;

// One field project: a folder with main.db and an images folder, and in
// memory its fields, localities, rock units, base maps and symbols. The
// project is the access object of its own database.
class Project : public QObject, public DatabaseManager
{
    Q_OBJECT
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY nameChanged)
    Q_PROPERTY(float declination READ declination WRITE setDeclination NOTIFY declinationChanged)
    Q_PROPERTY(QString localityBaseName READ localityBaseName WRITE setLocalityBaseName NOTIFY
                   localityBaseNameChanged)
    Q_PROPERTY(QString pathString READ pathString CONSTANT)
    Q_PROPERTY(QString pathDisplayString READ pathDisplayString CONSTANT)
    Q_PROPERTY(QString description READ description WRITE setDescription NOTIFY descriptionChanged)
    Q_PROPERTY(int numberOfLocalities READ numberOfLocalities NOTIFY numberOfLocalitiesChanged)
    Q_PROPERTY(kiv::LocalityListModel* localityListModel READ localityListModel CONSTANT)
    Q_PROPERTY(kiv::SymbolListModel* symbolListModel READ symbolListModel CONSTANT)
    Q_PROPERTY(kiv::StratColumnModel* stratColumnModel READ stratColumnModel CONSTANT)

public:
    enum SymbolType { Plane = 0, Line = 8, SightingType = 9 };
    Q_ENUM(SymbolType)

    enum Icon {
        Bedding = 0,
        OverturnedBedding = 1,
        Foliation = 2,
        SecondFoliation = 3,
        Joint = 4,
        NormalFault = 5,
        ReverseFault = 6,
        StrikeSlipDextralFault = 7,
        StrikeSlipSinistralFault = 8,
        Syncline = 9,
        Anticline = 10,
        Synform = 11,
        Antiform = 12,
        Lineation = 13,
        Mineral = 14,
        FoldAxisZ = 15,
        FoldAxisS = 16,
        FoldAxisM = 17,
        FoldAxisAnticline = 18,
        FoldAxisSyncline = 19,
        Sighting = 20,
        Annotation = 21,
        Image = 22,
        NumIcons = 23
    };
    Q_ENUM(Icon)

    enum BaseTiles { Satellite = 0, Road = 1, Terrain = 2, Custom = 3 };

    // Value of the declination and of the last position meaning "not known".
    static constexpr float NoDeclination = NoValueF;
    static constexpr double NoCoordinate = NoValue;

    using RockUnit = kiv::RockUnit;

    struct BaseMap
    {
        QString type; // "GeoTiff" or "MBTiles" for files
        QString name;
        QUrl location;
        bool active = true;
        double opacity = 1.0;
        QRectF extent; // WGS84 degrees, empty when not known
    };

    struct Symbol
    {
        int id = 0;
        QString name;
        int iconId = 0;
        int symbolType = Plane;
        bool locked = false;
    };

    using LocalityList = std::vector<std::shared_ptr<Locality>>;

    // No database: for the QML type registration.
    Project();
    // Opens the project in folder; isOpen() tells whether that worked.
    Project(ProjectId projectId, ModelManager* owner, const QDir& folder);
    // Creates main.db in folder and writes the project row.
    Project(ProjectId projectId, ModelManager* owner, const QString& name, const QString& region,
            const QString& description, const QDir& folder);
    ~Project() override;

    static const std::vector<Symbol>& defaultSymbols();
    void addDefaultSymbols();

    bool loadProject(Project* target) override;
    using DatabaseManager::removeLocality;

    ProjectId projectId() const { return m_projectId; }
    ModelManager* owner() const { return m_owner; }
    Q_INVOKABLE uint qmlId() const { return m_projectId.value(); }

    QString name() const { return m_name; }
    QString region() const { return m_region; }
    QString description() const { return m_description; }
    QString localityBaseName() const { return m_localityBaseName; }
    qint64 timeStamp() const { return m_timeStamp; }
    const QDir& folder() const { return m_folder; }
    QString pathString() const { return m_folder.absolutePath(); }
    QString pathDisplayString() const { return m_folder.absolutePath(); }
    float declination() const { return m_declination; }
    double lastLatitude() const { return m_lastLatitude; }
    double lastLongitude() const { return m_lastLongitude; }
    int baseTileLayer() const { return m_baseTileLayer; }
    QString baseMapUrl() const { return m_baseMapUrl; }
    int nextUnitId() const { return m_nextUnitId; }

    void setName(const QString& name);
    void setRegion(const QString& region);
    void setDescription(const QString& description);
    void setLocalityBaseName(const QString& baseName);
    void setDeclination(float declination);
    void setTimeStamp(qint64 timeStamp) { m_timeStamp = timeStamp; }
    void setLastLatitude(double latitude) { m_lastLatitude = latitude; }
    void setLastLongitude(double longitude) { m_lastLongitude = longitude; }
    void setBaseTileLayer(int layer) { m_baseTileLayer = layer; }
    void setBaseMapUrl(const QString& url) { m_baseMapUrl = url; }

    // Rock units (the strat column).
    const std::vector<RockUnit>& rockUnits() const { return m_rockUnits; }
    std::vector<RockUnit>& rockUnits() { return m_rockUnits; }
    void addRockUnit(int id, const QString& name, const QColor& colour, int type);
    void clearRockUnits() { m_rockUnits.clear(); }
    int updateNextUnitId(int id);
    // Ids of 0 and below mean "no unit".
    QString unitName(int id) const;
    QColor unitColor(int id) const;
    int unitType(int id) const;
    int unitField(int id) const { return unitType(id); }
    Q_INVOKABLE bool hasRockUnit(int id) const;

    // Symbols.
    const std::vector<Symbol>& symbols() const { return m_symbols; }
    std::vector<Symbol>& symbols() { return m_symbols; }
    // Does nothing when a symbol with that id exists.
    void addSymbol(int id, const QString& name, int iconId, int symbolType, bool locked);
    Q_INVOKABLE QString symbolName(int id) const;
    Q_INVOKABLE int symbolIconId(int id) const;
    Q_INVOKABLE bool symbolIsPlane(int id) const;
    Q_INVOKABLE kiv::Project::SymbolType symbolType(int id) const;
    bool hasSymbol(int id) const;
    Q_INVOKABLE int getDefaultSightingId();
    // Made on first read; owned by the project.
    SymbolListModel* symbolListModel();
    // Made on first read; owned by the project.
    StratColumnModel* stratColumnModel();
    bool hasStratColumnModel() const { return m_stratColumnModel != nullptr; }

    // Base maps, front first.
    const std::vector<BaseMap>& baseMaps() const { return m_baseMaps; }
    std::vector<BaseMap>& baseMaps() { return m_baseMaps; }
    void addBaseMap(const QString& type, const QString& name, const QUrl& location, bool active,
                    double opacity, const QRectF& extent);
    // Both ignore indices outside the list; neither writes the database.
    void moveBaseMap(int from, int to);
    void removeBaseMap(int index);

    // Localities, newest first.
    const LocalityList& localities() const { return m_localities; }
    int numberOfLocalities() const { return static_cast<int>(m_localities.size()); }
    void addLocality(std::shared_ptr<Locality> locality);
    // Adds many in one sort and announces nothing: the caller announces the
    // list once it is complete.
    void addLocalities(const LocalityList& localities);
    std::shared_ptr<Locality> createLocality(const std::string& id);
    QString localityName(int number) const;
    std::shared_ptr<Locality> locality(const std::string& id) const;
    bool hasLocality(const std::string& id) const;
    std::shared_ptr<Locality> localityAt(int index) const;
    Q_INVOKABLE int localityIndex(const QString& qId) const;
    // Deletes the locality's rows with its data and lines, then the object.
    bool removeLocality(const std::string& id);
    // Takes the locality out of memory only, its rows untouched (they were
    // rolled back or are deleted by the caller).
    bool dropLocality(const std::string& id);
    void clearLocalities();
    std::shared_ptr<Data> dataById(const std::string& id) const;
    std::shared_ptr<LineData2D> lineById(const std::string& id) const;
    // True when no locality holds a datum or a line.
    Q_INVOKABLE bool empty() const;

    // Reads the locality rows and, with content, their data and lines;
    // false when a record could not be read (the others are loaded).
    bool load(bool withContent);
    // Writes the project row; false, with a warning, when it could not be.
    // lists: see syncProjectDetails.
    bool save(const Project* lists = nullptr);

    // Commands act on the current project only.
    bool isCurrentProject() const;

    // Emits dataListChanged for a change to one locality's data or lines;
    // listeners that can act on that locality alone read changedLocalityId.
    void announceLocalityContent(const std::string& localityId);
    // During dataListChanged: the one locality whose content changed, empty
    // when the change may touch any of them.
    const std::string& changedLocalityId() const { return m_changedLocalityId; }
    // Several lists announced at once (a merge's end): in between, list
    // models note what changed and reset once, at announcementEnded.
    void beginAnnouncement();
    void endAnnouncement();
    bool isAnnouncing() const { return m_announcing; }

    Q_INVOKABLE QString timeString() const;
    // Bytes of main.db, the data's images and the local base-map files.
    Q_INVOKABLE qulonglong projectSize();

public slots:
    // The project's own locality list, made on first use.
    kiv::LocalityListModel* localityListModel();
    // Both -1 while the strat column model has not been made.
    int addHorizon();
    int removeHorizonById(int horizonId);

signals:
    void nameChanged(const QString& name);
    void declinationChanged(float declination);
    void localityBaseNameChanged(const QString& baseName);
    void descriptionChanged(const QString& description);
    void stratColumnChanged();
    void symbolsChanged();
    void localityListChanged();
    void dataListChanged();
    void dataAdded();
    void baseMapsChanged();
    void baseMapRemoved(const QUrl& location);
    void numberOfLocalitiesChanged(int count);
    void announcementEnded();

private:
    void openDatabase(bool create);
    void sortLocalities();
    // One warning for the image names of loaded data that lead to no usable file.
    void warnAboutUnusableImages() const;
    qulonglong contentSize() const;

    ModelManager* m_owner = nullptr;
    ProjectId m_projectId;
    std::string m_changedLocalityId;
    bool m_announcing = false;
    LocalityList m_localities;
    QString m_name;
    QString m_region;
    QString m_description;
    QString m_localityBaseName = QStringLiteral("Locality #");
    qint64 m_timeStamp = 0;
    QDir m_folder;
    float m_declination = NoDeclination;
    double m_lastLatitude = NoCoordinate;
    double m_lastLongitude = NoCoordinate;
    std::vector<RockUnit> m_rockUnits;
    int m_nextUnitId = 1;
    std::vector<BaseMap> m_baseMaps;
    int m_baseTileLayer = Terrain;
    QString m_baseMapUrl;
    std::vector<Symbol> m_symbols;
    LocalityListModel* m_localityListModel = nullptr;
    SymbolListModel* m_symbolListModel = nullptr;
    StratColumnModel* m_stratColumnModel = nullptr;
    int m_defaultSightingId = -1;
    std::vector<QMetaObject::Connection> m_connections;
};

} // namespace kiv
