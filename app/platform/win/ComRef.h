#pragma once

#include <cstddef>
#include <utility>

namespace kiv::platform::win {

// One counted reference to a COM object, released when this goes. (MinGW's
// WRL ComPtr adds a reference in Attach, which would leak every object taken
// over.)
template <typename T>
class ComRef
{
public:
    ComRef() = default;
    ComRef(std::nullptr_t) {}
    // Shares the object: adds a reference of its own.
    ComRef(T* object)
        : m_object(object)
    {
        if (m_object)
            m_object->AddRef();
    }
    template <typename U>
    ComRef(const ComRef<U>& other)
        : ComRef(static_cast<T*>(other.get()))
    {
    }
    ComRef(const ComRef& other)
        : ComRef(other.m_object)
    {
    }
    ComRef(ComRef&& other) noexcept
        : m_object(std::exchange(other.m_object, nullptr))
    {
    }
    ComRef& operator=(ComRef other) noexcept
    {
        std::swap(m_object, other.m_object);
        return *this;
    }
    ~ComRef() { reset(); }

    // Takes over a reference the caller owns, such as a new object's first.
    static ComRef adopt(T* object)
    {
        ComRef taken;
        taken.m_object = object;
        return taken;
    }

    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    bool operator==(std::nullptr_t) const { return m_object == nullptr; }
    bool operator!=(std::nullptr_t) const { return m_object != nullptr; }

    // For an out parameter that hands over a reference.
    T** put()
    {
        reset();
        return &m_object;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }

    void reset()
    {
        if (T* object = std::exchange(m_object, nullptr))
            object->Release();
    }

private:
    T* m_object = nullptr;
};

} // namespace kiv::platform::win
