#pragma once

// The settings a program runs with, shared by the window program and the command-line program:
// the options over the settings file over what the build compiles in, and the local feed
// server when no address is configured anywhere.

#include "commands/Commands.h"
#include "platform/LocalFeedServer.h"
#include "platform/Settings.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace kestrum {

// The local feed server's web address when it runs on its default ports: the site address at
// the end of the report of a program that reads its draws from elsewhere, starts no server and
// has no site address configured.
inline constexpr std::string_view kLocalFeedServerSiteUrl = "http://127.0.0.1:47800/";

struct RunSettings {
    AppSettings app;
    std::string siteUrl;
    bool webPanels = true;
    bool updateCheck = true;
    // The window refreshes when draws are due (follow_draws), not at the fixed period.
    bool followDraws = false;
    // No address is configured anywhere: the program runs the local feed server and takes its
    // addresses (the address fields are empty until then).
    bool localFeeds = false;
    // Once the local feed server runs: the line that says so, for standard error.
    std::string localFeedsNote;
    // The web interface's password hash and TLS files (web_password_hash, web_tls_cert,
    // web_tls_key), as the settings name them.
    std::optional<std::string> webPasswordHash;
    std::optional<std::string> webTlsCert;
    std::optional<std::string> webTlsKey;
};

// Layers `options` over the settings file (`configFile`, which must then exist, else the default
// file when there is one) over the build's own values. Once any address is named, the feed
// hosts and the web host must all be. Expands a leading "~/" of the data folder and makes sure
// the folder exists and can be written. The file's draw sources go into `app.sources`.
std::variant<RunSettings, SettingsError>
resolveRunSettings(const Settings& options, const std::optional<std::filesystem::path>& configFile,
                   const EnvironmentLookup& environment);

// Starts the local feed server (next to the running program, else on $PATH) and puts its
// addresses into `settings`, with the note that says so. An error in words for the user when it
// is not found or does not start.
std::variant<std::unique_ptr<LocalFeedServer>, std::string>
startLocalFeeds(RunSettings& settings, const EnvironmentLookup& environment);

// The local feed server when the settings name no address (`settings.localFeeds`): started as
// startLocalFeeds does, its note handed to `say` (each program writes it on standard error
// with its own name). A null server when none is needed; it stops when the pointer goes.
std::variant<std::unique_ptr<LocalFeedServer>, std::string>
startLocalFeedsWhenNeeded(RunSettings& settings, const EnvironmentLookup& environment,
                          const std::function<void(const std::string& note)>& say);

// The site address at the end of the report: `configured`, else the local feed server's
// default address.
std::string siteUrlOrLocalDefault(const std::string& configured);

} // namespace kestrum
