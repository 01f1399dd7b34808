#pragma once

#include "Database/AbstractCommand.h"
#include "model/LocatedValues.h"

#include <QDateTime>

namespace kiv {

// Base of the commands that hold a snapshot of one located object: Values
// derives from LocatedValues and adds the object's own fields. A new
// snapshot is stamped with the time it was made.
template <typename Values>
class AbstractLocatedCommand : public AbstractCommand
{
public:
    AbstractLocatedCommand() { m_values.timeStamp = QDateTime::currentSecsSinceEpoch(); }

    qint64 timeStamp() const { return m_values.timeStamp; }
    void setTimeStamp(qint64 timeStamp) { m_values.timeStamp = timeStamp; }
    bool isVisible() const { return m_values.visible; }
    void setVisible(bool visible) { m_values.visible = visible; }
    double latitude() const { return m_values.latitude; }
    void setLatitude(double latitude) { m_values.latitude = latitude; }
    double longitude() const { return m_values.longitude; }
    void setLongitude(double longitude) { m_values.longitude = longitude; }
    double altitude() const { return m_values.altitude; }
    void setAltitude(double altitude) { m_values.altitude = altitude; }
    double horizontalAccuracy() const { return m_values.horizontalAccuracy; }
    void setHorizontalAccuracy(double accuracy) { m_values.horizontalAccuracy = accuracy; }
    double verticalAccuracy() const { return m_values.verticalAccuracy; }
    void setVerticalAccuracy(double accuracy) { m_values.verticalAccuracy = accuracy; }

protected:
    Values m_values;
};

} // namespace kiv
