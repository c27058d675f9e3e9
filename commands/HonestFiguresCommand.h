#pragma once

// The 计划统计 window's figures that set the formula in use beside chance, as a command.

#include "commands/Commands.h"

#include <atomic>
#include <cstdint>

namespace kestrum {

// Sets `formula` of `type` with `shape` beside chance over the stored draws (its plans, and
// the search on random histories as long as the stored ones) and follows the method over the
// same draws with the evaluation window; shows them under `ticket`. Reads the engine, changes
// nothing. It takes seconds: `cancel`, when given and set, ends it early, and then nothing is
// shown.
void runHonestFigures(CommandContext& context, std::uint64_t ticket, PlayType type, PlanShape shape,
                      std::int32_t formula, const std::atomic<bool>* cancel = nullptr);

} // namespace kestrum
