#pragma once

// Small text helpers shared by the draw store, the formula engine and the window. Texts are
// UTF-8; a "character" is one code point, so a slice never cuts a multi-byte character.

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrum {

// The leading-decimal rule: skip leading white space, take an optional sign and the digits
// that follow, stop at the first other character. No digit gives 0. A number beyond the signed
// 32-bit range saturates at INT32_MAX or INT32_MIN.
std::int32_t leadingDecimal(std::string_view text);

// Number of characters (code points) in text.
std::size_t charCount(std::string_view text);

// The first n characters of text; the whole text when it is shorter, empty when n <= 0.
std::string_view firstChars(std::string_view text, std::int32_t n);

// The last n characters of text; the whole text when it is shorter, empty when n <= 0.
std::string_view lastChars(std::string_view text, std::int32_t n);

// The character at place `fromEnd` counted from the end (1 is the last character). Past the
// first character it yields the first; an empty text yields the empty text.
std::string_view charFromEnd(std::string_view text, std::int32_t fromEnd);

// The character at place `fromStart` counted from the start (1 is the first character). Past
// the last character it yields the last; an empty text yields the empty text.
std::string_view charFromStart(std::string_view text, std::int32_t fromStart);

// text without any occurrence of the byte c.
std::string withoutChar(std::string_view text, char c);

// printf-style formatting into a std::string, for the fixed formats of plan lines.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace kestrum
