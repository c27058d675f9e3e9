#include "platform/Settings.h"

#include "base/WebAddress.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <toml++/toml.h>

namespace kestrum {

namespace {

std::string keyList() {
    std::string list;
    for (std::string_view key : kSettingsKeys) {
        list += list.empty() ? "" : ", ";
        list += key;
    }
    return list;
}

std::string where(const std::filesystem::path& path, const toml::source_region& region) {
    return path.string() + ":" + std::to_string(region.begin.line) + ":" +
           std::to_string(region.begin.column);
}

// Takes one key's value into the settings; an error message when it is of the wrong kind.
std::optional<std::string> take(Settings& settings, std::string_view key, const toml::node& value,
                                const std::string& place) {
    const auto text = [&](std::optional<std::string>& field) -> std::optional<std::string> {
        const auto* string = value.as_string();
        if (string == nullptr) {
            return place + ": " + std::string(key) + " must be a string in quotes";
        }
        field = string->get();
        return std::nullopt;
    };
    const auto flag = [&](std::optional<bool>& field) -> std::optional<std::string> {
        const auto* boolean = value.as_boolean();
        if (boolean == nullptr) {
            return place + ": " + std::string(key) + " must be true or false";
        }
        field = boolean->get();
        return std::nullopt;
    };
    const auto address = [&](std::optional<std::string>& field) -> std::optional<std::string> {
        if (auto error = text(field)) {
            return error;
        }
        if (auto error = checkAddress(place + ": " + std::string(key), *field)) {
            return error->message;
        }
        return std::nullopt;
    };
    if (key == "feed_host_1") {
        return address(settings.feedHost1);
    }
    if (key == "feed_host_2") {
        return address(settings.feedHost2);
    }
    if (key == "web_host") {
        return address(settings.webHost);
    }
    if (key == "site_url") {
        return address(settings.siteUrl);
    }
    if (key == "data_dir") {
        if (auto error = text(settings.dataDir)) {
            return error;
        }
        if (settings.dataDir->empty()) {
            return place + ": data_dir must name a folder";
        }
        return std::nullopt;
    }
    if (key == "web_panels") {
        return flag(settings.webPanels);
    }
    if (key == "update_check") {
        return flag(settings.updateCheck);
    }
    if (key == "follow_draws") {
        return flag(settings.followDraws);
    }
    return std::nullopt; // the keys were checked before
}

} // namespace

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

SettingsResult readSettingsFile(const std::filesystem::path& path, bool mustExist) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        if (!mustExist) {
            return Settings{};
        }
        return SettingsError{path.string() + ": no such settings file"};
    }
    std::ifstream in(path, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in && !in.eof()) {
        return SettingsError{path.string() + ": the settings file cannot be read"};
    }
    return parseSettingsText(text, path);
}

SettingsResult parseSettingsText(std::string_view text, const std::filesystem::path& path) {
    toml::table table;
    try {
        table = toml::parse(text, path.string());
    } catch (const toml::parse_error& parseError) {
        return SettingsError{where(path, parseError.source()) + ": " +
                             std::string(parseError.description())};
    }
    Settings settings;
    for (const auto& [key, value] : table) {
        if (std::find(std::begin(kSettingsKeys), std::end(kSettingsKeys), key.str()) ==
            std::end(kSettingsKeys)) {
            return SettingsError{where(path, key.source()) + ": unknown key " +
                                 std::string(key.str()) + " (the keys are " + keyList() + ")"};
        }
        const std::string place = where(path, value.source());
        if (auto message = take(settings, key.str(), value, place)) {
            return SettingsError{*message};
        }
    }
    return settings;
}

std::optional<SettingsError> checkAddress(std::string_view source, const std::string& address) {
    if (isWebAddress(address)) {
        return std::nullopt;
    }
    return SettingsError{std::string(source) + ": \"" + address +
                         "\" is not an http or https address with a host"};
}

Settings layered(const Settings& over, const Settings& under) {
    const auto pick = [](const auto& a, const auto& b) { return a ? a : b; };
    return {pick(over.feedHost1, under.feedHost1),     pick(over.feedHost2, under.feedHost2),
            pick(over.webHost, under.webHost),         pick(over.siteUrl, under.siteUrl),
            pick(over.dataDir, under.dataDir),         pick(over.webPanels, under.webPanels),
            pick(over.updateCheck, under.updateCheck), pick(over.followDraws, under.followDraws)};
}

bool namesAnAddress(const Settings& settings) {
    return settings.feedHost1 || settings.feedHost2 || settings.webHost || settings.siteUrl;
}

std::variant<Settings, SettingsError> completeAddresses(const Settings& settings) {
    std::string missing;
    const auto need = [&missing](const std::optional<std::string>& field, std::string_view key) {
        if (!field) {
            missing += missing.empty() ? "" : ", ";
            missing += key;
        }
    };
    need(settings.feedHost1, "feed_host_1");
    need(settings.feedHost2, "feed_host_2");
    need(settings.webHost, "web_host");
    if (!missing.empty()) {
        return SettingsError{"some addresses are set but not " + missing +
                             ": set feed_host_1, feed_host_2 and web_host (or the options "
                             "--feed-host-1, --feed-host-2 and --web-host), or no address at all "
                             "for the local simulated feeds"};
    }
    Settings complete = settings;
    if (!complete.siteUrl) {
        complete.siteUrl = *complete.webHost + "/";
    }
    return complete;
}

} // namespace kestrum
