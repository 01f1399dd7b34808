#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace kiv {

// Items (anything with id() and timeStamp()) kept newest first, with a hash
// index by id beside the list, so that adding and finding stay cheap for
// localities holding tens of thousands of items. Items of equal time keep
// the order in which they were added.
template <typename T>
class NewestFirstList
{
public:
    using Item = std::shared_ptr<T>;
    using Items = std::vector<Item>;

    const Items& items() const { return m_items; }
    std::size_t size() const { return m_items.size(); }

    void add(Item item)
    {
        const auto at = std::upper_bound(m_items.begin(), m_items.end(), item, isNewer);
        m_byId.emplace(item->id(), item);
        m_items.insert(at, std::move(item));
    }

    // Many items at once: one sort instead of one insertion each.
    void addAll(const Items& added)
    {
        for (const Item& item : added)
            m_byId.emplace(item->id(), item);
        m_items.insert(m_items.end(), added.begin(), added.end());
        std::stable_sort(m_items.begin(), m_items.end(), isNewer);
    }

    Item find(const std::string& id) const
    {
        const auto found = m_byId.find(id);
        return found == m_byId.end() ? Item() : found->second;
    }

    Item at(int index) const
    {
        if (index < 0 || static_cast<std::size_t>(index) >= m_items.size())
            return {};
        return m_items[static_cast<std::size_t>(index)];
    }

    int indexOf(const std::string& id) const
    {
        const Item item = find(id);
        if (!item)
            return -1;
        const auto found = std::find(m_items.begin(), m_items.end(), item);
        return found == m_items.end() ? -1 : static_cast<int>(found - m_items.begin());
    }

    void erase(std::size_t index)
    {
        const Item item = m_items[index];
        m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
        const auto indexed = m_byId.find(item->id());
        if (indexed == m_byId.end() || indexed->second != item)
            return;
        m_byId.erase(indexed);
        // Another item of the same id (never made by the program) takes its
        // place in the index.
        const auto twin = std::find_if(m_items.begin(), m_items.end(),
                                       [&item](const Item& other) { return other->id() == item->id(); });
        if (twin != m_items.end())
            m_byId.emplace((*twin)->id(), *twin);
    }

    void clear()
    {
        m_items.clear();
        m_byId.clear();
    }

private:
    static bool isNewer(const Item& a, const Item& b) { return a->timeStamp() > b->timeStamp(); }

    Items m_items;
    std::unordered_map<std::string, Item> m_byId;
};

} // namespace kiv
