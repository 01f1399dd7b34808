#pragma once

#include "geo/ImageLayer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace kiv::geo {

// A finished tile request, handed to the render side.
struct LoadedTile
{
    osg::ref_ptr<ImageLayer> layer;
    TileKey key;
    TileResult result;
};

// Loads tiles on worker threads for the render side. Each frame the render
// side asks again for every tile it still wants (request), then closes the
// frame (frame): requests that were not asked for again are dropped, or
// cancelled when already running. Local files and network sources have
// separate pools, so a slow server never holds up local base maps. A
// request already known is not queued twice. Failed tiles are not asked for
// again until the retry delay has passed.
class TileLoader
{
public:
    struct Options
    {
        int localThreads = 2;
        int networkThreads = 4;
        std::chrono::milliseconds retryDelay{5000};
    };

    TileLoader();
    explicit TileLoader(const Options& options);
    ~TileLoader();
    TileLoader(const TileLoader&) = delete;
    TileLoader& operator=(const TileLoader&) = delete;

    // Higher priority is loaded first. Opens the layer's source if needed.
    void request(ImageLayer* layer, const TileKey& key, float priority);
    void frame();
    std::vector<LoadedTile> takeFinished();
    void cancelAll();

    // Queued + running + finished but not yet taken; any thread may read it.
    int requestsInProgress() const { return inProgress_.load(); }

private:
    struct Request;
    struct RequestId
    {
        const ImageLayer* layer;
        TileKey key;
        bool operator==(const RequestId& o) const { return layer == o.layer && key == o.key; }
    };
    struct RequestIdHash
    {
        size_t operator()(const RequestId& id) const;
    };
    using Clock = std::chrono::steady_clock;

    void work(int pool);
    std::shared_ptr<Request> takeBest(int pool);
    void finish(const std::shared_ptr<Request>& request, TileResult result);
    void drop(const std::shared_ptr<Request>& request);
    void updateCount();

    Options options_;
    mutable std::mutex mutex_;
    std::condition_variable wake_[2];
    std::unordered_map<RequestId, std::shared_ptr<Request>, RequestIdHash> requests_;
    std::vector<std::shared_ptr<Request>> queues_[2];
    std::vector<std::shared_ptr<Request>> finished_;
    std::unordered_map<RequestId, Clock::time_point, RequestIdHash> failedAt_;
    int running_ = 0;
    unsigned long frame_ = 0;
    bool stopping_ = false;
    std::atomic<int> inProgress_{0};
    std::vector<std::thread> threads_;
};

} // namespace kiv::geo
