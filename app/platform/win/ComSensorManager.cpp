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
    // A driver's count can be wrong: the first sensor it cannot give ends
    // the walk, and no more than a device could hold are taken.
    for (ULONG i = 0; i < count && i < MostSensors; ++i) {
        ComRef<ISensor> sensor;
        if (FAILED(collection->GetAt(i, sensor.put())) || !sensor)
            break;
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
