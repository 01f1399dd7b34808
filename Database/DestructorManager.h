#pragma once

#include <mutex>
#include <vector>

namespace kiv {

class Destructor;

// The teardown list of the process-wide singletons.
class DestructorManager
{
public:
    static DestructorManager& instance();

    // The list owns the record.
    void add(Destructor* record);
    // Destroys the singletons, highest priority first; equal priorities in
    // the order they were first used.
    void destroyAll();

private:
    DestructorManager() = default;
    ~DestructorManager();

    std::mutex m_mutex;
    std::vector<Destructor*> m_records;
};

// Backs T::instance(): the first call registers T's teardown record and
// creates T; after teardown the pointer stays null for good.
template <typename T, typename Record>
T*& singletonPointer(int priority)
{
    static T* pointer = [priority] {
        DestructorManager::instance().add(new Record(priority));
        return new T;
    }();
    return pointer;
}

} // namespace kiv

// Defines T::instance() for a singleton with the given teardown priority.
#define KIV_DEFINE_SINGLETON(T, priority)                                                                              \
    T*& T::instance() { return ::kiv::singletonPointer<T, ::kiv::TDestructor<T>>(priority); }
