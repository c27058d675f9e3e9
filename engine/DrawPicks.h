#pragma once

// What a walk tests of one draw, as bits that meet the bits of a bet (BetTable::bet): the
// counting walks test a draw with one operation instead of a text search per tested digit.

#include "engine/BetTable.h"
#include "engine/PlayType.h"

#include <cstdint>
#include <string_view>

namespace kestrum {

// The play type's tested characters of `digits` (a draw's digits as digitsOf gives them, any
// text), read exactly as the walk reads them: one bit per digit 0 to 9 and "-", the empty-text
// bit for a position that yields the empty text, and BetTable::kForeignBit for any other
// character. For "every digit in the bet" (HitRule::All) the empty-text bit is dropped: an
// empty text asks for nothing there.
std::uint16_t drawPicks(const PlayTypeInfo& info, std::string_view digits);

// Whether a draw with these picks hits a bet with these bits, as the walk's text search does:
// every pick in the bet (All), or at least one (Any).
constexpr bool picksHit(HitRule rule, std::uint16_t picks, std::uint16_t bet) {
    return rule == HitRule::All ? (picks & ~bet) == 0 : (picks & bet) != 0;
}

} // namespace kestrum
