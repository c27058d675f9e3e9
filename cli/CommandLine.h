#pragma once

// kestrum-cli's command line: the window program's options, then one of the commands plan,
// search, export and watch with its own options. The values are checked here (names, numbers,
// addresses); the settings they are layered over are the program's to resolve.

#include "cli/FeedSource.h"
#include "engine/DispatchTables.h"
#include "engine/PlayType.h"
#include "platform/Settings.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kestrum::cli {

class CliCommand;

enum class OutputFormat { Text, Json };

struct Request {
    // The command chosen, which runs the request.
    std::shared_ptr<const CliCommand> command;
    // What the options name, as the window program's options do.
    Settings settings;
    std::optional<std::filesystem::path> configFile;
    // plan, search, export: the lottery; watch: the lotteries, each once, in the order given.
    std::vector<std::int32_t> lotteries{1};
    // plan: the play types shown, in slot order for "all"; search: the one searched.
    std::vector<PlayType> playTypes;
    // search: 码数 and 期数; evaluate: the same, when given (shapeGiven).
    PlanShape shape;
    bool shapeGiven = false;
    // evaluate: the draws a search sees at each step.
    std::int32_t window = 30;
    // --feed SOURCE.
    std::optional<FeedSource> feed;
    bool replay = false;
    // watch: refresh at the fixed period, not when draws are due.
    bool fixedPeriod = false;
    OutputFormat format = OutputFormat::Text;
};

// --help and --version: the text for standard output; nothing runs.
struct Answer {
    std::string text;
};

// A bad command line: what is wrong, for standard error; the exit status is 2.
struct UsageError {
    std::string message;
};

using ParsedCommandLine = std::variant<Request, Answer, UsageError>;

// Reads the arguments (the program's name first).
ParsedCommandLine parseCommandLine(int argc, const char* const* argv);

} // namespace kestrum::cli
