#include "Database/AbstractCommand.h"

#include "Database/AbstractCommandFactory.h"

#include <QBuffer>
#include <QDataStream>
#include <QDebug>

namespace kiv {

AbstractCommand::AbstractCommand() = default;

AbstractCommand::~AbstractCommand() = default;

bool AbstractCommand::redo(CommandManagerContext* context)
{
    return execute(context);
}

bool AbstractCommand::serializeBase(QDataStream& stream)
{
    stream << m_name;
    return true;
}

bool AbstractCommand::unserializeBase(QDataStream& stream)
{
    stream >> m_name;
    return true;
}

std::shared_ptr<AbstractCommand> AbstractCommand::fromBytes(const QByteArray& bytes, int version)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QDataStream stream(&buffer);
    stream.setVersion(version);
    return fromStream(stream);
}

std::shared_ptr<AbstractCommand> AbstractCommand::fromStream(QDataStream& stream)
{
    try {
        QString name;
        stream >> name;
        std::shared_ptr<AbstractCommand> command = AbstractCommandFactory::create(name.toStdString());
        stream.device()->reset();
        stream.resetStatus();
        // A damaged row must be skipped, not undone with default fields.
        if (!command->unserialize(stream) || stream.status() != QDataStream::Ok)
            return nullptr;
        return command;
    } catch (const std::exception& e) {
        qDebug() << e.what();
        return nullptr;
    }
}

} // namespace kiv
