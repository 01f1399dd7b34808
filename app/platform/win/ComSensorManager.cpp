#include "app/platform/win/ComSensorManager.h"

#include "app/platform/win/ComSensor.h"

#include <sensors.h>

namespace kiv::platform {

namespace win {


ComSensorManager::ComSensorManager(ComRef<ISensorManager> manager)
    : m_manager(std::move(manager))
{
}

std::vector<std::shared_ptr<Sensor>> ComSensorManager::orientationSensors()
{
    std::vector<std::shared_ptr<Sensor>> sensors;
    ComRef<ISensorCollection> collection;
    if (FAILED(m_manager->GetSensorsByCategory(SENSOR_CATEGORY_ORIENTATION, collection.put())) || !collection)
        return sensors;
    if (FAILED(m_manager->RequestPermissions(nullptr, collection.get(), TRUE)))
        return sensors;
    ULONG count = 0;
    if (FAILED(collection->GetCount(&count)))
        return sensors;
    for (ULONG i = 0; i < count; ++i) {
        ComRef<ISensor> sensor;
        if (SUCCEEDED(collection->GetAt(i, sensor.put())) && sensor)
            sensors.push_back(std::make_shared<ComSensor>(std::move(sensor)));
    }
    return sensors;
}

} // namespace win

std::shared_ptr<SensorManager> createSensorManager()
{
    win::ComRef<ISensorManager> manager;
    if (FAILED(CoCreateInstance(CLSID_SensorManager, nullptr, CLSCTX_INPROC_SERVER, IID_ISensorManager,
                                manager.putVoid()))
        || !manager)
        return nullptr;
    return std::make_shared<win::ComSensorManager>(std::move(manager));
}

} // namespace kiv::platform
