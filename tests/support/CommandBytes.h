#pragma once

#include <QByteArray>

namespace kiv {
class AbstractCommand;
}

namespace kiv::test {

// What the command writes into the undo history; written tells whether it
// reported success.
QByteArray commandBytes(AbstractCommand& command, bool* written = nullptr);

} // namespace kiv::test
