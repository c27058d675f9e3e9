#pragma once

// The debug log: diagnostic lines on standard error.

#include <string_view>

namespace kestrum {

// Writes text as it stands (it carries its own line end) to standard error.
void debugLog(std::string_view text);

} // namespace kestrum
