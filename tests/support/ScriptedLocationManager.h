#pragma once

#include "tools/AbstractLocationManager.h"

namespace kiv::test {

// A location manager without a location service: updates start unless the
// test says the start fails, and positions come only from the test.
class ScriptedLocationManager : public AbstractLocationManager
{
public:
    using AbstractLocationManager::AbstractLocationManager;

    bool startFails = false;
    int interval = 0;

    bool updating() const override { return m_running; }
    int updateInterval() const override { return interval; }
    void setUpdateInterval(int milliseconds) override { interval = milliseconds; }
    void requestUpdate(int) override {}
    void startUpdates() override
    {
        if (startFails)
            return;
        m_running = true;
        emit updatingChanged(true);
    }
    void stopUpdates(bool implicite) override
    {
        m_running = false;
        emit updatingChanged(false);
        if (!implicite)
            storeGpsAuto();
    }

private:
    bool m_running = false;
};

} // namespace kiv::test
