#pragma once

#include "app/platform/LocationService.h"
#include "tools/AbstractLocationManager.h"

#include <memory>

namespace kiv {

class CLocationEvents;

// Location manager over the operating system's own location service: every
// latitude/longitude report it delivers is applied, without the acceptance
// test, on this object's thread in delivery order.
class WinLocationManager : public AbstractLocationManager
{
    Q_OBJECT

public:
    // Uses the platform's location service.
    explicit WinLocationManager(QObject* parent = nullptr);
    WinLocationManager(const platform::LocationServiceFactory& createService, QObject* parent = nullptr);
    ~WinLocationManager() override;

    bool updating() const override;
    int updateInterval() const override;
    void setUpdateInterval(int milliseconds) override;

public slots:
    void requestUpdate(int timeout = 0) override;
    void startUpdates() override;
    void stopUpdates(bool implicite = false) override;

private:
    // A sink without the service is no service at all.
    bool hasService() const { return m_location && m_sink; }

    std::shared_ptr<platform::LocationService> m_location;
    std::shared_ptr<CLocationEvents> m_sink;
    bool m_updating = false;
};

} // namespace kiv
