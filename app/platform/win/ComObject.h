#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>

namespace kiv::platform::win {

// IUnknown for an object of this program that implements Interface (and
// answers for the base interfaces listed in Also). The count is atomic: the
// services call from threads of their own. The first reference belongs to
// whoever made the object.
template <typename Interface, typename... Also>
class ComObject : public Interface
{
public:
    ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(Interface))
            || (IsEqualIID(riid, __uuidof(Also)) || ...)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_references; }

    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --m_references;
        if (left == 0)
            delete this;
        return left;
    }

    ULONG references() const { return m_references; }

protected:
    virtual ~ComObject() = default;

private:
    std::atomic<ULONG> m_references {1};
};

} // namespace kiv::platform::win
