#pragma once

// Web addresses that the program hands on: to the desktop's opener, or to its HTTP client as a
// configured host.

#include <string_view>

namespace kestrum {

// Whether text is an http or https address with a host, and nothing that could end the
// address or hide another command (no blank, control character, quote or backslash).
bool isWebAddress(std::string_view text);

// A web address of the https scheme (in any case).
bool isSecureWebAddress(std::string_view text);

} // namespace kestrum
