#pragma once

// The simulated draws of the local feed server: ten feeds of five digits each.
//
// Time: the simulated day is that of the fixed zone UTC+8, whatever the machine's zone. A feed
// with n draws a day draws period p (1 to n) at the first whole second s after local midnight
// with s * n >= (p - 1) * 86400: period 1 at 00:00:00, the others evenly after it (every 720 s
// at 120 a day; at 84 a day the gaps are 1028 or 1029 s, so period 84 is the last of the day).
//
// Publication: a draw drawn at t appears in its feed at t + lag + jitter, where the jitter is a
// pseudo-random number of milliseconds in [0, span), fixed by a seed, the feed, the date and
// the period. Every request sees the same moment, and a draw once shown stays shown.
// The span is held below the shortest gap between two draws of a feed, so draws appear in the
// order they are drawn, across midnight too. With no lag and no jitter a draw appears at once.
//
// Digits: those of a draw depend only on the feed, the date and the period, so every request
// sees the same ones. The clock is a parameter: the feed text is a pure function of the time.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace feedsim {

enum class Host { Web, Feed1, Feed2 };

struct FeedInfo {
    int number;            // 1 to 10
    std::string_view name; // the lottery's name, UTF-8
    std::string_view path; // on its host
    Host host;             // Feed1 or Feed2
    int drawsPerDay;       // spread evenly over the day
    int periodDigits;      // digits of the period number: 3, or 4 for the 1440-draw feeds
};

const std::array<FeedInfo, 10>& feeds();

// The feed at this path on this host, or nullptr.
const FeedInfo* findFeed(Host host, std::string_view path);

// Seconds east of UTC of the simulated day.
inline constexpr std::int64_t kZoneOffsetSeconds = 8 * 3600;

// Lines of every simulated feed, newest first.
inline constexpr int kFeedLines = 60;

// One draw: its local date as the number YYYYMMDD and its period, 1 to drawsPerDay.
struct Draw {
    int date;
    int period;
    friend bool operator==(const Draw&, const Draw&) = default;
};

// The newest draw of the feed at unixSeconds (seconds since 1970, UTC): the newest one drawn,
// whether published or not.
Draw newestDraw(const FeedInfo& feed, std::int64_t unixSeconds);

// The draw before this one: the previous period, or the last one of the previous day.
Draw previousDraw(const FeedInfo& feed, Draw draw);

// The draw after this one: the next period, or period 1 of the next day.
Draw nextDraw(const FeedInfo& feed, Draw draw);

// The moment the draw is drawn, in seconds since 1970 (UTC).
std::int64_t drawnAt(const FeedInfo& feed, Draw draw);

// The widest jitter span: half the shortest gap between two draws of any feed (60 s).
inline constexpr std::chrono::milliseconds kMaxPublishJitter{30'000};

inline constexpr std::uint64_t kDefaultPublishSeed = 1;

// When the draws appear in their feeds. Times are milliseconds since 1970 (UTC).
struct Publication {
    std::chrono::milliseconds lag{0};    // 0 or more
    std::chrono::milliseconds jitter{0}; // the span, 0 to kMaxPublishJitter (a wider one is cut)
    std::uint64_t seed = kDefaultPublishSeed;
};

// The draw's jitter: 0 to publication.jitter - 1 ms (0 when the span is 0).
std::chrono::milliseconds publishJitter(const FeedInfo& feed, Draw draw,
                                        const Publication& publication);

// The first moment at which the feed shows the draw: drawnAt + lag + jitter.
std::chrono::milliseconds publishedAt(const FeedInfo& feed, Draw draw,
                                      const Publication& publication);

// The newest draw of the feed that is published at `now`.
Draw newestPublished(const FeedInfo& feed, std::chrono::milliseconds now,
                     const Publication& publication);

// The draws the feed shows at `now`: `count` of them, the newest published one first, going
// back into earlier days as needed. Every form of the feed (lines, JSON, CSV) holds these.
std::vector<Draw> feedDraws(const FeedInfo& feed, std::chrono::milliseconds now,
                            const Publication& publication, int count = kFeedLines);

// The feed as it stands at `now`: `lines` lines, the newest published draw first, each ending
// in LF (no CR), going back into earlier days as needed.
std::string feedText(const FeedInfo& feed, std::chrono::milliseconds now,
                     const Publication& publication, int lines = kFeedLines);

// The feed at unixSeconds with every draw published the moment it is drawn.
std::string feedText(const FeedInfo& feed, std::int64_t unixSeconds, int lines = kFeedLines);

// The draw's date and period as its line starts: "20150101001", or with a four-digit period
// "201501010023".
std::string periodCode(const FeedInfo& feed, Draw draw);

// One draw line without its line end: "20150101001 1,2,3,4,5", or with a four-digit period
// "201501010023 9,9,9,9,9".
std::string drawLine(const FeedInfo& feed, Draw draw);

// The five digits of one draw, 0 to 9 each, 万位 first.
std::array<int, 5> drawDigits(int feedNumber, Draw draw);

} // namespace feedsim
