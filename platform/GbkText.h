#pragma once

// Conversion between the UTF-8 text the program holds and the GBK bytes that feeds arrive in
// and that the files other programs read are written in.

#include <string>
#include <string_view>

namespace kestrum {

// GBK bytes as UTF-8. A byte sequence that is not GBK becomes U+FFFD, one per bad byte, and
// the rest is converted as it stands. Throws std::runtime_error when the system's iconv has no
// GBK converter (so does utf8ToGbk).
std::string gbkToUtf8(std::string_view gbk);

// UTF-8 text as GBK bytes. A character that GBK lacks, and every byte that is not valid UTF-8,
// becomes "?"; everything else is converted unchanged.
std::string utf8ToGbk(std::string_view utf8);

} // namespace kestrum
