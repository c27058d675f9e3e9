#include "base/Utf8Path.h"
#include "platform/Settings.h"
#include "platform/windows/WideText.h"

#include <windows.h>

namespace kestrum {

std::optional<std::string> processEnvironment(const char* name) {
    const std::wstring wideName = windows::toWide(name);
    std::wstring value(256, L'\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(),
                                                     static_cast<DWORD>(value.size()));
        if (length == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
                return std::nullopt;
            }
            return std::string();
        }
        if (length < value.size()) {
            value.resize(length);
            return windows::fromWide(value);
        }
        value.resize(length);
    }
}

namespace {

// %variable%\Kestrum\leaf; nothing when the variable gives no absolute folder.
std::optional<std::filesystem::path> knownFolder(const EnvironmentLookup& environment,
                                                 const char* variable, const char* leaf) {
    const std::optional<std::string> value = environment(variable);
    if (!value || value->empty()) {
        return std::nullopt;
    }
    const std::filesystem::path folder = pathFromUtf8(*value);
    if (!folder.is_absolute()) {
        return std::nullopt;
    }
    return leaf == nullptr ? folder / "Kestrum" : folder / "Kestrum" / leaf;
}

} // namespace

std::optional<std::filesystem::path> defaultSettingsPath(const EnvironmentLookup& environment) {
    return knownFolder(environment, "APPDATA", "kestrum.toml");
}

std::optional<std::filesystem::path> defaultLogPath(const EnvironmentLookup& environment) {
    return knownFolder(environment, "LOCALAPPDATA", "kestrum.log");
}

std::string defaultDataFolder(const EnvironmentLookup& environment) {
    const std::optional<std::filesystem::path> folder =
        knownFolder(environment, "LOCALAPPDATA", nullptr);
    return folder ? utf8FromPath(*folder) : std::string(".");
}

std::optional<std::string> homeFolder(const EnvironmentLookup& environment) {
    std::optional<std::string> home = environment("USERPROFILE");
    if (home && home->empty()) {
        return std::nullopt;
    }
    return home;
}

} // namespace kestrum
