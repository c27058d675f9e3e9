#pragma once

// The figures of the trend chart: the draws of the draw list, oldest first, and for each of the
// five positions and ten digits how long the digit has been absent from that position (遗漏)
// and how often it came.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

// Positions 万位, 千位, 百位, 十位, 个位 are 0 to 4, the order of the drawn digits.
inline constexpr std::size_t kTrendPositions = 5;
inline constexpr std::size_t kTrendDigits = 10;

// A figure per position (first index, 0 is 万位) and digit (second index, 0 to 9).
using DigitTable = std::array<std::array<std::int32_t, kTrendDigits>, kTrendPositions>;

struct TrendRow {
    // The period code as the line gives it ("20150101023").
    std::string period;
    // The drawn digit at each position, 0 to 9.
    std::array<std::int32_t, kTrendPositions> digits{};
    // 0 where the digit was drawn in this row; elsewhere the draws since the digit last came at
    // that position, this one included. A digit not yet seen counts from the first row shown
    // (1 there), since draws older than those shown are not known.
    DigitTable omission{};
};

struct DrawTrend {
    // Oldest first.
    std::vector<TrendRow> rows;
    // 出现次数: how many of the rows drew the digit at the position.
    DigitTable counts{};
    // 当前遗漏: the omission of the newest row; all 0 when there is no row.
    DigitTable currentOmission{};
};

// The trend of a draw list text: lines oldest first, each "period digits" with the five digits
// separated by commas ("20150101023 1,2,3,4,5"), ending in LF or CR LF. Lines of another form
// (the empty slots of a short history) are left out.
DrawTrend drawTrend(std::string_view drawListText);

} // namespace kestrum
