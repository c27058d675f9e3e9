#include "draws/DrawSourceClient.h"

#include "draws/Feed.h"
#include "support/FakeHttpClient.h"
#include "support/Feeds.h"
#include "support/ScratchFolder.h"
#include "support/SourceBodies.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kestrum {
namespace {

using std::chrono::milliseconds;
using Lines = std::vector<std::string>;

const std::string kFeed = "http://feed1.test/ssckj/cq.txt";
const std::string kOther = "http://feed2.test/ssckj/jx.txt";

DrawSourceEntry sourceEntry(SourceMapping mapping, std::string url = kFeed) {
    DrawSourceEntry entry;
    entry.feedUrl = kFeed;
    entry.url = std::move(url);
    entry.mapping = std::move(mapping);
    entry.drawsPerDay = 120;
    entry.name = "sources.cq";
    return entry;
}

struct BadBodyCase {
    const char* name;
    SourceMapping mapping;
    std::string body;
    bool cut;
    // What the failure names, after "sources.cq: not draws: ".
    std::string what;
};

// A store loaded from a good body of the source, then a bad one: whatever the download and the
// refresh make of it, the draws already stored and "data1.txt" stay as they were.
class BadBody : public testing::TestWithParam<BadBodyCase> {
protected:
    BadBody() { m_store.feedUrl = kFeed; }

    FeedContext context() {
        return {m_client, m_folder.path(), [](milliseconds) { return true; }};
    }
    std::string snapshot() const { return test::fileBytes(m_folder.path() / kSnapshotFile); }

    test::FakeHttpClient m_inner;
    DrawSourceClient m_client{m_inner, {sourceEntry(GetParam().mapping)}};
    DrawStore m_store;
    test::ScratchFolder m_folder;
};

TEST_P(BadBody, NeverReplacesTheDrawsStored) {
    const BadBodyCase& c = GetParam();
    const Lines good = test::feedLines(30, 80);
    m_inner.answerBody(kFeed, c.mapping.format == SourceFormat::Json ? test::jsonSourceBody(good)
                                                                     : test::csvSourceBody(good));
    FeedContext feed = context();
    ASSERT_TRUE(downloadFeed(m_store, feed).loaded);
    ASSERT_EQ(m_store.FeedLines[0], good[0]);
    const auto feedLines = m_store.FeedLines;
    const auto history = m_store.DrawHistory;
    const std::string before = snapshot();
    ASSERT_EQ(before, good[0]);

    m_inner.answerBody(kFeed, c.body, c.cut);
    const DownloadOutcome download = downloadFeed(m_store, feed, {3, {milliseconds(1)}});
    EXPECT_FALSE(download.loaded);
    EXPECT_EQ(download.attempts, 3);
    EXPECT_EQ(download.error.substr(0, 23 + c.what.size()), "sources.cq: not draws: " + c.what);
    EXPECT_EQ(m_store.FeedLines, feedLines);
    EXPECT_EQ(m_store.DrawHistory, history);
    EXPECT_EQ(snapshot(), before);

    const RefreshOutcome refresh = refreshLatestDraw(m_store, feed);
    EXPECT_FALSE(refresh.inserted);
    EXPECT_FALSE(refresh.reloaded);
    EXPECT_FALSE(refresh.paneText.has_value());
    EXPECT_EQ(refresh.error.substr(0, 23 + c.what.size()), "sources.cq: not draws: " + c.what);
    EXPECT_EQ(m_store.FeedLines, feedLines);
    EXPECT_EQ(snapshot(), before);
    // Every fetch read the source whole: 1 good, 3 attempts, 1 refresh.
    EXPECT_EQ(m_inner.bodyRequests().size(), 5u);
}

const std::string kRecord = R"({"expect":"20150101-081","opencode":"1,2,3,4,5"})";

INSTANTIATE_TEST_SUITE_P(
    Bodies, BadBody,
    testing::Values(
        BadBodyCase{"html", test::jsonSourceMapping(),
                    "<!DOCTYPE html><html><head><title>502 Bad Gateway</title></head></html>",
                    false, "an HTML page"},
        BadBodyCase{"errorObject", test::jsonSourceMapping(),
                    R"({"code":1,"msg":"too many requests"})", false,
                    R"(JSON without "/data"; the body begins: {"code":1,"msg":"too many)"},
        BadBodyCase{"emptyArray", test::jsonSourceMapping(), R"({"data":[]})", false,
                    R"(an empty array at "/data")"},
        BadBodyCase{"truncated", test::jsonSourceMapping(), R"({"data":[)" + kRecord + R"(,{"exp)",
                    false, "JSON cut short"},
        // Whole records before the cap, but the newest (or the oldest) may be past it.
        BadBodyCase{"cut", test::jsonSourceMapping(), R"({"data":[)" + kRecord + "]}", true,
                    "a body cut short at the client's cap of 59 bytes"},
        BadBodyCase{"headerOnly", test::csvSourceMapping(), "issue,code\r\n", false,
                    "CSV with only a header row"}),
    [](const testing::TestParamInfo<BadBodyCase>& param) { return std::string(param.param.name); });

// The newest lines, as many as asked; records left out are told once per fetch, with the first.
TEST(DrawSourceClientTest, GivesTheNewestLinesAskedForAndWarnsOncePerFetch) {
    test::FakeHttpClient inner;
    std::vector<std::string> warnings;
    DrawSourceClient client(inner, {sourceEntry(test::jsonSourceMapping())},
                            [&warnings](const std::string& w, bool failed) {
                                warnings.push_back(failed ? "failed: " + w : w);
                            });
    const Lines feed = test::feedLines(45, 80);
    std::string body = test::jsonSourceBody(feed);
    // Two records that are no draws, between the oldest and the next.
    const std::string bad = R"({"expect":"20150101-036","opencode":"1,2,3,4"},)"
                            R"({"expect":"20150101-999","opencode":"1,2,3,4,5"},)";
    body.insert(body.find("{\"expect\"", body.find("},") + 1), bad);
    inner.answerBody(kFeed, body);

    const FetchResult thirty = client.fetchLines(kFeed, 30);
    ASSERT_TRUE(thirty.ok()) << thirty.error;
    EXPECT_EQ(thirty.lines, Lines(feed.begin(), feed.begin() + 30));
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0], "sources.cq: 2 of 47 records left out, the first record 2: digits "
                           "\"1,2,3,4\": 4 digits, not 5");
    const FetchResult one = client.fetchLines(kFeed, 1);
    EXPECT_EQ(one.lines, Lines{feed[0]});
    EXPECT_EQ(client.fetchLines(kFeed, 0).lines, feed);
    EXPECT_EQ(warnings.size(), 3u);

    // A body with nothing left out warns of nothing.
    inner.answerBody(kFeed, test::jsonSourceBody(feed));
    EXPECT_EQ(client.fetchLines(kFeed, 30).lines.size(), 30u);
    EXPECT_EQ(warnings.size(), 3u);

    // A body that is not draws is told as a failed fetch, with the fetch's own error.
    inner.answerBody(kFeed, R"({"code":1,"msg":"busy"})");
    const FetchResult failed = client.fetchLines(kFeed, 30);
    EXPECT_EQ(failed.status, FetchStatus::NotDraws);
    ASSERT_EQ(warnings.size(), 4u);
    EXPECT_EQ(warnings[3], "failed: " + failed.error);
}

// Another lottery's address goes to the inner client as it was asked, and comes back as the
// inner client's lines, byte for byte.
TEST(DrawSourceClientTest, ALotteryWithoutASourcePassesThroughUntouched) {
    test::FakeHttpClient inner;
    const Lines odd{"20150101080 1,2,3,4,5 ", "", "\xb2\xe2\xca\xd4 x\r", "  20150101079 9"};
    inner.answer(kOther, odd);
    inner.answerBody(kFeed, test::jsonSourceBody(test::feedLines(3, 80)));
    DrawSourceClient client(inner, {sourceEntry(test::jsonSourceMapping())});

    const FetchResult result = client.fetchLines(kOther, 30);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.lines, odd);
    ASSERT_EQ(inner.requests().size(), 1u);
    EXPECT_EQ(inner.requests()[0].url, kOther);
    EXPECT_EQ(inner.requests()[0].maxLines, 30);
    EXPECT_TRUE(inner.bodyRequests().empty());
    inner.fail(kOther, FetchStatus::HttpError, 503);
    const FetchResult failed = client.fetchLines(kOther, 30);
    EXPECT_EQ(failed.status, FetchStatus::HttpError);
    EXPECT_EQ(failed.httpStatus, 503);
}

// Lines from another address are read as the feed is, as far as asked; with headers the body
// is fetched whole, with them, and cut to the lines asked.
TEST(DrawSourceClientTest, ALinesSourceWithAnAddressFetchesThatAddress) {
    const std::string mirror = "http://mirror.test/cq.txt";
    const Lines feed = test::feedLines(45, 80);
    test::FakeHttpClient inner;
    inner.answer(mirror, feed);
    inner.answer(kFeed, {"20150101001 0,0,0,0,0"});
    DrawSourceClient plain(inner, {sourceEntry({}, mirror)});
    EXPECT_EQ(plain.fetchLines(kFeed, 30).lines, Lines(feed.begin(), feed.begin() + 30));
    ASSERT_EQ(inner.requests().size(), 1u);
    EXPECT_EQ(inner.requests()[0].url, mirror);
    EXPECT_EQ(inner.requests()[0].maxLines, 30);

    DrawSourceEntry withHeaders = sourceEntry({}, mirror);
    withHeaders.headers = {{"Authorization", "Bearer t"}};
    DrawSourceClient headed(inner, {withHeaders});
    EXPECT_EQ(headed.fetchLines(kFeed, 2).lines, Lines(feed.begin(), feed.begin() + 2));
    ASSERT_EQ(inner.bodyRequests().size(), 1u);
    EXPECT_EQ(inner.bodyRequests()[0].url, mirror);
    EXPECT_EQ(inner.bodyRequests()[0].headers, withHeaders.headers);
}

} // namespace
} // namespace kestrum
