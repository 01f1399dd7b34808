#include "geo/TileLoader.h"

#include <algorithm>

namespace kiv::geo {

namespace {
constexpr int LocalPool = 0;
constexpr int NetworkPool = 1;
} // namespace

struct TileLoader::Request
{
    enum class State { Queued, Running, Finished };

    RequestId id;
    osg::ref_ptr<ImageLayer> layer;
    float priority = 0.0f;
    unsigned long frame = 0;
    int pool = LocalPool;
    State state = State::Queued;
    bool dropped = false;
    ProgressCallback progress;
    TileResult result;
};

size_t TileLoader::RequestIdHash::operator()(const RequestId& id) const
{
    return std::hash<const void*>()(id.layer) ^ (size_t(qHash(id.key)) << 1);
}

TileLoader::TileLoader() : TileLoader(Options()) {}

TileLoader::TileLoader(const Options& options) : options_(options)
{
    for (int i = 0; i < std::max(1, options_.localThreads); ++i)
        threads_.emplace_back([this] { work(LocalPool); });
    for (int i = 0; i < std::max(1, options_.networkThreads); ++i)
        threads_.emplace_back([this] { work(NetworkPool); });
}

TileLoader::~TileLoader()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        for (auto& [id, request] : requests_)
            request->progress.cancel();
    }
    wake_[LocalPool].notify_all();
    wake_[NetworkPool].notify_all();
    for (std::thread& t : threads_)
        t.join();
}

void TileLoader::updateCount()
{
    inProgress_.store(int(queues_[LocalPool].size() + queues_[NetworkPool].size() + finished_.size())
                      + running_);
}

void TileLoader::request(ImageLayer* layer, const TileKey& key, float priority)
{
    if (!layer || !key.valid())
        return;
    const bool network = layer->isNetworkLayer();
    const RequestId id{layer, key};
    std::unique_lock<std::mutex> lock(mutex_);
    if (stopping_)
        return;
    auto known = requests_.find(id);
    if (known != requests_.end()) {
        known->second->priority = priority;
        known->second->frame = frame_;
        return;
    }
    auto failed = failedAt_.find(id);
    if (failed != failedAt_.end()) {
        if (Clock::now() - failed->second < options_.retryDelay)
            return;
        failedAt_.erase(failed);
    }
    auto request = std::make_shared<Request>();
    request->id = id;
    request->layer = layer;
    request->priority = priority;
    request->frame = frame_;
    request->pool = network ? NetworkPool : LocalPool;
    requests_.emplace(id, request);
    queues_[request->pool].push_back(request);
    updateCount();
    lock.unlock();
    wake_[request->pool].notify_one();
}

void TileLoader::drop(const std::shared_ptr<Request>& request)
{
    request->dropped = true;
    request->progress.cancel();
    requests_.erase(request->id);
    auto& queue = request->state == Request::State::Queued ? queues_[request->pool] : finished_;
    if (request->state != Request::State::Running)
        queue.erase(std::remove(queue.begin(), queue.end(), request), queue.end());
}

void TileLoader::frame()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::shared_ptr<Request>> stale;
    for (const auto& [id, request] : requests_)
        if (request->frame < frame_)
            stale.push_back(request);
    for (const auto& request : stale)
        drop(request);
    const Clock::time_point now = Clock::now();
    for (auto it = failedAt_.begin(); it != failedAt_.end();)
        it = now - it->second >= options_.retryDelay ? failedAt_.erase(it) : std::next(it);
    ++frame_;
    updateCount();
}

void TileLoader::cancelAll()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::shared_ptr<Request>> all;
    for (const auto& [id, request] : requests_)
        all.push_back(request);
    for (const auto& request : all)
        drop(request);
    updateCount();
}

std::vector<LoadedTile> TileLoader::takeFinished()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<LoadedTile> out;
    out.reserve(finished_.size());
    for (const auto& request : finished_) {
        requests_.erase(request->id);
        out.push_back(LoadedTile{request->layer, request->id.key, request->result});
    }
    finished_.clear();
    updateCount();
    return out;
}

std::shared_ptr<TileLoader::Request> TileLoader::takeBest(int pool)
{
    auto& queue = queues_[pool];
    auto best = std::max_element(queue.begin(), queue.end(), [](const auto& a, const auto& b) {
        return a->priority < b->priority;
    });
    std::shared_ptr<Request> request = *best;
    queue.erase(best);
    request->state = Request::State::Running;
    ++running_;
    return request;
}

void TileLoader::finish(const std::shared_ptr<Request>& request, TileResult result)
{
    --running_;
    if (result.isFailed())
        failedAt_[request->id] = Clock::now();
    if (request->dropped || stopping_) {
        updateCount();
        return;
    }
    if (result.isCancelled()) {
        requests_.erase(request->id);
    } else {
        request->state = Request::State::Finished;
        request->result = std::move(result);
        finished_.push_back(request);
    }
    updateCount();
}

void TileLoader::work(int pool)
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_[pool].wait(lock, [this, pool] { return stopping_ || !queues_[pool].empty(); });
        if (stopping_)
            return;
        std::shared_ptr<Request> request = takeBest(pool);
        updateCount();
        lock.unlock();
        TileResult result = request->layer->createImage(request->id.key, &request->progress);
        lock.lock();
        finish(request, std::move(result));
    }
}

} // namespace kiv::geo
