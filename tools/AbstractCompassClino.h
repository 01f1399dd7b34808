#pragma once

#include <QObject>

namespace kiv {

// The orientation source behind the compass and clinometer.
class AbstractCompassClino : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool hasRequiredSensors READ hasRequiredSensors NOTIFY hasRequiredSensorsChanged)

public:
    explicit AbstractCompassClino(QObject* parent = nullptr);
    ~AbstractCompassClino() override;

    // True when the device has the orientation sensors this source needs.
    bool hasRequiredSensors() const;

public slots:
    // Begins delivering orientation readings.
    virtual void startUpdates() = 0;

signals:
    void hasRequiredSensorsChanged(bool hasRequiredSensors);

protected:
    void setHasRequiredSensors(bool hasRequiredSensors);

private:
    bool m_hasRequiredSensors = false;
};

} // namespace kiv
