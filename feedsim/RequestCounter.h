#pragma once

// The feed hosts' count of the requests for each feed, and of the 304s among them.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace feedsim {

// The requests for one feed since the start, by its path (a path served on both feed hosts in
// --files mode is counted once for both).
struct RequestCount {
    std::string path;
    std::uint64_t requests = 0;
    std::uint64_t notModified = 0; // answered 304
};

// "feedsim: requests /dbffc.txt 360 (304: 300)"
std::string requestCountLine(const RequestCount& count);

// Safe to use from the servers' threads at once.
class RequestCounter {
public:
    // One answered request for the feed at `path`.
    void count(const std::string& path, bool notModified);
    // Every path counted so far, in the order of the paths.
    std::vector<RequestCount> counts() const;

private:
    struct Counts {
        std::uint64_t requests = 0;
        std::uint64_t notModified = 0;
    };

    mutable std::mutex m_mutex;
    std::map<std::string, Counts> m_counts;
};

} // namespace feedsim
