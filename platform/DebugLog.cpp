#include "platform/DebugLog.h"

#include <cstdio>
#include <fstream>
#include <mutex>
#include <system_error>

namespace kestrum {

namespace {

struct LogFile {
    std::mutex mutex;
    std::filesystem::path path;
    std::uintmax_t maxBytes = 0;
    std::uintmax_t size = 0;
    std::ofstream stream;
};

LogFile& logFile() {
    static LogFile file;
    return file;
}

bool openLog(LogFile& file) {
    std::error_code error;
    file.stream.close();
    file.stream.clear();
    file.stream.open(file.path, std::ios::binary | std::ios::app);
    file.size = std::filesystem::exists(file.path, error)
                    ? std::filesystem::file_size(file.path, error)
                    : 0;
    if (error) {
        file.size = 0;
    }
    return file.stream.is_open();
}

} // namespace

void debugLog(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
    LogFile& file = logFile();
    const std::lock_guard lock(file.mutex);
    if (!file.stream.is_open()) {
        return;
    }
    if (file.size > 0 && file.size + text.size() > file.maxBytes) {
        std::error_code error;
        file.stream.close();
        std::filesystem::path older = file.path;
        older += ".1";
        std::filesystem::rename(file.path, older, error);
        if (!openLog(file)) {
            return;
        }
    }
    file.stream.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.stream.flush();
    file.size += text.size();
}

bool setDebugLogFile(const std::filesystem::path& path, std::uintmax_t maxBytes) {
    LogFile& file = logFile();
    const std::lock_guard lock(file.mutex);
    if (path.empty()) {
        file.stream.close();
        return true;
    }
    std::error_code error;
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path(), error);
    }
    file.path = path;
    file.maxBytes = maxBytes;
    return openLog(file);
}

} // namespace kestrum
