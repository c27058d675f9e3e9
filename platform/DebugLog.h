#pragma once

// The debug log: diagnostic lines on standard error and, once a file is set, in that file too
// (a program started from a menu has no terminal).

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace kestrum {

// Writes text as it stands (it carries its own line end). Safe from any thread.
void debugLog(std::string_view text);

// From now on every line also goes to the end of `path`; its folder is made when missing. The
// file stays under about `maxBytes`: when a line would take it past, it becomes `path` + ".1"
// (replacing the one before) and a new file begins. False when the file cannot be opened (the
// log then goes on standard error alone). An empty path ends the copy to a file.
bool setDebugLogFile(const std::filesystem::path& path, std::uintmax_t maxBytes = 1024 * 1024);

} // namespace kestrum
