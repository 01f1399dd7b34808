#include "tools/AbstractCompassClino.h"

namespace kiv {

AbstractCompassClino::AbstractCompassClino(QObject* parent)
    : QObject(parent)
{
}

AbstractCompassClino::~AbstractCompassClino() = default;

bool AbstractCompassClino::hasRequiredSensors() const
{
    return m_hasRequiredSensors;
}

void AbstractCompassClino::setHasRequiredSensors(bool hasRequiredSensors)
{
    if (m_hasRequiredSensors == hasRequiredSensors)
        return;
    m_hasRequiredSensors = hasRequiredSensors;
    emit hasRequiredSensorsChanged(hasRequiredSensors);
}

} // namespace kiv
