#pragma once

// The ten play types in slot order, and the data that sets them apart. Every backtest runs the
// same walk; a play type only chooses which digits of a draw it tests, how a draw hits, how the
// bet digits are made, where the first plan's period starts and how its lines end.

#include <array>
#include <cstdint>
#include <string_view>

namespace kestrum {

inline constexpr std::int32_t kPlayTypeCount = 10;

// The slot indexes every per-play-type table.
enum class PlayType : std::int32_t {
    Hou1 = 0,        // 后一: 个位
    Hou2 = 1,        // 后二: 十位 and 个位 as a group
    SanXing = 2,     // 三星 (option 后三): 百位, 十位, 个位 as a group
    Hou3Any = 3,     // 后三不定位: any of 百位, 十位, 个位
    WuXingAny = 4,   // 五星不定位: any of the five positions
    ShiWei = 5,      // 十位
    BaiWei = 6,      // 百位
    QianWei = 7,     // 千位
    WanWei = 8,      // 万位
    QianSanXing = 9, // 前三星 (option 前三): 万位, 千位, 百位 as a group
};

enum class PlayFamily { SinglePosition, Group, AnyPosition };

// A draw hits when every tested digit is in the bet (All), or at least one is (Any).
enum class HitRule { All, Any };

// Standard: betDigits. FiveStar: betDigitsFiveStar.
enum class BetRecipe { Standard, FiveStar };

// Where the first plan's header starts: the seed's period folded into the day when it is
// drawsPerDay or more, period 1, or the seed's period as it stands.
enum class PlanStart { SeedFolded, One, Seed };

// One tested position of currentDigits: the place-th character counted from the end (1 is
// 个位) or from the start (1 is 万位).
struct DigitPick {
    bool fromEnd;
    std::int32_t place;
};

struct PlayTypeInfo {
    PlayType type;
    std::string_view label;  // starts every plan line
    std::string_view button; // caption of the option that selects it
    PlayFamily family;
    std::array<DigitPick, 5> picks; // tested in this order
    std::int32_t pickCount;
    HitRule hitRule;
    BetRecipe recipe;
    PlanStart start;
    std::string_view hitSuffix;      // ends a won plan's line
    bool failedLineShowsDraws;       // a failed line ends with the draws played, "%03d"
    std::int32_t defaultPlanPeriods; // 期数
    std::int32_t defaultCodeCount;   // 码数
};

const PlayTypeInfo& playTypeInfo(PlayType type);

// All ten play types in slot order.
const std::array<PlayType, kPlayTypeCount>& allPlayTypes();

constexpr std::size_t slotOf(PlayType type) {
    return static_cast<std::size_t>(type);
}

} // namespace kestrum
