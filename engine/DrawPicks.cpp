#include "engine/DrawPicks.h"

#include "base/Text.h"

namespace kestrum {

namespace {

std::uint16_t bitOf(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint16_t>(1u << (c - '0'));
    }
    return c == '-' ? BetTable::kMinusBit : BetTable::kForeignBit;
}

// One tested position: a character of one byte, the empty text, or a character of several
// bytes, which no bet holds.
std::uint16_t pickBits(std::string_view character) {
    if (character.empty()) {
        return BetTable::kEmptyBit;
    }
    return character.size() == 1 ? bitOf(character[0]) : BetTable::kForeignBit;
}

} // namespace

std::uint16_t drawPicks(const PlayTypeInfo& info, std::string_view digits) {
    std::uint16_t picks = 0;
    for (std::int32_t i = 0; i < info.pickCount; ++i) {
        const DigitPick pick = info.picks[static_cast<std::size_t>(i)];
        picks = static_cast<std::uint16_t>(
            picks | pickBits(pick.fromEnd ? charFromEnd(digits, pick.place)
                                          : charFromStart(digits, pick.place)));
    }
    if (info.hitRule == HitRule::All) {
        picks = static_cast<std::uint16_t>(picks & ~BetTable::kEmptyBit);
    }
    return picks;
}

} // namespace kestrum
