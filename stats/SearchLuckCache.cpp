#include "stats/SearchLuckCache.h"

namespace kestrum {

std::shared_ptr<const SearchLuck> SearchLuckCache::luck(const SearchLuckRequest& request,
                                                        const std::atomic<bool>* cancel) {
    const Key key{request.type,      request.shape.planPeriods, request.shape.codeCount,
                  request.drawCount, request.histories,         request.seed};
    std::promise<std::shared_ptr<const SearchLuck>> promise;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (const auto kept = m_kept.find(key); kept != m_kept.end()) {
            const std::shared_future<std::shared_ptr<const SearchLuck>> pending = kept->second;
            lock.unlock();
            return pending.get();
        }
        m_kept.emplace(key, promise.get_future().share());
    }
    std::shared_ptr<const SearchLuck> simulated;
    try {
        simulated = std::make_shared<const SearchLuck>(simulateSearchLuck(request, cancel));
    } catch (...) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_kept.erase(key);
        promise.set_exception(std::current_exception());
        throw;
    }
    if (simulated->histories < request.histories) {
        // Cut short: those waiting get what there is, and the next asks again.
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_kept.erase(key);
    }
    promise.set_value(simulated);
    return simulated;
}

} // namespace kestrum
