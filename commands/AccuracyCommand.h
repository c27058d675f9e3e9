#pragma once

// The 计划统计 window's backtest of every formula of a play type, as a command.

#include "commands/Commands.h"

#include <cstdint>

namespace kestrum {

// Backtests every formula of `type` with `shape` on the draws (`formula` is the current one)
// and shows the accuracies under `ticket`. Reads the engine, changes nothing.
void runFormulaAccuracies(CommandContext& context, std::uint64_t ticket, PlayType type,
                          PlanShape shape, std::int32_t formula);

} // namespace kestrum
