#pragma once

// One of kestrum-cli's commands (plan, search, export, watch, source check, evaluate): its own
// options, the check of what they gave, and its run. Each lives in a file of its own.

#include "cli/CommandLine.h"
#include "launch/RunSettings.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
} // namespace CLI

namespace kestrum::cli {

class CliCommand {
public:
    virtual ~CliCommand() = default;

    // Adds the command and its options to the program's parser; the options' values go into
    // the command's members.
    virtual CLI::App* addTo(CLI::App& program) = 0;

    // After a parse that chose this command (`parsed` is its own parser): fills `request` from
    // what its options took. What is wrong, for a message, otherwise.
    virtual std::optional<std::string> take(const CLI::App& parsed, Request& request) const = 0;

    // Whether the draws are read from --feed SOURCE alone: no host is then needed, and no
    // local feed server started.
    virtual bool readsOwnFeed(const Request& request) const { return request.feed.has_value(); }

    // Whether the command leaves no file behind: "data1.txt", which every download writes, then
    // goes into a temporary folder.
    virtual bool leavesNoFile() const { return false; }

    // Runs the request once the settings are resolved (and the local feed server runs, when
    // one is needed); `siteUrl` ends the report. Returns the exit status.
    virtual int run(const Request& request, const RunSettings& settings,
                    const std::string& siteUrl) const = 0;

    // What the command's own --data-dir took, when it has one.
    const std::string& ownDataDir() const { return m_dataDir; }

protected:
    CLI::Option* addDataDirOption(CLI::App& command, const std::string& description);

private:
    std::string m_dataDir;
};

std::unique_ptr<CliCommand> makePlanCommand();
std::unique_ptr<CliCommand> makeSearchCommand();
std::unique_ptr<CliCommand> makeExportCommand();
std::unique_ptr<CliCommand> makeWatchCommand();
std::unique_ptr<CliCommand> makeSourceCheckCommand();
std::unique_ptr<CliCommand> makeEvaluateCommand();
std::unique_ptr<CliCommand> makeServeCommand();
std::unique_ptr<CliCommand> makePasswdCommand();

} // namespace kestrum::cli
