#include "feedsim/FeedServer.h"

#include "support/ScratchFolder.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <httplib.h>
#include <string>

namespace feedsim {
namespace {

namespace fs = std::filesystem;

// 2015-01-01 00:00:00 in UTC+8.
constexpr std::int64_t kMidnight = 1420041600;

// The servers of a test listen on free ports; the simulated clock is the test's to move.
class FeedServerTest : public ::testing::Test {
protected:
    void startServer(std::optional<fs::path> files = std::nullopt) {
        ServerOptions options;
        options.files = std::move(files);
        options.webPort = 0;
        options.feed1Port = 0;
        options.feed2Port = 0;
        options.clock = [this] { return m_now.load(); };
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
    };
    Answer get(Host host, const std::string& path) {
        httplib::Client client("127.0.0.1", m_server->port(host));
        const httplib::Result result = client.Get(path);
        if (!result) {
            return {};
        }
        return {result->status, result->body, result->get_header_value("Content-Type")};
    }

    std::atomic<std::int64_t> m_now{kMidnight + 5000};
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

} // namespace
} // namespace feedsim
