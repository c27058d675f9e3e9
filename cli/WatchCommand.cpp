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
        request.lotteries.clear();
        if (m_all) {
            for (const LotterySource& lottery : lotteryTable()) {
                request.lotteries.push_back(lottery.number);
            }
        }
        for (const std::string& text : m_lotteries) {
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
