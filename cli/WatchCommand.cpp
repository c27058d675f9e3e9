// watch: the files of one or more lotteries kept current, as the window keeps them, until
// SIGINT or SIGTERM.

#include "cli/CliCommand.h"
#include "cli/DrawsOptions.h"
#include "cli/Watch.h"
#include "platform/StopSignals.h"
#include "report/Names.h"

#include <CLI/CLI.hpp>
#include <algorithm>

namespace kestrum::cli {

namespace {

class WatchCommand final : public CliCommand {
public:
    CLI::App* addTo(CLI::App& program) override {
        CLI::App* watch = program.add_subcommand(
            "watch", "Keep the files of one or more lotteries current, as the window does, until "
                     "SIGINT or SIGTERM.");
        CLI::Option* lotteries =
            watch
                ->add_option("--lottery", m_lotteries,
                             "A lottery to watch; may be given again for more (1 when none).")
                ->type_name("L");
        watch->add_flag("--all", m_all, "Watch all ten lotteries.")->excludes(lotteries);
        watch->add_flag("--fixed-period", m_fixedPeriod,
                        "Refresh at the lottery's fixed period (35 or 10 s), as the window does "
                        "by default, rather than when a draw is due.");
        addDataDirOption(*watch,
                         "Write the files into DIR; with several lotteries, each into a subfolder "
                         "named after its feed (cq, jx, ...).");
        return watch;
    }

    std::optional<std::string> take(const CLI::App&, Request& request) const override {
        request.fixedPeriod = m_fixedPeriod;
        if (auto error = takeLotteries(m_lotteries, m_all, {1}, request)) {
            return error;
        }
        return std::nullopt;
    }

    int run(const Request& request, const RunSettings& settings,
            const std::string&) const override {
        // Only the watch takes the stop requests; every other command ends by them at once.
        const StopSignals stop;
        return runWatch(WatchRequest{request.lotteries, settings.app, request.fixedPeriod},
                        stop.requested());
    }

private:
    std::vector<std::string> m_lotteries;
    bool m_all = false;
    bool m_fixedPeriod = false;
};

} // namespace

std::unique_ptr<CliCommand> makeWatchCommand() {
    return std::make_unique<WatchCommand>();
}

} // namespace kestrum::cli
