// plan: the plan report of play types of a lottery, as the window shows it.

#include "cli/CliCommand.h"
#include "cli/Console.h"
#include "cli/DrawsOptions.h"
#include "cli/DrawsRun.h"
#include "cli/Program.h"
#include "report/Names.h"
#include "stats/FormulaLuck.h"

#include <CLI/CLI.hpp>

namespace kestrum::cli {

namespace {

class PlanCommand final : public CliCommand {
public:
    CLI::App* addTo(CLI::App& program) override {
        CLI::App* plan = program.add_subcommand(
            "plan", "Print the plan report of play types of a lottery, as the window shows it.");
        m_draws.addTo(*plan, true);
        addPlayOrAllOption(*plan, m_play);
        return plan;
    }

    std::optional<std::string> take(const CLI::App& parsed, Request& request) const override {
        if (auto error = m_draws.take(parsed, request)) {
            return error;
        }
        if (auto error = takePlayOrAll(m_play, request)) {
            return error;
        }
        return std::nullopt;
    }

    bool leavesNoFile() const override { return true; }

    int run(const Request& request, const RunSettings& settings,
            const std::string& siteUrl) const override {
        const std::unique_ptr<DrawsRun> draws = DrawsRun::open(request, settings);
        if (!draws) {
            return kExitFailed;
        }
        if (const std::optional<int> failed = draws->load(false)) {
            return *failed;
        }
        const PlanSnapshot& plans = *draws->view().plans;
        if (request.format != OutputFormat::Json) {
            return printed(planText(plans, request.playTypes, siteUrl));
        }
        ChanceFiguresTable chance;
        for (const PlayType type : request.playTypes) {
            const std::size_t slot = slotOf(type);
            const FormulaLuck luck = formulaLuck(draws->context().engine, type,
                                                 plans.planParams[slot], plans.formulas[slot]);
            chance[slot] = {luck.formula.chance.chanceAccuracy, luck.formula.chance.pValue,
                            luck.bestOfSearchP};
        }
        return printed(planJson(draws->shown(), plans, request.playTypes, chance));
    }

private:
    DrawsOptions m_draws;
    std::string m_play = "all";
};

} // namespace

std::unique_ptr<CliCommand> makePlanCommand() {
    return std::make_unique<PlanCommand>();
}

} // namespace kestrum::cli
