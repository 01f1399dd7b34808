#include "map/QtNotifyHandler.h"

#include <QDebug>

#include <cstring>

namespace kiv {

namespace {

// Emitted by the draw traversal whenever a GL error is pending, which Qt
// Quick's own drawing may have left behind; it says nothing about the map.
const char* const RenderBinNoise = "at after RenderBin::draw(..)";

const char* prefixFor(osg::NotifySeverity severity)
{
    switch (severity) {
    case osg::ALWAYS:
    case osg::FATAL:
        return "FATAL: ";
    case osg::WARN:
        return "WARNING: ";
    case osg::NOTICE:
    case osg::INFO:
        return "INFO: ";
    case osg::DEBUG_INFO:
    case osg::DEBUG_FP:
        return "DEBUG: ";
    }
    return "INFO: ";
}

} // namespace

QString QtNotifyHandler::format(osg::NotifySeverity severity, const char* message)
{
    const char* text = message ? message : "";
    if (severity == osg::WARN && std::strstr(text, RenderBinNoise))
        return QString();
    return QString::fromLatin1(prefixFor(severity)) + QString::fromLocal8Bit(text);
}

void QtNotifyHandler::notify(osg::NotifySeverity severity, const char* message)
{
    const QString line = format(severity, message);
    if (!line.isNull())
        qDebug().noquote() << line;
}

} // namespace kiv
