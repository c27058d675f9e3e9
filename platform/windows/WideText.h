#pragma once

// UTF-8, as the program holds text, and UTF-16, as every Windows call takes it.

#include <string>
#include <string_view>

namespace kestrum::windows {

// Invalid UTF-8 becomes U+FFFD, as the system converts it.
std::wstring toWide(std::string_view utf8);
std::string fromWide(std::wstring_view wide);

// The text of the system's last error, in UTF-8, with its number: "Access is denied. (5)".
std::string lastErrorText(unsigned long error);

} // namespace kestrum::windows
