#include "Database/DestructorManager.h"

#include "Database/Destructor.h"

#include <algorithm>

namespace kiv {

DestructorManager& DestructorManager::instance()
{
    static DestructorManager manager;
    return manager;
}

DestructorManager::~DestructorManager()
{
    for (Destructor* record : m_records)
        delete record;
}

void DestructorManager::add(Destructor* record)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records.push_back(record);
}

void DestructorManager::destroyAll()
{
    std::vector<Destructor*> order;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::stable_sort(m_records.begin(), m_records.end(),
                         [](const Destructor* a, const Destructor* b) { return a->priority() > b->priority(); });
        order = m_records;
    }
    for (Destructor* record : order)
        record->destroy();
}

} // namespace kiv
