#pragma once

// UTF-8 one character at a time, for the conversions to and from the system's code pages.

#include <string>
#include <string_view>

namespace kestrum {

// The length of the well-formed UTF-8 character at the start of text, or 1 when none starts
// there (text is not empty). Overlong forms, surrogates and values above U+10FFFF are not well
// formed (Unicode's table of well-formed byte sequences), so each of their bytes counts as one
// bad byte.
std::size_t utf8CharLength(std::string_view text);

// The code point of one well-formed character (as utf8CharLength measured it).
char32_t decodeUtf8(std::string_view character);

// Appends code point c (at most U+10FFFF, no surrogate) as UTF-8.
void appendUtf8(std::string& out, char32_t c);

} // namespace kestrum
