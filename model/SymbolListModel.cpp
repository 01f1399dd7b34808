#include "model/SymbolListModel.h"

#include "Database/CommandManager.h"
#include "model/AddSymbolCommand.h"
#include "model/ModelManager.h"
#include "model/ModifySymbolCommand.h"
#include "model/Project.h"
#include "model/RemoveSymbolCommand.h"

namespace kiv {

namespace {

constexpr int NoSymbolId = -1;

} // namespace

SymbolListModel::SymbolListModel(Project* project, QObject* parent)
    : AbstractProjectListModel(project, parent)
{
    if (m_project)
        connect(m_project, &Project::symbolsChanged, this, &SymbolListModel::onSymbolsChanged);
}

SymbolListModel::~SymbolListModel() = default;

int SymbolListModel::rowCount(const QModelIndex& parent) const
{
    if (!m_project || parent.isValid())
        return 0;
    const int records = static_cast<int>(m_project->symbols().size());
    return announcedRows(qMax(0, records - 1));
}

QVariant SymbolListModel::data(const QModelIndex& index, int role) const
{
    if (!m_project || index.row() < 0 || index.row() >= rowCount())
        return {};
    const std::size_t record = std::size_t(index.row()) + 1;
    if (record >= m_project->symbols().size())
        return {};
    const Project::Symbol& symbol = m_project->symbols()[record];
    switch (role) {
    case SymbolId:
        return symbol.id;
    case Qt::DisplayRole:
    case Name:
        return symbol.name;
    case IconId:
        return symbol.iconId;
    case SymbolType:
        return symbol.symbolType;
    case Locked:
        return symbol.locked;
    default:
        return {};
    }
}

QHash<int, QByteArray> SymbolListModel::roleNames() const
{
    QHash<int, QByteArray> roles = QAbstractListModel::roleNames();
    roles.insert(SymbolId, "symbolId");
    roles.insert(Name, "name");
    roles.insert(IconId, "iconId");
    roles.insert(SymbolType, "symbolType");
    roles.insert(Locked, "locked");
    return roles;
}

bool SymbolListModel::nameTakenByOther(const QString& name, int symbolId) const
{
    for (const Project::Symbol& symbol : m_project->symbols()) {
        if (symbol.id != symbolId && symbol.name == name)
            return true;
    }
    return false;
}

bool SymbolListModel::addSymbol(const QString& name, int iconId)
{
    if (!isEditable() || nameTakenByOther(name, NoSymbolId))
        return false;
    auto command = std::make_shared<AddSymbolCommand>();
    command->setSymbol(name, iconId);
    if (!insertRowThrough(rowCount(), [&command] { return CommandManager::instance()->execute(command); }))
        return false;
    emit symbolCreated(command->symbolId());
    return true;
}

bool SymbolListModel::modifySymbol(int symbolId, const QString& name, int iconId)
{
    if (!isEditable() || !m_project->hasSymbol(symbolId) || nameTakenByOther(name, symbolId))
        return false;
    auto command = std::make_shared<ModifySymbolCommand>();
    command->setSymbol(symbolId, name, iconId);
    beginResetModel();
    const bool modified = CommandManager::instance()->execute(command);
    endResetModel();
    return modified;
}

void SymbolListModel::removeSymbol(int symbolId)
{
    if (!isEditable() || !m_project->hasSymbol(symbolId))
        return;
    auto command = std::make_shared<RemoveSymbolCommand>();
    command->setSymbolId(symbolId);
    beginResetModel();
    CommandManager::instance()->execute(command);
    endResetModel();
}

void SymbolListModel::onSymbolsChanged()
{
    ModelManager* manager = ModelManager::instance();
    if (manager)
        emit manager->currentSymbolChanged(manager->currentSymbol());
}

} // namespace kiv
