#include "support/MessageLog.h"

#include <QMutex>
#include <QMutexLocker>
#include <QtGlobal>

namespace kiv::test {

namespace {
// Render threads log too.
QMutex s_mutex;
QStringList s_debugLines;
QStringList s_warnings;
QStringList s_lines;
QtMessageHandler s_previousHandler = nullptr;

void recordLine(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    {
        QMutexLocker lock(&s_mutex);
        if (type == QtDebugMsg)
            s_debugLines.append(message);
        else if (type == QtWarningMsg || type == QtCriticalMsg)
            s_warnings.append(message);
        s_lines.append(message);
    }
    if (s_previousHandler)
        s_previousHandler(type, context, message);
}

QStringList take(QStringList& lines)
{
    QMutexLocker lock(&s_mutex);
    QStringList taken;
    taken.swap(lines);
    return taken;
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
    return take(s_debugLines);
}

QStringList takeWarnings()
{
    return take(s_warnings);
}

QStringList takeLines()
{
    return take(s_lines);
}

} // namespace kiv::test
