#include "cli/CommandLine.h"

#include "BuildSettings.h"
#include "base/Utf8Path.h"
#include "cli/CliCommand.h"
#include "launch/AddressOptions.h"

#include <CLI/CLI.hpp>
#include <array>

namespace kestrum::cli {

namespace {

constexpr const char* kExitStatuses =
    "Exit status: 0 when done; 1 when the draws or the maker's web host cannot be reached, a\n"
    "feed file cannot be read, the feed holds no line, the export files cannot be written or\n"
    "the local feed server does not start; 2 for a bad command line or bad settings.";

// The values of the options before the command, checked once the parser is done.
struct ProgramOptions {
    std::string config;
    std::array<std::string, kAddressOptions.size()> addresses;
    std::string dataDir;
};

// Checks the options before the command (and a --data-dir after it) and fills the request; a
// message when something is wrong.
std::optional<std::string> takeProgramOptions(const ProgramOptions& given, const CLI::App& app,
                                              const CLI::App& chosen, const CliCommand& command,
                                              Request& request) {
    if (app.count("--config") > 0) {
        if (given.config.empty()) {
            return "--config must name a file";
        }
        request.configFile = pathFromUtf8(given.config);
    }
    for (std::size_t i = 0; i < kAddressOptions.size(); ++i) {
        const AddressOption& option = kAddressOptions[i];
        if (app.count("--" + std::string(option.name)) > 0) {
            if (auto error = takeAddressOption(option, given.addresses[i], request.settings)) {
                return error->message;
            }
        }
    }
    std::optional<std::string> dataDir;
    if (app.count("--data-dir") > 0) {
        dataDir = given.dataDir;
    }
    if (chosen.get_option_no_throw("--data-dir") != nullptr && chosen.count("--data-dir") > 0) {
        dataDir = command.ownDataDir();
    }
    if (dataDir) {
        if (dataDir->empty()) {
            return "--data-dir must name a folder";
        }
        request.settings.dataDir = dataDir;
    }
    return std::nullopt;
}

} // namespace

ParsedCommandLine parseCommandLine(int argc, const char* const* argv) {
    CLI::App app("kestrum-cli: the plans of Kestrum for five-digit high-frequency lotteries, "
                 "without a window.",
                 "kestrum-cli");
    app.set_version_flag("--version", "kestrum-cli " + std::string(build::kVersion),
                         "Print the version and exit.");
    app.require_subcommand(1);
    app.footer(std::string(kExitStatuses) +
               "\nRun kestrum-cli COMMAND --help for the options of a command.");
    ProgramOptions given;
    app.add_option("--config", given.config, kConfigOptionHelp)->type_name("FILE");
    for (std::size_t i = 0; i < kAddressOptions.size(); ++i) {
        app.add_option("--" + std::string(kAddressOptions[i].name), given.addresses[i],
                       kAddressOptions[i].cliDescription)
            ->type_name(kAddressOptions[i].valueName);
    }
    app.add_option("--data-dir", given.dataDir, kDataDirOptionHelp)->type_name("DIR");

    // In the order of the help text.
    std::unique_ptr<CliCommand> commands[] = {
        makePlanCommand(),        makeSearchCommand(),   makeExportCommand(), makeWatchCommand(),
        makeSourceCheckCommand(), makeEvaluateCommand(), makeServeCommand(),  makePasswdCommand()};
    std::array<CLI::App*, std::size(commands)> parsers{};
    for (std::size_t i = 0; i < std::size(commands); ++i) {
        parsers[i] = commands[i]->addTo(app);
        // The window program's options are taken after the command too.
        parsers[i]->fallthrough();
        parsers[i]->footer(kExitStatuses);
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        return Answer{app.help()};
    } catch (const CLI::CallForAllHelp&) {
        return Answer{app.help("", CLI::AppFormatMode::All)};
    } catch (const CLI::CallForVersion& version) {
        return Answer{std::string(version.what()) + "\n"};
    } catch (const CLI::ParseError& error) {
        return UsageError{error.what()};
    }

    for (std::size_t i = 0; i < std::size(commands); ++i) {
        if (!parsers[i]->parsed()) {
            continue;
        }
        Request request;
        const CLI::App& chosen = *app.get_subcommands().front();
        if (auto error = takeProgramOptions(given, app, chosen, *commands[i], request)) {
            return UsageError{*error};
        }
        if (auto error = commands[i]->take(*parsers[i], request)) {
            return UsageError{*error};
        }
        request.command = std::move(commands[i]);
        return request;
    }
    return UsageError{
        "no command: plan, search, export, watch, source check, evaluate, serve or passwd"};
}

} // namespace kestrum::cli
