#pragma once

namespace kiv {

// A teardown record: destroys one singleton when the program ends.
class Destructor
{
public:
    explicit Destructor(int priority)
        : m_priority(priority)
    {
    }
    virtual ~Destructor() = default;

    // Higher priorities are destroyed earlier.
    int priority() const { return m_priority; }
    virtual void destroy() = 0;

private:
    int m_priority;
};

// The record of singleton class T: nulls T's pointer and deletes the object.
template <typename T>
class TDestructor : public Destructor
{
public:
    using Destructor::Destructor;

    void destroy() override
    {
        T*& pointer = T::instance();
        T* object = pointer;
        pointer = nullptr;
        delete object;
    }
};

} // namespace kiv
