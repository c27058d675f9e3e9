#pragma once

// The formula model: formula k multiplies the seed draw's digits, read as one integer, by k;
// the bet is the first codeCount distinct digits of the product, topped up with the others.

#include "engine/Engine.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrum {

// The formulas a search tries: first <= k < end.
inline constexpr std::int32_t kFormulaFirst = 1;
inline constexpr std::int32_t kFormulaEnd = 500;
// The 五星不定位 search tries 1 to 299 only.
inline constexpr std::int32_t kFiveStarFormulaEnd = 300;

// Reads the seed at the cursor: currentDigits and seedValue from the line's digits, seedPeriod
// from its period, then moves the cursor one slot towards the newest. A cursor outside the
// table reads an empty line.
void readSeed(Engine& engine);

// The bytes of text in the order of their first occurrence, each once.
std::string distinctChars(std::string_view text);

// The standard bet: the product seedValue × formula (wrapping) in decimal, topped up with
// "0918273645", without "-", each digit once, cut to codeCount characters (codeCount <= 0 gives
// the empty bet, above 10 the ten digits).
std::string betDigits(std::int32_t seedValue, std::int32_t formula, std::int32_t codeCount);

// The 五星不定位 bet: the distinct characters of the product written as "%f" without its
// point, cut to codeCount. No filler: the six decimal places supply a 0, a negative product
// keeps its "-".
std::string betDigitsFiveStar(std::int32_t seedValue, std::int32_t formula, std::int32_t codeCount);

} // namespace kestrum
