// The sensor manager over the Sensor API and the orientation feed that runs
// on it, against a sensor manager, sensors and Portable Device collections
// registered with COM in place of the system's.

#include "ComFakes.h"
#include "WinCheck.h"

#include "app/platform/OrientationFeed.h"
#include "app/platform/OrientationSensors.h"
#include "app/platform/win/ComSensorManager.h"

#include <portabledevicetypes.h>
#include <propidl.h>
#include <sensors.h>
#include <sensorsapi.h>

#include <array>
#include <atomic>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

using namespace kiv;
using namespace kiv::wintest;
using platform::Result;
using platform::SensorType;

namespace {

const CLSID CLSID_PortableDeviceKeyCollection = {
    0xde2d022d, 0x2480, 0x43be, {0x97, 0xf0, 0xd1, 0xfa, 0x2c, 0xf9, 0x8f, 0x4f}};
// A data field the configuration must leave alone.
const PROPERTYKEY OtherField = {{0x1637d8a2, 0x4248, 0x4275, {0x86, 0x5d, 0x55, 0x8d, 0xe8, 0x4a, 0xed, 0xfd}}, 99};

bool sameKey(const PROPERTYKEY& a, const PROPERTYKEY& b)
{
    return IsEqualGUID(a.fmtid, b.fmtid) && a.pid == b.pid;
}

// Counts the COM task memory handed out and not yet freed.
class AllocationCounter final : public Fake<IMallocSpy>
{
public:
    std::atomic<long> outstanding {0};

    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override
    {
        if (actual)
            ++outstanding;
        return actual;
    }
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL spyed) override
    {
        if (request && spyed)
            --outstanding;
        return request;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL) override
    {
        *newRequest = request;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}
};

class FakeKeyCollection final : public Fake<IPortableDeviceKeyCollection>
{
public:
    std::vector<PROPERTYKEY> keys;

    HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override
    {
        *count = DWORD(keys.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAt(const DWORD index, PROPERTYKEY* key) override
    {
        if (index >= keys.size())
            return E_INVALIDARG;
        *key = keys[index];
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Add(REFPROPERTYKEY key) override
    {
        keys.push_back(key);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clear() override
    {
        keys.clear();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RemoveAt(const DWORD) override { return E_NOTIMPL; }
};

// Values by key: plain values and nested value collections.
class FakeValues final : public Fake<IPortableDeviceValues>
{
public:
    ~FakeValues() override
    {
        for (auto& entry : m_values)
            PropVariantClear(&entry.second);
    }

    HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override
    {
        *count = DWORD(m_values.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAt(const DWORD index, PROPERTYKEY* key, PROPVARIANT* value) override
    {
        if (index >= m_values.size())
            return E_INVALIDARG;
        if (key)
            *key = m_values[index].first;
        return value ? PropVariantCopy(value, &m_values[index].second) : S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY key, const PROPVARIANT* value) override
    {
        PROPVARIANT& slot = slotFor(key);
        PropVariantClear(&slot);
        return PropVariantCopy(&slot, value);
    }
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override
    {
        const PROPVARIANT* found = find(key);
        return found ? PropVariantCopy(value, found) : HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    }
    HRESULT STDMETHODCALLTYPE SetUnsignedIntegerValue(REFPROPERTYKEY key, const ULONG value) override
    {
        PROPVARIANT v;
        PropVariantInit(&v);
        v.vt = VT_UI4;
        v.ulVal = value;
        return SetValue(key, &v);
    }
    HRESULT STDMETHODCALLTYPE GetUnsignedIntegerValue(REFPROPERTYKEY key, ULONG* value) override
    {
        const PROPVARIANT* found = find(key);
        if (!found || found->vt != VT_UI4)
            return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
        *value = found->ulVal;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetIPortableDeviceValuesValue(REFPROPERTYKEY key, IPortableDeviceValues* value) override
    {
        PROPVARIANT v;
        PropVariantInit(&v);
        v.vt = VT_UNKNOWN;
        v.punkVal = value;
        return SetValue(key, &v);
    }
    HRESULT STDMETHODCALLTYPE GetIPortableDeviceValuesValue(REFPROPERTYKEY key, IPortableDeviceValues** value) override
    {
        const PROPVARIANT* found = find(key);
        if (!found || found->vt != VT_UNKNOWN || !found->punkVal)
            return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
        return found->punkVal->QueryInterface(IID_IPortableDeviceValues, reinterpret_cast<void**>(value));
    }

    HRESULT STDMETHODCALLTYPE SetStringValue(REFPROPERTYKEY, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStringValue(REFPROPERTYKEY, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSignedIntegerValue(REFPROPERTYKEY, const LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSignedIntegerValue(REFPROPERTYKEY, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetUnsignedLargeIntegerValue(REFPROPERTYKEY, const ULONGLONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUnsignedLargeIntegerValue(REFPROPERTYKEY, ULONGLONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSignedLargeIntegerValue(REFPROPERTYKEY, const LONGLONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSignedLargeIntegerValue(REFPROPERTYKEY, LONGLONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetFloatValue(REFPROPERTYKEY, const FLOAT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFloatValue(REFPROPERTYKEY, FLOAT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetErrorValue(REFPROPERTYKEY, const HRESULT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetErrorValue(REFPROPERTYKEY, HRESULT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetKeyValue(REFPROPERTYKEY, REFPROPERTYKEY) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetKeyValue(REFPROPERTYKEY, PROPERTYKEY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBoolValue(REFPROPERTYKEY, const WINBOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBoolValue(REFPROPERTYKEY, WINBOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetIUnknownValue(REFPROPERTYKEY, IUnknown*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIUnknownValue(REFPROPERTYKEY, IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetGuidValue(REFPROPERTYKEY, REFGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetGuidValue(REFPROPERTYKEY, GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBufferValue(REFPROPERTYKEY, BYTE*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBufferValue(REFPROPERTYKEY, BYTE**, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetIPortableDevicePropVariantCollectionValue(
        REFPROPERTYKEY, IPortableDevicePropVariantCollection*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIPortableDevicePropVariantCollectionValue(
        REFPROPERTYKEY, IPortableDevicePropVariantCollection**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetIPortableDeviceKeyCollectionValue(REFPROPERTYKEY,
                                                                   IPortableDeviceKeyCollection*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIPortableDeviceKeyCollectionValue(REFPROPERTYKEY,
                                                                   IPortableDeviceKeyCollection**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetIPortableDeviceValuesCollectionValue(REFPROPERTYKEY,
                                                                      IPortableDeviceValuesCollection*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIPortableDeviceValuesCollectionValue(REFPROPERTYKEY,
                                                                      IPortableDeviceValuesCollection**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RemoveValue(REFPROPERTYKEY) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyValuesFromPropertyStore(IPropertyStore*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyValuesToPropertyStore(IPropertyStore*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clear() override { return E_NOTIMPL; }

    const PROPVARIANT* find(REFPROPERTYKEY key) const
    {
        for (const auto& entry : m_values)
            if (sameKey(entry.first, key))
                return &entry.second;
        return nullptr;
    }

private:
    PROPVARIANT& slotFor(REFPROPERTYKEY key)
    {
        for (auto& entry : m_values)
            if (sameKey(entry.first, key))
                return entry.second;
        PROPVARIANT empty;
        PropVariantInit(&empty);
        m_values.emplace_back(key, empty);
        return m_values.back().second;
    }

    std::vector<std::pair<PROPERTYKEY, PROPVARIANT>> m_values;
};

PROPVARIANT number(VARTYPE type, double value)
{
    PROPVARIANT v;
    PropVariantInit(&v);
    v.vt = type;
    if (type == VT_R4)
        v.fltVal = float(value);
    else if (type == VT_R8)
        v.dblVal = value;
    else if (type == VT_I4)
        v.lVal = LONG(value);
    return v;
}

double numberOf(const PROPVARIANT& v)
{
    return v.vt == VT_R4 ? double(v.fltVal) : v.vt == VT_R8 ? v.dblVal : v.vt == VT_I4 ? double(v.lVal) : -1.0;
}

class FakeDataReport final : public Fake<ISensorDataReport>
{
public:
    HRESULT result = S_OK;
    VARTYPE type = VT_VECTOR | VT_UI1;
    std::vector<unsigned char> bytes;
    ComRef<IUnknown> object; // for VT_UNKNOWN

    HRESULT STDMETHODCALLTYPE GetTimestamp(SYSTEMTIME*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSensorValues(IPortableDeviceKeyCollection*, IPortableDeviceValues**) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetSensorValue(REFPROPERTYKEY key, PROPVARIANT* value) override
    {
        if (!sameKey(key, SENSOR_DATA_TYPE_QUATERNION) || !value)
            return E_INVALIDARG;
        if (FAILED(result))
            return result;
        PropVariantInit(value);
        value->vt = type;
        if (type == (VT_VECTOR | VT_UI1)) {
            value->caub.cElems = ULONG(bytes.size());
            value->caub.pElems = static_cast<UCHAR*>(CoTaskMemAlloc(bytes.size()));
            std::memcpy(value->caub.pElems, bytes.data(), bytes.size());
        } else if (type == VT_UNKNOWN) {
            object->AddRef();
            value->punkVal = object.get();
        }
        return S_OK;
    }
};

class FakeSensor final : public Fake<ISensor>
{
public:
    explicit FakeSensor(const GUID& type)
        : m_type(type)
    {
    }

    HRESULT getPropertiesResult = S_OK;
    HRESULT setSinkResult = S_OK;
    VARTYPE sensitivityType = VT_R8;
    std::vector<PROPERTYKEY> keysAsked;
    int setPropertiesCalls = 0;
    PROPVARIANT writtenQuaternion = number(VT_EMPTY, 0);
    double writtenOther = -1.0;
    ULONG writtenInterval = 0;
    int sinkInstalls = 0;
    int sinkRemovals = 0;

    ~FakeSensor() override { PropVariantClear(&writtenQuaternion); }

    ComRef<ISensorEvents> sink() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_sink;
    }

    std::thread deliver(std::function<void(ISensorEvents*, ISensor*)> delivery)
    {
        return std::thread([this, held = sink(), delivery = std::move(delivery)] {
            if (held)
                delivery(held.get(), this);
        });
    }

    HRESULT STDMETHODCALLTYPE GetID(SENSOR_ID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCategory(SENSOR_CATEGORY_ID* category) override
    {
        *category = SENSOR_CATEGORY_ORIENTATION;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetType(SENSOR_TYPE_ID* type) override
    {
        *type = m_type;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFriendlyName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetProperty(REFPROPERTYKEY, PROPVARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetProperties(IPortableDeviceKeyCollection* keys, IPortableDeviceValues** values) override
    {
        DWORD count = 0;
        if (keys && SUCCEEDED(keys->GetCount(&count)))
            for (DWORD i = 0; i < count; ++i) {
                PROPERTYKEY key {};
                if (SUCCEEDED(keys->GetAt(i, &key)))
                    keysAsked.push_back(key);
            }
        if (FAILED(getPropertiesResult))
            return getPropertiesResult;
        const ComRef<FakeValues> sensitivity = makeFake<FakeValues>();
        PROPVARIANT v = number(sensitivityType, 0.5);
        sensitivity->SetValue(SENSOR_DATA_TYPE_QUATERNION, &v);
        v = number(VT_R8, 0.25);
        sensitivity->SetValue(OtherField, &v);
        const ComRef<FakeValues> result = makeFake<FakeValues>();
        result->SetIPortableDeviceValuesValue(SENSOR_PROPERTY_CHANGE_SENSITIVITY, sensitivity.get());
        result->SetUnsignedIntegerValue(SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL, 100);
        result->AddRef();
        *values = result.get();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSupportedDataFields(IPortableDeviceKeyCollection**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetProperties(IPortableDeviceValues* properties, IPortableDeviceValues** results) override
    {
        ++setPropertiesCalls;
        ComRef<IPortableDeviceValues> sensitivity;
        if (SUCCEEDED(properties->GetIPortableDeviceValuesValue(SENSOR_PROPERTY_CHANGE_SENSITIVITY, sensitivity.put()))) {
            PropVariantClear(&writtenQuaternion);
            sensitivity->GetValue(SENSOR_DATA_TYPE_QUATERNION, &writtenQuaternion);
            PROPVARIANT other;
            PropVariantInit(&other);
            if (SUCCEEDED(sensitivity->GetValue(OtherField, &other)))
                writtenOther = numberOf(other);
            PropVariantClear(&other);
        }
        properties->GetUnsignedIntegerValue(SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL, &writtenInterval);
        if (results)
            *results = new FakeValues;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SupportsDataField(REFPROPERTYKEY, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetState(SensorState*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetData(ISensorDataReport**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SupportsEvent(REFGUID, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetEventInterest(GUID**, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetEventInterest(GUID*, ULONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetEventSink(ISensorEvents* events) override
    {
        ++(events ? sinkInstalls : sinkRemovals);
        if (FAILED(setSinkResult))
            return setSinkResult;
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_sink = events;
        return S_OK;
    }

private:
    GUID m_type;
    mutable std::mutex m_mutex;
    ComRef<ISensorEvents> m_sink;
};

class FakeSensorCollection final : public Fake<ISensorCollection>
{
public:
    std::vector<ComRef<ISensor>> sensors;
    // A broken driver: a count of its own, a failing index, the last sensor
    // handed out again past the end (up to a thousand calls, so that a walk
    // without a bound fails the test instead of taking the machine's memory).
    std::optional<ULONG> claimedCount;
    std::optional<ULONG> failingIndex;
    bool endless = false;
    ULONG getAtCalls = 0;

    HRESULT STDMETHODCALLTYPE GetAt(ULONG index, ISensor** sensor) override
    {
        ++getAtCalls;
        if (sensors.empty() || index == failingIndex || (index >= sensors.size() && !endless) || getAtCalls > 1000)
            return E_INVALIDARG;
        const ComRef<ISensor>& given = sensors[std::min(size_t(index), sensors.size() - 1)];
        given->AddRef();
        *sensor = given.get();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCount(ULONG* count) override
    {
        *count = claimedCount.value_or(ULONG(sensors.size()));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Add(ISensor*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Remove(ISensor*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveByID(REFSENSOR_ID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clear() override { return E_NOTIMPL; }
};

class FakeSensorManager final : public Fake<ISensorManager>
{
public:
    ComRef<FakeSensorCollection> collection = makeFake<FakeSensorCollection>();
    HRESULT categoryResult = S_OK;
    HRESULT permissionResult = S_OK;
    GUID categoryAsked {};
    int permissionCalls = 0;
    HWND permissionParent = HWND(1);
    ISensorCollection* permissionCollection = nullptr;
    BOOL permissionModal = -1;

    HRESULT STDMETHODCALLTYPE GetSensorsByCategory(REFSENSOR_CATEGORY_ID category, ISensorCollection** found) override
    {
        categoryAsked = category;
        if (FAILED(categoryResult))
            return categoryResult;
        collection->AddRef();
        *found = collection.get();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSensorsByType(REFSENSOR_TYPE_ID, ISensorCollection**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSensorByID(REFSENSOR_ID, ISensor**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetEventSink(ISensorManagerEvents*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RequestPermissions(HWND parent, ISensorCollection* sensors, WINBOOL modal) override
    {
        ++permissionCalls;
        permissionParent = parent;
        permissionCollection = sensors;
        permissionModal = modal;
        return permissionResult;
    }
};

// The layer's sink: records the quaternions that arrive, and where.
class RecordingSink final : public platform::SensorEventSink
{
public:
    struct Sample
    {
        const platform::Sensor* sensor;
        platform::SensorDataReport report;
        DWORD thread;
    };

    // Runs inside each data callback, after the sample is recorded.
    std::function<void()> whileDelivering;

    Result OnStateChanged(const platform::Sensor* sensor, int) override
    {
        record(sensor);
        return sensor ? Result::Success : Result::InvalidArgument;
    }
    Result OnDataUpdated(const platform::Sensor* sensor, const platform::SensorDataReport* report) override
    {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_samples.push_back({sensor, *report, GetCurrentThreadId()});
            m_sensors.push_back(sensor);
        }
        if (whileDelivering)
            whileDelivering();
        return report->quaternionRead;
    }
    Result OnEvent(const platform::Sensor* sensor, int) override
    {
        record(sensor);
        return Result::Success;
    }
    Result OnLeave(int) override { return Result::Success; }

    std::vector<Sample> samples() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_samples;
    }
    // The sensor of every callback that carried one, in order.
    std::vector<const platform::Sensor*> sensors() const
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_sensors;
    }

private:
    void record(const platform::Sensor* sensor)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_sensors.push_back(sensor);
    }

    mutable std::mutex m_mutex;
    std::vector<Sample> m_samples;
    std::vector<const platform::Sensor*> m_sensors;
};

// A sensor manager registered as the system's, with an aggregated device
// orientation sensor, and the Portable Device key collection class.
struct Fixture
{
    ComRef<FakeSensorManager> manager = makeFake<FakeSensorManager>();
    ComRef<FakeSensor> sensor = makeFake<FakeSensor>(SENSOR_TYPE_AGGREGATED_DEVICE_ORIENTATION);
    ClassRegistration managerClass {CLSID_SensorManager, handOut(manager)};
    ClassRegistration keysClass {CLSID_PortableDeviceKeyCollection,
                                 [] { return static_cast<IUnknown*>(new FakeKeyCollection); }};

    Fixture()
    {
        CHECK(managerClass.registered());
        CHECK(keysClass.registered());
        manager->collection->sensors.push_back(sensor);
    }
};

std::vector<unsigned char> quaternionBytes(float x, float y, float z, float w, size_t size)
{
    std::vector<unsigned char> bytes(size, 0xAB);
    const float values[] = {x, y, z, w};
    std::memcpy(bytes.data(), values, std::min(size, sizeof values));
    return bytes;
}

} // namespace

WIN_TEST(noSensorClassGivesNoManager)
{
    Apartment com;
    CHECK(com.ready());
    CHECK(platform::createSensorManager() == nullptr);
    platform::OrientationFeed feed(platform::createSensorManager());
    CHECK(!feed.hasSensor());
    CHECK(!feed.start(std::make_shared<RecordingSink>()));
    CHECK_EQ(liveFakes().load(), 0);
}

WIN_TEST(orientationSensorsByType)
{
    Apartment com;
    leavesNoFakes([&] {
        Fixture f;
        const ComRef<FakeSensor> other = makeFake<FakeSensor>(SENSOR_TYPE_INCLINOMETER_3D);
        const ComRef<FakeSensor> second = makeFake<FakeSensor>(SENSOR_TYPE_AGGREGATED_DEVICE_ORIENTATION);
        f.manager->collection->sensors = {other, f.sensor, second};
        const std::shared_ptr<platform::SensorManager> manager = platform::createSensorManager();
        if (CHECK(manager != nullptr)) {
            const auto sensors = manager->orientationSensors();
            CHECK(IsEqualGUID(f.manager->categoryAsked, SENSOR_CATEGORY_ORIENTATION));
            CHECK_EQ(f.manager->permissionCalls, 1);
            CHECK(f.manager->permissionParent == nullptr);
            CHECK(f.manager->permissionCollection == f.manager->collection.get());
            CHECK_EQ(f.manager->permissionModal, TRUE);
            if (CHECK_EQ(sensors.size(), size_t(3))) {
                CHECK(sensors[0]->type() == SensorType::Other);
                CHECK(sensors[1]->type() == SensorType::AggregatedDeviceOrientation);
                CHECK(sensors[2]->type() == SensorType::AggregatedDeviceOrientation);
            }
            // Back to the manager's own reference.
            CHECK_EQ(f.manager->collection->references(), ULONG(1));
            CHECK_EQ(other->references(), ULONG(3));
        }
        {
            platform::OrientationFeed feed(manager);
            CHECK(feed.hasSensor());
            // Only the first aggregated sensor stays held.
            CHECK_EQ(f.sensor->references(), ULONG(3));
            CHECK_EQ(other->references(), ULONG(2));
            CHECK_EQ(second->references(), ULONG(2));
            auto sink = std::make_shared<RecordingSink>();
            CHECK(feed.start(sink));
            CHECK_EQ(f.sensor->sinkInstalls, 1);
            CHECK_EQ(second->sinkInstalls, 0);
        }
        // The feed took its sink off as it went.
        CHECK_EQ(f.sensor->sinkRemovals, 1);
        CHECK_EQ(f.sensor->references(), ULONG(2));
    });
}

WIN_TEST(noSensorsWithoutPermission)
{
    Apartment com;
    struct
    {
        const char* name;
        HRESULT category;
        HRESULT permission;
    } rows[] = {{"permission refused", S_OK, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)},
                {"permission cancelled", S_OK, HRESULT_FROM_WIN32(ERROR_CANCELLED)},
                {"no orientation sensors", HRESULT_FROM_WIN32(ERROR_NOT_FOUND), S_OK}};
    forEachRowLeavesNoFakes(rows, [&](const auto& row) {
        Fixture f;
        f.manager->categoryResult = row.category;
        f.manager->permissionResult = row.permission;
        const std::shared_ptr<platform::SensorManager> manager = platform::createSensorManager();
        if (CHECK(manager != nullptr))
            CHECK(manager->orientationSensors().empty());
        platform::OrientationFeed feed(manager);
        CHECK(!feed.hasSensor());
        CHECK_EQ(f.sensor->sinkInstalls, 0);
    });
}

WIN_TEST(collectionCountWrong)
{
    Apartment com;
    const ULONG most = platform::win::ComSensorManager::MostSensors;
    const ULONG huge = 4294967295u;
    struct
    {
        const char* name;
        std::optional<ULONG> claimed;
        std::optional<ULONG> failing;
        bool endless;
        size_t taken;
        ULONG calls;
    } rows[] = {{"huge count, GetAt fails past the sensors", huge, std::nullopt, false, 3, 4},
                {"huge count, GetAt fails at once", huge, ULONG(0), false, 0, 1},
                {"GetAt fails in the middle", std::nullopt, ULONG(1), false, 1, 2},
                {"count at the bound, sensors without end", most, std::nullopt, true, most, most},
                {"count beyond the bound, sensors without end", most + 1, std::nullopt, true, most, most},
                {"huge count, sensors without end", huge, std::nullopt, true, most, most}};
    forEachRowLeavesNoFakes(rows, [&](const auto& row) {
        Fixture f;
        const ComRef<FakeSensor> other = makeFake<FakeSensor>(SENSOR_TYPE_INCLINOMETER_3D);
        f.manager->collection->sensors.push_back(other);
        f.manager->collection->sensors.push_back(other);
        f.manager->collection->claimedCount = row.claimed;
        f.manager->collection->failingIndex = row.failing;
        f.manager->collection->endless = row.endless;
        const std::shared_ptr<platform::SensorManager> manager = platform::createSensorManager();
        if (!CHECK(manager != nullptr))
            return;
        CHECK_EQ(manager->orientationSensors().size(), row.taken);
        CHECK_EQ(f.manager->collection->getAtCalls, row.calls);
        // The sensor the walk reached first is the one in use.
        platform::OrientationFeed feed(manager);
        CHECK_EQ(feed.hasSensor(), row.taken > 0);
        CHECK_EQ(feed.start(std::make_shared<RecordingSink>()), row.taken > 0);
        CHECK_EQ(f.sensor->sinkInstalls, row.taken > 0 ? 1 : 0);
    });
}

WIN_TEST(configurationThroughProperties)
{
    Apartment com;
    struct
    {
        const char* name;
        VARTYPE type;
        double written;
    } rows[] = {{"double sensitivity", VT_R8, double(0.01f)},
                {"float sensitivity", VT_R4, double(0.01f)},
                {"integer sensitivity left alone", VT_I4, 0.0}};
    forEachRowLeavesNoFakes(rows, [&](const auto& row) {
        Fixture f;
        f.sensor->sensitivityType = row.type;
        platform::OrientationFeed feed(platform::createSensorManager());
        CHECK(feed.start(std::make_shared<RecordingSink>()));
        if (CHECK_EQ(f.sensor->keysAsked.size(), size_t(1)))
            CHECK(sameKey(f.sensor->keysAsked[0], SENSOR_PROPERTY_CHANGE_SENSITIVITY));
        CHECK_EQ(f.sensor->setPropertiesCalls, 1);
        CHECK_EQ(f.sensor->writtenQuaternion.vt, row.type);
        CHECK_EQ(numberOf(f.sensor->writtenQuaternion), row.written);
        CHECK_EQ(f.sensor->writtenOther, 0.25);
        CHECK_EQ(f.sensor->writtenInterval, ULONG(16));
        CHECK_EQ(f.sensor->sinkInstalls, 1);
    });
}

WIN_TEST(failedConfigurationStillStarts)
{
    Apartment com;
    struct
    {
        const char* name;
        bool keyClass;
    } rows[] = {{"GetProperties fails", true}, {"no key collection class", false}};
    forEachRowLeavesNoFakes(rows, [&](const auto& row) {
        ComRef<FakeSensorManager> manager = makeFake<FakeSensorManager>();
        ComRef<FakeSensor> sensor = makeFake<FakeSensor>(SENSOR_TYPE_AGGREGATED_DEVICE_ORIENTATION);
        manager->collection->sensors.push_back(sensor);
        sensor->getPropertiesResult = row.keyClass ? E_FAIL : S_OK;
        ClassRegistration managerClass(CLSID_SensorManager, handOut(manager));
        std::unique_ptr<ClassRegistration> keysClass;
        if (row.keyClass)
            keysClass = std::make_unique<ClassRegistration>(
                CLSID_PortableDeviceKeyCollection, [] { return static_cast<IUnknown*>(new FakeKeyCollection); });
        platform::OrientationFeed feed(platform::createSensorManager());
        CHECK(feed.start(std::make_shared<RecordingSink>()));
        CHECK(feed.running());
        CHECK_EQ(sensor->setPropertiesCalls, 0);
        CHECK_EQ(sensor->sinkInstalls, 1);
        CHECK(sensor->sink() != nullptr);
    });
}

WIN_TEST(startTwiceStopOnce)
{
    Apartment com;
    leavesNoFakes([&] {
        Fixture f;
        platform::OrientationFeed feed(platform::createSensorManager());
        auto sink = std::make_shared<RecordingSink>();
        CHECK(feed.start(sink));
        CHECK(feed.start(sink));
        CHECK_EQ(f.sensor->sinkInstalls, 1);
        CHECK_EQ(f.sensor->setPropertiesCalls, 1);
        // The COM sink holds the layer's sink while the sensor holds it.
        CHECK_EQ(sink.use_count(), 2L);
        feed.stop();
        CHECK(!feed.running());
        CHECK_EQ(f.sensor->sinkRemovals, 1);
        CHECK(f.sensor->sink() == nullptr);
        CHECK_EQ(sink.use_count(), 1L);
        feed.stop();
        CHECK_EQ(f.sensor->sinkRemovals, 1);

        // A sensor that refuses the sink leaves the feed off.
        f.sensor->setSinkResult = E_ACCESSDENIED;
        CHECK(!feed.start(sink));
        CHECK(!feed.running());
        CHECK_EQ(sink.use_count(), 1L);
    });
}

WIN_TEST(quaternionReports)
{
    Apartment com;
    const ComRef<AllocationCounter> counter = makeFake<AllocationCounter>();
    CHECK_EQ(CoRegisterMallocSpy(counter.get()), S_OK);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float tiny = std::numeric_limits<float>::denorm_min();
    // x, y, z, w as the driver sends them.
    using Floats = std::array<float, 4>;
    const Floats usual {0.5f, -0.25f, 0.125f, 0.75f};
    struct
    {
        const char* name;
        VARTYPE type;
        size_t size;
        HRESULT result;
        Floats sent;
        bool decoded;
    } rows[] = {{"15 bytes", VT_VECTOR | VT_UI1, 15, S_OK, usual, false},
                {"16 bytes", VT_VECTOR | VT_UI1, 16, S_OK, usual, true},
                {"19 bytes", VT_VECTOR | VT_UI1, 19, S_OK, usual, true},
                {"20 bytes", VT_VECTOR | VT_UI1, 20, S_OK, usual, false},
                {"another variant type", VT_UNKNOWN, 0, S_OK, usual, false},
                {"value cannot be read", VT_VECTOR | VT_UI1, 16, E_FAIL, usual, false},
                {"component not a number", VT_VECTOR | VT_UI1, 16, S_OK, {0.5f, nan, 0.125f, 0.75f}, false},
                {"component infinite", VT_VECTOR | VT_UI1, 16, S_OK, {0.5f, -0.25f, 0.125f, -inf}, false},
                {"zero length", VT_VECTOR | VT_UI1, 16, S_OK, {0.0f, -0.0f, 0.0f, 0.0f}, false},
                {"smallest length", VT_VECTOR | VT_UI1, 16, S_OK, {0.0f, 0.0f, tiny, 0.0f}, true}};
    forEachRowLeavesNoFakes(rows, [&](const auto& row) {
        Fixture f;
        platform::OrientationFeed feed(platform::createSensorManager());
        auto sink = std::make_shared<RecordingSink>();
        CHECK(feed.start(sink));
        const ComRef<FakeDataReport> report = makeFake<FakeDataReport>();
        report->type = row.type;
        report->result = row.result;
        report->bytes = quaternionBytes(row.sent[0], row.sent[1], row.sent[2], row.sent[3], row.size);
        report->object = makeFake<FakeUnknown>();
        const long before = counter->outstanding;
        HRESULT answered = E_UNEXPECTED;
        f.sensor->deliver([&](ISensorEvents* events, ISensor* sensor) {
            answered = events->OnDataUpdated(sensor, report.get());
        }).join();
        // Every value read was cleared: its memory freed, its object released.
        CHECK_EQ(counter->outstanding.load(), before);
        CHECK_EQ(report->object.get() ? ULONG(static_cast<FakeUnknown*>(report->object.get())->references()) : 0,
                 ULONG(1));
        CHECK_EQ(answered, row.result);
        const auto samples = sink->samples();
        if (CHECK_EQ(samples.size(), size_t(1))) {
            const RecordingSink::Sample& s = samples[0];
            CHECK(s.thread != GetCurrentThreadId());
            CHECK(s.sensor != nullptr);
            CHECK(s.report.quaternionRead == (SUCCEEDED(row.result) ? Result::Success : Result::Failure));
            if (SUCCEEDED(row.result)) {
                CHECK_EQ(s.report.quaternion.type, row.type);
                CHECK_EQ(s.report.quaternion.bytes.size(), row.size);
            }
            const auto q = platform::decodeQuaternion(s.report.quaternion);
            // Not decoded: no sample reaches the compass.
            if (CHECK_EQ(q.has_value(), row.decoded) && q) {
                CHECK_EQ(q->w, double(row.sent[3]));
                CHECK_EQ(q->x, double(row.sent[0]));
                CHECK_EQ(q->y, double(row.sent[1]));
                CHECK_EQ(q->z, double(row.sent[2]));
            }
        }
    });
    CHECK_EQ(CoRevokeMallocSpy(), S_OK);
}

WIN_TEST(callbacksAfterTheSensorObjectGoes)
{
    Apartment com;
    enum Kind { SinkKept, InFlight };
    struct
    {
        const char* name;
        Kind kind;
    } rows[] = {{"the sensor keeps the sink: SetEventSink(NULL) fails", SinkKept},
                {"a report in flight while the object goes", InFlight}};
    forEachRowLeavesNoFakes(rows, [&](const auto& row) {
        Fixture f;
        auto feed = std::make_unique<platform::OrientationFeed>(platform::createSensorManager());
        auto sink = std::make_shared<RecordingSink>();
        CHECK(feed->start(sink));
        const ComRef<FakeDataReport> report = makeFake<FakeDataReport>();
        report->bytes = quaternionBytes(0.5f, -0.25f, 0.125f, 0.75f, 16);
        auto deliverAll = [&](ISensorEvents* events, ISensor* sensor) {
            CHECK_EQ(events->OnDataUpdated(sensor, report.get()), S_OK);
            CHECK_EQ(events->OnStateChanged(sensor, SENSOR_STATE_READY), S_OK);
            CHECK_EQ(events->OnEvent(sensor, SENSOR_EVENT_DATA_UPDATED, nullptr), S_OK);
        };
        // While the object lives, callbacks carry it.
        f.sensor->deliver(deliverAll).join();
        const std::vector<const platform::Sensor*> early = sink->sensors();
        if (!CHECK_EQ(early.size(), size_t(3)) || !CHECK(early[0] != nullptr))
            return;
        const platform::Sensor* object = early[0];

        // The COM sink as the API holds it, for calls after the object went.
        const ComRef<ISensorEvents> events = f.sensor->sink();
        if (row.kind == SinkKept) {
            f.sensor->setSinkResult = E_FAIL;
            feed.reset();
            CHECK(f.sensor->sink() != nullptr);
        } else {
            // The object's destruction waits until the callback is done with it.
            std::atomic<bool> entered {false};
            std::atomic<bool> released {false};
            std::atomic<bool> gone {false};
            std::atomic<bool> goneInside {false};
            sink->whileDelivering = [&] {
                entered = true;
                waitFor([&] { return released.load(); });
                goneInside = gone.load();
            };
            std::thread delivery = f.sensor->deliver([&](ISensorEvents* held, ISensor* sensor) {
                held->OnDataUpdated(sensor, report.get());
            });
            WAIT_FOR(entered.load());
            std::thread destruction([&] {
                feed.reset();
                gone = true;
            });
            // Time for a destruction that does not wait to end.
            Sleep(200);
            released = true;
            delivery.join();
            destruction.join();
            CHECK(!goneInside.load());
            sink->whileDelivering = nullptr;
        }
        deliverAll(events.get(), f.sensor.get());
        // The callback in flight had the living object; none after it went
        // reached the sink with its address.
        const std::vector<const platform::Sensor*> all = sink->sensors();
        if (CHECK_EQ(all.size(), size_t(row.kind == InFlight ? 4 : 3)) && row.kind == InFlight)
            CHECK(all[3] == object);
    });
}

WIN_TEST(sinkAnswers)
{
    Apartment com;
    leavesNoFakes([&] {
        Fixture f;
        platform::OrientationFeed feed(platform::createSensorManager());
        auto sink = std::make_shared<RecordingSink>();
        CHECK(feed.start(sink));
        const ComRef<ISensorEvents> events = f.sensor->sink();
        const ComRef<FakeDataReport> report = makeFake<FakeDataReport>();
        if (CHECK(events != nullptr)) {
            CHECK_EQ(events->OnDataUpdated(nullptr, report.get()), E_INVALIDARG);
            CHECK_EQ(events->OnDataUpdated(f.sensor.get(), nullptr), E_INVALIDARG);
            CHECK(sink->samples().empty());
            CHECK_EQ(events->OnStateChanged(nullptr, SENSOR_STATE_READY), E_INVALIDARG);
            CHECK_EQ(events->OnStateChanged(f.sensor.get(), SENSOR_STATE_READY), S_OK);
            CHECK_EQ(events->OnEvent(f.sensor.get(), SENSOR_EVENT_DATA_UPDATED, nullptr), S_OK);
            CHECK_EQ(events->OnLeave(GUID {}), S_OK);
            ComRef<IUnknown> unknown;
            CHECK_EQ(events->QueryInterface(IID_IUnknown, unknown.putVoid()), S_OK);
            void* none = reinterpret_cast<void*>(1);
            CHECK_EQ(events->QueryInterface(IID_ISensor, &none), E_NOINTERFACE);
            CHECK(none == nullptr);
            CHECK_EQ(events->QueryInterface(IID_ISensorEvents, nullptr), E_POINTER);
            // The sensor's reference, this test's and the one asked for.
            CHECK_EQ(events->AddRef(), ULONG(4));
            CHECK_EQ(events->Release(), ULONG(3));
        }
    });
}

int main(int argc, char** argv)
{
    return runAll(argc, argv);
}
