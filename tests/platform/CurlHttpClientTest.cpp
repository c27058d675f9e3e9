#include "platform/CurlHttpClient.h"

#include "support/LocalServer.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace kestrum {
namespace {

using Lines = std::vector<std::string>;

class CurlHttpClientTest : public ::testing::Test {
protected:
    FetchResult fetch(const std::string& path, std::int32_t maxLines = 0) {
        return m_client.fetchLines(m_server.url(path), maxLines);
    }

    testing::LocalServer m_server;
    CurlHttpClient m_client{HttpLimits{2000, 3000}};
};

TEST_F(CurlHttpClientTest, SplitsAtLineFeedsAndDropsEveryCarriageReturn) {
    m_server.serve("/lf", "a 1\nb 2\n");
    m_server.serve("/crlf", "a 1\r\nb 2\r\n");
    m_server.serve("/stray", "a\r 1\r\r\nb 2\n");
    for (const char* path : {"/lf", "/crlf", "/stray"}) {
        const FetchResult result = fetch(path);
        ASSERT_TRUE(result.ok()) << path << ": " << result.error;
        EXPECT_EQ(result.lines, (Lines{"a 1", "b 2"})) << path;
        EXPECT_EQ(result.httpStatus, 200);
    }
}

TEST_F(CurlHttpClientTest, KeepsBlankLinesAndALastLineWithoutLineFeed) {
    m_server.serve("/blank", "first\n\nthird\nlast");
    EXPECT_EQ(fetch("/blank").lines, (Lines{"first", "", "third", "last"}));
    m_server.serve("/empty", "");
    const FetchResult empty = fetch("/empty");
    EXPECT_TRUE(empty.ok());
    EXPECT_TRUE(empty.lines.empty());
    m_server.serve("/newline", "\n");
    EXPECT_EQ(fetch("/newline").lines, (Lines{""}));
}

TEST_F(CurlHttpClientTest, ReadsNoMoreLinesThanAsked) {
    std::string body;
    for (int i = 1; i <= 45; ++i) {
        body += "line " + std::to_string(i) + "\r\n";
    }
    m_server.serve("/feed", body);
    const FetchResult thirty = fetch("/feed", 30);
    ASSERT_TRUE(thirty.ok()) << thirty.error;
    ASSERT_EQ(thirty.lines.size(), 30u);
    EXPECT_EQ(thirty.lines.front(), "line 1");
    EXPECT_EQ(thirty.lines.back(), "line 30");
    EXPECT_EQ(fetch("/feed", 1).lines, (Lines{"line 1"}));
    EXPECT_EQ(fetch("/feed").lines.size(), 45u);
}

TEST_F(CurlHttpClientTest, CutsOverlongLinesAndLongBodies) {
    CurlHttpClient shortLines(HttpLimits{2000, 3000, 8, 1024});
    m_server.serve("/long", std::string(100, 'x') + "\r\nnext\n");
    const FetchResult cut = shortLines.fetchLines(m_server.url("/long"), 0);
    ASSERT_TRUE(cut.ok()) << cut.error;
    EXPECT_EQ(cut.lines, (Lines{"xxxxxxxx", "next"}));

    std::string body;
    for (int i = 0; i < 50; ++i) {
        body += "0123456789\n";
    }
    m_server.serve("/big", body);
    CurlHttpClient smallBodies(HttpLimits{2000, 3000, 1024, 64});
    const FetchResult capped = smallBodies.fetchLines(m_server.url("/big"), 0);
    ASSERT_TRUE(capped.ok()) << capped.error;
    // 64 bytes: five whole lines and the start of the sixth, which ends the body.
    EXPECT_EQ(capped.lines.size(), 6u);
    EXPECT_EQ(capped.lines.back(), "012345678");
}

TEST_F(CurlHttpClientTest, ErrorStatusesAreFailuresWithoutLines) {
    m_server.serve("/missing", "<html>not found 2015</html>\n", 404);
    m_server.serve("/broken", "20150101001 1,2,3,4,5\n", 500);
    for (const char* path : {"/missing", "/broken"}) {
        const FetchResult result = fetch(path, 30);
        EXPECT_EQ(result.status, FetchStatus::HttpError) << path;
        EXPECT_TRUE(result.lines.empty()) << path;
        EXPECT_FALSE(result.error.empty());
    }
    EXPECT_EQ(fetch("/missing").httpStatus, 404);
    EXPECT_EQ(fetch("/nowhere").httpStatus, 404);
}

TEST_F(CurlHttpClientTest, FollowsRedirects) {
    m_server.serve("/target", "moved here\n");
    m_server.server().Get("/old", [](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("/target");
    });
    const FetchResult result = fetch("/old");
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.lines, (Lines{"moved here"}));
}

TEST(CurlHttpClientFailureTest, ARefusedConnectionIsANetworkError) {
    int port = 0;
    {
        testing::LocalServer closed;
        port = std::stoi(closed.url("").substr(std::string("http://127.0.0.1:").size()));
    }
    CurlHttpClient client(HttpLimits{2000, 3000});
    const FetchResult result =
        client.fetchLines("http://127.0.0.1:" + std::to_string(port) + "/feed", 30);
    EXPECT_EQ(result.status, FetchStatus::NetworkError);
    EXPECT_FALSE(result.error.empty());
}

TEST(CurlHttpClientFailureTest, OnlyWebAddressesAreFetched) {
    CurlHttpClient client(HttpLimits{2000, 3000});
    EXPECT_EQ(client.fetchLines("file:///etc/passwd", 0).status, FetchStatus::NetworkError);
    EXPECT_EQ(client.fetchLines("not an address", 0).status, FetchStatus::NetworkError);
}

TEST(CurlHttpClientFailureTest, AServerThatStallsTimesOut) {
    testing::LocalServer server;
    server.server().Get("/stall", [](const httplib::Request&, httplib::Response& response) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        response.set_content("too late\n", "text/plain");
    });
    CurlHttpClient client(HttpLimits{1000, 1000});
    // Had the client waited, the answer would have come with status 200.
    const FetchResult result = client.fetchLines(server.url("/stall"), 30);
    EXPECT_EQ(result.status, FetchStatus::NetworkError);
    EXPECT_TRUE(result.lines.empty());
}

} // namespace
} // namespace kestrum
