#include "model/StratColumnModel.h"

#include "Database/CommandManager.h"
#include "model/ModelManager.h"
#include "model/ModifyStratColumnCommand.h"
#include "model/Project.h"

#include <QDebug>
#include <QFile>
#include <QTextCodec>

#include <algorithm>
#include <array>
#include <utility>

namespace kiv {

namespace {

constexpr int NoUnit = -1;
// A table line is a name and a few numbers; longer lines are skipped unread.
constexpr qint64 MaxLineBytes = 64 * 1024;

int typeFromText(const QString& text)
{
    if (text == QLatin1String("F"))
        return 1;
    if (text == QLatin1String("C"))
        return 2;
    return 0;
}

QString typeText(int type)
{
    switch (type) {
    case 1:
        return QStringLiteral("F");
    case 2:
        return QStringLiteral("C");
    default:
        return QStringLiteral("U");
    }
}

// A horizon from a table line; lines with fewer than two cells make none. A
// colour that is not understood becomes the default one and is counted.
bool appendUnit(const QStringList& cells, StratColumnModel::Units& units, int* unreadColours = nullptr)
{
    if (cells.size() < 2)
        return false;
    const int id = static_cast<int>(units.size()) + 1;
    QColor colour(cells.at(1).trimmed());
    if (!colour.isValid()) {
        colour = StratColumnModel::defaultColor(id - 1);
        if (unreadColours)
            ++*unreadColours;
    }
    units.push_back({id, cells.at(0), colour, 0});
    return true;
}

// UTF-8 when the bytes are, Latin-1 otherwise; NUL bytes are dropped, not
// taken as the end of the line.
QString decodeLine(const QByteArray& bytes)
{
    QTextCodec::ConverterState state;
    QString line = QTextCodec::codecForName("UTF-8")->toUnicode(bytes.constData(), bytes.size(), &state);
    if (state.invalidChars > 0 || state.remainingChars > 0)
        line = QString::fromLatin1(bytes.constData(), bytes.size());
    return line.remove(QChar(0));
}

// Reads a table line by line: blank lines are skipped, cells lose one
// trailing carriage return; at the end of the file it yields no cells.
class TableReader
{
public:
    explicit TableReader(QIODevice& device)
        : m_device(device)
    {
    }

    QStringList next()
    {
        while (!m_device.atEnd()) {
            const QByteArray bytes = m_device.readLine(MaxLineBytes + 2);
            if (bytes.size() > MaxLineBytes && !bytes.endsWith('\n')) {
                skipRestOfLine();
                continue;
            }
            QString line = decodeLine(bytes);
            if (line.endsWith(QLatin1Char('\n')))
                line.chop(1);
            // A CR LF file's blank line is blank too.
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
            if (line.isEmpty())
                continue;
            QStringList cells = line.split(QLatin1Char(','));
            for (QString& cell : cells) {
                if (cell.endsWith(QLatin1Char('\r')))
                    cell.chop(1);
            }
            return cells;
        }
        return {};
    }

private:
    void skipRestOfLine()
    {
        while (!m_device.atEnd()) {
            if (m_device.readLine(MaxLineBytes + 2).endsWith('\n'))
                return;
        }
    }

    QIODevice& m_device;
};

StratColumnModel::Units readExportedTable(QIODevice& device, int* unreadColours)
{
    TableReader reader(device);
    QStringList cells;
    do {
        cells = reader.next();
        if (cells.isEmpty())
            return {};
    } while (cells.first() != QLatin1String("Stratigraphy"));
    reader.next();
    const QStringList header = reader.next();
    if (header.size() < 4 || header.at(0) != QLatin1String("Horizon") || header.at(1) != QLatin1String("Colour")
        || header.at(3) != QLatin1String("Age"))
        return {};
    for (int i = 0; i < 3; ++i)
        reader.next();
    StratColumnModel::Units units;
    for (cells = reader.next(); !cells.isEmpty(); cells = reader.next())
        appendUnit(cells, units, unreadColours);
    return units;
}

} // namespace

StratColumnModel::StratColumnModel(Project* project, QObject* parent)
    : AbstractProjectListModel(project, parent)
{
    if (m_project)
        connect(m_project, &Project::stratColumnChanged, this, &StratColumnModel::onStratColumnChanged);
}

StratColumnModel::~StratColumnModel()
{
    qDebug() << "StratColumnModel::~StratColumnModel";
}

QColor StratColumnModel::defaultColor(int n)
{
    static const std::array<const char*, 8> colours
        = {"#FFCC00", "#FF9933", "#669933", "#66CCCC", "#663399", "#BE2B2F", "#20297D", "#996633"};
    return QColor(colours[static_cast<std::size_t>(n % 8)]);
}

const StratColumnModel::Units& StratColumnModel::shownUnits() const
{
    return m_editing ? m_workingCopy : m_project->rockUnits();
}

int StratColumnModel::rowCount(const QModelIndex& parent) const
{
    if (!m_project || parent.isValid())
        return 0;
    return announcedRows(static_cast<int>(shownUnits().size()));
}

QVariant StratColumnModel::data(const QModelIndex& index, int role) const
{
    if (!m_project || index.row() < 0 || index.row() >= rowCount())
        return {};
    const Project::RockUnit& unit = shownUnits()[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case UnitName:
        return unit.name;
    case UnitId:
        return unit.id;
    case UnitColor:
        return unit.colour;
    case UnitType:
        return typeText(unit.type);
    default:
        return {};
    }
}

QHash<int, QByteArray> StratColumnModel::roleNames() const
{
    QHash<int, QByteArray> roles = QAbstractListModel::roleNames();
    roles.insert(UnitName, "unitName");
    roles.insert(UnitId, "unitId");
    roles.insert(UnitColor, "unitColor");
    roles.insert(UnitType, "unitType");
    return roles;
}

bool StratColumnModel::executeCommand(const Units& units)
{
    auto command = std::make_shared<ModifyStratColumnCommand>();
    command->setFromModel(units);
    m_saving = true;
    const bool done = CommandManager::instance()->execute(command);
    m_saving = false;
    return done;
}

void StratColumnModel::startEdit()
{
    if (!m_project)
        return;
    m_workingCopy = m_project->rockUnits();
    m_backup = m_workingCopy;
    setEditing(true);
}

void StratColumnModel::cancelEdit()
{
    if (!m_editing)
        return;
    m_editing = false;
    m_workingCopy.clear();
    m_backup.clear();
    if (m_changed) {
        beginResetModel();
        m_changed = false;
        endResetModel();
    }
    emit editingChanged(false);
}

void StratColumnModel::setEditing(bool editing)
{
    if (m_editing == editing)
        return;
    m_editing = editing;
    emit editingChanged(editing);
}

bool StratColumnModel::save()
{
    if (!isEditable())
        return false;
    beginResetModel();
    if (m_changed) {
        ModelManager* manager = ModelManager::instance();
        if (!executeCommand(m_workingCopy)) {
            endResetModel();
            return false;
        }
        if (!m_project->hasRockUnit(manager->currentRockUnit()))
            manager->setCurrentRockUnit(m_project->rockUnits().empty() ? NoUnit : m_project->rockUnits().front().id);
    }
    m_workingCopy.clear();
    m_backup.clear();
    const bool wasEditing = std::exchange(m_editing, false);
    m_changed = false;
    endResetModel();
    if (wasEditing)
        emit editingChanged(false);
    return true;
}

void StratColumnModel::revert()
{
    beginResetModel();
    m_workingCopy = m_backup;
    m_changed = false;
    endResetModel();
}

QString StratColumnModel::validWorkingCopy() const
{
    if (m_workingCopy.empty())
        return QStringLiteral("Unit list must not be empty");
    for (std::size_t i = 0; i < m_workingCopy.size(); ++i) {
        for (std::size_t j = i + 1; j < m_workingCopy.size(); ++j) {
            if (m_workingCopy[i].name == m_workingCopy[j].name)
                return QStringLiteral("Unit names must be unique");
        }
    }
    return {};
}

int StratColumnModel::addUnit()
{
    if (!m_project || (!m_editing && !isEditable()))
        return NoUnit;
    Units units = shownUnits();
    const auto hasName = [&units](const QString& name) {
        return std::any_of(units.begin(), units.end(), [&name](const auto& unit) { return unit.name == name; });
    };
    int n = static_cast<int>(units.size());
    QString name;
    do {
        name = QStringLiteral("Unit %1").arg(++n);
    } while (hasName(name));
    // Imports number their units from 1: the counter alone could repeat one.
    int id = m_project->nextUnitId();
    for (const Project::RockUnit& unit : units)
        id = std::max(id, unit.id + 1);
    m_project->updateNextUnitId(id);
    QColor colour = defaultColor(n);
    while (!units.empty() && units.back().colour == colour)
        colour = defaultColor(++n);
    const int row = static_cast<int>(units.size());
    units.push_back({id, name, colour, 0});
    if (m_editing) {
        beginInsertRows(QModelIndex(), row, row);
        m_workingCopy = std::move(units);
        m_changed = true;
        endInsertRows();
        return id;
    }
    if (!insertRowThrough(row, [&] { return executeCommand(units); }))
        return NoUnit;
    return id;
}

int StratColumnModel::removeUnitById(int horizonId)
{
    if (!m_project || !m_editing)
        return NoUnit;
    const auto found = std::find_if(m_workingCopy.begin(), m_workingCopy.end(),
                                    [horizonId](const auto& unit) { return unit.id == horizonId; });
    if (found == m_workingCopy.end())
        return NoUnit;
    const int row = static_cast<int>(found - m_workingCopy.begin());
    beginRemoveRows(QModelIndex(), row, row);
    m_workingCopy.erase(found);
    m_changed = true;
    endRemoveRows();
    if (m_workingCopy.empty())
        return NoUnit;
    const std::size_t next = std::min(static_cast<std::size_t>(row), m_workingCopy.size() - 1);
    return m_workingCopy[next].id;
}

void StratColumnModel::move(int from, int to)
{
    const int size = static_cast<int>(m_workingCopy.size());
    if (!m_editing || from == to || from < 0 || to < 0 || from >= size || to >= size)
        return;
    beginResetModel();
    const Project::RockUnit unit = m_workingCopy[static_cast<std::size_t>(from)];
    m_workingCopy.erase(m_workingCopy.begin() + from);
    m_workingCopy.insert(m_workingCopy.begin() + to, unit);
    m_changed = true;
    endResetModel();
}

template <typename Change>
void StratColumnModel::changeUnit(int index, Change change)
{
    if (!m_editing || index < 0 || index >= static_cast<int>(m_workingCopy.size()))
        return;
    if (!change(m_workingCopy[static_cast<std::size_t>(index)]))
        return;
    m_changed = true;
    const QModelIndex changed = this->index(index);
    emit dataChanged(changed, changed);
}

void StratColumnModel::setUnitName(int index, const QString& value)
{
    changeUnit(index, [&value](Project::RockUnit& unit) {
        if (unit.name == value)
            return false;
        unit.name = value;
        return true;
    });
}

void StratColumnModel::setUnitColor(int index, const QColor& value)
{
    changeUnit(index, [&value](Project::RockUnit& unit) {
        if (unit.colour == value)
            return false;
        unit.colour = value;
        return true;
    });
}

void StratColumnModel::setUnitType(int index, const QString& value)
{
    const int type = typeFromText(value);
    changeUnit(index, [type](Project::RockUnit& unit) {
        if (unit.type == type)
            return false;
        unit.type = type;
        return true;
    });
}

int StratColumnModel::unitIdAt(int row) const
{
    if (!m_project || row < 0 || row >= rowCount())
        return NoUnit;
    return shownUnits()[static_cast<std::size_t>(row)].id;
}

QColor StratColumnModel::unitColorById(int horizonId) const
{
    if (!m_project)
        return QColor(Qt::black);
    if (!m_editing)
        return m_project->unitColor(horizonId);
    for (const Project::RockUnit& unit : m_workingCopy) {
        if (unit.id == horizonId)
            return unit.colour;
    }
    return QColor(Qt::black);
}

QString StratColumnModel::unitNameById(int horizonId) const
{
    if (!m_project)
        return {};
    if (!m_editing)
        return m_project->unitName(horizonId);
    for (const Project::RockUnit& unit : m_workingCopy) {
        if (unit.id == horizonId)
            return unit.name;
    }
    return {};
}

void StratColumnModel::updateData()
{
    beginResetModel();
    endResetModel();
}

void StratColumnModel::replaceWorkingCopy(const Units& units)
{
    beginResetModel();
    m_workingCopy = units;
    m_changed = true;
    endResetModel();
}

bool StratColumnModel::importDefault()
{
    if (!m_project || !m_editing)
        return false;
    QFile file(QStringLiteral(":/data/Resources/stratigraphy.csv"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString text = QString::fromUtf8(file.readAll());
    Units units;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        appendUnit(line.split(QLatin1Char(',')), units);
    if (units.empty())
        return false;
    replaceWorkingCopy(units);
    return true;
}

bool StratColumnModel::importFile(const QUrl& url)
{
    if (!m_project)
        return false;
    QFile file(url.toLocalFile());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    int unreadColours = 0;
    const Units units = readExportedTable(file, &unreadColours);
    if (units.empty())
        return false;
    replaceWorkingCopy(units);
    setUnreadColourCount(unreadColours);
    return true;
}

bool StratColumnModel::importFromProject(int projectId)
{
    ModelManager* manager = ModelManager::instance();
    if (!m_project || !m_editing || !manager || projectId < 0)
        return false;
    const std::shared_ptr<Project> source = manager->projectById(ProjectId(static_cast<quint32>(projectId)));
    if (!source || source->rockUnits().empty())
        return false;
    replaceWorkingCopy(source->rockUnits());
    return true;
}

void StratColumnModel::setUnreadColourCount(int count)
{
    if (m_unreadColourCount == count)
        return;
    m_unreadColourCount = count;
    emit unreadColourCountChanged(count);
}

void StratColumnModel::onStratColumnChanged()
{
    if (m_saving)
        return;
    beginResetModel();
    if (m_editing)
        m_workingCopy = m_project->rockUnits();
    endResetModel();
}

} // namespace kiv
