#include "feedsim/FeedServer.h"
#include "support/ScratchFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <httplib.h>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace feedsim {
namespace {

namespace fs = std::filesystem;

// 2015-01-01 00:00 in UTC+8.
constexpr std::int64_t kMidnight = 1420041600;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(SimulationTest, LinesHaveTheExactFormNewestFirst) {
    for (const FeedInfo& feed : feeds()) {
        SCOPED_TRACE(std::string(feed.path));
        const std::int64_t interval = 86400 / feed.drawsPerDay;
        // Just after draw 10 of 2015-01-02.
        const std::int64_t now = kMidnight + 86400 + 9 * interval + 1;
        const std::vector<std::string> lines = linesOf(feedText(feed, now));
        ASSERT_GE(lines.size(), 60u);
        const std::regex form(feed.periodDigits == 4 ? R"((\d{8})(\d{4}) \d,\d,\d,\d,\d)"
                                                     : R"((\d{8})(\d{3}) \d,\d,\d,\d,\d)");
        EXPECT_EQ(lines[0].substr(0, 8 + static_cast<std::size_t>(feed.periodDigits)),
                  feed.periodDigits == 4 ? "201501020010" : "20150102010");
        int expectedPeriod = 10;
        std::string expectedDate = "20150102";
        for (const std::string& line : lines) {
            std::smatch match;
            ASSERT_TRUE(std::regex_match(line, match, form)) << line;
            EXPECT_EQ(match[1].str(), expectedDate);
            EXPECT_EQ(std::stoi(match[2].str()), expectedPeriod);
            if (--expectedPeriod == 0) {
                expectedPeriod = feed.drawsPerDay; // back into the previous day
                expectedDate = "20150101";
            }
        }
    }
}

TEST(SimulationTest, ADrawKeepsItsDigitsAndANewOneAppearsWithTime) {
    const FeedInfo& feed = feeds()[0]; // 120 a day: every 12 minutes
    const std::string before = feedText(feed, kMidnight + 3600);
    EXPECT_EQ(feedText(feed, kMidnight + 3600 + 719), before);
    const std::vector<std::string> after = linesOf(feedText(feed, kMidnight + 3600 + 720));
    const std::vector<std::string> earlier = linesOf(before);
    // Period 1 at midnight: an hour in, period 6 is the newest, twelve minutes later 7.
    EXPECT_EQ(earlier[0].substr(0, 11), "20150101006");
    EXPECT_EQ(after[0].substr(0, 11), "20150101007");
    EXPECT_EQ(after[1], earlier[0]);
    EXPECT_EQ(drawLine(feed, 20150101, 7), after[0]);
    // Different feeds draw different numbers.
    EXPECT_NE(drawDigits(1, 20150101, 6), drawDigits(2, 20150101, 6));
}

class ServerTest : public ::testing::Test {
protected:
    void startServer(ServerOptions options) {
        options.webPort = 0;
        options.feed1Port = 0;
        options.feed2Port = 0;
        m_server = std::make_unique<FeedServer>(std::move(options));
        std::string error;
        ASSERT_TRUE(m_server->bind(error)) << error;
        m_server->start();
    }
    httplib::Result get(Host host, const std::string& path) {
        httplib::Client client("127.0.0.1", m_server->port(host));
        return client.Get(path);
    }

    std::unique_ptr<FeedServer> m_server;
};

TEST_F(ServerTest, EveryFeedIsOnItsOwnHostOnly) {
    startServer({std::nullopt, 0, 0, 0, [] { return kMidnight + 5000; }});
    for (const FeedInfo& feed : feeds()) {
        const Host other = feed.host == Host::Feed1 ? Host::Feed2 : Host::Feed1;
        const auto own = get(feed.host, std::string(feed.path));
        ASSERT_TRUE(own);
        EXPECT_EQ(own->status, 200) << feed.path;
        EXPECT_EQ(own->body, feedText(feed, kMidnight + 5000));
        EXPECT_EQ(get(other, std::string(feed.path))->status, 404) << feed.path;
        EXPECT_EQ(get(Host::Web, std::string(feed.path))->status, 404) << feed.path;
    }
    EXPECT_EQ(get(Host::Web, "/setting/vnupdata.txt")->body, "20160615\n");
    const auto promo = get(Host::Web, "/addurl/vn.txt");
    EXPECT_EQ(promo->body,
              "http://127.0.0.1:" + std::to_string(m_server->port(Host::Web)) + "/promo.html\n");
    for (const char* page :
         {"/add/vnadd1.html", "/add/vnadd3.html", "/add/ptadd.html", "/add/vnadd99.html",
          "/add/vnaddxc.html", "/add/vnaddhc.html", "/add/vnaddqy.html", "/", "/promo.html"}) {
        const auto answer = get(Host::Web, page);
        EXPECT_EQ(answer->status, 200) << page;
        EXPECT_NE(answer->body.find("simulated"), std::string::npos) << page;
    }
}

TEST_F(ServerTest, FixedFilesAreServedAsTheyStandOnDisk) {
    const kestrum::testing::ScratchFolder folder;
    const fs::path& dir = folder.path();
    fs::create_directories(dir / "feed1" / "ssckj");
    fs::create_directories(dir / "web");
    std::ofstream(dir / "feed1" / "ssckj" / "cq.txt", std::ios::binary) << "a\r\nb\r\n";
    std::ofstream(dir / "secret.txt") << "not served";
    startServer({dir, 0, 0, 0, {}});

    EXPECT_EQ(get(Host::Feed1, "/ssckj/cq.txt")->body, "a\r\nb\r\n");
    std::ofstream(dir / "feed1" / "ssckj" / "cq.txt", std::ios::binary) << "changed\n";
    EXPECT_EQ(get(Host::Feed1, "/ssckj/cq.txt")->body, "changed\n"); // read again
    EXPECT_EQ(get(Host::Feed2, "/ssckj/cq.txt")->status, 404);
    EXPECT_EQ(get(Host::Feed1, "/ssckj/none.txt")->status, 404);
    EXPECT_EQ(get(Host::Web, "/")->status, 404);
    const auto escape = get(Host::Feed1, "/../secret.txt");
    EXPECT_NE(escape->status, 200);
    EXPECT_NE(get(Host::Feed1, "/ssckj/../../secret.txt")->status, 200);
    m_server->stop();
}

} // namespace
} // namespace feedsim
