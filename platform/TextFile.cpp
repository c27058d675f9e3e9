#include "platform/TextFile.h"

#include "platform/DebugLog.h"
#include "platform/GbkText.h"

#include <cerrno>
#include <cstdio>

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

WriteResult writeTextFile(const std::filesystem::path& path, std::string_view utf8Text) {
    const std::string bytes = textFileBytes(utf8Text);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        const int error = errno;
        char line[4096];
        std::snprintf(line, sizeof line, "Can't open file %s,error=%u\n", path.c_str(),
                      static_cast<unsigned>(error));
        debugLog(line);
        return {false, error};
    }
    const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
    const int writeError = written == bytes.size() ? 0 : errno;
    const bool closed = std::fclose(file) == 0;
    if (writeError != 0 || !closed) {
        return {false, writeError != 0 ? writeError : errno};
    }
    return {true, 0};
}

} // namespace kestrum
