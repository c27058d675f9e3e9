#include "platform/TextFile.h"

#include "platform/DebugLog.h"
#include "platform/GbkText.h"

#include <cerrno>
#include <cstdio>

namespace kestrum {

namespace {

WriteResult failed(WriteStatus status, std::string_view what, const std::filesystem::path& path,
                   int error) {
    std::string line(what);
    line += path.native();
    line += ",error=";
    line += std::to_string(static_cast<unsigned>(error));
    line += '\n';
    debugLog(line);
    return {status, error};
}

} // namespace

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
        return failed(WriteStatus::NotCreated, "Can't open file ", path, errno);
    }
    // The stream buffers: a full disk may show only when the file is closed.
    const bool complete = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = complete ? 0 : errno;
    const bool closed = std::fclose(file) == 0;
    const int closeError = closed ? 0 : errno;
    if (!complete || !closed) {
        return failed(WriteStatus::NotWritten, "Can't write file ", path,
                      complete ? closeError : writeError);
    }
    return {WriteStatus::Written, 0};
}

} // namespace kestrum
