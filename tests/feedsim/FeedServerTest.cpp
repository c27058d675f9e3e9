#include "feedsim/FeedServer.h"

#include "draws/DrawSource.h"
#include "feedsim/FeedForms.h"
#include "support/ScratchFolder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <httplib.h>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace feedsim {
namespace {

namespace fs = std::filesystem;
using kestrum::readDrawSource;
using kestrum::SourceFormat;
using kestrum::SourceRead;
using std::chrono::milliseconds;

// 2015-01-01 00:00:00 in UTC+8.
constexpr std::int64_t kMidnight = 1420041600;

// The servers of a test listen on free ports; the simulated clock is the test's to move.
class FeedServerTest : public ::testing::Test {
protected:
    void startServer(std::optional<fs::path> files = std::nullopt, ServerOptions options = {}) {
        options.files = std::move(files);
        options.webPort = 0;
        options.feed1Port = 0;
        options.feed2Port = 0;
        if (!options.clock) {
            options.clock = [this] { return std::chrono::seconds(m_now.load()); };
        }
        m_server = std::make_unique<FeedServer>(std::move(options));
        std::string error;
        ASSERT_TRUE(m_server->bind(error)) << error;
        ASSERT_TRUE(m_server->start());
    }

    // The answer to a GET; status -1 when the request failed.
    struct Answer {
        int status = -1;
        std::string body;
        std::string contentType;
        std::string etag = {};
        std::string lastModified = {};
    };
    Answer get(Host host, const std::string& path, const httplib::Headers& headers = {}) {
        httplib::Client client("127.0.0.1", m_server->port(host));
        const httplib::Result result = client.Get(path, headers);
        if (!result) {
            return {};
        }
        return {result->status, result->body, result->get_header_value("Content-Type"),
                result->get_header_value("ETag"), result->get_header_value("Last-Modified")};
    }
    Answer getIfNoneMatch(Host host, const std::string& path, const std::string& tags) {
        return get(host, path, {{"If-None-Match", tags}});
    }

    // Options with a clock to the millisecond, m_at.
    ServerOptions publishing(Publication publication) {
        ServerOptions options;
        options.clock = [this] { return m_at.load(); };
        options.publication = publication;
        return options;
    }

    std::atomic<std::int64_t> m_now{kMidnight + 5000};
    std::atomic<milliseconds> m_at{std::chrono::seconds(kMidnight + 5000)};
    std::unique_ptr<FeedServer> m_server;
};

TEST_F(FeedServerTest, EveryFeedIsOnItsOwnHostOnly) {
    startServer();
    for (const FeedInfo& feed : feeds()) {
        SCOPED_TRACE(std::string(feed.path));
        const Host other = feed.host == Host::Feed1 ? Host::Feed2 : Host::Feed1;
        const Answer own = get(feed.host, std::string(feed.path));
        EXPECT_EQ(own.status, 200);
        EXPECT_EQ(own.body, feedText(feed, m_now));
        EXPECT_EQ(own.contentType, "text/plain");
        EXPECT_EQ(get(other, std::string(feed.path)).status, 404);
        EXPECT_EQ(get(Host::Web, std::string(feed.path)).status, 404);
    }
    EXPECT_EQ(get(Host::Feed1, "/ssckj/none.txt").status, 404);
    EXPECT_EQ(get(Host::Feed1, "/").status, 404);
}

TEST_F(FeedServerTest, ANewDrawAppearsWhenTheClockPassesItsTime) {
    startServer();
    const FeedInfo& feed = feeds()[4]; // 288 a day: every 5 minutes
    m_now = kMidnight + 3600 + 299;    // period 13 is the newest
    const std::string before = get(Host::Feed2, "/dbwfc.txt").body;
    EXPECT_EQ(get(Host::Feed2, "/dbwfc.txt").body, before); // the same digits again
    m_now = kMidnight + 3600 + 300;
    const std::string after = get(Host::Feed2, "/dbwfc.txt").body;
    ASSERT_EQ(before.rfind("20150101013 ", 0), 0u) << before;
    ASSERT_EQ(after.rfind("20150101014 ", 0), 0u) << after;
    // The new line on top, the old ones below it with the oldest dropped.
    const std::string withoutOldest = before.substr(0, before.rfind('\n', before.size() - 2) + 1);
    EXPECT_EQ(after, drawLine(feed, {20150101, 14}) + "\n" + withoutOldest);
}

TEST_F(FeedServerTest, TheWebHostServesTheMakersFilesMarkedAsSimulated) {
    startServer();
    const Answer version = get(Host::Web, "/setting/vnupdata.txt");
    EXPECT_EQ(version.status, 200);
    EXPECT_EQ(version.body, "20160615\n");

    // The promotional address names a page of this very server.
    const std::string web = "http://127.0.0.1:" + std::to_string(m_server->port(Host::Web));
    const std::string promo = get(Host::Web, "/addurl/vn.txt").body;
    ASSERT_EQ(promo.rfind(web + "/", 0), 0u) << promo;
    const std::string promoPath = promo.substr(web.size(), promo.find('\n') - web.size());
    EXPECT_EQ(get(Host::Web, promoPath).status, 200);

    for (const char* page :
         {"/add/vnadd1.html", "/add/vnadd3.html", "/add/ptadd.html", "/add/vnadd99.html",
          "/add/vnaddxc.html", "/add/vnaddhc.html", "/add/vnaddqy.html", "/"}) {
        SCOPED_TRACE(page);
        const Answer answer = get(Host::Web, page);
        EXPECT_EQ(answer.status, 200);
        EXPECT_EQ(answer.contentType, "text/html; charset=utf-8");
        EXPECT_NE(answer.body.find("<meta charset=\"utf-8\">"), std::string::npos);
        EXPECT_NE(answer.body.find("simulated"), std::string::npos);
        EXPECT_NE(answer.body.find("模拟"), std::string::npos);
    }
    // The site page links every feed at its own host.
    const std::string site = get(Host::Web, "/").body;
    EXPECT_NE(site.find("http://127.0.0.1:" + std::to_string(m_server->port(Host::Feed2)) +
                        "/ssckj/jx.txt"),
              std::string::npos);
    EXPECT_NE(
        site.find("http://127.0.0.1:" + std::to_string(m_server->port(Host::Feed1)) + "/ynffc.csv"),
        std::string::npos);
    EXPECT_EQ(get(Host::Web, "/xiazai/vnssc.rar").status, 200);
    EXPECT_EQ(get(Host::Web, "/add/none.html").status, 404);
}

TEST_F(FeedServerTest, FixedFilesAreServedAsTheyStandOnDisk) {
    const kestrum::test::ScratchFolder folder;
    const fs::path& dir = folder.path();
    fs::create_directories(dir / "feed1" / "ssckj");
    fs::create_directories(dir / "web" / "add");
    std::ofstream(dir / "feed1" / "ssckj" / "cq.txt", std::ios::binary) << "a\r\nb\r\n";
    std::ofstream(dir / "web" / "add" / "vnadd1.html", std::ios::binary) << "<p>x</p>";
    std::ofstream(dir / "secret.txt") << "not served";
    startServer(dir);

    const Answer feed = get(Host::Feed1, "/ssckj/cq.txt");
    EXPECT_EQ(feed.body, "a\r\nb\r\n");
    EXPECT_EQ(feed.contentType, "text/plain");
    std::ofstream(dir / "feed1" / "ssckj" / "cq.txt", std::ios::binary) << "changed\n";
    EXPECT_EQ(get(Host::Feed1, "/ssckj/cq.txt").body, "changed\n"); // read again
    const Answer page = get(Host::Web, "/add/vnadd1.html");
    EXPECT_EQ(page.body, "<p>x</p>");
    EXPECT_EQ(page.contentType, "text/html");

    // Each host has its own folder and nothing else.
    EXPECT_EQ(get(Host::Feed2, "/ssckj/cq.txt").status, 404);
    EXPECT_EQ(get(Host::Web, "/ssckj/cq.txt").status, 404);
    EXPECT_EQ(get(Host::Feed1, "/ssckj/none.txt").status, 404);
    EXPECT_EQ(get(Host::Feed1, "/ssckj").status, 404);
    EXPECT_EQ(get(Host::Feed2, "/").status, 404); // no folder at all
}

TEST_F(FeedServerTest, FixedFilesRefuseEveryWayOutOfTheFolder) {
    const kestrum::test::ScratchFolder folder;
    const fs::path& dir = folder.path();
    fs::create_directories(dir / "feed1" / "ssckj");
    std::ofstream(dir / "feed1" / "ssckj" / "cq.txt") << "in";
    std::ofstream(dir / "secret.txt") << "not served";
    fs::create_directory_symlink(dir, dir / "feed1" / "up");
    fs::create_symlink(dir / "secret.txt", dir / "feed1" / "link.txt");
    startServer(dir);

    for (const char* path : {"/../secret.txt", "/ssckj/../../secret.txt", "/%2e%2e/secret.txt",
                             "/ssckj/%2E%2E/%2E%2E/secret.txt", "/up/secret.txt", "/link.txt",
                             "/ssckj/cq.txt%00.html"}) {
        SCOPED_TRACE(path);
        const Answer answer = get(Host::Feed1, path);
        EXPECT_EQ(answer.status, 403);
        EXPECT_EQ(answer.body.find("not served"), std::string::npos);
    }
    EXPECT_EQ(get(Host::Feed1, "/ssckj/cq.txt").body, "in");
}

TEST_F(FeedServerTest, ATakenPortIsNamedAndStopsTheStart) {
    startServer();
    ServerOptions options;
    options.webPort = 0;
    options.feed1Port = m_server->port(Host::Feed1);
    options.feed2Port = 0;
    FeedServer second(options);
    std::string error;
    EXPECT_FALSE(second.bind(error));
    EXPECT_NE(error.find("127.0.0.1:" + std::to_string(options.feed1Port)), std::string::npos)
        << error;
    // The first server goes on serving.
    EXPECT_EQ(get(Host::Feed1, "/ssckj/cq.txt").status, 200);
}

// A client that polls with If-None-Match gets 304 and no body until the next draw is published,
// then the new feed with a new tag. "*" and a list naming the tag (weakly) match too.
TEST_F(FeedServerTest, AFeedIsNotModifiedUntilItsNextDrawIsPublished) {
    const Publication publication{milliseconds{2'500}, milliseconds{10'000}, 3};
    startServer(std::nullopt, publishing(publication));
    const FeedInfo& feed = feeds()[5]; // /dbffc.txt, every minute
    const Draw draw{20150101, 900};
    const milliseconds at = publishedAt(feed, draw, publication);
    m_at = at - milliseconds{1};

    const Answer before = get(Host::Feed2, "/dbffc.txt");
    EXPECT_EQ(before.status, 200);
    EXPECT_EQ(before.body, feedText(feed, m_at.load(), publication));
    ASSERT_EQ(before.body.rfind(drawLine(feed, previousDraw(feed, draw)) + "\n", 0), 0u);
    ASSERT_GE(before.etag.size(), 3u);
    EXPECT_EQ(before.etag.front(), '"');
    EXPECT_EQ(before.etag.back(), '"');
    for (const std::string& tags : {before.etag, "\"other\", W/" + before.etag, std::string("*"),
                                    "\"a, b\"," + before.etag}) {
        SCOPED_TRACE(tags);
        const Answer same = getIfNoneMatch(Host::Feed2, "/dbffc.txt", tags);
        EXPECT_EQ(same.status, 304);
        EXPECT_EQ(same.body, "");
        EXPECT_EQ(same.etag, before.etag);
    }
    EXPECT_EQ(getIfNoneMatch(Host::Feed2, "/dbffc.txt", "\"other\"").status, 200);
    // Another feed's tag is no match.
    EXPECT_EQ(getIfNoneMatch(Host::Feed1, "/ynffc.txt", before.etag).status, 200);

    m_at = at;
    const Answer after = getIfNoneMatch(Host::Feed2, "/dbffc.txt", before.etag);
    EXPECT_EQ(after.status, 200);
    EXPECT_EQ(after.body.rfind(drawLine(feed, draw) + "\n", 0), 0u) << after.body;
    EXPECT_NE(after.etag, before.etag);
    EXPECT_EQ(getIfNoneMatch(Host::Feed2, "/dbffc.txt", after.etag).status, 304);
}

// The JSON records as draw lines, newest first: "20150101-001" and "1,2,3,4,5" make
// "20150101001 1,2,3,4,5". The codes must have the feed's form.
std::vector<std::string> jsonLines(const FeedInfo& feed, const std::string& body) {
    std::vector<std::string> lines;
    const nlohmann::json records = nlohmann::json::parse(body).at("data");
    EXPECT_TRUE(records.is_array());
    for (const nlohmann::json& record : records) {
        std::string expect = record.at("expect").get<std::string>();
        EXPECT_EQ(expect.size(), 9u + static_cast<std::size_t>(feed.periodDigits)) << expect;
        EXPECT_EQ(expect.find('-'), 8u) << expect;
        expect.erase(8, 1);
        lines.insert(lines.begin(), expect + " " + record.at("opencode").get<std::string>());
    }
    return lines;
}

// The CSV rows as draw lines, newest first: "150101001,12345" makes "20150101001 1,2,3,4,5".
std::vector<std::string> csvLines(const FeedInfo& feed, const std::string& body) {
    std::vector<std::string> lines;
    std::istringstream rows(body);
    std::string row;
    EXPECT_TRUE(std::getline(rows, row));
    EXPECT_EQ(row, "issue,code");
    while (std::getline(rows, row)) {
        const std::size_t comma = row.find(',');
        const std::string issue = row.substr(0, comma);
        const std::string code = comma == std::string::npos ? "" : row.substr(comma + 1);
        EXPECT_EQ(issue.size(), 6u + static_cast<std::size_t>(feed.periodDigits)) << row;
        EXPECT_EQ(code.size(), 5u) << row;
        std::string digits;
        for (const char digit : code) {
            digits += (digits.empty() ? "" : ",") + std::string(1, digit);
        }
        lines.insert(lines.begin(), "20" + issue + " " + digits);
    }
    EXPECT_EQ(body.back(), '\n');
    return lines;
}

std::vector<std::string> plainLines(const std::string& body) {
    std::vector<std::string> lines;
    std::istringstream text(body);
    for (std::string line; std::getline(text, line);) {
        lines.push_back(line);
    }
    return lines;
}

// At a moment when one draw is drawn but held back by its lag, and the 60 draws reach back into
// the day before, the JSON (oldest first) and the CSV hold exactly the draws of the plain feed,
// with four-digit period numbers for the 1440-draw feeds.
TEST_F(FeedServerTest, EveryFeedIsServedAsJsonAndCsvWithTheSameDraws) {
    const Publication publication{milliseconds{2'500}, milliseconds{10'000}, 7};
    startServer(std::nullopt, publishing(publication));
    m_at = publishedAt(feeds()[5], {20150101, 30}, publication) - milliseconds{1};
    for (const FeedInfo& feed : feeds()) {
        SCOPED_TRACE(std::string(feed.path));
        const Answer plain = get(feed.host, std::string(feed.path));
        const Answer json = get(feed.host, feedPath(feed, FeedForm::Json));
        const Answer csv = get(feed.host, feedPath(feed, FeedForm::Csv));
        ASSERT_EQ(plain.status, 200);
        ASSERT_EQ(json.status, 200);
        ASSERT_EQ(csv.status, 200);
        EXPECT_EQ(json.contentType, "application/json");
        EXPECT_EQ(csv.contentType, "text/csv");
        const std::vector<std::string> lines = plainLines(plain.body);
        ASSERT_EQ(lines.size(), 60u);
        EXPECT_EQ(lines.back().substr(0, 8), "20141231");
        EXPECT_EQ(jsonLines(feed, json.body), lines);
        EXPECT_EQ(csvLines(feed, csv.body), lines);
        // The programs' own reader, mapped as the example settings map these feeds, agrees.
        const SourceRead jsonRead = readDrawSource(
            json.body, {SourceFormat::Json, "/data", "expect", "opencode"}, feed.drawsPerDay);
        const SourceRead csvRead =
            readDrawSource(csv.body, {SourceFormat::Csv, "", "issue", "code"}, feed.drawsPerDay);
        EXPECT_EQ(jsonRead.lines, lines);
        EXPECT_EQ(csvRead.lines, lines);
        EXPECT_EQ(jsonRead.refused + csvRead.refused, 0);
        const Host other = feed.host == Host::Feed1 ? Host::Feed2 : Host::Feed1;
        EXPECT_EQ(get(other, feedPath(feed, FeedForm::Json)).status, 404);
        EXPECT_EQ(get(Host::Web, feedPath(feed, FeedForm::Csv)).status, 404);
    }
    // The 1440-draw feed's newest draw is the one before the held-back one.
    EXPECT_EQ(plainLines(get(Host::Feed2, "/dbffc.txt").body).front(),
              drawLine(feeds()[5], {20150101, 29}));
    EXPECT_EQ(get(Host::Feed1, "/ssckj/cq.xml").status, 404);
    EXPECT_EQ(get(Host::Feed1, "/.json").status, 404);
}

// Each form has its own tag, answered with 304 until the next draw is published, and is counted
// at its own path.
TEST_F(FeedServerTest, JsonAndCsvAreNotModifiedUntilTheNextDrawIsPublished) {
    const Publication publication{milliseconds{3'000}, milliseconds{3'000}, 2};
    startServer(std::nullopt, publishing(publication));
    const FeedInfo& feed = feeds()[6]; // /ynffc.txt, every minute
    const Draw draw{20150101, 600};
    const milliseconds at = publishedAt(feed, draw, publication);
    m_at = at - milliseconds{1};
    const std::string plainTag = get(Host::Feed1, "/ynffc.txt").etag;
    for (const FeedForm form : {FeedForm::Json, FeedForm::Csv}) {
        const std::string path = feedPath(feed, form);
        SCOPED_TRACE(path);
        m_at = at - milliseconds{1};
        const Answer before = get(Host::Feed1, path);
        ASSERT_EQ(before.status, 200);
        EXPECT_EQ(before.body, feedBody(feed, form, m_at.load(), publication));
        EXPECT_NE(before.etag, plainTag);
        const Answer same = getIfNoneMatch(Host::Feed1, path, before.etag);
        EXPECT_EQ(same.status, 304);
        EXPECT_EQ(same.body, "");
        EXPECT_EQ(same.etag, before.etag);
        EXPECT_EQ(getIfNoneMatch(Host::Feed1, path, plainTag).status, 200);

        m_at = at;
        const Answer after = getIfNoneMatch(Host::Feed1, path, before.etag);
        EXPECT_EQ(after.status, 200);
        EXPECT_EQ(after.body, feedBody(feed, form, at, publication));
        EXPECT_NE(after.etag, before.etag);
        EXPECT_EQ(getIfNoneMatch(Host::Feed1, path, after.etag).status, 304);
    }
    const std::vector<RequestCount> counts = m_server->requestCounts();
    ASSERT_EQ(counts.size(), 3u);
    EXPECT_EQ(requestCountLine(counts[0]), "feedsim: requests /ynffc.csv 5 (304: 2)");
    EXPECT_EQ(requestCountLine(counts[1]), "feedsim: requests /ynffc.json 5 (304: 2)");
    EXPECT_EQ(requestCountLine(counts[2]), "feedsim: requests /ynffc.txt 1 (304: 0)");
}

TEST_F(FeedServerTest, FixedFilesAreNotModifiedUntilTheyChange) {
    const kestrum::test::ScratchFolder folder;
    fs::create_directories(folder.path() / "feed1" / "ssckj");
    const fs::path file = folder.path() / "feed1" / "ssckj" / "cq.txt";
    std::ofstream(file, std::ios::binary) << "20150101001 1,2,3,4,5\n";
    startServer(folder.path());

    const Answer first = get(Host::Feed1, "/ssckj/cq.txt");
    EXPECT_EQ(first.status, 200);
    EXPECT_FALSE(first.etag.empty());
    EXPECT_NE(first.lastModified.find(" GMT"), std::string::npos) << first.lastModified;
    EXPECT_EQ(getIfNoneMatch(Host::Feed1, "/ssckj/cq.txt", first.etag).status, 304);
    std::ofstream(file, std::ios::binary) << "20150101002 1,2,3,4,6\n"; // as long as before
    const Answer changed = getIfNoneMatch(Host::Feed1, "/ssckj/cq.txt", first.etag);
    EXPECT_EQ(changed.status, 200);
    EXPECT_EQ(changed.body, "20150101002 1,2,3,4,6\n");
    EXPECT_NE(changed.etag, first.etag);
}

// Each feed's requests are counted by its path, the 304s apart; the web host, unknown paths and
// feeds asked of the wrong host are not feeds.
TEST_F(FeedServerTest, RequestsAreCountedForEachFeed) {
    startServer();
    const std::string tag = get(Host::Feed1, "/ssckj/cq.txt").etag;
    getIfNoneMatch(Host::Feed1, "/ssckj/cq.txt", tag);
    getIfNoneMatch(Host::Feed1, "/ssckj/cq.txt", "\"other\"");
    get(Host::Feed2, "/dbffc.txt");
    get(Host::Feed2, "/ssckj/cq.txt");
    get(Host::Feed1, "/none.txt");
    get(Host::Web, "/");
    const std::vector<RequestCount> counts = m_server->requestCounts();
    ASSERT_EQ(counts.size(), 2u);
    EXPECT_EQ(requestCountLine(counts[0]), "feedsim: requests /dbffc.txt 1 (304: 0)");
    EXPECT_EQ(requestCountLine(counts[1]), "feedsim: requests /ssckj/cq.txt 3 (304: 1)");
}

// The announcements carry the moments of the publication rule, in their order across the
// feeds, each draw once, and none from before the start.
TEST_F(FeedServerTest, EachDrawIsAnnouncedWithItsPublicationMoment) {
    struct Announced {
        const FeedInfo* feed;
        Draw draw;
        milliseconds at;
        bool operator==(const Announced&) const = default;
    };
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Announced> announced;
    const Publication publication{milliseconds{1'500}, milliseconds{20'000}, 5};
    ServerOptions options = publishing(publication);
    options.onPublished = [&](const FeedInfo& feed, Draw draw, milliseconds at) {
        const std::lock_guard lock(mutex);
        announced.push_back({&feed, draw, at});
        arrived.notify_all();
    };
    const milliseconds start = m_at.load();
    startServer(std::nullopt, std::move(options));

    // Three minutes on, at once: what the announcer must catch up with.
    const milliseconds end = start + std::chrono::minutes(3);
    std::vector<Announced> expected;
    for (const FeedInfo& feed : feeds()) {
        for (Draw draw = nextDraw(feed, newestPublished(feed, start, publication));
             publishedAt(feed, draw, publication) <= end; draw = nextDraw(feed, draw)) {
            expected.push_back({&feed, draw, publishedAt(feed, draw, publication)});
        }
    }
    std::stable_sort(expected.begin(), expected.end(),
                     [](const Announced& a, const Announced& b) { return a.at < b.at; });
    ASSERT_GE(expected.size(), 15u); // three of each 1440-draw feed at least
    m_at = end;
    {
        // The bound only keeps a broken announcer from hanging the test.
        std::unique_lock lock(mutex);
        arrived.wait_for(lock, std::chrono::seconds(20),
                         [&] { return announced.size() >= expected.size(); });
    }
    m_server->stop();
    EXPECT_TRUE(announced == expected)
        << announced.size() << " announced, " << expected.size() << " expected";
    EXPECT_EQ(publishedLine(feeds()[5], {20261210, 123}, milliseconds{1765331234067}),
              "feedsim: published /dbffc.txt 202612100123 at 1765331234.067");
}

} // namespace
} // namespace feedsim
