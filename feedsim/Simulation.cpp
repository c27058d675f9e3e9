#include "feedsim/Simulation.h"

#include <cstdio>

namespace feedsim {

namespace {

const std::array<FeedInfo, 10> kFeeds{{
    {1, "/ssckj/cq.txt", Host::Feed1, 120, 3},
    {2, "/ssckj/jx.txt", Host::Feed2, 84, 3},
    {3, "/ssckj/xj.txt", Host::Feed1, 96, 3},
    {4, "/ssckj/tj.txt", Host::Feed2, 84, 3},
    {5, "/dbwfc.txt", Host::Feed2, 288, 3},
    {6, "/dbffc.txt", Host::Feed2, 1440, 4},
    {7, "/ynffc.txt", Host::Feed1, 1440, 4},
    {8, "/hnffc.txt", Host::Feed1, 1440, 4},
    {9, "/tlffc.txt", Host::Feed1, 1440, 4},
    {10, "/xgffc.txt", Host::Feed1, 1440, 4},
}};

std::uint64_t splitmix64(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
int civilDate(std::int64_t days) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
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

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0 && ((a < 0) != (b < 0))) ? 1 : 0);
}

const char* kNotice = "<p class=\"notice\">本站开奖号码为本地模拟数据，并非真实开奖。"
                      "The draws served here are simulated, not real results.</p>";

std::string html(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + title +
           "</title><style>body{font-family:sans-serif;margin:6px;font-size:13px;"
           "background:#fff8e6;color:#333}.notice{color:#a00;font-weight:bold}"
           "h1{font-size:16px;margin:2px 0}</style></head><body>" +
           body + kNotice + "</body></html>\n";
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

std::array<int, 5> drawDigits(int feedNumber, int yyyymmdd, int period) {
    std::uint64_t state = splitmix64((static_cast<std::uint64_t>(feedNumber) << 48) ^
                                     (static_cast<std::uint64_t>(yyyymmdd) << 16) ^
                                     static_cast<std::uint64_t>(period));
    std::array<int, 5> digits{};
    for (int& digit : digits) {
        digit = static_cast<int>(state % 10);
        state /= 10;
    }
    return digits;
}

std::string drawLine(const FeedInfo& feed, int yyyymmdd, int period) {
    const std::array<int, 5> d = drawDigits(feed.number, yyyymmdd, period);
    char line[64];
    std::snprintf(line, sizeof line,
                  feed.periodDigits == 4 ? "%08d%04d %d,%d,%d,%d,%d" : "%08d%03d %d,%d,%d,%d,%d",
                  yyyymmdd, period, d[0], d[1], d[2], d[3], d[4]);
    return line;
}

std::string feedText(const FeedInfo& feed, std::int64_t unixSeconds, int lines) {
    const std::int64_t local = unixSeconds + kZoneOffsetSeconds;
    std::int64_t day = floorDiv(local, 86400);
    const std::int64_t secondsIntoDay = local - day * 86400;
    const std::int64_t interval = 86400 / feed.drawsPerDay;
    // Period 1 is drawn at midnight, period p at (p − 1) intervals after it.
    int period = static_cast<int>(secondsIntoDay / interval) + 1;
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text += drawLine(feed, civilDate(day), period);
        text += '\n';
        if (--period == 0) {
            --day;
            period = feed.drawsPerDay;
        }
    }
    return text;
}

Page webPage(std::string_view path, int webPort) {
    const std::string host = "http://127.0.0.1:" + std::to_string(webPort);
    if (path == "/setting/vnupdata.txt") {
        return {"20160615\n", "text/plain; charset=utf-8"};
    }
    if (path == "/addurl/vn.txt") {
        return {host + "/promo.html\n", "text/plain; charset=utf-8"};
    }
    if (path == "/xiazai/vnssc.rar") {
        return {"This is a placeholder for the update package of the local test server.\n",
                "application/octet-stream"};
    }
    if (path == "/" || path == "/index.html") {
        return {html("Kestrum", "<h1>Kestrum</h1><p>时时彩、分分彩计划软件的本地演示站点。"
                                "Local demonstration site.</p>"),
                "text/html; charset=utf-8"};
    }
    if (path == "/promo.html") {
        return {html("推广", "<h1>推广页面</h1><p>本地测试用的推广页面。A local promotion page "
                             "for testing.</p>"),
                "text/html; charset=utf-8"};
    }
    static const std::string_view kPanels[] = {
        "/add/vnadd1.html",  "/add/vnadd3.html",  "/add/ptadd.html",  "/add/vnadd99.html",
        "/add/vnaddxc.html", "/add/vnaddhc.html", "/add/vnaddqy.html"};
    for (std::string_view panel : kPanels) {
        if (path == panel) {
            const std::string name(panel.substr(5, panel.size() - 10));
            return {html("Kestrum " + name,
                         "<h1>Kestrum · " + name + "</h1><p>本地面板页面 / local panel page</p>"),
                    "text/html; charset=utf-8"};
        }
    }
    return {};
}

} // namespace feedsim
