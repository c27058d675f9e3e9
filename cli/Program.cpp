#include "cli/Program.h"

#include "base/Utf8Path.h"
#include "cli/CliCommand.h"
#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "launch/RunSettings.h"
#include "platform/TemporaryFolder.h"

#include <memory>

namespace kestrum::cli {

namespace {

// Resolves the settings, starts what the command needs around it, and runs it.
int runRequest(const Request& request) {
    const CliCommand& command = *request.command;
    const bool readsOwnFeed = command.readsOwnFeed(request);
    Settings options = request.settings;
    std::unique_ptr<TemporaryFolder> scratch;
    if (command.leavesNoFile()) {
        auto made = TemporaryFolder::make("kestrum-cli-");
        if (const auto* error = std::get_if<std::string>(&made)) {
            complain("no temporary folder for the draws: " + *error);
            return kExitFailed;
        }
        scratch = std::move(std::get<std::unique_ptr<TemporaryFolder>>(made));
        options.dataDir = utf8FromPath(scratch->path());
    }
    if (readsOwnFeed) {
        // The one address that such a command uses; naming it alone asks for no host.
        options.siteUrl.reset();
    }
    std::variant<RunSettings, SettingsError> resolved =
        resolveRunSettings(options, request.configFile, processEnvironment);
    if (const auto* error = std::get_if<SettingsError>(&resolved)) {
        complain(error->message);
        return kExitUsage;
    }
    RunSettings& settings = std::get<RunSettings>(resolved);
    std::string siteUrl = settings.siteUrl;
    // Stopped when the command returns, and by the kernel if the program dies first.
    std::unique_ptr<LocalFeedServer> localFeeds;
    if (readsOwnFeed) {
        siteUrl = request.settings.siteUrl.value_or(siteUrlOrLocalDefault(siteUrl));
    } else {
        auto started = startLocalFeedsWhenNeeded(settings, processEnvironment, complain);
        if (const auto* error = std::get_if<std::string>(&started)) {
            complain(*error);
            return kExitFailed;
        }
        localFeeds = std::move(std::get<std::unique_ptr<LocalFeedServer>>(started));
        if (localFeeds) {
            siteUrl = settings.siteUrl;
        }
    }
    return command.run(request, settings, siteUrl);
}

} // namespace

int runProgram(int argc, const char* const* argv) {
    ParsedCommandLine parsed = parseCommandLine(argc, argv);
    if (const auto* answer = std::get_if<Answer>(&parsed)) {
        return printed(answer->text);
    }
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        complain(error->message + " (kestrum-cli --help lists the options)");
        return kExitUsage;
    }
    return runRequest(std::get<Request>(parsed));
}

} // namespace kestrum::cli
