#include "draws/DrawStore.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kestrum {
namespace {

TEST(DigitsOfTest, TakesTheLastNineCharactersWithoutCommas) {
    EXPECT_EQ(digitsOf("20150101001 0,1,2,3,4"), "01234");
    EXPECT_EQ(digitsOf("201501010123 9,9,9,9,9"), "99999");
    // Shorter than nine characters: the whole line.
    EXPECT_EQ(digitsOf("1,2,3"), "123");
    EXPECT_EQ(digitsOf(""), "");
    // Whatever the last nine characters hold.
    EXPECT_EQ(digitsOf("<html>not a draw</html>"), "aw</html>");
}

TEST(PeriodOfTest, ReadsTheWindowOfEachLayout) {
    DrawStore store;
    EXPECT_EQ(periodOf(store, "20150101001 0,1,2,3,4"), 1); // widths 12 and 4: "001 "
    EXPECT_EQ(periodOf(store, "20150101120 0,1,2,3,4"), 120);
    store.periodEnd = 13;
    store.periodWidth = 5;
    EXPECT_EQ(periodOf(store, "201501010123 9,9,9,9,9"), 123);
    EXPECT_EQ(periodOf(store, "201501011440 9,9,9,9,9"), 1440);
    store.periodEnd = 12;
    store.periodWidth = 3; // two digits for lotteries below 100 draws a day
    EXPECT_EQ(periodOf(store, "20150101084 0,1,2,3,4"), 84);
    EXPECT_EQ(periodOf(store, "20150101107 0,1,2,3,4"), 7);
}

TEST(PeriodOfTest, MalformedWindowsGiveWhatTheyHold) {
    DrawStore store;
    EXPECT_EQ(periodOf(store, ""), 0);
    EXPECT_EQ(periodOf(store, "<html><body>"), 0);
    EXPECT_EQ(periodOf(store, "12"), 12);            // shorter than the window: all of it
    EXPECT_EQ(periodOf(store, "abcdefgh-42x"), -42); // a sign inside the window
}

TEST(CursorTest, ResetPutsTheCursorOnTheOldestLine) {
    DrawStore store;
    store.oldestIndex = 10;
    store.drawCursor = 0;
    resetCursor(store);
    EXPECT_EQ(store.drawCursor, 10);
    EXPECT_TRUE(walkPossible(store));
    store.oldestIndex = 0;
    EXPECT_FALSE(walkPossible(store));
}

std::vector<std::string> numberedLines(int count) {
    std::vector<std::string> lines;
    for (int i = 1; i <= count; ++i) {
        lines.push_back("line " + std::to_string(i));
    }
    return lines;
}

TEST(StoreDownloadedLinesTest, KeepsTheFirstThirtyLines) {
    DrawStore store;
    const auto lines = numberedLines(45);
    EXPECT_EQ(storeDownloadedLines(store, lines), 30);
    EXPECT_EQ(store.FeedLines[0], "line 1");
    EXPECT_EQ(store.FeedLines[29], "line 30");
    EXPECT_EQ(store.FeedLines[30], "");
    EXPECT_EQ(store.DrawHistory[29], "line 30");
    EXPECT_EQ(store.oldestIndex, 29);
    EXPECT_EQ(store.drawCursor, 29);
    EXPECT_EQ(store.latestLine, "line 1");
}

TEST(StoreDownloadedLinesTest, FewerLinesLeaveTheSlotsAboveAlone) {
    DrawStore store;
    storeDownloadedLines(store, numberedLines(30));
    const auto lines = numberedLines(12);
    EXPECT_EQ(storeDownloadedLines(store, lines), 12);
    EXPECT_EQ(store.oldestIndex, 11);
    EXPECT_EQ(store.drawCursor, 11);
    EXPECT_EQ(store.FeedLines[12], "line 13"); // stale, above oldestIndex
}

TEST(StoreDownloadedLinesTest, NoLineKeepsIndexAndCursor) {
    DrawStore store;
    storeDownloadedLines(store, numberedLines(5));
    store.FeedLines.fill("");
    EXPECT_EQ(storeDownloadedLines(store, {}), 0);
    EXPECT_EQ(store.oldestIndex, 4);
    EXPECT_EQ(store.drawCursor, 4);
    EXPECT_EQ(store.latestLine, "");
    EXPECT_EQ(store.DrawHistory[4], "line 5");
}

} // namespace
} // namespace kestrum
