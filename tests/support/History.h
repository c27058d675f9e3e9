#pragma once

// Builds draw histories for tests: lines are given oldest first, the way one reads a worked
// example, and stored newest first in slot 0 as a download stores them.

#include "draws/DrawStore.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrum::test {

// "20150101023 1,2,3,4,5" from a date, a period and five digits "12345".
inline std::string drawLine(const std::string& date, std::int32_t period, const std::string& digits,
                            std::int32_t periodDigits = 3) {
    std::string number = std::to_string(period);
    while (number.size() < static_cast<std::size_t>(periodDigits)) {
        number.insert(0, "0");
    }
    std::string line = date + number + ' ';
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0) {
            line += ',';
        }
        line += digits[i];
    }
    return line;
}

// Stores the lines (oldest first) in slots oldest..0 and puts oldestIndex and the cursor on
// the oldest one. Any number of lines up to the table's size.
inline void storeOldestFirst(DrawStore& store, const std::vector<std::string>& oldestFirst) {
    const auto count = static_cast<std::int32_t>(oldestFirst.size());
    for (std::int32_t i = 0; i < count; ++i) {
        const auto slot = static_cast<std::size_t>(count - 1 - i);
        store.FeedLines[slot] = oldestFirst[static_cast<std::size_t>(i)];
        store.DrawHistory[slot] = store.FeedLines[slot];
    }
    store.oldestIndex = count > 0 ? count - 1 : 0;
    store.drawCursor = store.oldestIndex;
    store.latestLine = store.FeedLines[0];
}

} // namespace kestrum::test
