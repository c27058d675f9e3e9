#include "feedsim/RequestCounter.h"

namespace feedsim {

void RequestCounter::count(const std::string& path, bool notModified) {
    const std::lock_guard lock(m_mutex);
    Counts& counts = m_counts[path];
    ++counts.requests;
    counts.notModified += notModified ? 1 : 0;
}

std::vector<RequestCount> RequestCounter::counts() const {
    const std::lock_guard lock(m_mutex);
    std::vector<RequestCount> counts;
    for (const auto& [path, count] : m_counts) {
        counts.push_back({path, count.requests, count.notModified});
    }
    return counts;
}

std::string requestCountLine(const RequestCount& count) {
    return "feedsim: requests " + count.path + " " + std::to_string(count.requests) +
           " (304: " + std::to_string(count.notModified) + ")";
}

} // namespace feedsim
