#include "report/DrawTrend.h"

#include <optional>

namespace kestrum {

namespace {

constexpr std::string_view kBlanks = " \t\r";

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A draw line: a period code, then "d,d,d,d,d" as its last nine characters.
std::optional<TrendRow> parseRow(std::string_view line) {
    const std::size_t end = line.find_last_not_of(kBlanks);
    if (end == std::string_view::npos || end + 1 < 9) {
        return std::nullopt;
    }
    const std::string_view tail = line.substr(end + 1 - 9, 9);
    TrendRow row;
    for (std::size_t i = 0; i < tail.size(); ++i) {
        const bool digitPlace = i % 2 == 0;
        if (digitPlace ? !isDigit(tail[i]) : tail[i] != ',') {
            return std::nullopt;
        }
        if (digitPlace) {
            row.digits[i / 2] = tail[i] - '0';
        }
    }
    std::string_view period = line.substr(0, end + 1 - 9);
    const std::size_t first = period.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    period = period.substr(first, period.find_last_not_of(kBlanks) + 1 - first);
    row.period = std::string(period);
    return row;
}

} // namespace

DrawTrend drawTrend(std::string_view drawListText) {
    DrawTrend trend;
    DigitTable omission{};
    while (!drawListText.empty()) {
        const std::size_t lineEnd = drawListText.find('\n');
        const std::string_view line = drawListText.substr(0, lineEnd);
        drawListText.remove_prefix(lineEnd == std::string_view::npos ? drawListText.size()
                                                                     : lineEnd + 1);
        std::optional<TrendRow> row = parseRow(line);
        if (!row) {
            continue;
        }
        for (std::size_t position = 0; position < kTrendPositions; ++position) {
            const auto drawn = static_cast<std::size_t>(row->digits[position]);
            for (std::size_t digit = 0; digit < kTrendDigits; ++digit) {
                omission[position][digit] = digit == drawn ? 0 : omission[position][digit] + 1;
            }
            trend.counts[position][drawn] += 1;
        }
        row->omission = omission;
        trend.rows.push_back(std::move(*row));
    }
    trend.currentOmission = omission;
    return trend;
}

} // namespace kestrum
