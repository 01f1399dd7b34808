#include "support/CommandBytes.h"

#include "Database/AbstractCommand.h"

#include <QBuffer>
#include <QDataStream>

namespace kiv::test {

QByteArray commandBytes(AbstractCommand& command, bool* written)
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    QDataStream stream(&buffer);
    const bool ok = command.serialize(stream);
    if (written)
        *written = ok;
    return buffer.data();
}

} // namespace kiv::test
