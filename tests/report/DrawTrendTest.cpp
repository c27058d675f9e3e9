#include "report/DrawTrend.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kestrum {
namespace {

// Four draws, oldest first, as the draw list shows them, with an empty slot and a line of
// another form among them. The positions read, oldest to newest:
//   万 1 1 7 1   千 2 0 2 2   百 3 3 0 3   十 4 9 9 4   个 5 5 5 0
const std::string kDrawList = "20150101001 1,2,3,4,5\r\n"
                              "20150101002 1,0,3,9,5\r\n"
                              "\r\n"
                              "20150101 1,2,3\r\n"
                              "20150101003 7,2,0,9,5\r\n"
                              "20150101004 1,2,3,4,0";

struct OmissionColumn {
    std::size_t position;
    std::int32_t digit;
    std::vector<std::int32_t> rows; // oldest first
};

TEST(DrawTrendTest, OmissionsCountsAndCurrentOmissionsWorkedOutByHand) {
    const DrawTrend trend = drawTrend(kDrawList);
    ASSERT_EQ(trend.rows.size(), 4u);
    EXPECT_EQ(trend.rows[0].period, "20150101001");
    EXPECT_EQ(trend.rows[3].period, "20150101004");
    EXPECT_EQ(trend.rows[2].digits, (std::array<std::int32_t, 5>{7, 2, 0, 9, 5}));

    // Worked out by hand from the columns above: 0 where the digit came, else the draws since
    // it last came there, counted from the first row shown when it had not come yet.
    const OmissionColumn columns[] = {
        {0, 1, {0, 0, 1, 0}}, {0, 7, {1, 2, 0, 1}}, {0, 0, {1, 2, 3, 4}}, {1, 0, {1, 0, 1, 2}},
        {1, 2, {0, 1, 0, 0}}, {2, 0, {1, 2, 0, 1}}, {3, 4, {0, 1, 2, 0}}, {3, 9, {1, 0, 0, 1}},
        {4, 5, {0, 0, 0, 1}}, {4, 0, {1, 2, 3, 0}},
    };
    for (const OmissionColumn& column : columns) {
        for (std::size_t row = 0; row < column.rows.size(); ++row) {
            EXPECT_EQ(
                trend.rows[row].omission[column.position][static_cast<std::size_t>(column.digit)],
                column.rows[row])
                << "position " << column.position << ", digit " << column.digit << ", row " << row;
        }
    }

    // By hand: 出现次数, and 当前遗漏 (4, the number of rows, for a digit that never came).
    DigitTable counts{};
    DigitTable current{};
    for (auto& position : current) {
        position.fill(4);
    }
    const std::vector<std::array<std::int32_t, 4>> seen = {
        // position, digit, count, current omission
        {0, 1, 3, 0}, {0, 7, 1, 1}, {1, 2, 3, 0}, {1, 0, 1, 2}, {2, 3, 3, 0},
        {2, 0, 1, 1}, {3, 4, 2, 0}, {3, 9, 2, 1}, {4, 5, 3, 1}, {4, 0, 1, 0},
    };
    for (const auto& [position, digit, count, omission] : seen) {
        counts[static_cast<std::size_t>(position)][static_cast<std::size_t>(digit)] = count;
        current[static_cast<std::size_t>(position)][static_cast<std::size_t>(digit)] = omission;
    }
    EXPECT_EQ(trend.counts, counts);
    EXPECT_EQ(trend.currentOmission, current);
    EXPECT_EQ(trend.rows.back().omission, trend.currentOmission);
}

TEST(DrawTrendTest, NoDrawGivesNoRowAndZeroFigures) {
    for (const char* text : {"", "\r\n\r\n", "no draw here\n1,2,3,4,5\n"}) {
        const DrawTrend trend = drawTrend(text);
        EXPECT_TRUE(trend.rows.empty()) << text;
        EXPECT_EQ(trend.counts, DigitTable{});
        EXPECT_EQ(trend.currentOmission, DigitTable{});
    }
}

} // namespace
} // namespace kestrum
