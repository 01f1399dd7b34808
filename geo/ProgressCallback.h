#pragma once

#include <atomic>

namespace kiv::geo {

// Lets the loader call off a tile request that is already running.
class ProgressCallback
{
public:
    void cancel() { canceled_.store(true, std::memory_order_relaxed); }
    bool isCanceled() const { return canceled_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> canceled_{false};
};

} // namespace kiv::geo
