#include "support/MessageLog.h"

#include <QtGlobal>

namespace kiv::test {

namespace {
QStringList s_debugLines;
QStringList s_warnings;
QtMessageHandler s_previousHandler = nullptr;

void recordLine(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtDebugMsg)
        s_debugLines.append(message);
    else if (type == QtWarningMsg || type == QtCriticalMsg)
        s_warnings.append(message);
    if (s_previousHandler)
        s_previousHandler(type, context, message);
}
} // namespace

void recordLogLines()
{
    const QtMessageHandler previous = qInstallMessageHandler(recordLine);
    if (previous != recordLine)
        s_previousHandler = previous;
}

QStringList takeDebugLines()
{
    QStringList taken;
    taken.swap(s_debugLines);
    return taken;
}

QStringList takeWarnings()
{
    QStringList taken;
    taken.swap(s_warnings);
    return taken;
}

} // namespace kiv::test
