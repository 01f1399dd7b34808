#include "model/RemoveSymbolCommand.h"

#include "Database/AbstractCommandFactory.h"
#include "model/Data.h"
#include "model/Locality.h"
#include "model/Project.h"

#include <QDataStream>
#include <QDebug>
#include <QSet>

namespace kiv {

namespace {

constexpr int BeddingId = 1;
constexpr int LineationId = 9;

} // namespace

RemoveSymbolCommand::RemoveSymbolCommand()
{
    setName(staticName());
}

int RemoveSymbolCommand::replacementId(Project& project) const
{
    if (m_symbolType == Project::Plane)
        return BeddingId;
    if (m_symbolType == Project::SightingType) {
        // A line symbol would make the sightings read as lineations.
        const int sighting = project.getDefaultSightingId();
        if (sighting >= 0)
            return sighting;
    }
    return LineationId;
}

std::vector<std::shared_ptr<Data>> RemoveSymbolCommand::dataWithSymbol(const Project& project) const
{
    std::vector<std::shared_ptr<Data>> found;
    for (const std::shared_ptr<Locality>& locality : project.localities()) {
        for (const std::shared_ptr<Data>& datum : locality->data()) {
            if (datum->symbolId() == m_symbolId)
                found.push_back(datum);
        }
    }
    return found;
}

std::vector<std::shared_ptr<Data>> RemoveSymbolCommand::affectedData(const Project& project) const
{
    QSet<QString> wanted(m_affectedDataIds.begin(), m_affectedDataIds.end());
    std::vector<std::shared_ptr<Data>> found;
    for (const std::shared_ptr<Locality>& locality : project.localities()) {
        for (const std::shared_ptr<Data>& datum : locality->data()) {
            if (wanted.isEmpty())
                return found;
            if (wanted.remove(QString::fromStdString(datum->id())))
                found.push_back(datum);
        }
    }
    return found;
}

bool RemoveSymbolCommand::execute(CommandManagerContext*)
{
    const std::shared_ptr<Project> project = targetProject();
    const int index = project ? indexOf(*project, m_symbolId) : -1;
    if (index < 0)
        return false;
    const Project::Symbol& symbol = project->symbols()[std::size_t(index)];
    if (symbol.locked) {
        qWarning() << "Cannot delete locked symbols!";
        return false;
    }
    m_symbolName = symbol.name;
    m_iconId = symbol.iconId;
    m_symbolType = symbol.symbolType;

    const std::vector<std::shared_ptr<Data>> data = dataWithSymbol(*project);
    std::vector<Retagged> retagged;
    if (!retagData(*project, data, replacementId(*project), retagged))
        return false;
    if (!eraseSymbol(*project)) {
        restoreData(*project, retagged);
        return false;
    }
    m_affectedDataIds.clear();
    for (const std::shared_ptr<Data>& datum : data)
        m_affectedDataIds.append(QString::fromStdString(datum->id()));
    emit project->symbolsChanged();
    if (!data.empty())
        emit project->dataListChanged();
    return true;
}

bool RemoveSymbolCommand::undo(CommandManagerContext*)
{
    const std::shared_ptr<Project> project = targetProject();
    if (!project || indexOf(*project, m_symbolId) >= 0)
        return false;
    if (!appendSymbol(*project))
        return false;
    const std::vector<std::shared_ptr<Data>> data = affectedData(*project);
    std::vector<Retagged> retagged;
    if (!retagData(*project, data, m_symbolId, retagged)) {
        eraseSymbol(*project);
        return false;
    }
    emit project->symbolsChanged();
    if (!data.empty())
        emit project->dataListChanged();
    return true;
}

bool RemoveSymbolCommand::serialize(QDataStream& stream)
{
    serializeBase(stream);
    stream << qint32(m_symbolId) << m_symbolName << qint32(m_iconId) << qint32(m_symbolType)
           << qint32(m_affectedDataIds.size());
    for (const QString& id : m_affectedDataIds)
        stream << id;
    return stream.status() == QDataStream::Ok;
}

bool RemoveSymbolCommand::unserialize(QDataStream& stream)
{
    unserializeBase(stream);
    qint32 symbolId = 0;
    QString name;
    qint32 iconId = 0;
    qint32 symbolType = 0;
    qint32 count = 0;
    stream >> symbolId >> name >> iconId >> symbolType >> count;
    if (stream.status() != QDataStream::Ok)
        return false;
    // A list cut short keeps the ids read before the cut; the count alone
    // never decides how much is read.
    QStringList ids;
    for (qint32 i = 0; i < count && !stream.atEnd(); ++i) {
        QString id;
        stream >> id;
        if (stream.status() != QDataStream::Ok) {
            stream.resetStatus();
            break;
        }
        ids.append(id);
    }
    m_symbolId = symbolId;
    m_symbolName = name;
    m_iconId = iconId;
    m_symbolType = symbolType;
    m_affectedDataIds = ids;
    return true;
}

} // namespace kiv

KIV_REGISTER_COMMAND_FACTORY(RemoveSymbolCommand)
