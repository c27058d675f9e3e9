#include "draws/Feed.h"

#include "support/FakeHttpClient.h"
#include "support/Feeds.h"
#include "support/ScratchFolder.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

const std::string kUrl = "http://feeds.test/ssckj/cq.txt";

using test::feedLines;

class FeedTest : public testing::Test {
protected:
    FeedTest() { m_store.feedUrl = kUrl; }

    FeedContext context() {
        return {m_client, m_dir, [this](milliseconds pause) {
                    m_waits.push_back(pause);
                    return m_waitsAllowed-- > 0;
                }};
    }
    DownloadOutcome download() {
        FeedContext c = context();
        return downloadFeed(m_store, c);
    }
    RefreshOutcome refresh() {
        FeedContext c = context();
        return refreshLatestDraw(m_store, c);
    }
    std::string snapshot() const { return test::fileBytes(m_dir / "data1.txt"); }
    bool snapshotExists() const { return fs::exists(m_dir / "data1.txt"); }

    test::FakeHttpClient m_client;
    DrawStore m_store;
    test::ScratchFolder m_folder;
    fs::path m_dir = m_folder.path();
    std::vector<milliseconds> m_waits;
    int m_waitsAllowed = 100;
};

TEST_F(FeedTest, DownloadKeepsThirtyLinesAndShowsThemOldestFirst) {
    const std::vector<std::string> feed = feedLines(45, 80);
    m_client.answer(kUrl, feed);
    const DownloadOutcome outcome = download();

    EXPECT_TRUE(outcome.loaded);
    EXPECT_EQ(outcome.lines, 30);
    EXPECT_EQ(outcome.attempts, 1);
    EXPECT_EQ(m_client.requests().front().maxLines, 30);
    EXPECT_EQ(m_store.oldestIndex, 29);
    EXPECT_EQ(m_store.drawCursor, 29);
    EXPECT_EQ(m_store.FeedLines[29], feed[29]);
    EXPECT_EQ(m_store.DrawHistory[0], feed[0]);
    EXPECT_EQ(m_store.latestLine, feed[0]);
    std::string pane;
    for (int i = 29; i >= 0; --i) {
        pane += feed[static_cast<std::size_t>(i)] + "\r\n";
    }
    EXPECT_EQ(outcome.paneText, pane);
    EXPECT_EQ(snapshot(), feed[0]); // the newest line, no line end
}

TEST_F(FeedTest, AShortFeedLeavesEmptyLinesAtTheTopOfThePane) {
    const std::vector<std::string> feed = feedLines(12, 80);
    m_client.answer(kUrl, feed);
    const DownloadOutcome outcome = download();
    EXPECT_EQ(m_store.oldestIndex, 11);
    std::string pane;
    for (int i = 0; i < 18; ++i) {
        pane += "\r\n";
    }
    for (int i = 11; i >= 0; --i) {
        pane += feed[static_cast<std::size_t>(i)] + "\r\n";
    }
    EXPECT_EQ(outcome.paneText, pane);
}

TEST_F(FeedTest, ALongerSnapshotIsReplacedWhole) {
    std::ofstream(m_dir / "data1.txt") << std::string(500, 'x') << "\r\n";
    m_client.answer(kUrl, feedLines(3, 80));
    download();
    EXPECT_EQ(snapshot(), feedLines(1, 80)[0]);
}

TEST_F(FeedTest, FailedDownloadsAreRetriedWithGrowingPauses) {
    m_client.fail(kUrl, FetchStatus::NetworkError);
    m_client.fail(kUrl, FetchStatus::HttpError, 500);
    m_client.answer(kUrl, feedLines(30, 80));
    const DownloadOutcome outcome = download();
    EXPECT_TRUE(outcome.loaded);
    EXPECT_EQ(outcome.attempts, 3);
    EXPECT_EQ(m_waits, (std::vector<milliseconds>{milliseconds(1000), milliseconds(2000)}));
    EXPECT_EQ(m_store.oldestIndex, 29);
}

TEST_F(FeedTest, AfterFiveFailuresTheDownloadGivesUpAndChangesNothing) {
    m_client.answer(kUrl, feedLines(30, 80));
    download();
    const DrawStore before = m_store;
    fs::remove(m_dir / "data1.txt");
    m_waits.clear();

    // An error page is never stored as draws.
    m_client.fail(kUrl, FetchStatus::HttpError, 404);
    const DownloadOutcome outcome = download();
    EXPECT_FALSE(outcome.loaded);
    EXPECT_EQ(outcome.attempts, 5);
    EXPECT_EQ(outcome.error, "HTTP status 404");
    EXPECT_EQ(m_waits, (std::vector<milliseconds>{milliseconds(1000), milliseconds(2000),
                                                  milliseconds(4000), milliseconds(8000)}));
    EXPECT_EQ(m_store.FeedLines, before.FeedLines);
    EXPECT_EQ(m_store.DrawHistory, before.DrawHistory);
    EXPECT_EQ(m_store.oldestIndex, before.oldestIndex);
    EXPECT_EQ(m_store.latestLine, before.latestLine);
    EXPECT_FALSE(snapshotExists());
}

TEST_F(FeedTest, AWaitCutShortEndsTheRetries) {
    m_client.fail(kUrl, FetchStatus::NetworkError);
    m_waitsAllowed = 1;
    const DownloadOutcome outcome = download();
    EXPECT_FALSE(outcome.loaded);
    EXPECT_EQ(outcome.attempts, 2);
    EXPECT_EQ(m_waits.size(), 2u);
}

TEST_F(FeedTest, AnEmptyFeedKeepsTheHistoryAndEmptiesTheSnapshot) {
    m_client.answer(kUrl, feedLines(30, 80));
    download();
    m_store.FeedLines.fill(""); // as a lottery switch leaves them
    m_client.answer(kUrl, {});
    const DownloadOutcome outcome = download();
    EXPECT_TRUE(outcome.loaded);
    EXPECT_EQ(outcome.lines, 0);
    EXPECT_EQ(m_store.oldestIndex, 29);
    std::string thirtyEmptyLines;
    for (int i = 0; i < 30; ++i) {
        thirtyEmptyLines += "\r\n";
    }
    EXPECT_EQ(outcome.paneText, thirtyEmptyLines);
    EXPECT_TRUE(snapshotExists());
    EXPECT_EQ(snapshot(), "");
}

class RefreshTest : public FeedTest {
protected:
    void SetUp() override {
        m_client.answer(kUrl, m_feed);
        download();
    }

    // The feed after n more draws: n new lines on top.
    void drawMore(int n) {
        const std::vector<std::string> newest = feedLines(n, m_newestPeriod + n);
        m_feed.insert(m_feed.begin(), newest.begin(), newest.end());
        m_newestPeriod += n;
        m_client.answer(kUrl, m_feed);
    }

    std::vector<std::string> m_feed = feedLines(30, 30);
    int m_newestPeriod = 30;
};

TEST_F(RefreshTest, TheSameNewestLineChangesNothing) {
    fs::remove(m_dir / "data1.txt");
    const DrawStore before = m_store;
    const RefreshOutcome outcome = refresh();
    EXPECT_FALSE(outcome.inserted);
    EXPECT_FALSE(outcome.paneText.has_value());
    EXPECT_EQ(m_store.FeedLines, before.FeedLines);
    EXPECT_EQ(m_store.oldestIndex, 29);
    EXPECT_FALSE(snapshotExists());
    EXPECT_EQ(m_client.requests().back().maxLines, 1);
}

TEST_F(RefreshTest, ANewDrawGoesInAtTheTop) {
    drawMore(1);
    const RefreshOutcome outcome = refresh();
    EXPECT_TRUE(outcome.inserted);
    EXPECT_EQ(m_store.oldestIndex, 30);
    EXPECT_EQ(m_store.drawCursor, 30);
    for (std::size_t i = 0; i <= 30; ++i) {
        EXPECT_EQ(m_store.FeedLines[i], m_feed[i]) << i;
        EXPECT_EQ(m_store.DrawHistory[i], m_feed[i]) << i;
    }
    // The newest thirty: as many as were stored before, without the oldest.
    std::string pane;
    for (int i = 29; i >= 0; --i) {
        pane += m_feed[static_cast<std::size_t>(i)] + "\r\n";
    }
    EXPECT_EQ(outcome.paneText, pane);
    EXPECT_EQ(snapshot(), m_feed[0]);
}

TEST_F(RefreshTest, TwoDrawsBetweenRefreshesInsertOnlyTheNewer) {
    drawMore(2);
    refresh();
    EXPECT_EQ(m_store.oldestIndex, 30);
    EXPECT_EQ(m_store.FeedLines[0], m_feed[0]);
    EXPECT_EQ(m_store.FeedLines[1], m_feed[2]);
}

TEST_F(RefreshTest, ARepeatOfThePreviousDigitsIsANewDraw) {
    std::string repeat = m_feed[0];
    repeat.replace(0, 11, "20150102999");
    m_feed.insert(m_feed.begin(), repeat);
    m_client.answer(kUrl, m_feed);
    EXPECT_TRUE(refresh().inserted);
    EXPECT_EQ(m_store.FeedLines[0], repeat);
    EXPECT_EQ(m_store.oldestIndex, 30);
}

TEST_F(RefreshTest, AFailedFetchChangesNothing) {
    m_client.fail(kUrl, FetchStatus::HttpError, 500);
    const DrawStore before = m_store;
    const RefreshOutcome outcome = refresh();
    EXPECT_FALSE(outcome.inserted);
    EXPECT_EQ(outcome.error, "HTTP status 500");
    EXPECT_EQ(m_store.FeedLines, before.FeedLines);
    EXPECT_EQ(m_store.latestLine, "");
}

TEST_F(RefreshTest, TheTableGrowsTo101LinesAndIsCutBackToForty) {
    for (int draw = 0; draw < 71; ++draw) {
        drawMore(1);
        ASSERT_TRUE(refresh().inserted);
    }
    EXPECT_EQ(m_store.oldestIndex, 100);
    EXPECT_EQ(m_store.FeedLines[100], m_feed[100]);

    // The same newest line again: nothing is cut.
    EXPECT_FALSE(refresh().inserted);
    EXPECT_EQ(m_store.FeedLines[100], m_feed[100]);

    drawMore(1);
    const RefreshOutcome outcome = refresh();
    ASSERT_TRUE(outcome.inserted);
    EXPECT_EQ(m_store.oldestIndex, 40);
    EXPECT_EQ(m_store.drawCursor, 40);
    for (std::size_t i = 0; i <= 40; ++i) {
        EXPECT_EQ(m_store.FeedLines[i], m_feed[i]) << i;
        EXPECT_EQ(m_store.DrawHistory[i], m_feed[i]) << i;
    }
    for (std::size_t i = 41; i <= 102; ++i) {
        EXPECT_EQ(m_store.FeedLines[i], "") << i;
    }
    std::string pane;
    for (int i = 39; i >= 0; --i) {
        pane += m_feed[static_cast<std::size_t>(i)] + "\r\n";
    }
    EXPECT_EQ(outcome.paneText, pane);
}

TEST_F(FeedTest, ARefreshOfAnEmptyStoreDownloadsTheWholeFeed) {
    m_client.fail(kUrl, FetchStatus::NetworkError);
    m_waitsAllowed = 0;
    download();
    ASSERT_TRUE(storeIsEmpty(m_store));

    m_client.answer(kUrl, feedLines(30, 80));
    const RefreshOutcome outcome = refresh();
    EXPECT_TRUE(outcome.reloaded);
    EXPECT_FALSE(outcome.inserted);
    EXPECT_EQ(m_client.requests().back().maxLines, 30);
    EXPECT_EQ(m_store.oldestIndex, 29);
    ASSERT_TRUE(outcome.paneText.has_value());
    EXPECT_EQ(snapshot(), feedLines(1, 80)[0]);
}

TEST(LotteryTableTest, RowsAreNumberedInOrderWithTheCrossedPair) {
    const auto& table = lotteryTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].number, static_cast<std::int32_t>(i) + 1);
        EXPECT_EQ(&lotteryByNumber(table[i].number), &table[i]);
    }
    EXPECT_EQ(lotteryByNumber(5).label, "迪拜五分彩");
    EXPECT_EQ(lotteryByNumber(5).button, 1028);
    EXPECT_EQ(lotteryByNumber(6).label, "迪拜分分彩");
    EXPECT_EQ(lotteryByNumber(6).button, 1027);
    EXPECT_THROW(lotteryByNumber(0), std::out_of_range);
    EXPECT_THROW(lotteryByNumber(11), std::out_of_range);
    const FeedHosts hosts{"http://one:1", "http://two:2"};
    EXPECT_EQ(feedUrlOf(lotteryByNumber(1), hosts), "http://one:1/ssckj/cq.txt");
    EXPECT_EQ(feedUrlOf(lotteryByNumber(2), hosts), "http://two:2/ssckj/jx.txt");
}

class SelectLotteryTest : public FeedTest {};

TEST_F(SelectLotteryTest, TakesTheRowsLayoutAndFeed) {
    const FeedHosts hosts{"http://one:1", "http://two:2"};
    m_client.answer("http://two:2/dbffc.txt", {"201501010023 1,2,3,4,5", "201501010022 5,4,3,2,1"});
    FeedContext c = context();
    const DownloadOutcome outcome = selectLotteryDraws(m_store, lotteryByNumber(6), hosts, c);
    EXPECT_EQ(outcome.lines, 2);
    EXPECT_EQ(m_store.lotteryIndex, 6);
    EXPECT_EQ(m_store.drawsPerDay, 1440);
    EXPECT_EQ(m_store.periodEnd, 13);
    EXPECT_EQ(m_store.periodWidth, 5);
    EXPECT_EQ(m_store.feedUrl, "http://two:2/dbffc.txt");
    EXPECT_EQ(periodOf(m_store, m_store.DrawHistory[0]), 23);
}

TEST_F(SelectLotteryTest, NoLineLoadedLeavesAnEmptyHistory) {
    const FeedHosts hosts{"http://one:1", "http://two:2"};
    m_client.answer(kUrl, feedLines(30, 80));
    download();
    // The new lottery's feed is empty, then unreachable.
    m_client.answer("http://two:2/ssckj/jx.txt", {});
    FeedContext c = context();
    DownloadOutcome outcome = selectLotteryDraws(m_store, lotteryByNumber(2), hosts, c);
    EXPECT_TRUE(outcome.loaded);
    EXPECT_EQ(outcome.lines, 0);
    EXPECT_TRUE(storeIsEmpty(m_store));
    EXPECT_FALSE(walkPossible(m_store));
    EXPECT_EQ(m_store.DrawHistory[5], "");
    EXPECT_EQ(snapshot(), "");

    m_client.fail("http://one:1/ssckj/xj.txt", FetchStatus::NetworkError);
    m_waitsAllowed = 0;
    outcome = selectLotteryDraws(m_store, lotteryByNumber(3), hosts, c);
    EXPECT_FALSE(outcome.loaded);
    EXPECT_FALSE(walkPossible(m_store));
    EXPECT_EQ(m_store.lotteryIndex, 3);
    EXPECT_EQ(outcome.paneText, drawListText(m_store, 29));
}

} // namespace
} // namespace kestrum
