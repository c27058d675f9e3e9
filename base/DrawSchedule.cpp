#include "base/DrawSchedule.h"

#include <algorithm>
#include <cstddef>

namespace kestrum {

namespace {

constexpr std::int32_t kSecondsPerDay = 86400;

DrawScheduleError spanError(std::string_view text, std::string_view why) {
    return {"\"" + std::string(text) + "\": " + std::string(why)};
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// "HH:MM" at `at`, moving `at` past it; -1 when it is not one. 24:00 is taken (an end).
std::int32_t readTime(std::string_view text, std::size_t& at) {
    if (text.size() < at + 5 || !isDigit(text[at]) || !isDigit(text[at + 1]) ||
        text[at + 2] != ':' || !isDigit(text[at + 3]) || !isDigit(text[at + 4])) {
        return -1;
    }
    const int hours = (text[at] - '0') * 10 + (text[at + 1] - '0');
    const int minutes = (text[at + 3] - '0') * 10 + (text[at + 4] - '0');
    at += 5;
    if (minutes > 59 || hours > 24 || (hours == 24 && minutes != 0)) {
        return -1;
    }
    return hours * 3600 + minutes * 60;
}

} // namespace

std::variant<DrawSpan, DrawScheduleError> parseDrawSpan(std::string_view text) {
    constexpr std::string_view kForm = "not a span of the form HH:MM-HH:MM/10m or /30s";
    std::size_t at = 0;
    const std::int32_t start = readTime(text, at);
    if (start < 0 || at >= text.size() || text[at] != '-') {
        return spanError(text, kForm);
    }
    ++at;
    std::int32_t end = readTime(text, at);
    if (end < 0 || at >= text.size() || text[at] != '/') {
        return spanError(text, kForm);
    }
    ++at;
    if (start == kSecondsPerDay) {
        return spanError(text, "a span starts at 23:59 at the latest");
    }
    std::int64_t count = 0;
    const std::size_t digits = at;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        // Saturates past a day, which is refused below.
        count = std::min<std::int64_t>(count * 10 + (text[at] - '0'), kSecondsPerDay + 1);
    }
    if (at == digits || at + 1 != text.size() || (text[at] != 'm' && text[at] != 's')) {
        return spanError(text, kForm);
    }
    const std::int64_t interval = text[at] == 'm' ? count * 60 : count;
    if (interval < 1 || interval > kSecondsPerDay) {
        return spanError(text, "the interval is 1 s to 24 h");
    }
    if (end == start) {
        return spanError(text, "the span ends where it starts (00:00-24:00 is the whole day)");
    }
    if (end < start) {
        end += kSecondsPerDay;
    }
    return DrawSpan{start, end, static_cast<std::int32_t>(interval)};
}

std::variant<DrawSchedule, DrawScheduleError>
parseDrawSchedule(const std::vector<std::string>& spans) {
    if (spans.empty()) {
        return DrawScheduleError{"a schedule names at least one span"};
    }
    DrawSchedule schedule;
    for (const std::string& text : spans) {
        auto span = parseDrawSpan(text);
        if (auto* error = std::get_if<DrawScheduleError>(&span)) {
            return *error;
        }
        const DrawSpan next = std::get<DrawSpan>(span);
        // Two spans overlap when either starts inside the other, on the same day or across
        // midnight.
        const auto inside = [](std::int32_t second, const DrawSpan& s) {
            return (second >= s.start && second < s.end) ||
                   (second + kSecondsPerDay >= s.start && second + kSecondsPerDay < s.end);
        };
        for (std::size_t i = 0; i < schedule.m_spans.size(); ++i) {
            const DrawSpan& other = schedule.m_spans[i];
            if (inside(next.start, other) || inside(other.start, next)) {
                return spanError(text, "overlaps \"" + spans[i] + "\"");
            }
        }
        schedule.m_spans.push_back(next);
        for (std::int32_t second = next.start; second < next.end; second += next.interval) {
            schedule.m_draws.push_back(second % kSecondsPerDay);
        }
    }
    std::sort(schedule.m_draws.begin(), schedule.m_draws.end());
    return schedule;
}

std::int32_t DrawSchedule::secondOf(std::int32_t period) const {
    const auto index =
        static_cast<std::size_t>(std::clamp<std::int32_t>(period, 1, drawsPerDay()) - 1);
    return m_draws[index];
}

} // namespace kestrum
