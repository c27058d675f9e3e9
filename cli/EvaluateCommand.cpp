// evaluate: the tool's own method replayed over a long history, out of sample.

#include "cli/CliCommand.h"
#include "cli/Console.h"
#include "cli/DrawsOptions.h"
#include "cli/NetworkClient.h"
#include "cli/Output.h"
#include "cli/Program.h"
#include "cli/WholeFeed.h"
#include "commands/Commands.h"
#include "report/Names.h"
#include "stats/WalkForward.h"

#include <CLI/CLI.hpp>
#include <algorithm>

namespace kestrum::cli {

namespace {

class EvaluateCommand final : public CliCommand {
public:
    CLI::App* addTo(CLI::App& program) override {
        CLI::App* evaluate = program.add_subcommand(
            "evaluate",
            "Replay the method over a history of any length and print how its plans fared on "
            "draws its searches had not seen.");
        evaluate
            ->add_option("--feed", m_feed,
                         "The history: a file, - for standard input, or an http or https "
                         "address, in the format of the lottery's source in the settings.")
            ->type_name("SOURCE")
            ->required();
        evaluate
            ->add_option("--lottery", m_lottery,
                         "The lottery whose source format reads SOURCE: 1 to 10, its feed name or "
                         "its caption; 1 when not given.")
            ->type_name("L");
        addPlayOrAllOption(*evaluate, m_play);
        evaluate
            ->add_option("--codes", m_codes,
                         "码数, 1 to 9, with --periods: the plan shape of every play type "
                         "evaluated (by default each its start-up shape).")
            ->type_name("N");
        evaluate->add_option("--periods", m_periods, "期数, 1 or more, with --codes.")
            ->type_name("N");
        evaluate
            ->add_option("--window", m_window,
                         "The draws a search sees at each step, 2 to 300; 30 (a download's) when "
                         "not given.")
            ->type_name("W");
        evaluate->add_option("--format", m_format, "text (the default) or json.")
            ->type_name("FORMAT");
        return evaluate;
    }

    std::optional<std::string> take(const CLI::App& parsed, Request& request) const override {
        if (auto error = takeLotteryAndFeed(parsed, m_lottery, m_feed, request)) {
            return error;
        }
        if (auto error = takePlayOrAll(m_play, request)) {
            return error;
        }
        const bool codes = parsed.count("--codes") > 0;
        if (codes != (parsed.count("--periods") > 0)) {
            return "--codes and --periods go together: give both or neither";
        }
        if (codes) {
            std::variant<PlanShape, std::string> shape = takePlanShape(m_codes, m_periods);
            if (const auto* error = std::get_if<std::string>(&shape)) {
                return *error;
            }
            request.shape = std::get<PlanShape>(shape);
            request.shapeGiven = true;
        }
        if (m_window < 2 || m_window > kHistorySlots) {
            return "--window: " + std::to_string(m_window) + " is not from 2 to 300";
        }
        request.window = m_window;
        return takeFormat(m_format, request);
    }

    bool leavesNoFile() const override { return true; }

    int run(const Request& request, const RunSettings& settings,
            const std::string&) const override {
        NetworkClient network;
        const std::optional<std::vector<std::string>> newestFirst =
            readWholeFeed(request, settings, network);
        if (!newestFirst) {
            return kExitFailed;
        }
        const std::vector<std::string> lines(newestFirst->rbegin(), newestFirst->rend());
        if (lines.size() < static_cast<std::size_t>(request.window)) {
            complain("warning: the feed holds " + std::to_string(lines.size()) +
                     " lines, fewer than the " + std::to_string(request.window) +
                     " draws that a step searches: no step can be made");
        }
        const PlanParamsTable shapes = defaultPlanParams();
        EvaluationRequest evaluation;
        evaluation.lines = lines;
        evaluation.window = request.window;
        for (const PlayType type : request.playTypes) {
            evaluation.plays.push_back(
                {type, request.shapeGiven ? request.shape : shapes[slotOf(type)]});
        }
        const Evaluation result = evaluateWalkForward(evaluation);
        const std::int32_t lottery = request.lotteries.front();
        return printed(request.format == OutputFormat::Json ? evaluateJson(lottery, result)
                                                            : evaluateText(lottery, result));
    }

private:
    std::string m_feed;
    std::string m_lottery = "1";
    std::string m_play = "all";
    std::string m_codes;
    std::string m_periods;
    std::int32_t m_window = kEvaluationWindow;
    std::string m_format = "text";
};

} // namespace

std::unique_ptr<CliCommand> makeEvaluateCommand() {
    return std::make_unique<EvaluateCommand>();
}

} // namespace kestrum::cli
