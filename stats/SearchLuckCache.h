#pragma once

// Random-history searches kept for the shapes and lengths already simulated: a search's luck
// depends only on the play type, its plan shape and the number of stored draws, so a program
// that publishes the same figures after every draw simulates each combination once.

#include "stats/SearchLuck.h"

#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace kestrum {

class SearchLuckCache {
public:
    // The luck of `request`, simulated now or kept from before. Safe to call from several
    // threads; a combination asked for by two at once may be simulated twice.
    std::shared_ptr<const SearchLuck> luck(const SearchLuckRequest& request);

private:
    using Key =
        std::tuple<PlayType, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint64_t>;
    std::mutex m_mutex;
    std::map<Key, std::shared_ptr<const SearchLuck>> m_kept;
};

} // namespace kestrum
