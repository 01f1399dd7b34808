#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
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
        addToIndex(item);
        m_items.insert(at, std::move(item));
    }

    // Many items at once: one sort instead of one insertion each.
    void addAll(Items added)
    {
        m_pending.reserve(m_pending.size() + added.size());
        for (Item& item : added)
            appendPending(std::move(item));
        addPending();
    }

    // Items read in bulk are taken one at a time while they are at hand:
    // their hash and time are noted then, so that sorting and indexing them
    // later by addPending() need not visit each item again.
    void appendPending(Item item)
    {
        const std::size_t hash = hashOf(item->id());
        const auto stamp = item->timeStamp();
        m_pending.push_back({stamp, hash, std::move(item)});
    }

    void addPending()
    {
        if (m_pending.empty())
            return;
        m_byId.reserve(m_byId.size() + m_pending.size());
        for (const Pending& entry : m_pending)
            m_byId.emplace_back(entry.hash, entry.item);
        sortIndex();
        if (m_items.empty()) {
            sortPendingNewestFirst();
            m_items.reserve(m_pending.size());
            for (Pending& entry : m_pending)
                m_items.push_back(std::move(entry.item));
        } else {
            m_items.reserve(m_items.size() + m_pending.size());
            for (Pending& entry : m_pending)
                m_items.push_back(std::move(entry.item));
            std::stable_sort(m_items.begin(), m_items.end(), isNewer);
        }
        Pendings().swap(m_pending);
    }

    Item find(const std::string& id) const
    {
        const auto found = indexed(id);
        return found == m_byId.end() ? Item() : found->second;
    }

    bool contains(const std::string& id) const { return indexed(id) != m_byId.end(); }

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
        const auto entry = indexed(item->id());
        if (entry == m_byId.end() || entry->second != item)
            return;
        m_byId.erase(entry);
        // Another item of the same id (never made by the program) takes its
        // place in the index.
        const auto twin = std::find_if(m_items.begin(), m_items.end(),
                                       [&item](const Item& other) { return other->id() == item->id(); });
        if (twin != m_items.end())
            addToIndex(*twin);
    }

    void clear()
    {
        m_items.clear();
        m_byId.clear();
        m_pending.clear();
    }

private:
    // The index holds (hash of the id, item) sorted by hash: no string copy
    // and no allocation per item. Ids of equal hash are told apart by
    // comparing them; an id is indexed once, for the first item that had it.
    using Entry = std::pair<std::size_t, Item>;
    using Index = std::vector<Entry>;

    static std::size_t hashOf(const std::string& id) { return std::hash<std::string>()(id); }

    typename Index::const_iterator indexed(const std::string& id, std::size_t hash) const
    {
        auto entry = std::lower_bound(m_byId.begin(), m_byId.end(), hash,
                                      [](const Entry& e, std::size_t h) { return e.first < h; });
        for (; entry != m_byId.end() && entry->first == hash; ++entry) {
            if (entry->second->id() == id)
                return entry;
        }
        return m_byId.end();
    }
    typename Index::const_iterator indexed(const std::string& id) const { return indexed(id, hashOf(id)); }

    void addToIndex(const Item& item)
    {
        const std::size_t hash = hashOf(item->id());
        if (indexed(item->id(), hash) != m_byId.end())
            return;
        const auto at = std::upper_bound(m_byId.begin(), m_byId.end(), hash,
                                         [](std::size_t h, const Entry& e) { return h < e.first; });
        m_byId.emplace(at, hash, item);
    }

    // Sorted by hash and id; of equal ids the one indexed first stays.
    void sortIndex()
    {
        std::stable_sort(m_byId.begin(), m_byId.end(), [](const Entry& a, const Entry& b) {
            return a.first != b.first ? a.first < b.first : a.second->id() < b.second->id();
        });
        const auto last = std::unique(m_byId.begin(), m_byId.end(), [](const Entry& a, const Entry& b) {
            return a.first == b.first && a.second->id() == b.second->id();
        });
        m_byId.erase(last, m_byId.end());
    }

    // Rows are mostly stored in the order they were made: oldest first
    // (strictly, so that turning it round keeps ties in order) is reversed
    // instead of sorted.
    void sortPendingNewestFirst()
    {
        const auto newer = [](const Pending& a, const Pending& b) { return a.stamp > b.stamp; };
        if (std::adjacent_find(m_pending.begin(), m_pending.end(),
                               [](const Pending& a, const Pending& b) { return a.stamp >= b.stamp; })
            == m_pending.end()) {
            std::reverse(m_pending.begin(), m_pending.end());
            return;
        }
        if (!std::is_sorted(m_pending.begin(), m_pending.end(), newer))
            std::stable_sort(m_pending.begin(), m_pending.end(), newer);
    }

    static bool isNewer(const Item& a, const Item& b) { return a->timeStamp() > b->timeStamp(); }

    struct Pending
    {
        std::int64_t stamp;
        std::size_t hash;
        Item item;
    };
    using Pendings = std::vector<Pending>;

    Items m_items;
    Index m_byId;
    Pendings m_pending;
};

} // namespace kiv
