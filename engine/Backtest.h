#pragma once

// The backtest: one formula replayed over the stored draws. The walk starts at the seed that
// readSeed left (the oldest stored draw), skips the slot after the seed, and tests the draws
// from slot oldestIndex − 2 up to slot 0. It writes one line per finished plan, the line of
// the plan still running and a summary line into ScratchLines from slot scratchLineCount on,
// the record of each of those plans into ScratchPlans (the lines are written from the
// records), the summary's figures into lastSummary, and leaves the statistics in lastStats.
//
// A walk needs the calling order resetCursor, scratchLineCount := 0, readSeed, backtest:
// runBacktest keeps it.

#include "draws/LotteryTable.h"
#include "engine/Engine.h"
#include "engine/PlayType.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

// Runs the walk of `type` with formula k, planPeriods b and codeCount c. Returns the number of
// won plans, or nothing when the walk cannot run (fewer than two stored lines, so the cursor
// that readSeed left is below slot 0): then nothing at all is changed.
std::optional<float> backtest(Engine& engine, PlayType type, std::int32_t formula,
                              std::int32_t planPeriods, std::int32_t codeCount);

// The backtest of the whole stored history: puts the cursor on the oldest line, sets
// scratchLineCount to 0, reads the seed there and runs the walk. When the walk cannot run
// (fewer than two stored lines) only the seed is read, and nothing is returned.
std::optional<float> runBacktest(Engine& engine, PlayType type, std::int32_t formula,
                                 std::int32_t planPeriods, std::int32_t codeCount);

// The same walk, named by family: 后一, 十位, 百位, 千位 and 万位 ...
std::optional<float> backtestSinglePosition(Engine& engine, PlayType type, std::int32_t formula,
                                            std::int32_t planPeriods, std::int32_t codeCount);
// ... 后二, 三星 and 前三星 ...
std::optional<float> backtestGroup(Engine& engine, PlayType type, std::int32_t formula,
                                   std::int32_t planPeriods, std::int32_t codeCount);
// ... 后三不定位 and 五星不定位. Each throws std::invalid_argument for a play type of another
// family.
std::optional<float> backtestAnyPosition(Engine& engine, PlayType type, std::int32_t formula,
                                         std::int32_t planPeriods, std::int32_t codeCount);

// The bet of `type` for a seed: betDigits, or betDigitsFiveStar for 五星不定位.
std::string playBet(PlayType type, std::int32_t seedValue, std::int32_t formula,
                    std::int32_t codeCount);

// Whether a draw's digits (five digits without commas, as digitsOf gives them) hit `bet` under
// the play type's rule, exactly as the walk tests them.
bool drawHits(PlayType type, std::string_view bet, std::string_view digits);

// The accuracy of a walk that wrote `lines` lines (the summary included) with `failed` failed
// plans: (lines − 1) × 100 / (lines + failed − 1) in integer division, 100 when none failed.
float walkAccuracy(std::int32_t lines, std::int32_t failed);

// The summary line of a walk with `lines` lines written (the running plan included), `failed`
// failed plans and `failedInRow` failed plans that followed a failed plan. When no plan ended,
// the percentage's divisor is 0 and the percentage shows as 0.
std::string summaryLine(std::int32_t lines, std::int32_t failed, std::int32_t failedInRow);

} // namespace kestrum
