#include "platform/Settings.h"

#include <cstdlib>

namespace kestrum {

std::optional<std::string> processEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

namespace {

// $variable/leaf, or $HOME/homeFolder/leaf when the variable gives no absolute folder.
std::optional<std::filesystem::path> xdgPath(const EnvironmentLookup& environment,
                                             const char* variable, const char* homeFolder,
                                             const std::filesystem::path& leaf) {
    const auto absolute = [&](const char* name) -> std::optional<std::filesystem::path> {
        const std::optional<std::string> value = environment(name);
        if (!value || value->empty() || !std::filesystem::path(*value).is_absolute()) {
            return std::nullopt;
        }
        return std::filesystem::path(*value);
    };
    if (const auto folder = absolute(variable)) {
        return *folder / leaf;
    }
    if (const auto home = absolute("HOME")) {
        return *home / homeFolder / leaf;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::filesystem::path> defaultSettingsPath(const EnvironmentLookup& environment) {
    return xdgPath(environment, "XDG_CONFIG_HOME", ".config",
                   std::filesystem::path("kestrum") / "kestrum.toml");
}

std::optional<std::filesystem::path> defaultLogPath(const EnvironmentLookup& environment) {
    return xdgPath(environment, "XDG_STATE_HOME", ".local/state",
                   std::filesystem::path("kestrum") / "kestrum.log");
}

std::string defaultDataFolder(const EnvironmentLookup&) {
    return ".";
}

std::optional<std::string> homeFolder(const EnvironmentLookup& environment) {
    std::optional<std::string> home = environment("HOME");
    if (home && home->empty()) {
        return std::nullopt;
    }
    return home;
}

} // namespace kestrum
