#include "base/Text.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <limits>

namespace kestrum {

namespace {

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

// Byte offset of the start of character `index` (0-based); text.size() when past the end.
std::size_t offsetOfChar(std::string_view text, std::size_t index) {
    std::size_t seen = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isContinuationByte(text[i])) {
            if (seen == index) {
                return i;
            }
            ++seen;
        }
    }
    return text.size();
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

std::int32_t leadingDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate the magnitude in 64 bits and stop growing it once it leaves the 32-bit range.
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (magnitude <= limit) {
            magnitude = magnitude * 10 + (text[i] - '0');
        }
    }
    if (negative) {
        return magnitude >= limit ? std::numeric_limits<std::int32_t>::min()
                                  : static_cast<std::int32_t>(-magnitude);
    }
    return magnitude >= limit ? std::numeric_limits<std::int32_t>::max()
                              : static_cast<std::int32_t>(magnitude);
}

std::size_t charCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) {
        if (!isContinuationByte(c)) {
            ++count;
        }
    }
    return count;
}

std::string_view firstChars(std::string_view text, std::int32_t n) {
    if (n <= 0) {
        return {};
    }
    return text.substr(0, offsetOfChar(text, static_cast<std::size_t>(n)));
}

std::string_view lastChars(std::string_view text, std::int32_t n) {
    if (n <= 0) {
        return {};
    }
    // Counted back from the end, in one pass. Continuation bytes before the first character
    // belong to none; a text of n characters or fewer is returned whole, those bytes included.
    const auto want = static_cast<std::size_t>(n);
    std::size_t seen = 0;
    for (std::size_t i = text.size(); i > 0; --i) {
        if (isContinuationByte(text[i - 1]) || ++seen < want) {
            continue;
        }
        for (std::size_t before = i - 1; before > 0; --before) {
            if (!isContinuationByte(text[before - 1])) {
                return text.substr(i - 1);
            }
        }
        return text;
    }
    return text;
}

std::string_view charFromEnd(std::string_view text, std::int32_t fromEnd) {
    if (text.empty()) {
        return {};
    }
    const std::string_view tail = lastChars(text, fromEnd < 1 ? 1 : fromEnd);
    return firstChars(tail, 1);
}

std::string_view charFromStart(std::string_view text, std::int32_t fromStart) {
    if (text.empty()) {
        return {};
    }
    const std::size_t total = charCount(text);
    const std::size_t index =
        fromStart < 1 ? 0 : std::min(static_cast<std::size_t>(fromStart), total) - 1;
    const std::size_t begin = offsetOfChar(text, index);
    const std::size_t end = offsetOfChar(text, index + 1);
    return text.substr(begin, end - begin);
}

std::string withoutChar(std::string_view text, char c) {
    std::string result;
    result.reserve(text.size());
    for (char ch : text) {
        if (ch != c) {
            result.push_back(ch);
        }
    }
    return result;
}

std::string formatText(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0) {
        return {};
    }
    if (static_cast<std::size_t>(length) < sizeof buffer) {
        return std::string(buffer, static_cast<std::size_t>(length));
    }
    std::string result(static_cast<std::size_t>(length) + 1, '\0');
    va_start(args, format);
    std::vsnprintf(result.data(), result.size(), format, args);
    va_end(args);
    result.resize(static_cast<std::size_t>(length));
    return result;
}

} // namespace kestrum
