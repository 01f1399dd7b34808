#pragma once

#include "tools/AbstractCompassClino.h"

class QRotationSensor;

namespace kiv {

// Orientation source on top of Qt Sensors' rotation sensor.
class SimpleCompassClino : public AbstractCompassClino
{
    Q_OBJECT

public:
    explicit SimpleCompassClino(QObject* parent = nullptr);
    ~SimpleCompassClino() override;

public slots:
    void startUpdates() override;

private:
    QRotationSensor* m_rotation = nullptr;
};

} // namespace kiv
