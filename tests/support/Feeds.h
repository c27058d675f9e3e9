#pragma once

// Feeds for tests: the draw lines of one day as a feed serves them, newest first.

#include "support/History.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kestrum::test {

// Five digits, "10000" to "99999", for the draw numbered n (n from 0 to 271000): they differ
// from those of draws n - 1 and n + 1.
inline std::string spreadDigits(std::int32_t n) {
    return std::to_string(10000 + (n * 7919) % 90000);
}

// How feedLines writes its lines.
struct FeedStyle {
    std::string date = "20150101";
    // Width of the period code, zero-padded: 3 for 120 draws a day, 4 for 1440.
    std::int32_t periodDigits = 3;
    // The five digits drawn in a period.
    std::function<std::string(std::int32_t period)> digits = spreadDigits;
};

// count lines, newest first: periods newestPeriod, newestPeriod - 1, ... of style.date.
inline std::vector<std::string> feedLines(std::int32_t count, std::int32_t newestPeriod,
                                          const FeedStyle& style = {}) {
    std::vector<std::string> lines;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t period = newestPeriod - i;
        lines.push_back(drawLine(style.date, period, style.digits(period), style.periodDigits));
    }
    return lines;
}

} // namespace kestrum::test
