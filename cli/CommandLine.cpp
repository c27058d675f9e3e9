#include "cli/CommandLine.h"

#include "BuildSettings.h"
#include "cli/Names.h"
#include "commands/Commands.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>

namespace kestrum::cli {

namespace {

constexpr const char* kExitStatuses =
    "Exit status: 0 when done; 1 when the draws or the maker's web host cannot be reached, a\n"
    "feed file cannot be read, the feed holds no line, the export files cannot be written or\n"
    "the local feed server does not start; 2 for a bad command line or bad settings.";

struct AddressOption {
    const char* name;
    const char* description;
    std::optional<std::string> Settings::*field;
};

const std::array<AddressOption, 4> kAddressOptions{{
    {"--feed-host-1", "The first draw-feed host, http://host:port.", &Settings::feedHost1},
    {"--feed-host-2", "The second draw-feed host, http://host:port.", &Settings::feedHost2},
    {"--web-host", "The maker's web host (the promotional address of the export files).",
     &Settings::webHost},
    {"--site-url", "The product's site address at the end of the report.", &Settings::siteUrl},
}};

// The values as the options give them, checked once the parser is done.
struct Given {
    std::string config;
    std::array<std::string, 4> addresses;
    std::string dataDir;
    std::string commandDataDir;
    std::string lottery = "1";
    std::vector<std::string> lotteries;
    // plan's default; no play type of a search.
    std::string play = "all";
    std::string codes;
    std::string periods;
    std::string feed;
    bool replay = false;
    bool all = false;
    bool fixedPeriod = false;
    std::string format = "text";
};

// The options that plan, search and export share.
void addSourceOptions(CLI::App& command, Given& given, bool withFormat) {
    command
        .add_option("--lottery", given.lottery,
                    "The lottery: 1 to 10, its feed name (cq, jx, ...) or its caption; 1 when "
                    "not given.")
        ->type_name("L");
    command
        .add_option("--feed", given.feed,
                    "Read the lottery's feed from SOURCE instead of its host: a file, - for "
                    "standard input, or an http or https address.")
        ->type_name("SOURCE");
    command.add_flag("--replay", given.replay,
                     "Replay SOURCE (newest line first) from its oldest 30 lines on, one refresh "
                     "per newer line, as the window would have seen it over time.");
    if (withFormat) {
        command.add_option("--format", given.format, "text (the default) or json.")
            ->type_name("FORMAT");
    }
}

std::optional<std::string> lotteryError(const std::string& text) {
    return "--lottery: no lottery is called \"" + text +
           "\" (the lotteries: " + lotteryNamesText() + ")";
}

std::optional<std::string> playError(const std::string& text, bool allowsAll) {
    return "--play: no play type is called \"" + text +
           "\" (the play types: " + playTypeNamesText() + (allowsAll ? ", or all" : "") + ")";
}

// Checks what the parser took and fills the request; a message when something is wrong.
std::optional<std::string> takeGiven(const Given& given, const CLI::App& app, Command command,
                                     Request& request) {
    request.command = command;
    if (app.count("--config") > 0) {
        if (given.config.empty()) {
            return "--config must name a file";
        }
        request.configFile = given.config;
    }
    for (std::size_t i = 0; i < kAddressOptions.size(); ++i) {
        const AddressOption& option = kAddressOptions[i];
        if (app.count(option.name) > 0) {
            if (auto error = checkAddress(option.name, given.addresses[i])) {
                return error->message;
            }
            request.settings.*option.field = given.addresses[i];
        }
    }
    const CLI::App& chosen = *app.get_subcommands().front();
    std::optional<std::string> dataDir;
    if (app.count("--data-dir") > 0) {
        dataDir = given.dataDir;
    }
    if (chosen.get_option_no_throw("--data-dir") != nullptr && chosen.count("--data-dir") > 0) {
        dataDir = given.commandDataDir;
    }
    if (dataDir) {
        if (dataDir->empty()) {
            return "--data-dir must name a folder";
        }
        request.settings.dataDir = dataDir;
    }

    if (command == Command::Watch) {
        request.fixedPeriod = given.fixedPeriod;
        request.lotteries.clear();
        if (given.all) {
            for (const LotterySource& lottery : lotteryTable()) {
                request.lotteries.push_back(lottery.number);
            }
        }
        for (const std::string& text : given.lotteries) {
            const std::optional<std::int32_t> number = lotteryNamed(text);
            if (!number) {
                return lotteryError(text);
            }
            if (std::find(request.lotteries.begin(), request.lotteries.end(), *number) !=
                request.lotteries.end()) {
                return "--lottery: " + text + " is named twice";
            }
            request.lotteries.push_back(*number);
        }
        if (request.lotteries.empty()) {
            request.lotteries.push_back(1);
        }
        return std::nullopt;
    }

    const std::optional<std::int32_t> lottery = lotteryNamed(given.lottery);
    if (!lottery) {
        return lotteryError(given.lottery);
    }
    request.lotteries = {*lottery};
    if (chosen.count("--feed") > 0) {
        std::variant<FeedSource, std::string> source = parseFeedSource(given.feed);
        if (const auto* error = std::get_if<std::string>(&source)) {
            return *error;
        }
        request.feed = std::get<FeedSource>(source);
    }
    request.replay = given.replay;
    if (request.replay && !request.feed) {
        return "--replay needs --feed SOURCE: the lines to replay";
    }
    if (given.format == "json") {
        request.format = OutputFormat::Json;
    } else if (given.format != "text") {
        return "--format: \"" + given.format + "\" is neither text nor json";
    }

    if (command == Command::Plan) {
        if (given.play == "all") {
            request.playTypes.assign(allPlayTypes().begin(), allPlayTypes().end());
        } else if (const std::optional<PlayType> type = playTypeNamed(given.play)) {
            request.playTypes = {*type};
        } else {
            return playError(given.play, true);
        }
    } else if (command == Command::Search) {
        const std::optional<PlayType> type = playTypeNamed(given.play);
        if (!type) {
            return playError(given.play, false);
        }
        request.playTypes = {*type};
        // The boxes' own rule: a leading number, 码数 1 to 9, 期数 1 or more.
        if (!parseSearchInput(given.codes, "1")) {
            return "--codes: \"" + given.codes + "\" is not a number of codes from 1 to 9";
        }
        const std::optional<PlanShape> shape = parseSearchInput(given.codes, given.periods);
        if (!shape) {
            return "--periods: \"" + given.periods + "\" is not a number of periods, 1 or more";
        }
        request.shape = *shape;
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
    Given given;
    app.add_option("--config", given.config, "Read the settings from FILE.")->type_name("FILE");
    for (std::size_t i = 0; i < kAddressOptions.size(); ++i) {
        app.add_option(kAddressOptions[i].name, given.addresses[i], kAddressOptions[i].description)
            ->type_name("URL");
    }
    app.add_option("--data-dir", given.dataDir,
                   "Write data1.txt and the export files into DIR (made when missing).")
        ->type_name("DIR");

    CLI::App* plan = app.add_subcommand(
        "plan", "Print the plan report of play types of a lottery, as the window shows it.");
    addSourceOptions(*plan, given, true);
    plan->add_option("--play", given.play,
                     "The play type (h1, h2, h3, h3b, h5b, shi, bai, qian, wan, q3, or its "
                     "caption), or all (the default).")
        ->type_name("P");

    CLI::App* search = app.add_subcommand(
        "search", "Search the formulas of a play type for a plan shape and list the best 30.");
    search->add_option("--play", given.play, "The play type.")->type_name("P")->required();
    search->add_option("--codes", given.codes, "码数: the digits a plan bets on, 1 to 9.")
        ->type_name("N")
        ->required();
    search->add_option("--periods", given.periods, "期数: the draws a plan runs, 1 or more.")
        ->type_name("N")
        ->required();
    addSourceOptions(*search, given, true);

    CLI::App* exports = app.add_subcommand(
        "export", "Write data1.txt and the nine export files, as the window writes them.");
    addSourceOptions(*exports, given, false);
    exports->add_option("--data-dir", given.commandDataDir, "Write the files into DIR.")
        ->type_name("DIR");

    CLI::App* watch = app.add_subcommand(
        "watch", "Keep the files of one or more lotteries current, as the window does, until "
                 "SIGINT or SIGTERM.");
    CLI::Option* lotteries =
        watch
            ->add_option("--lottery", given.lotteries,
                         "A lottery to watch; may be given again for more (1 when none).")
            ->type_name("L");
    watch->add_flag("--all", given.all, "Watch all ten lotteries.")->excludes(lotteries);
    watch->add_flag("--fixed-period", given.fixedPeriod,
                    "Refresh at the lottery's fixed period (35 or 10 s), as the window does by "
                    "default, rather than when a draw is due.");
    watch
        ->add_option("--data-dir", given.commandDataDir,
                     "Write the files into DIR; with several lotteries, each into a subfolder "
                     "named after its feed (cq, jx, ...).")
        ->type_name("DIR");

    for (CLI::App* command : {plan, search, exports, watch}) {
        // The window program's options are taken after the command too.
        command->fallthrough();
        command->footer(kExitStatuses);
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

    const std::pair<CLI::App*, Command> commands[] = {{plan, Command::Plan},
                                                      {search, Command::Search},
                                                      {exports, Command::Export},
                                                      {watch, Command::Watch}};
    Request request;
    for (const auto& [command, kind] : commands) {
        if (command->parsed()) {
            if (auto error = takeGiven(given, app, kind, request)) {
                return UsageError{*error};
            }
            return request;
        }
    }
    return UsageError{"no command: plan, search, export or watch"};
}

} // namespace kestrum::cli
