#pragma once

#include "model/AbstractObject.h"

namespace QZProtoBuffers {
class Position;
}

namespace kiv {

// An object measured at a WGS84 position; accuracies are -1 when not known.
class LocatedObject : public AbstractObject
{
public:
    explicit LocatedObject(std::string id);
    LocatedObject(std::string id, qint64 timeStamp);

    double latitude() const { return m_latitude; }
    void setLatitude(double latitude) { m_latitude = latitude; }
    double longitude() const { return m_longitude; }
    void setLongitude(double longitude) { m_longitude = longitude; }
    double altitude() const { return m_altitude; }
    void setAltitude(double altitude) { m_altitude = altitude; }
    double horizontalAccuracy() const { return m_horizontalAccuracy; }
    void setHorizontalAccuracy(double accuracy) { m_horizontalAccuracy = accuracy; }
    double verticalAccuracy() const { return m_verticalAccuracy; }
    void setVerticalAccuracy(double accuracy) { m_verticalAccuracy = accuracy; }

    // Copies all five values as stored: an absent accuracy reads as 0.
    bool fromProtoPosition(const QZProtoBuffers::Position& position);
    void toProtoPosition(QZProtoBuffers::Position* position) const;

private:
    double m_latitude = 0.0;
    double m_longitude = 0.0;
    double m_altitude = 0.0;
    double m_horizontalAccuracy = -1.0;
    double m_verticalAccuracy = -1.0;
};

} // namespace kiv
