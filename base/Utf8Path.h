#pragma once

// Paths from and to the UTF-8 text the program holds. On Linux a path is its bytes; on Windows
// a path is UTF-16 and a plain std::string would be read in the system's ANSI code page, so
// every path made from text, and every path shown as text, goes through these.

#include <filesystem>
#include <string>
#include <string_view>

namespace kestrum {

inline std::filesystem::path pathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace kestrum
