// export: data1.txt and the nine export files, as the window writes them.

#include "base/Utf8Path.h"
#include "cli/CliCommand.h"
#include "cli/Console.h"
#include "cli/DrawsOptions.h"
#include "cli/DrawsRun.h"
#include "cli/Program.h"
#include "commands/PromotedStartup.h"

#include <CLI/CLI.hpp>

namespace kestrum::cli {

namespace {

class ExportCommand final : public CliCommand {
public:
    CLI::App* addTo(CLI::App& program) override {
        CLI::App* exports = program.add_subcommand(
            "export", "Write data1.txt and the nine export files, as the window writes them.");
        m_draws.addTo(*exports, false);
        addDataDirOption(*exports, "Write the files into DIR.");
        return exports;
    }

    std::optional<std::string> take(const CLI::App& parsed, Request& request) const override {
        return m_draws.take(parsed, request);
    }

    // The files end with the promotional line of the maker's web host, which the settings
    // name (or the local feed server serves), even when the draws come from SOURCE.
    bool readsOwnFeed(const Request&) const override { return false; }

    int run(const Request& request, const RunSettings& settings,
            const std::string&) const override {
        const std::unique_ptr<DrawsRun> draws = DrawsRun::open(request, settings);
        if (!draws) {
            return kExitFailed;
        }
        std::optional<int> failed;
        startUpAfterPromotion(
            draws->context(),
            [&] {
                complain("the maker's web host " + settings.app.webHost +
                         " cannot be reached for the promotional address (/addurl/vn.txt)");
                failed = kExitFailed;
                return false;
            },
            [&] { failed = draws->load(true); });
        if (failed) {
            return *failed;
        }
        if (draws->view().exportsFailed) {
            complain("the export files cannot all be written into " +
                     utf8FromPath(settings.app.dataDirectory));
            return kExitFailed;
        }
        return kExitDone;
    }

private:
    DrawsOptions m_draws;
};

} // namespace

std::unique_ptr<CliCommand> makeExportCommand() {
    return std::make_unique<ExportCommand>();
}

} // namespace kestrum::cli
