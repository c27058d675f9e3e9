#pragma once

// The ten lotteries: each one's option button, draw feed, period layout, refresh pace and the
// page of the top web panel. The table is constant; only the hosts are configuration.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrum {

enum class FeedHost { First, Second };

struct LotterySource {
    std::int32_t button;       // control id of its option button
    std::string_view label;    // the button's caption
    std::int32_t number;       // 1 to 10: lotteryIndex, its row of the current formulas
    FeedHost host;             // the draw-feed host that serves its feed
    std::string_view feedPath; // path of the feed on that host
    std::int32_t drawsPerDay;
    std::int32_t periodEnd;
    std::int32_t periodWidth;
    std::int32_t refreshPeriodMs; // period of the refresh timer
    std::string_view panelPage;   // page of the top web panel, on the maker's host
    bool panelFirst; // the top panel changes page before the download (else after the report)
};

inline constexpr std::size_t kLotteryRows = 10;

// The rows in the order of their numbers: row i has number i + 1.
const std::array<LotterySource, kLotteryRows>& lotteryTable();

// The row of lottery number 1 to 10; throws std::out_of_range for another number.
const LotterySource& lotteryByNumber(std::int32_t number);

// The addresses of the two draw-feed hosts, as "http://host:port" without a final slash.
struct FeedHosts {
    std::string first;
    std::string second;
};

// The feed address of a lottery: its host and its path.
std::string feedUrlOf(const LotterySource& lottery, const FeedHosts& hosts);

// How many digits a period number prints with: four at 1440 draws a day, else three.
std::size_t printedPeriodWidth(std::int32_t drawsPerDay);

// A period number as plan headers and draw lines print it ("%04d" or "%03d" by
// printedPeriodWidth): the sign first, then the digits padded with zeros to the width.
std::string formatPeriod(std::int32_t period, std::int32_t drawsPerDay);

} // namespace kestrum
