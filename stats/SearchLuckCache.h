#pragma once

// Random-history searches kept for the shapes and lengths already simulated: a search's luck
// depends only on the play type, its plan shape and the number of stored draws, so a program
// that publishes the same figures after every draw simulates each combination once.

#include "stats/SearchLuck.h"

#include <atomic>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace kestrum {

class SearchLuckCache {
public:
    // The luck of `request`, simulated now or kept from before. Safe to call from several
    // threads: a combination asked for by several at once is simulated once, the others wait
    // for it. `cancel`, when set, ends a simulation early; what it did is answered but not
    // kept.
    std::shared_ptr<const SearchLuck> luck(const SearchLuckRequest& request,
                                           const std::atomic<bool>* cancel = nullptr);

private:
    using Key =
        std::tuple<PlayType, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint64_t>;
    std::mutex m_mutex;
    std::map<Key, std::shared_future<std::shared_ptr<const SearchLuck>>> m_kept;
};

} // namespace kestrum
