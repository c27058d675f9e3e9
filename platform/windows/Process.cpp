#include "platform/Process.h"

#include "platform/windows/WideText.h"

#include <windows.h>

namespace kestrum {

bool runningAsRoot() {
    // An elevated administrator's token.
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return false;
    }
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool elevated =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
        elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated;
}

std::optional<std::filesystem::path> runningProgramPath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return std::nullopt;
        }
        if (length < buffer.size()) {
            buffer.resize(length);
            return std::filesystem::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool isRunnableProgram(const std::filesystem::path& path) {
    // Windows runs any file by its name; what matters is that it is one.
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

void killProcess(ProcessId pid) {
    if (pid <= 0) {
        return;
    }
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid));
    if (process != nullptr) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
}

void lowerPriority(ProcessId pid, int steps) {
    if (pid <= 0) {
        return;
    }
    HANDLE process = OpenProcess(PROCESS_SET_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process != nullptr) {
        // Windows has classes, not steps: the nicer half of the steps is the idle class.
        SetPriorityClass(process, steps >= 10 ? IDLE_PRIORITY_CLASS : BELOW_NORMAL_PRIORITY_CLASS);
        CloseHandle(process);
    }
}

} // namespace kestrum
