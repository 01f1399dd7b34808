#pragma once

// Stand-ins for the Windows services Wine does not have. Each fake counts
// itself, so a test can tell that every reference it handed out came back;
// class objects go through CoRegisterClassObject, so CoCreateInstance itself
// reaches them.

#include "app/platform/win/ComObject.h"
#include "app/platform/win/ComRef.h"

#include "WinCheck.h"

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <functional>
#include <utility>

namespace kiv::wintest {

using platform::win::ComRef;


// Fakes alive in this process.
inline std::atomic<int>& liveFakes()
{
    static std::atomic<int> count {0};
    return count;
}

// Runs body, then checks that no fake it made outlives it: each reference
// handed out came back.
template <typename Body>
void leavesNoFakes(Body body)
{
    const int before = liveFakes().load();
    body();
    CHECK_EQ(liveFakes().load(), before);
}

// Runs body(row) for each row of a table, its checks named by the row's
// name; no fake a row made may outlive the row.
template <typename Rows, typename Body>
void forEachRowLeavesNoFakes(const Rows& rows, Body body)
{
    for (const auto& row : rows) {
        Row named(row.name);
        leavesNoFakes([&] { body(row); });
    }
}

// A fake of Interface that counts itself among the live fakes.
template <typename Interface, typename... Also>
class Fake : public platform::win::ComObject<Interface, Also...>
{
public:
    Fake() { ++liveFakes(); }

protected:
    ~Fake() override { --liveFakes(); }
};

// A new fake, held by the returned pointer alone.
template <typename T, typename... Args>
ComRef<T> makeFake(Args&&... args)
{
    return ComRef<T>::adopt(new T(std::forward<Args>(args)...));
}

// A plain object whose only job is to be released.
class FakeUnknown final : public Fake<IUnknown>
{
};

class FakeClassFactory final : public Fake<IClassFactory>
{
public:
    // make answers a new reference.
    explicit FakeClassFactory(std::function<IUnknown*()> make)
        : m_make(std::move(make))
    {
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        IUnknown* made = m_make();
        if (!made)
            return E_OUTOFMEMORY;
        const HRESULT result = made->QueryInterface(riid, object);
        made->Release();
        return result;
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    std::function<IUnknown*()> m_make;
};

// A class that CoCreateInstance makes with the given function while this
// object lives.
class ClassRegistration
{
public:
    ClassRegistration(REFCLSID clsid, std::function<IUnknown*()> make)
    {
        const ComRef<FakeClassFactory> factory = makeFake<FakeClassFactory>(std::move(make));
        m_result = CoRegisterClassObject(clsid, factory.get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &m_cookie);
    }
    ~ClassRegistration()
    {
        if (SUCCEEDED(m_result))
            CoRevokeClassObject(m_cookie);
    }
    ClassRegistration(const ClassRegistration&) = delete;
    ClassRegistration& operator=(const ClassRegistration&) = delete;

    bool registered() const { return SUCCEEDED(m_result); }

private:
    HRESULT m_result = E_FAIL;
    DWORD m_cookie = 0;
};

// A single object handed out, a new reference each time.
template <typename T>
std::function<IUnknown*()> handOut(const ComRef<T>& object)
{
    return [object]() -> IUnknown* {
        object->AddRef();
        return object.get();
    };
}

// COM for the calling thread, as the program's GUI thread has it.
class Apartment
{
public:
    Apartment() { m_result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~Apartment()
    {
        if (SUCCEEDED(m_result))
            CoUninitialize();
    }
    bool ready() const { return SUCCEEDED(m_result); }

private:
    HRESULT m_result;
};

} // namespace kiv::wintest
