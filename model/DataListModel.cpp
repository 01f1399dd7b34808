#include "model/DataListModel.h"

#include "Database/CommandManager.h"
#include "app/AppContext.h"
#include "model/Data.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/LocalityListModel.h"
#include "model/ModelManager.h"
#include "model/ModifyDataCommand.h"
#include "model/ModifyLineCommand.h"
#include "model/ModifyLocalityCommand.h"
#include "model/Project.h"

#include <QDateTime>
#include <QDebug>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace kiv {

namespace {

bool isLatitude(double value)
{
    return value >= -90.0 && value <= 90.0;
}

bool isLongitude(double value)
{
    return value >= -180.0 && value <= 180.0;
}

QString kindName(int kind)
{
    switch (kind) {
    case Data::Plane:
        return QStringLiteral("Plane");
    case Data::Image:
        return QStringLiteral("Image");
    case Data::Lineation:
        return QStringLiteral("Lineation");
    case Data::Annotation:
        return QStringLiteral("Annotation");
    case Data::Sighting:
        return QStringLiteral("Sighting");
    default:
        return QStringLiteral("Unknown");
    }
}

} // namespace

DataListModel::DataListModel(Project* project, QObject* parent)
    : AbstractFlatListModel(parent)
    , m_project(project)
    , m_manager(ModelManager::instance())
{
    connectProject();
    if (m_manager) {
        connect(m_manager, &ModelManager::currentLocalityChanged, this, &DataListModel::updateData);
        connect(m_manager, &ModelManager::currentProjectChanged, this, &DataListModel::onCurrentProjectChanged);
    }
}

DataListModel::~DataListModel()
{
    disconnectProject();
    qDebug() << "DataListModel::~DataListModel";
}

void DataListModel::connectProject()
{
    if (!m_project)
        return;
    const auto reread = [this] {
        if (!heldBack())
            refresh();
    };
    m_connections.push_back(connect(m_project, &Project::symbolsChanged, this, reread));
    m_connections.push_back(connect(m_project, &Project::stratColumnChanged, this, reread));
    m_connections.push_back(connect(m_project, &Project::localityListChanged, this, [this] {
        if (!heldBack())
            updateData();
    }));
    m_connections.push_back(connect(m_project, &Project::dataListChanged, this, &DataListModel::onDataListChanged));
    m_connections.push_back(connect(m_project, &Project::announcementEnded, this, [this] {
        if (std::exchange(m_stale, false))
            updateData();
    }));
    // The rows may outlive their project; they must not outlive it in views.
    m_connections.push_back(connect(m_project, &QObject::destroyed, this, &DataListModel::updateData));
}

void DataListModel::disconnectProject()
{
    for (const QMetaObject::Connection& connection : m_connections)
        disconnect(connection);
    m_connections.clear();
}

void DataListModel::onCurrentProjectChanged(Project* project)
{
    beginResetModel();
    disconnectProject();
    m_project = project;
    connectProject();
    fillRows();
    endResetModel();
}

void DataListModel::updateData()
{
    beginResetModel();
    fillRows();
    endResetModel();
}

bool DataListModel::heldBack()
{
    if (!m_project || !m_project->isAnnouncing())
        return false;
    m_stale = true;
    return true;
}

void DataListModel::onDataListChanged()
{
    if (heldBack())
        return;
    beginResetModel();
    const std::string& changed = m_project ? m_project->changedLocalityId() : std::string();
    if (changed.empty() || !refillLocality(changed))
        fillRows();
    endResetModel();
}

bool DataListModel::refillLocality(const std::string& localityId)
{
    const auto isLocality = [](const std::shared_ptr<AbstractObject>& row) {
        return dynamic_cast<const Locality*>(row.get()) != nullptr;
    };
    const auto head = std::find_if(m_rows.begin(), m_rows.end(), [&](const auto& row) {
        return row->id() == localityId && isLocality(row);
    });
    if (head == m_rows.end())
        return false;
    const std::shared_ptr<Locality> locality = std::static_pointer_cast<Locality>(*head);
    const auto end = std::find_if(head + 1, m_rows.end(), isLocality);
    // The locality's rows are made in a list of their own and put in place of the old ones,
    // in the order a full fill gives them.
    std::vector<std::shared_ptr<AbstractObject>> rows(locality->data().begin(), locality->data().end());
    rows.insert(rows.end(), locality->lines().begin(), locality->lines().end());
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a->timeStamp() > b->timeStamp(); });
    const auto at = m_rows.erase(head + 1, end);
    m_rows.insert(at, rows.begin(), rows.end());
    return true;
}

void DataListModel::fillRows()
{
    m_rows.clear();
    if (!m_project)
        return;
    std::string currentId;
    if (const std::shared_ptr<Locality> current = m_manager ? m_manager->currentLocality() : nullptr) {
        currentId = current->id();
        if (const std::shared_ptr<Locality> own = m_project->locality(currentId))
            appendLocality(own);
    }
    for (const std::shared_ptr<Locality>& locality : m_project->localities()) {
        if (locality->id() != currentId)
            appendLocality(locality);
    }
}

void DataListModel::appendLocality(const std::shared_ptr<Locality>& locality)
{
    // Content of a locality that was never opened is read on demand; rows
    // already in memory are not read twice.
    if (locality->data().empty())
        m_project->loadLocalityContent(*locality);
    m_rows.push_back(locality);
    const std::size_t first = m_rows.size();
    m_rows.insert(m_rows.end(), locality->data().begin(), locality->data().end());
    m_rows.insert(m_rows.end(), locality->lines().begin(), locality->lines().end());
    std::stable_sort(m_rows.begin() + static_cast<std::ptrdiff_t>(first), m_rows.end(),
                     [](const auto& a, const auto& b) { return a->timeStamp() > b->timeStamp(); });
}

std::shared_ptr<AbstractObject> DataListModel::itemAt(int row) const
{
    if (row < 0 || row >= count())
        return {};
    return m_rows[static_cast<std::size_t>(row)];
}

int DataListModel::rowOfId(const QString& id) const
{
    const std::string wanted = id.toStdString();
    const auto found = std::find_if(m_rows.begin(), m_rows.end(), [&](const auto& row) { return row->id() == wanted; });
    return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
}

QHash<int, QByteArray> DataListModel::roleNames() const
{
    QHash<int, QByteArray> names = AbstractFlatListModel::roleNames();
    static const char* const own[] = {
        "localityId", "localityName", "dataId",  "dataType", "timeStamp", "timeString", "comment",
        "dip", "azimuth", "iconId", "symbolId", "symbolName", "latitude", "longitude", "altitude",
        "horizontalAccuracy", "verticalAccuracy", "unitColor", "unitName", "unitId", "lineStyle",
        "lineThickness", "lineOpacity", "filled", "imageSource", "empty", "localityColor"};
    int role = LocalityId;
    for (const char* name : own)
        names.insert(role++, name);
    return names;
}

QString DataListModel::timeString(qint64 timeStamp)
{
    // Read as an unsigned 32-bit count, as stored records have always been.
    const quint32 seconds = static_cast<quint32>(timeStamp);
    return QDateTime::fromSecsSinceEpoch(seconds).toLocalTime().toString(QStringLiteral("ddd d MMM yyyy HH:mm:ss"));
}

int DataListModel::penStyle(int lineStyle)
{
    return LineData2D::penStyleOf(lineStyle);
}

int DataListModel::storedLineStyle(int penStyle)
{
    return LineData2D::lineStyleOf(penStyle);
}

// --- roles ----------------------------------------------------------------------

QVariant DataListModel::rowData(int row, int role) const
{
    if (!m_project)
        return QVariant();
    const AbstractObject* object = m_rows[static_cast<std::size_t>(row)].get();
    if (const auto* data = dynamic_cast<const Data*>(object))
        return dataRole(*data, role);
    if (const auto* line = dynamic_cast<const LineData2D*>(object))
        return lineRole(*line, role);
    if (const auto* locality = dynamic_cast<const Locality*>(object))
        return localityRole(*locality, role);
    return QVariant();
}

QVariant DataListModel::positionRole(const LocatedObject& object, int role)
{
    switch (role) {
    case Latitude:
        return object.latitude();
    case Longitude:
        return object.longitude();
    case Altitude:
        return object.altitude();
    case HorizontalAccuracy:
        return object.horizontalAccuracy();
    case VerticalAccuracy:
        return object.verticalAccuracy();
    default:
        return QVariant();
    }
}

QVariant DataListModel::localityRole(const Locality& locality, int role) const
{
    switch (role) {
    case LocalityId:
    case DataId:
        return locality.qId();
    case LocalityName:
        return locality.name();
    case DataType:
        return QStringLiteral("Locality");
    case TimeString:
        return timeString(locality.timeStamp());
    case Comment:
        return locality.description();
    case IconId:
        return int(Project::Annotation);
    case UnitColor:
    case LocalityColor:
        return LocalityListModel::colourOf(locality);
    case Empty:
        return locality.data().empty() && locality.lines().empty();
    default:
        return positionRole(locality, role);
    }
}

template <typename Item>
QVariant DataListModel::itemRole(const Item& item, int role) const
{
    switch (role) {
    case LocalityId:
        return QString::fromStdString(item.localityId());
    case LocalityName:
        return localityName(item.localityId());
    case DataId:
        return QString::fromStdString(item.id());
    case TimeString:
        return timeString(item.timeStamp());
    case Comment:
        return item.comment();
    case UnitColor:
        return m_project->unitColor(item.unitId());
    case UnitName:
        return m_project->unitName(item.unitId());
    case UnitId:
        return item.unitId();
    default:
        return QVariant();
    }
}

QVariant DataListModel::dataRole(const Data& data, int role) const
{
    const bool lineation = data.type() == Data::Lineation;
    switch (role) {
    case Qt::DisplayRole:
        return QStringLiteral("Data: ") + data.comment();
    case DataType:
        return kindName(data.type());
    case Dip:
        return static_cast<int>(lineation ? data.plunge() : data.dip());
    case Azimuth:
        return static_cast<int>(lineation ? data.plungeAzimuth() : data.azimuth());
    case IconId:
        if (data.type() == Data::Image)
            return int(Project::Image);
        if (data.type() == Data::Annotation)
            return int(Project::Annotation);
        return m_project->symbolIconId(data.symbolId());
    case SymbolId:
        return data.symbolId();
    case SymbolName:
        return m_project->symbolName(data.symbolId());
    case ImageSource:
        return imageSource(data);
    case Latitude:
    case Longitude:
    case Altitude:
    case HorizontalAccuracy:
    case VerticalAccuracy:
        return positionRole(data, role);
    default:
        return itemRole(data, role);
    }
}

QVariant DataListModel::lineRole(const LineData2D& line, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
        return QStringLiteral("Line: ") + line.comment();
    case DataType:
        return QStringLiteral("Line");
    case LineStyle:
        return penStyle(line.lineStyle());
    case LineThickness:
        return line.thickness();
    case LineOpacity:
        return line.opacity();
    case Filled:
        return line.isFilled();
    default:
        return itemRole(line, role);
    }
}

QVariant DataListModel::localityName(const std::string& localityId) const
{
    const std::shared_ptr<Locality> locality = m_project->locality(localityId);
    return locality ? QVariant(locality->name()) : QVariant();
}

QVariant DataListModel::imageSource(const Data& data) const
{
    // Without a picture the folder itself would be a valid, unloadable source.
    if (data.imagePath().isEmpty())
        return QVariant();
    const QUrl url = QUrl::fromLocalFile(m_project->folder().absoluteFilePath(QStringLiteral("images/") + data.imagePath()));
    return url.isValid() ? QVariant(url) : QVariant();
}

// --- edits ----------------------------------------------------------------------

template <typename Object>
std::shared_ptr<Object> DataListModel::rowObject(int row, const QString& id) const
{
    std::shared_ptr<Object> object = std::dynamic_pointer_cast<Object>(itemAt(row));
    return object && object->id() == id.toStdString() ? object : nullptr;
}

bool DataListModel::execute(const std::shared_ptr<AbstractCommand>& command)
{
    return AppContext::runCommand(command);
}

bool DataListModel::run(int row, const std::shared_ptr<AbstractCommand>& command)
{
    if (!execute(command))
        return false;
    // The command's own signals usually rebuilt the rows already.
    const QModelIndex at = index(row, 0);
    if (at.isValid())
        emit dataChanged(at, at);
    return true;
}

std::shared_ptr<ModifyDataCommand> DataListModel::dataEdit(int row, const QString& dataId, double lat, double lg,
                                                           const QString& comment) const
{
    const std::shared_ptr<Data> data = rowObject<Data>(row, dataId);
    if (!data)
        return nullptr;
    auto command = std::make_shared<ModifyDataCommand>();
    command->setFromData(data);
    if (isLatitude(lat))
        command->setLatitude(lat);
    if (isLongitude(lg))
        command->setLongitude(lg);
    command->setComment(comment);
    return command;
}

bool DataListModel::savePointData(int row, const QString& dataId, double lat, double lg, int symbolId, int unitId,
                                  const QString& comment)
{
    const std::shared_ptr<ModifyDataCommand> command = dataEdit(row, dataId, lat, lg, comment);
    if (!command)
        return false;
    command->setSymbolId(symbolId);
    command->setUnitId(unitId);
    return run(row, command);
}

bool DataListModel::saveAnnotationData(int row, const QString& dataId, double lat, double lg, double azimuth,
                                       const QString& comment)
{
    const std::shared_ptr<ModifyDataCommand> command = dataEdit(row, dataId, lat, lg, comment);
    if (!command)
        return false;
    // Only a photograph has a viewing direction.
    if (azimuth >= 0.0 && azimuth < 360.0 && !command->imagePath().isEmpty())
        command->setAzimuth(static_cast<float>(azimuth));
    return run(row, command);
}

bool DataListModel::saveSighting(int row, const QString& dataId, double lat, double lg, int unitId,
                                 const QString& comment)
{
    const std::shared_ptr<ModifyDataCommand> command = dataEdit(row, dataId, lat, lg, comment);
    if (!command)
        return false;
    command->setUnitId(unitId);
    return run(row, command);
}

bool DataListModel::saveLineData(int row, const QString& dataId, float lineThickness, float lineOpacity,
                                 int lineStyle, int unitId, const QString& comment)
{
    const std::shared_ptr<LineData2D> line = rowObject<LineData2D>(row, dataId);
    if (!line)
        return false;
    auto copy = std::make_shared<LineData2D>(*line);
    copy->setThickness(lineThickness);
    copy->setOpacity(lineOpacity);
    copy->setComment(comment);
    copy->setUnitId(unitId);
    copy->setLineStyle(storedLineStyle(lineStyle));
    auto command = std::make_shared<ModifyLineCommand>(false);
    command->setLine(copy);
    return run(row, command);
}

bool DataListModel::saveLocalityData(int row, const QString& dataId, const QString& name,
                                     const QString& description, double lat, double lg, const QColor& localityColor)
{
    const std::shared_ptr<Locality> locality = rowObject<Locality>(row, dataId);
    if (!locality)
        return false;
    auto command = std::make_shared<ModifyLocalityCommand>();
    command->setFromLocality(locality);
    command->setLocalityName(name);
    command->setDescription(description);
    if (isLatitude(lat))
        command->setLatitude(lat);
    if (isLongitude(lg))
        command->setLongitude(lg);
    command->setColour(localityColor);
    return run(row, command);
}

} // namespace kiv
