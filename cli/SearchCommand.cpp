// search: the formulas of a play type searched for a plan shape, the best 30 listed.

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

class SearchCommand final : public CliCommand {
public:
    CLI::App* addTo(CLI::App& program) override {
        CLI::App* search = program.add_subcommand(
            "search", "Search the formulas of a play type for a plan shape and list the best 30.");
        search->add_option("--play", m_play, "The play type.")->type_name("P")->required();
        search->add_option("--codes", m_codes, "码数: the digits a plan bets on, 1 to 9.")
            ->type_name("N")
            ->required();
        search->add_option("--periods", m_periods, "期数: the draws a plan runs, 1 or more.")
            ->type_name("N")
            ->required();
        m_draws.addTo(*search, true);
        return search;
    }

    std::optional<std::string> take(const CLI::App& parsed, Request& request) const override {
        if (auto error = m_draws.take(parsed, request)) {
            return error;
        }
        const std::optional<PlayType> type = playTypeNamed(m_play);
        if (!type) {
            return playTypeError(m_play, false);
        }
        request.playTypes = {*type};
        std::variant<PlanShape, std::string> shape = takePlanShape(m_codes, m_periods);
        if (const auto* error = std::get_if<std::string>(&shape)) {
            return *error;
        }
        request.shape = std::get<PlanShape>(shape);
        return std::nullopt;
    }

    bool leavesNoFile() const override { return true; }

    int run(const Request& request, const RunSettings& settings,
            const std::string&) const override {
        const std::unique_ptr<DrawsRun> draws = DrawsRun::open(request, settings);
        if (!draws) {
            return kExitFailed;
        }
        if (const std::optional<int> failed = draws->load(false)) {
            return *failed;
        }
        const PlayType type = request.playTypes.front();
        const std::int32_t best = runSearch(draws->context(), type, request.shape);
        const CandidateRows& candidates = *draws->view().candidates;
        if (request.format != OutputFormat::Json) {
            return printed(searchText(candidates, best));
        }
        const std::array<double, kCandidateRows> chance =
            candidateChances(draws->context().engine, type, request.shape, candidates);
        return printed(searchJson(draws->shown(), type, request.shape, candidates, best, chance));
    }

private:
    DrawsOptions m_draws;
    std::string m_play;
    std::string m_codes;
    std::string m_periods;
};

} // namespace

std::unique_ptr<CliCommand> makeSearchCommand() {
    return std::make_unique<SearchCommand>();
}

} // namespace kestrum::cli
