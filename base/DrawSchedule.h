#pragma once

// When a lottery draws over the day, as a source's settings name it: spans of the day, each
// with the interval between its draws, such as "10:00-22:00/10m" or "22:00-02:00/5m". Times are
// in UTC+8, the time the period numbers count in; a span may cross midnight; the interval is a
// count of minutes (m) or seconds (s). A span's draws come at its start and every interval after
// it, up to but not including its end. Between the spans no draws come (a pause).
//
// Period numbers: the n-th draw of a day (period n) is the n-th draw at or after that day's
// midnight in UTC+8. A span that crosses midnight gives the day its first draws (those after
// midnight) and its last ones (those before).

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kestrum {

struct DrawSpan {
    // Seconds after midnight UTC+8, 0 to 86399; `end` is after `start` and up to a day later
    // (past 86400 for a span that crosses midnight).
    std::int32_t start;
    std::int32_t end;
    // Seconds between two draws, at least 1.
    std::int32_t interval;
};

// What is wrong with a schedule, in a sentence that names the span ("22:00-26:00/5m": ...).
struct DrawScheduleError {
    std::string message;
};

class DrawSchedule {
public:
    // Draws a day: at least 1.
    std::int32_t drawsPerDay() const { return static_cast<std::int32_t>(m_draws.size()); }
    // Seconds after midnight UTC+8 of period n (1 to drawsPerDay()), rising with n.
    std::int32_t secondOf(std::int32_t period) const;
    const std::vector<DrawSpan>& spans() const { return m_spans; }

    // The spans as given, in their order.
    friend std::variant<DrawSchedule, DrawScheduleError>
    parseDrawSchedule(const std::vector<std::string>& spans);

private:
    std::vector<DrawSpan> m_spans;
    // The draws' seconds after midnight UTC+8, in order.
    std::vector<std::int32_t> m_draws;
};

// One span, as "HH:MM-HH:MM/N" with N followed by m or s. The end may be 24:00; an end at or
// before the start is on the next day. Nothing but the span is allowed, blanks neither.
std::variant<DrawSpan, DrawScheduleError> parseDrawSpan(std::string_view text);

// The spans of a day: at least one, none overlapping another.
std::variant<DrawSchedule, DrawScheduleError>
parseDrawSchedule(const std::vector<std::string>& spans);

} // namespace kestrum
