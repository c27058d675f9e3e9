#include "feedsim/Simulation.h"

#include <algorithm>
#include <cstdio>

namespace feedsim {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

constexpr std::array<FeedInfo, 10> kFeeds{{
    {1, "重庆时时彩", "/ssckj/cq.txt", Host::Feed1, 120, 3},
    {2, "江西时时彩", "/ssckj/jx.txt", Host::Feed2, 84, 3},
    {3, "新疆时时彩", "/ssckj/xj.txt", Host::Feed1, 96, 3},
    {4, "天津时时彩", "/ssckj/tj.txt", Host::Feed2, 84, 3},
    {5, "迪拜五分彩", "/dbwfc.txt", Host::Feed2, 288, 3},
    {6, "迪拜分分彩", "/dbffc.txt", Host::Feed2, 1440, 4},
    {7, "印尼分分彩", "/ynffc.txt", Host::Feed1, 1440, 4},
    {8, "河内分分彩", "/hnffc.txt", Host::Feed1, 1440, 4},
    {9, "泰国分分彩", "/tlffc.txt", Host::Feed1, 1440, 4},
    {10, "西贡分分彩", "/xgffc.txt", Host::Feed1, 1440, 4},
}};

constexpr int mostDrawsPerDay() {
    int most = 0;
    for (const FeedInfo& feed : kFeeds) {
        most = std::max(most, feed.drawsPerDay);
    }
    return most;
}

// Two draws of a feed are at least 86400 / drawsPerDay whole seconds apart; the jitter stays
// below that so that no draw overtakes the one before it.
static_assert(kMaxPublishJitter < std::chrono::seconds(kSecondsPerDay / mostDrawsPerDay()));

constexpr std::uint64_t splitmix64(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0 && ((a < 0) != (b < 0))) ? 1 : 0);
}

// Days since 1970-01-01 to the civil date YYYYMMDD (proleptic Gregorian).
int civilDate(std::int64_t days) {
    days += 719468;
    const std::int64_t era = floorDiv(days, 146097);
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const std::int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    return static_cast<int>(year * 10000 + month * 100 + day);
}

// The civil date YYYYMMDD to days since 1970-01-01; the inverse of civilDate.
std::int64_t daysOf(int yyyymmdd) {
    std::int64_t year = yyyymmdd / 10000;
    const std::int64_t month = yyyymmdd / 100 % 100;
    const std::int64_t day = yyyymmdd % 100;
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = floorDiv(year, 400);
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

} // namespace

const std::array<FeedInfo, 10>& feeds() {
    return kFeeds;
}

const FeedInfo* findFeed(Host host, std::string_view path) {
    for (const FeedInfo& feed : kFeeds) {
        if (feed.host == host && feed.path == path) {
            return &feed;
        }
    }
    return nullptr;
}

Draw newestDraw(const FeedInfo& feed, std::int64_t unixSeconds) {
    const std::int64_t local = unixSeconds + kZoneOffsetSeconds;
    const std::int64_t day = floorDiv(local, kSecondsPerDay);
    const std::int64_t secondsIntoDay = local - day * kSecondsPerDay;
    // Periods drawn by now: the p with (p - 1) * 86400 <= secondsIntoDay * drawsPerDay. Dividing
    // the day into whole-second intervals instead would run past the last period whenever
    // 86400 is no multiple of drawsPerDay (84 a day).
    const std::int64_t period = secondsIntoDay * feed.drawsPerDay / kSecondsPerDay + 1;
    return {civilDate(day), static_cast<int>(period)};
}

Draw previousDraw(const FeedInfo& feed, Draw draw) {
    if (draw.period > 1) {
        return {draw.date, draw.period - 1};
    }
    return {civilDate(daysOf(draw.date) - 1), feed.drawsPerDay};
}

Draw nextDraw(const FeedInfo& feed, Draw draw) {
    if (draw.period < feed.drawsPerDay) {
        return {draw.date, draw.period + 1};
    }
    return {civilDate(daysOf(draw.date) + 1), 1};
}

std::int64_t drawnAt(const FeedInfo& feed, Draw draw) {
    // The first whole second s with s * drawsPerDay >= (period - 1) * 86400: the inverse of
    // newestDraw's period count.
    const std::int64_t scaled = static_cast<std::int64_t>(draw.period - 1) * kSecondsPerDay;
    const std::int64_t secondsIntoDay = (scaled + feed.drawsPerDay - 1) / feed.drawsPerDay;
    return daysOf(draw.date) * kSecondsPerDay - kZoneOffsetSeconds + secondsIntoDay;
}

std::chrono::milliseconds publishJitter(const FeedInfo& feed, Draw draw,
                                        const Publication& publication) {
    const std::int64_t span = std::min(publication.jitter, kMaxPublishJitter).count();
    if (span <= 0) {
        return std::chrono::milliseconds{0};
    }
    // Keyed like the digits, but through the seed first, so the jitter tells nothing of them.
    const std::uint64_t key = (static_cast<std::uint64_t>(feed.number) << 48) ^
                              (static_cast<std::uint64_t>(draw.date) << 16) ^
                              static_cast<std::uint64_t>(draw.period);
    const std::uint64_t value = splitmix64(splitmix64(publication.seed) ^ key);
    return std::chrono::milliseconds{
        static_cast<std::int64_t>(value % static_cast<std::uint64_t>(span))};
}

std::chrono::milliseconds publishedAt(const FeedInfo& feed, Draw draw,
                                      const Publication& publication) {
    return std::chrono::seconds{drawnAt(feed, draw)} + publication.lag +
           publishJitter(feed, draw, publication);
}

Draw newestPublished(const FeedInfo& feed, std::chrono::milliseconds now,
                     const Publication& publication) {
    // Every draw after the newest one drawn by now - lag is unpublished even without jitter.
    // That one is published unless its jitter holds it back, and then the one before is: it
    // was drawn at least a gap earlier, and the jitter is less than a gap.
    const Draw drawn = newestDraw(feed, floorDiv((now - publication.lag).count(), 1000));
    return publishedAt(feed, drawn, publication) <= now ? drawn : previousDraw(feed, drawn);
}

std::array<int, 5> drawDigits(int feedNumber, Draw draw) {
    // The three fields do not overlap: the date needs 27 bits, the period 11.
    std::uint64_t state = splitmix64((static_cast<std::uint64_t>(feedNumber) << 48) ^
                                     (static_cast<std::uint64_t>(draw.date) << 16) ^
                                     static_cast<std::uint64_t>(draw.period));
    std::array<int, 5> digits{};
    for (int& digit : digits) {
        digit = static_cast<int>(state % 10);
        state /= 10;
    }
    return digits;
}

std::string periodCode(const FeedInfo& feed, Draw draw) {
    char code[32];
    std::snprintf(code, sizeof code, feed.periodDigits == 4 ? "%08d%04d" : "%08d%03d", draw.date,
                  draw.period);
    return code;
}

std::string drawLine(const FeedInfo& feed, Draw draw) {
    const std::array<int, 5> d = drawDigits(feed.number, draw);
    char digits[16];
    std::snprintf(digits, sizeof digits, " %d,%d,%d,%d,%d", d[0], d[1], d[2], d[3], d[4]);
    return periodCode(feed, draw) + digits;
}

std::vector<Draw> feedDraws(const FeedInfo& feed, std::chrono::milliseconds now,
                            const Publication& publication, int count) {
    std::vector<Draw> draws;
    draws.reserve(static_cast<std::size_t>(std::max(count, 0)));
    Draw draw = newestPublished(feed, now, publication);
    for (int i = 0; i < count; ++i) {
        draws.push_back(draw);
        draw = previousDraw(feed, draw);
    }
    return draws;
}

std::string feedText(const FeedInfo& feed, std::chrono::milliseconds now,
                     const Publication& publication, int lines) {
    std::string text;
    for (const Draw& draw : feedDraws(feed, now, publication, lines)) {
        text += drawLine(feed, draw);
        text += '\n';
    }
    return text;
}

std::string feedText(const FeedInfo& feed, std::int64_t unixSeconds, int lines) {
    return feedText(feed, std::chrono::seconds{unixSeconds}, Publication{}, lines);
}

} // namespace feedsim
