#include "platform/TemporaryFolder.h"

#include "platform/windows/WideText.h"

#include <atomic>
#include <system_error>
#include <windows.h>

namespace kestrum {

std::variant<std::unique_ptr<TemporaryFolder>, std::string>
TemporaryFolder::make(std::string_view prefix) {
    std::error_code code;
    const std::filesystem::path parent = std::filesystem::temp_directory_path(code);
    if (code) {
        return code.message();
    }
    // CreateDirectoryW fails on a name that exists, so the folder is ours alone.
    static std::atomic<unsigned> count{0};
    DWORD error = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring name = windows::toWide(std::string(prefix)) +
                                  std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(GetTickCount64() % 1000000) + L"-" +
                                  std::to_wstring(count.fetch_add(1));
        const std::filesystem::path path = parent / name;
        if (CreateDirectoryW(path.c_str(), nullptr)) {
            return std::unique_ptr<TemporaryFolder>(new TemporaryFolder(path));
        }
        error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) {
            break;
        }
    }
    return windows::lastErrorText(error);
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

} // namespace kestrum
