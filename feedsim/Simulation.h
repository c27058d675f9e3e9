#pragma once

// The simulated draws of the local feed server: ten feeds of five digits each, drawn evenly
// over a day of the fixed zone UTC+8, period 1 at midnight. The digits of a draw depend only on
// the feed, the date and the period, so every request sees the same ones. The clock is a
// parameter: the feed text is a pure function of the time.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace feedsim {

enum class Host { Web, Feed1, Feed2 };

struct FeedInfo {
    int number;            // 1 to 10
    std::string_view path; // on its host
    Host host;             // Feed1 or Feed2
    int drawsPerDay;       // spread evenly over the day
    int periodDigits;      // 3, or 4 for the 1440-draw feeds
};

const std::array<FeedInfo, 10>& feeds();

// The feed at this path on this host, or nullptr.
const FeedInfo* findFeed(Host host, std::string_view path);

// Seconds east of UTC of the simulated day.
inline constexpr std::int64_t kZoneOffsetSeconds = 8 * 3600;

// At least this many lines per feed, newest first.
inline constexpr int kFeedLines = 60;

// The feed as it stands at unixSeconds: the newest draw first, kFeedLines lines, each ending
// in LF, going back into earlier days as needed.
std::string feedText(const FeedInfo& feed, std::int64_t unixSeconds, int lines = kFeedLines);

// One draw line: "20150101001 1,2,3,4,5" (a four-digit period for the 1440-draw feeds).
std::string drawLine(const FeedInfo& feed, int yyyymmdd, int period);

// The five digits of one draw, 0 to 9 each.
std::array<int, 5> drawDigits(int feedNumber, int yyyymmdd, int period);

// The maker's host: the page or file at path, with its content type; empty when none.
struct Page {
    std::string body;
    std::string contentType;
};
Page webPage(std::string_view path, int webPort);

} // namespace feedsim
