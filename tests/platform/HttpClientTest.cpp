// The system's HTTP client, whichever it is (libcurl, WinHTTP), against servers in this process.

#include "platform/HttpClient.h"

#include "support/LocalServer.h"
#include "support/LoopbackSockets.h"
#include "support/SelfSignedCertificate.h"

#include <atomic>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrum {
namespace {

using Lines = std::vector<std::string>;

class HttpClientTest : public testing::Test {
protected:
    FetchResult fetch(const std::string& path, std::int32_t maxLines = 0) {
        return m_client->fetchLines(m_server.url(path), maxLines);
    }

    test::LocalServer m_server;
    const std::unique_ptr<HttpClient> m_client = makeHttpClient(HttpLimits{2000, 3000});
};

TEST_F(HttpClientTest, SplitsAtLineFeedsAndDropsEveryCarriageReturn) {
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

TEST_F(HttpClientTest, KeepsBlankLinesAndALastLineWithoutLineFeed) {
    m_server.serve("/blank", "first\n\nthird\nlast");
    EXPECT_EQ(fetch("/blank").lines, (Lines{"first", "", "third", "last"}));
    m_server.serve("/empty", "");
    const FetchResult empty = fetch("/empty");
    EXPECT_TRUE(empty.ok());
    EXPECT_TRUE(empty.lines.empty());
    m_server.serve("/newline", "\n");
    EXPECT_EQ(fetch("/newline").lines, (Lines{""}));
}

TEST_F(HttpClientTest, ReadsNoMoreLinesThanAsked) {
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

TEST_F(HttpClientTest, CutsOverlongLinesAndLongBodies) {
    const auto shortLines = makeHttpClient(HttpLimits{2000, 3000, 8, 1024});
    m_server.serve("/long", std::string(100, 'x') + "\r\nnext\n");
    const FetchResult cut = shortLines->fetchLines(m_server.url("/long"), 0);
    ASSERT_TRUE(cut.ok()) << cut.error;
    EXPECT_EQ(cut.lines, (Lines{"xxxxxxxx", "next"}));

    std::string body;
    for (int i = 0; i < 50; ++i) {
        body += "0123456789\n";
    }
    m_server.serve("/big", body);
    const auto smallBodies = makeHttpClient(HttpLimits{2000, 3000, 1024, 64});
    const FetchResult capped = smallBodies->fetchLines(m_server.url("/big"), 0);
    ASSERT_TRUE(capped.ok()) << capped.error;
    // 64 bytes: five whole lines and the start of the sixth, which ends the body.
    EXPECT_EQ(capped.lines.size(), 6u);
    EXPECT_EQ(capped.lines.back(), "012345678");
}

TEST_F(HttpClientTest, ErrorStatusesAreFailuresWithoutLines) {
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

TEST_F(HttpClientTest, FollowsRedirects) {
    m_server.serve("/target", "moved here\n");
    m_server.server().Get("/old", [](const httplib::Request&, httplib::Response& response) {
        response.set_redirect("/target");
    });
    const FetchResult result = fetch("/old");
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.lines, (Lines{"moved here"}));
}

// A feed with an ETag: a 304 for a request that names the current one. Asking for more lines
// than were read last time cannot be answered from them, so that request is not conditional.
TEST_F(HttpClientTest, AskConditionallyAndTakeA304AsTheLastAnswerAgain) {
    std::mutex mutex;
    std::string body = "b 2\na 1\n";
    std::string tag = "\"v1\"";
    std::vector<std::string> asked; // the If-None-Match of each request
    m_server.server().Get("/feed",
                          [&](const httplib::Request& request, httplib::Response& response) {
                              const std::lock_guard lock(mutex);
                              asked.push_back(request.get_header_value("If-None-Match"));
                              response.set_header("ETag", tag);
                              if (request.get_header_value("If-None-Match") == tag) {
                                  response.status = 304;
                                  return;
                              }
                              response.set_content(body, "text/plain");
                          });
    m_server.serve("/plain", "x\n");

    EXPECT_EQ(fetch("/feed", 1).lines, (Lines{"b 2"}));
    const FetchResult same = fetch("/feed", 1);
    ASSERT_TRUE(same.ok()) << same.error;
    EXPECT_TRUE(same.notModified);
    EXPECT_EQ(same.httpStatus, 304);
    EXPECT_EQ(same.lines, (Lines{"b 2"}));
    // Two lines were never read: a plain request, which then serves the one-line ones too.
    EXPECT_EQ(fetch("/feed", 2).lines, (Lines{"b 2", "a 1"}));
    EXPECT_TRUE(fetch("/feed", 1).notModified);
    {
        const std::lock_guard lock(mutex);
        body = "c 3\nb 2\n";
        tag = "\"v2\"";
    }
    const FetchResult changed = fetch("/feed", 1);
    EXPECT_FALSE(changed.notModified);
    EXPECT_EQ(changed.lines, (Lines{"c 3"}));
    EXPECT_EQ(asked, (Lines{"", "\"v1\"", "", "\"v1\"", "\"v1\""}));

    // No validator, no condition; and a 304 that was not asked for is no answer.
    m_server.serve("/bare304", "", 304);
    EXPECT_FALSE(fetch("/bare304").ok());
    EXPECT_FALSE(fetch("/plain").notModified);
    EXPECT_FALSE(fetch("/plain").notModified);
}

// A body fetched whole: its bytes as sent, CR and all, with the request's headers; past the cap
// it is cut and says so; an error status is a failure.
TEST_F(HttpClientTest, FetchesABodyWholeWithItsHeadersWithinTheCap) {
    std::mutex mutex;
    std::vector<std::string> keys; // the X-Key of each request
    m_server.server().Get("/records",
                          [&](const httplib::Request& request, httplib::Response& response) {
                              const std::lock_guard lock(mutex);
                              keys.push_back(request.get_header_value("X-Key") + "|" +
                                             request.get_header_value("Accept"));
                              response.set_content("a\r\nb\n", "application/json");
                          });
    const FetchedBody body = m_client->fetchBody(
        m_server.url("/records"), {{"X-Key", "k 1"}, {"Accept", "application/json"}});
    ASSERT_TRUE(body.ok()) << body.error;
    EXPECT_EQ(body.body, "a\r\nb\n");
    EXPECT_FALSE(body.cut);
    EXPECT_EQ(keys, (Lines{"k 1|application/json"}));

    const auto capped = makeHttpClient(HttpLimits{2000, 3000, 1024, 1024, 100});
    m_server.serve("/exact", std::string(100, 'x'));
    m_server.serve("/over", std::string(60, 'x') + std::string(60, 'y'));
    const FetchedBody exact = capped->fetchBody(m_server.url("/exact"), {});
    ASSERT_TRUE(exact.ok()) << exact.error;
    EXPECT_FALSE(exact.cut);
    EXPECT_EQ(exact.body.size(), 100u);
    const FetchedBody over = capped->fetchBody(m_server.url("/over"), {});
    ASSERT_TRUE(over.ok()) << over.error;
    EXPECT_TRUE(over.cut);
    EXPECT_EQ(over.body, std::string(60, 'x') + std::string(40, 'y'));

    m_server.serve("/broken", R"({"data":[]})", 503);
    const FetchedBody broken = m_client->fetchBody(m_server.url("/broken"), {});
    EXPECT_EQ(broken.status, FetchStatus::HttpError);
    EXPECT_EQ(broken.httpStatus, 503);
    EXPECT_TRUE(broken.body.empty());

    // A header with an empty value goes out all the same (cpp-httplib's server would not show
    // it, hence a server that keeps the request's bytes).
    test::OneRequestServer raw(
        "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
    const FetchedBody empty =
        m_client->fetchBody(raw.url("/records"), {{"X-Empty", ""}, {"X-Key", "k 1"}});
    ASSERT_TRUE(empty.ok()) << empty.error;
    EXPECT_EQ(empty.body, "ok");
    const std::string head = raw.request();
    const std::size_t line = head.find("\r\nX-Empty:");
    ASSERT_NE(line, std::string::npos) << head;
    const std::size_t value = line + std::string("\r\nX-Empty:").size();
    EXPECT_EQ(head.find_first_not_of(" \t", value), head.find("\r\n", value)) << head;
    EXPECT_NE(head.find("\r\nX-Key: k 1\r\n"), std::string::npos) << head;
}

// A 304 re-delivers the body last read whole for the same address and headers; other headers,
// or a body that was cut, ask plainly.
TEST_F(HttpClientTest, A304ForABodyDeliversTheRememberedBody) {
    std::mutex mutex;
    std::vector<std::string> asked; // the If-None-Match of each request
    m_server.server().Get("/records",
                          [&](const httplib::Request& request, httplib::Response& response) {
                              const std::lock_guard lock(mutex);
                              asked.push_back(request.get_header_value("If-None-Match"));
                              response.set_header("ETag", "\"v1\"");
                              if (request.get_header_value("If-None-Match") == "\"v1\"") {
                                  response.status = 304;
                                  return;
                              }
                              response.set_content(std::string(80, 'r'), "application/json");
                          });
    const std::string url = m_server.url("/records");
    EXPECT_FALSE(m_client->fetchBody(url, {{"X-Key", "a"}}).notModified);
    const FetchedBody same = m_client->fetchBody(url, {{"X-Key", "a"}});
    ASSERT_TRUE(same.ok()) << same.error;
    EXPECT_TRUE(same.notModified);
    EXPECT_EQ(same.httpStatus, 304);
    EXPECT_EQ(same.body, std::string(80, 'r'));
    EXPECT_FALSE(m_client->fetchBody(url, {{"X-Key", "b"}}).notModified);

    const auto capped = makeHttpClient(HttpLimits{2000, 3000, 1024, 1024, 50});
    EXPECT_TRUE(capped->fetchBody(url, {}).cut);
    const FetchedBody again = capped->fetchBody(url, {});
    EXPECT_TRUE(again.cut);
    EXPECT_FALSE(again.notModified);
    EXPECT_EQ(asked, (Lines{"", "\"v1\"", "", "", ""}));
}

TEST(HttpClientFailureTest, ARefusedConnectionIsANetworkError) {
    const test::RefusingPort refusing;
    const auto client = makeHttpClient(HttpLimits{2000, 3000});
    const FetchResult result =
        client->fetchLines("http://127.0.0.1:" + std::to_string(refusing.port()) + "/feed", 30);
    EXPECT_EQ(result.status, FetchStatus::NetworkError);
    EXPECT_FALSE(result.error.empty());
}

// The connection closes before the body that the answer announced is through: what came is not
// the body, whole or as lines.
TEST(HttpClientFailureTest, AnAnswerCutShortIsANetworkError) {
    const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n"
                               "20150101001 1,2,3,4,5\n";
    const auto client = makeHttpClient(HttpLimits{2000, 3000});
    test::OneRequestServer forLines(answer);
    const FetchResult lines = client->fetchLines(forLines.url("/feed"), 0);
    EXPECT_EQ(lines.status, FetchStatus::NetworkError);
    EXPECT_TRUE(lines.lines.empty());
    EXPECT_FALSE(lines.error.empty());
    test::OneRequestServer forBody(answer);
    const FetchedBody body = client->fetchBody(forBody.url("/records"), {});
    EXPECT_EQ(body.status, FetchStatus::NetworkError);
    EXPECT_TRUE(body.body.empty());
}

// An https server whose certificate nobody vouches for gets no hearing: no answer, none of its
// lines. (The words of the error differ: Wine's WinHTTP reports a failed certificate check as a
// failed secure channel. An answer read through would need the test's certificate trusted, by
// a switch in the client or in the system's trust; there is neither.)
TEST(HttpClientFailureTest, AnHttpsServerWithAnUntrustedCertificateIsRefused) {
    const test::SelfSignedCertificate certificate;
    test::BasicLocalServer<httplib::SSLServer> server(certificate.certificate(), certificate.key());
    server.serve("/feed", "20150101001 1,2,3,4,5\n");
    const auto client = makeHttpClient(HttpLimits{2000, 3000});
    const FetchResult result = client->fetchLines(server.url("/feed"), 0);
    EXPECT_EQ(result.status, FetchStatus::NetworkError);
    EXPECT_TRUE(result.lines.empty());
    EXPECT_FALSE(result.error.empty());
}

TEST(HttpClientFailureTest, OnlyWebAddressesAreFetched) {
    const auto client = makeHttpClient(HttpLimits{2000, 3000});
    EXPECT_EQ(client->fetchLines("file:///etc/passwd", 0).status, FetchStatus::NetworkError);
    EXPECT_EQ(client->fetchLines("not an address", 0).status, FetchStatus::NetworkError);
}

// The time limit is for the whole transfer: a server that sends nothing, or that sends a line
// now and then for ever, is left when it runs out.
TEST(HttpClientFailureTest, AServerThatStallsOrTricklesTimesOut) {
    std::promise<void> clientReturned;
    const std::shared_future<void> answerNow = clientReturned.get_future().share();
    test::LocalServer server;
    server.server().Get("/stall",
                        [answerNow](const httplib::Request&, httplib::Response& response) {
                            // Had the client waited past its limit, the answer would come with
                            // status 200.
                            answerNow.wait_for(std::chrono::seconds(10));
                            response.set_content("too late\n", "text/plain");
                        });
    server.server().Get("/trickle", [answerNow](const httplib::Request&,
                                                httplib::Response& response) {
        response.set_chunked_content_provider("text/plain", [answerNow](std::size_t sent,
                                                                        httplib::DataSink& sink) {
            // A line every 100 ms, for ten seconds at most.
            const std::string line = "20150101001 1,2,3,4,5\n";
            if (answerNow.wait_for(std::chrono::milliseconds(100)) == std::future_status::ready ||
                sent >= 100 * line.size()) {
                sink.done();
                return true;
            }
            return sink.write(line.data(), line.size());
        });
    });
    const auto client = makeHttpClient(HttpLimits{1000, 1000});
    const FetchResult stalled = client->fetchLines(server.url("/stall"), 30);
    const auto started = std::chrono::steady_clock::now();
    const FetchResult trickled = client->fetchLines(server.url("/trickle"), 0);
    const auto took = std::chrono::steady_clock::now() - started;
    clientReturned.set_value();
    EXPECT_EQ(stalled.status, FetchStatus::NetworkError);
    EXPECT_TRUE(stalled.lines.empty());
    EXPECT_EQ(trickled.status, FetchStatus::NetworkError);
    EXPECT_TRUE(trickled.lines.empty());
    EXPECT_LT(took, std::chrono::seconds(5));
}

// The program is closing: a transfer under way, here one waiting for an answer, ends soon, long
// before its time limit.
TEST(HttpClientFailureTest, ACancelledTransferEndsSoon) {
    std::promise<void> clientReturned;
    const std::shared_future<void> answerNow = clientReturned.get_future().share();
    test::LocalServer server;
    server.server().Get("/stall",
                        [answerNow](const httplib::Request&, httplib::Response& response) {
                            answerNow.wait_for(std::chrono::seconds(20));
                            response.set_content("too late\n", "text/plain");
                        });
    std::atomic<bool> cancelled{false};
    const auto client = makeHttpClient(HttpLimits{2000, 20000}, &cancelled);
    std::thread closing([&cancelled] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancelled = true;
    });
    const auto started = std::chrono::steady_clock::now();
    const FetchResult result = client->fetchLines(server.url("/stall"), 30);
    const auto took = std::chrono::steady_clock::now() - started;
    clientReturned.set_value();
    closing.join();
    EXPECT_EQ(result.status, FetchStatus::NetworkError);
    EXPECT_FALSE(result.error.empty());
    EXPECT_LT(took, std::chrono::seconds(5));
}

} // namespace
} // namespace kestrum
