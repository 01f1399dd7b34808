#include "app/platform/win/ComSensor.h"

#include "app/platform/win/ComObject.h"
#include "app/platform/win/ComResult.h"

#include <portabledevicetypes.h>
#include <propidl.h>
#include <sensors.h>


namespace kiv::platform::win {

// Missing from MinGW's portabledevicetypes.h.
const CLSID CLSID_PortableDeviceKeyCollection = {
    0xde2d022d, 0x2480, 0x43be, {0x97, 0xf0, 0xd1, 0xfa, 0x2c, 0xf9, 0x8f, 0x4f}};


namespace {

bool sameKey(const PROPERTYKEY& a, const PROPERTYKEY& b)
{
    return IsEqualGUID(a.fmtid, b.fmtid) && a.pid == b.pid;
}

// Writes the number in the value's own floating-point type; false for any
// other type, which a float written over would garble.
bool setNumber(PROPVARIANT& value, float number)
{
    switch (value.vt) {
    case VT_R4:
        value.fltVal = number;
        return true;
    case VT_R8:
        value.dblVal = double(number);
        return true;
    default:
        return false;
    }
}

// The sink the Sensor API calls on its own thread: it hands each quaternion
// to the layer's sink it wraps, with the layer's sensor object while that
// exists. A callback that comes later (one the API still had in flight, or
// any after the sensor kept the sink) reaches nobody.
class SensorEvents final : public ComObject<ISensorEvents>
{
public:
    SensorEvents(std::shared_ptr<SensorEventSink> sink, std::shared_ptr<SensorLink> link)
        : m_sink(std::move(sink))
        , m_link(std::move(link))
    {
    }

    HRESULT STDMETHODCALLTYPE OnStateChanged(ISensor* sensor, SensorState state) override
    {
        return passOn(
            [&](const Sensor* owner) { return m_sink->OnStateChanged(sensor ? owner : nullptr, int(state)); });
    }

    HRESULT STDMETHODCALLTYPE OnDataUpdated(ISensor* sensor, ISensorDataReport* report) override
    {
        if (!sensor || !report)
            return E_INVALIDARG;
        PROPVARIANT value;
        PropVariantInit(&value);
        const HRESULT read = report->GetSensorValue(SENSOR_DATA_TYPE_QUATERNION, &value);
        SensorDataReport data;
        data.quaternionRead = SUCCEEDED(read) ? Result::Success : Result::Failure;
        if (SUCCEEDED(read)) {
            data.quaternion.type = value.vt;
            if (value.vt == (VT_VECTOR | VT_UI1) && value.caub.pElems)
                data.quaternion.bytes.assign(value.caub.pElems, value.caub.pElems + value.caub.cElems);
        }
        PropVariantClear(&value);
        passOn([&](const Sensor* owner) { return m_sink->OnDataUpdated(owner, &data); });
        return read;
    }

    HRESULT STDMETHODCALLTYPE OnEvent(ISensor* sensor, REFGUID, IPortableDeviceValues*) override
    {
        // The layer knows no event identities; the program uses none.
        return passOn([&](const Sensor* owner) { return m_sink->OnEvent(sensor ? owner : nullptr, 0); });
    }

    HRESULT STDMETHODCALLTYPE OnLeave(REFSENSOR_ID) override
    {
        return passOn([&](const Sensor*) { return m_sink->OnLeave(0); });
    }

private:
    template <typename Call>
    HRESULT passOn(Call call)
    {
        HRESULT answer = S_OK;
        m_link->whileAlive([&](const Sensor* owner) { answer = toHresult(call(owner)); });
        return answer;
    }

    std::shared_ptr<SensorEventSink> m_sink;
    std::shared_ptr<SensorLink> m_link;
};

} // namespace

void SensorLink::cut()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_owner = nullptr;
}

ComSensor::ComSensor(ComRef<ISensor> sensor)
    : m_sensor(std::move(sensor))
    , m_link(std::make_shared<SensorLink>(this))
{
    GUID type {};
    if (SUCCEEDED(m_sensor->GetType(&type)) && IsEqualGUID(type, SENSOR_TYPE_AGGREGATED_DEVICE_ORIENTATION))
        m_type = SensorType::AggregatedDeviceOrientation;
}

ComSensor::~ComSensor()
{
    // Waits for a callback in flight; none passes this object on afterwards,
    // even when the sensor keeps the sink.
    m_link->cut();
    if (m_sinkInstalled)
        m_sensor->SetEventSink(nullptr);
}

bool ComSensor::configure(float quaternionSensitivity, unsigned reportIntervalMs)
{
    ComRef<IPortableDeviceKeyCollection> keys;
    if (FAILED(CoCreateInstance(CLSID_PortableDeviceKeyCollection, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IPortableDeviceKeyCollection, keys.putVoid()))
        || !keys || FAILED(keys->Add(SENSOR_PROPERTY_CHANGE_SENSITIVITY)))
        return false;
    ComRef<IPortableDeviceValues> values;
    if (FAILED(m_sensor->GetProperties(keys.get(), values.put())) || !values)
        return false;
    ComRef<IPortableDeviceValues> sensitivity;
    DWORD count = 0;
    if (FAILED(values->GetIPortableDeviceValuesValue(SENSOR_PROPERTY_CHANGE_SENSITIVITY, sensitivity.put()))
        || !sensitivity || FAILED(sensitivity->GetCount(&count)))
        return false;
    for (DWORD i = 0; i < count; ++i) {
        PROPERTYKEY key {};
        PROPVARIANT value;
        PropVariantInit(&value);
        bool ok = SUCCEEDED(sensitivity->GetAt(i, &key, &value));
        if (ok && sameKey(key, SENSOR_DATA_TYPE_QUATERNION) && setNumber(value, quaternionSensitivity))
            ok = SUCCEEDED(sensitivity->SetValue(key, &value));
        PropVariantClear(&value);
        if (!ok)
            return false;
    }
    if (FAILED(values->SetIPortableDeviceValuesValue(SENSOR_PROPERTY_CHANGE_SENSITIVITY, sensitivity.get()))
        || FAILED(values->SetUnsignedIntegerValue(SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL, ULONG(reportIntervalMs))))
        return false;
    ComRef<IPortableDeviceValues> results;
    return SUCCEEDED(m_sensor->SetProperties(values.get(), results.put()));
}

bool ComSensor::setEventSink(std::shared_ptr<SensorEventSink> sink)
{
    if (!sink) {
        const bool removed = SUCCEEDED(m_sensor->SetEventSink(nullptr));
        if (removed)
            m_sinkInstalled = false;
        return removed;
    }
    // The sensor takes its own reference; ours goes at the end of this call.
    const auto events = ComRef<ISensorEvents>::adopt(new SensorEvents(std::move(sink), m_link));
    if (FAILED(m_sensor->SetEventSink(events.get())))
        return false;
    m_sinkInstalled = true;
    return true;
}

} // namespace kiv::platform::win
