#include "tools/SimpleCompassClino.h"

#include <QRotationSensor>

namespace kiv {

SimpleCompassClino::SimpleCompassClino(QObject* parent)
    : AbstractCompassClino(parent)
    , m_rotation(new QRotationSensor(this))
{
    setHasRequiredSensors(m_rotation->connectToBackend());
}

SimpleCompassClino::~SimpleCompassClino() = default;

void SimpleCompassClino::startUpdates()
{
    if (hasRequiredSensors())
        m_rotation->start();
}

} // namespace kiv
