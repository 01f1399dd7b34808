#include "model/EditLineCommand.h"

#include "Database/Quarzel.pb.h"
#include "Database/Records.h"
#include "app/AppContext.h"
#include "model/EditTarget.h"
#include "model/LineData2D.h"
#include "model/Locality.h"
#include "model/Project.h"
#include "model/StorageStep.h"

#include <QDataStream>
#include <QIODevice>

#include <limits>
#include <string>

namespace kiv {

namespace {

bool writeLine(Project& project, LineData2D& line)
{
    return runStorageStep("EditLineCommand: writing the line failed:",
                          [&] { return project.syncLineDataDetails(&line); });
}

bool dropLine(Locality& locality, const std::string& id)
{
    return runStorageStep("EditLineCommand: removing the line failed:",
                          [&] { return locality.removeLine(id); });
}

} // namespace

EditLineCommand::EditLineCommand() = default;

bool EditLineCommand::serialize(QDataStream& stream)
{
    if (!m_line)
        return false;
    const std::shared_ptr<QZProtoBuffers::LineData2D> record = m_line->toProto();
    std::string bytes;
    if (!record || !serializeRecord(*record, &bytes))
        return false;
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<qint32>::max()))
        return false;
    const auto size = static_cast<qint32>(bytes.size());
    serializeBase(stream);
    stream << size;
    if (stream.writeRawData(bytes.data(), size) != size)
        return false;
    return stream.status() == QDataStream::Ok;
}

bool EditLineCommand::unserialize(QDataStream& stream)
{
    unserializeBase(stream);
    qint32 size = -1;
    stream >> size;
    if (stream.status() != QDataStream::Ok || size < 0)
        return false;
    // A damaged count must not make us allocate or read past the row.
    const QIODevice* device = stream.device();
    if (!device || size > device->bytesAvailable())
        return false;
    QByteArray bytes(size, Qt::Uninitialized);
    if (stream.readRawData(bytes.data(), size) != size || stream.status() != QDataStream::Ok)
        return false;
    QZProtoBuffers::LineData2D record;
    if (!record.ParseFromArray(bytes.constData(), size))
        return false;
    std::shared_ptr<LineData2D> line = LineData2D::fromProto(record);
    if (!line)
        return false;
    m_line = std::move(line);
    return true;
}

void EditLineCommand::setLineById(const QString& id)
{
    if (const std::shared_ptr<Project> project = AppContext::currentProject())
        m_line = project->lineById(id.toStdString());
}

std::shared_ptr<Locality> EditLineCommand::resolveLocality(const Project& project)
{
    std::shared_ptr<Locality> locality = EditTarget::locality(project, m_line->localityId());
    if (locality)
        m_line->setLocalityId(locality->id());
    return locality;
}

bool EditLineCommand::insertLine()
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!m_line || !project)
        return false;
    const std::string localityBefore = m_line->localityId();
    const std::shared_ptr<Locality> locality = resolveLocality(*project);
    if (!locality || locality->hasLine(m_line->id()) || !writeLine(*project, *m_line)) {
        m_line->setLocalityId(localityBefore);
        return false;
    }
    locality->addLine(m_line);
    emit project->dataAdded();
    project->announceLocalityContent(locality->id());
    return true;
}

bool EditLineCommand::deleteLine()
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!m_line || !project)
        return false;
    const std::shared_ptr<Locality> locality = resolveLocality(*project);
    const std::shared_ptr<LineData2D> live = locality ? locality->lineById(m_line->id()) : nullptr;
    if (!live)
        return false;
    if (!dropLine(*locality, live->id())) {
        // The row is still there: so must the line be.
        if (!locality->hasLine(live->id()))
            locality->addLine(live);
        return false;
    }
    project->announceLocalityContent(locality->id());
    return true;
}

bool EditLineCommand::swapLine()
{
    const std::shared_ptr<Project> project = AppContext::currentProject();
    if (!m_line || !project)
        return false;
    const std::shared_ptr<Locality> locality = project->locality(m_line->localityId());
    const std::shared_ptr<LineData2D> live = locality ? locality->lineById(m_line->id()) : nullptr;
    if (!live)
        return false;
    const LineData2D before = *live;
    *live = *m_line;
    if (!writeLine(*project, *live)) {
        *live = before;
        return false;
    }
    *m_line = before;
    project->announceLocalityContent(locality->id());
    return true;
}

} // namespace kiv
