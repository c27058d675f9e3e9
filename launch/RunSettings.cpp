#include "launch/RunSettings.h"

#include "BuildSettings.h"
#include "base/Utf8Path.h"
#include "launch/DataFolder.h"
#include "platform/Process.h"

namespace kestrum {

std::variant<RunSettings, SettingsError>
resolveRunSettings(const Settings& options, const std::optional<std::filesystem::path>& configFile,
                   const EnvironmentLookup& environment) {
    Settings file;
    const std::optional<std::filesystem::path> path =
        configFile ? configFile : defaultSettingsPath(environment);
    if (path) {
        SettingsResult read = readSettingsFile(*path, configFile.has_value());
        if (auto* error = std::get_if<SettingsError>(&read)) {
            return *error;
        }
        file = std::get<Settings>(read);
    }
    // The default build compiles no address in.
    Settings built;
    const auto compiled = [](std::string_view address) -> std::optional<std::string> {
        return address.empty() ? std::nullopt : std::optional<std::string>(address);
    };
    built.feedHost1 = compiled(build::kFeedHost1);
    built.feedHost2 = compiled(build::kFeedHost2);
    built.webHost = compiled(build::kWebHost);
    built.siteUrl = compiled(build::kSiteUrl);
    Settings chosen = layered(options, layered(file, built));

    RunSettings run;
    run.localFeeds = !namesAnAddress(chosen);
    if (!run.localFeeds) {
        std::variant<Settings, SettingsError> complete = completeAddresses(chosen);
        if (const auto* error = std::get_if<SettingsError>(&complete)) {
            return *error;
        }
        chosen = std::get<Settings>(complete);
    }
    run.app.feedHosts = {chosen.feedHost1.value_or(""), chosen.feedHost2.value_or("")};
    run.app.webHost = chosen.webHost.value_or("");
    run.app.sources = chosen.sources;
    run.siteUrl = chosen.siteUrl.value_or("");
    run.webPanels = chosen.webPanels.value_or(true);
    run.updateCheck = chosen.updateCheck.value_or(true);
    run.followDraws = chosen.followDraws.value_or(false);
    run.webPasswordHash = chosen.webPasswordHash;
    run.webTlsCert = chosen.webTlsCert;
    run.webTlsKey = chosen.webTlsKey;
    std::string folder = chosen.dataDir.value_or(defaultDataFolder(environment));
    if (folder == "~" || folder.starts_with("~/")) {
        const std::optional<std::string> home = homeFolder(environment);
        if (!home) {
            return SettingsError{folder + ": the home folder is not set, so ~ cannot be expanded"};
        }
        folder = *home + folder.substr(1);
    }
    if (auto problem = prepareDataFolder(pathFromUtf8(folder))) {
        return SettingsError{problem->message()};
    }
    run.app.dataDirectory = pathFromUtf8(folder);
    return run;
}

std::variant<std::unique_ptr<LocalFeedServer>, std::string>
startLocalFeeds(RunSettings& settings, const EnvironmentLookup& environment) {
    const std::optional<std::filesystem::path> program =
        findFeedServer(runningProgramPath().value_or(std::filesystem::path()), environment);
    if (!program) {
        return "no address is configured and the local feed server " +
               std::string(kFeedServerName) +
               " is neither next to the program nor on the search path: install it, or name "
               "the addresses (--help)";
    }
    auto started = LocalFeedServer::start(*program);
    if (auto* server = std::get_if<std::unique_ptr<LocalFeedServer>>(&started)) {
        settings.app.feedHosts = {(*server)->feedHost1(), (*server)->feedHost2()};
        settings.app.webHost = (*server)->webHost();
        settings.siteUrl = (*server)->webHost() + "/";
        settings.localFeedsNote =
            "no address is configured: the draws are simulated by the local feed server " +
            program->string() + " (process " + std::to_string((*server)->pid()) + "; web host " +
            settings.app.webHost + ", feed hosts " + settings.app.feedHosts.first + " and " +
            settings.app.feedHosts.second + ")";
    }
    return started;
}

std::variant<std::unique_ptr<LocalFeedServer>, std::string>
startLocalFeedsWhenNeeded(RunSettings& settings, const EnvironmentLookup& environment,
                          const std::function<void(const std::string& note)>& say) {
    if (!settings.localFeeds) {
        return std::unique_ptr<LocalFeedServer>();
    }
    auto started = startLocalFeeds(settings, environment);
    if (std::holds_alternative<std::unique_ptr<LocalFeedServer>>(started)) {
        say(settings.localFeedsNote);
    }
    return started;
}

std::string siteUrlOrLocalDefault(const std::string& configured) {
    return configured.empty() ? std::string(kLocalFeedServerSiteUrl) : configured;
}

} // namespace kestrum
