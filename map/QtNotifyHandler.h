#pragma once

#include <osg/Notify>

#include <QString>

namespace kiv {

// Relays scene-graph messages to Qt's debug log behind a prefix by severity.
class QtNotifyHandler : public osg::NotifyHandler
{
public:
    void notify(osg::NotifySeverity severity, const char* message) override;

    // The log line for a message, or a null string when it is dropped.
    static QString format(osg::NotifySeverity severity, const char* message);
};

} // namespace kiv
