#include "platform/TextFile.h"

#include "platform/GbkText.h"

namespace kestrum {

std::string textFileBytes(std::string_view utf8Text) {
    // GBK's second bytes are never below 0x40, so every 0x0A byte is a line feed.
    const std::string gbk = utf8ToGbk(utf8Text);
    std::string bytes;
    bytes.reserve(gbk.size() + gbk.size() / 16);
    for (char c : gbk) {
        if (c == '\n') {
            bytes.push_back('\r');
        }
        bytes.push_back(c);
    }
    return bytes;
}

} // namespace kestrum
