#pragma once

#include "model/NoValue.h"

#include <QtGlobal>

class QDataStream;

namespace kiv {

class LocatedObject;

// A command's copy of a located object's time, visibility and position.
struct LocatedValues
{
    qint64 timeStamp = 0;
    bool visible = true;
    double latitude = NoValue;
    double longitude = NoValue;
    double altitude = 0.0;
    double horizontalAccuracy = -1.0;
    double verticalAccuracy = -1.0;

    void copyFrom(const LocatedObject& object);
};

// The seven values in the order above, as stored commands hold them.
QDataStream& operator<<(QDataStream& stream, const LocatedValues& values);
QDataStream& operator>>(QDataStream& stream, LocatedValues& values);

} // namespace kiv
