#include "Database/Records.h"

#include <QLoggingCategory>

#include <google/protobuf/message_lite.h>
#include <google/protobuf/stubs/logging.h>

namespace kiv {

namespace {

Q_LOGGING_CATEGORY(protobufLog, "kiv.protobuf")

void routeToQt(google::protobuf::LogLevel level, const char* file, int line, const std::string& message)
{
    const QString text = QStringLiteral("%1 (%2:%3)").arg(QString::fromStdString(message), QString::fromUtf8(file)).arg(line);
    switch (level) {
    case google::protobuf::LOGLEVEL_INFO:
        qCInfo(protobufLog).noquote() << text;
        break;
    case google::protobuf::LOGLEVEL_WARNING:
    case google::protobuf::LOGLEVEL_ERROR:
        qCWarning(protobufLog).noquote() << text;
        break;
    default:
        qCCritical(protobufLog).noquote() << text;
    }
}

// protobuf's own log lines go to Qt's log from the moment the library loads.
struct LogRouterInstaller
{
    LogRouterInstaller() { google::protobuf::SetLogHandler(&routeToQt); }
} logRouterInstaller;

} // namespace

bool serializeRecord(const google::protobuf::MessageLite& record, std::string* bytes)
{
    if (!bytes || !record.IsInitialized())
        return false;
    return record.SerializeToString(bytes);
}

} // namespace kiv
