#pragma once

// The program's settings: the addresses of the two draw-feed hosts and of the maker's web host,
// the product's site address, the data folder, three switches and the draw source of each
// lottery. They come from the command line, then the settings file, then what the build
// compiles in, in that order of precedence; a setting that no layer names is left to the
// program's own default. The sources come from the settings file alone.

#include "base/SourceFormat.h"

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kestrum {

// One lottery's draw source, a [sources.NAME] table of the settings file.
struct SourceSettings {
    // Where its draws are fetched (http or https, checked); nothing keeps the lottery's own host
    // and path.
    std::optional<std::string> url;
    SourceFormat format = SourceFormat::Lines;
    // json: a JSON Pointer to the array of records, checked as one; "" is the top level.
    // Empty for the other formats.
    std::string records;
    // json: a record's field; csv: a column's header name, or its number from 1, as text.
    // Never empty for json and csv; empty for lines.
    std::string period;
    std::string digits;
    // Request headers, name to value: each name an HTTP token, no value with a line break or
    // other control character but the tab.
    std::map<std::string, std::string> headers;
    // The spans of the day and their intervals, as written (e.g. "10:00-22:00/10m"), checked to
    // read as a schedule. Empty when the source names none.
    std::vector<std::string> schedule;

    bool operator==(const SourceSettings&) const = default;
};

// The feed names that a [sources.NAME] table may use, one per lottery, in the order of the
// lotteries' numbers. The lottery table's feed paths end in exactly these names.
inline constexpr std::string_view kSourceFeedNames[] = {
    "cq", "jx", "xj", "tj", "dbwfc", "dbffc", "ynffc", "hnffc", "tlffc", "xgffc",
};

// The keys of a source table, in the order the messages list them.
inline constexpr std::string_view kSourceKeys[] = {
    "url", "format", "records", "period", "digits", "headers", "schedule",
};

// One layer of settings; an empty field is not named by this layer.
struct Settings {
    // "http://host:port" or "https://...", without a final slash.
    std::optional<std::string> feedHost1;
    std::optional<std::string> feedHost2;
    std::optional<std::string> webHost;
    // The address that ends the report's footer.
    std::optional<std::string> siteUrl;
    // Where data1.txt and the export files go, as written (a leading "~/" not yet expanded).
    std::optional<std::string> dataDir;
    std::optional<bool> webPanels;
    std::optional<bool> updateCheck;
    // Refresh when draws are due rather than at the lottery's fixed period.
    std::optional<bool> followDraws;
    // The draw source of each lottery that has one, by feed name; a lottery not named here is
    // read from its own host and path as lines.
    std::map<std::string, SourceSettings> sources;
    // The web interface's password as its hash (kestrum-cli passwd writes it), and the files of
    // its TLS certificate and key (PEM): all three are needed to serve beyond this machine.
    std::optional<std::string> webPasswordHash;
    std::optional<std::string> webTlsCert;
    std::optional<std::string> webTlsKey;

    bool operator==(const Settings&) const = default;
};

// What went wrong, in words for the user: the file, and where and what.
struct SettingsError {
    std::string message;
};

using SettingsResult = std::variant<Settings, SettingsError>;

// The keys a settings file may hold, in the order the messages list them.
inline constexpr std::string_view kSettingsKeys[] = {
    "feed_host_1",  "feed_host_2",  "web_host", "site_url",          "data_dir",     "web_panels",
    "update_check", "follow_draws", "sources",  "web_password_hash", "web_tls_cert", "web_tls_key",
};

// Looks up an environment variable; nothing when it is unset.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

// The process's own environment, in UTF-8.
std::optional<std::string> processEnvironment(const char* name);

// The settings file when none is named. Linux: $XDG_CONFIG_HOME/kestrum/kestrum.toml, with
// $HOME/.config in place of an unset, empty or relative XDG_CONFIG_HOME. Windows:
// %APPDATA%\Kestrum\kestrum.toml. Nothing when the variables give no absolute folder.
std::optional<std::filesystem::path> defaultSettingsPath(const EnvironmentLookup& environment);

// The debug log's file. Linux: $XDG_STATE_HOME/kestrum/kestrum.log, with $HOME/.local/state in
// place of an unset, empty or relative XDG_STATE_HOME. Windows:
// %LOCALAPPDATA%\Kestrum\kestrum.log. Nothing when the variables give no absolute folder.
std::optional<std::filesystem::path> defaultLogPath(const EnvironmentLookup& environment);

// The data folder when the settings name none, as text: "." (the working folder) on Linux,
// %LOCALAPPDATA%\Kestrum on Windows (where a program started from the Start menu can write),
// and "." there too when LOCALAPPDATA gives no absolute folder.
std::string defaultDataFolder(const EnvironmentLookup& environment);

// The user's home folder, for a data folder written "~/...": $HOME on Linux, %USERPROFILE% on
// Windows; nothing when unset or empty.
std::optional<std::string> homeFolder(const EnvironmentLookup& environment);

// Reads a settings file (TOML). A file that does not exist gives empty settings when it is
// optional (the default path) and an error when it was named. Every other fault is an error:
// a file that does not parse (its path, line and column, and what is wrong), an unknown key
// (named, with the keys that exist), a value of the wrong type, an address that is not http
// or https, an empty data folder. In a source table also: a feed name that is no lottery's, an
// unknown key, a format other than "lines", "json" and "csv", a records value that is no JSON
// Pointer, json or csv without period and digits (or mapping keys for a format that maps
// nothing), a header that could not be sent as written.
SettingsResult readSettingsFile(const std::filesystem::path& path, bool mustExist);

// Reads the text of a settings file; `path` names it in the messages.
SettingsResult parseSettingsText(std::string_view text, const std::filesystem::path& path);

// Checks the settings given on the command line the same way (`source` names them in the
// message, e.g. "--web-host").
std::optional<SettingsError> checkAddress(std::string_view source, const std::string& address);

// The layer `over` wins where it names a setting; `under` fills the rest. A source is taken
// whole, from the layer that names its feed.
Settings layered(const Settings& over, const Settings& under);

// Whether any of the four addresses is named. When none is, the program runs its own local
// feed server.
bool namesAnAddress(const Settings& settings);

// Once any address is named, the two feed hosts and the web host must all be (an error names
// those missing); the site address, when not named, is the web host's followed by "/".
std::variant<Settings, SettingsError> completeAddresses(const Settings& settings);

} // namespace kestrum
