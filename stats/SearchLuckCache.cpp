#include "stats/SearchLuckCache.h"

namespace kestrum {

std::shared_ptr<const SearchLuck> SearchLuckCache::luck(const SearchLuckRequest& request) {
    const Key key{request.type,      request.shape.planPeriods, request.shape.codeCount,
                  request.drawCount, request.histories,         request.seed};
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (const auto kept = m_kept.find(key); kept != m_kept.end()) {
            return kept->second;
        }
    }
    auto simulated = std::make_shared<const SearchLuck>(simulateSearchLuck(request));
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_kept.emplace(key, std::move(simulated)).first->second;
}

} // namespace kestrum
