#pragma once

// Histories for backtests, and reading back what they wrote.

#include "engine/Backtest.h"
#include "engine/Formula.h"
#include "support/History.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrum::test {

// Lines of one day, periods first, first + 1, ..., from five-digit draws.
inline std::vector<std::string> dayOf(std::int32_t firstPeriod,
                                      const std::vector<std::string>& draws,
                                      std::int32_t periodDigits = 3) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < draws.size(); ++i) {
        lines.push_back(drawLine(periodDigits == 4 ? "201501010" : "20150101",
                                 firstPeriod + static_cast<std::int32_t>(i), draws[i],
                                 periodDigits));
    }
    return lines;
}

inline std::vector<std::string> writtenLines(const Engine& engine) {
    std::vector<std::string> lines;
    for (std::int32_t i = 0; i < engine.scratchLineCount && i < kHistorySlots; ++i) {
        lines.push_back(engine.ScratchLines[static_cast<std::size_t>(i)]);
    }
    return lines;
}

// A layout with four-digit periods and 1440 draws a day.
inline void useMinuteLayout(DrawStore& store) {
    store.periodEnd = 13;
    store.periodWidth = 5;
    store.drawsPerDay = 1440;
}

} // namespace kestrum::test
