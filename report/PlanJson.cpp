#include "report/PlanJson.h"

#include "draws/LotteryTable.h"
#include "report/Names.h"
#include "report/PlanReport.h"
#include "report/PlanTally.h"

#include <nlohmann/json.hpp>

namespace kestrum {

namespace {

using json = nlohmann::ordered_json;

std::string withoutLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    return line;
}

json lotteryJson(std::int32_t number) {
    const LotterySource& lottery = lotteryByNumber(number);
    return {{"number", number}, {"feed", feedName(lottery)}, {"caption", lottery.label}};
}

json drawsJson(const DrawsShown& draws) {
    return {{"count", draws.count}, {"newest", draws.newest}};
}

std::string_view outcomeName(PlanOutcome outcome) {
    switch (outcome) {
    case PlanOutcome::Won:
        return "won";
    case PlanOutcome::Failed:
        return "failed";
    case PlanOutcome::Running:
        break;
    }
    return "running";
}

json plansJson(const PlanRecordSet& records) {
    json plans = json::array();
    for (const PlanRecord& plan : records.plans) {
        plans.push_back({
            {"first_period", plan.firstPeriod},
            {"last_period", plan.lastPeriod},
            {"seed", plan.seed},
            {"seed_value", plan.seedValue},
            {"bet", plan.bet},
            {"outcome", outcomeName(plan.outcome)},
            {"won_at", plan.wonAt},
            {"played", plan.played},
            {"draw", plan.draw},
        });
    }
    return plans;
}

std::string dumped(const json& value) {
    // A line of a feed that is no GBK text still reaches here as UTF-8 (U+FFFD); replacing
    // is the guard for anything else.
    return value.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

} // namespace

std::vector<std::string> reportPlanLines(const TextSlots& planLines) {
    std::vector<std::string> lines;
    const std::int32_t last = lastPlanLine(planLines);
    for (std::int32_t i = 0; i <= last; ++i) {
        lines.push_back(withoutLineEnd(planLines[static_cast<std::size_t>(i)]));
    }
    return lines;
}

std::string planJson(const DrawsShown& draws, const PlanSnapshot& plans,
                     const std::vector<PlayType>& types, const ChanceFiguresTable& chance) {
    json plays = json::array();
    for (PlayType type : types) {
        const std::size_t slot = slotOf(type);
        const PlanTally tally = tallyPlans(plans.planRecords[slot]);
        plays.push_back({
            {"play", playTypeInfo(type).button},
            {"name", asciiName(type)},
            {"formula", plans.formulas[slot]},
            {"code_count", plans.planParams[slot].codeCount},
            {"plan_periods", plans.planParams[slot].planPeriods},
            {"plan_lines", reportPlanLines(plans.planLines[slot])},
            {"wins", tally.wins},
            {"losses", tally.losses},
            {"current_losing_run", tally.currentLosingRun},
            {"accuracy", tally.accuracy},
            {"chance_accuracy", chance[slot].chanceAccuracy},
            {"p_value", chance[slot].pValue},
            {"best_of_search_p", chance[slot].bestOfSearchP},
            {"plans", plansJson(plans.planRecords[slot])},
        });
    }
    return dumped(
        {{"lottery", lotteryJson(draws.lottery)}, {"draws", drawsJson(draws)}, {"plays", plays}});
}

std::string searchJson(const DrawsShown& draws, PlayType type, PlanShape shape,
                       const CandidateRows& candidates, std::int32_t best,
                       const std::array<double, kCandidateRows>& chanceAccuracy) {
    json rows = json::array();
    for (std::size_t row = 0; row < kCandidateRows; ++row) {
        rows.push_back({
            {"formula", candidates.formula[row]},
            {"max_hit_run", candidates.maxHitRun[row]},
            {"max_miss_run", candidates.maxMissRun[row]},
            {"accuracy", static_cast<double>(candidates.accuracy[row])},
            {"hit_plans", candidates.hitPlans[row]},
            {"chance_accuracy", chanceAccuracy[row]},
        });
    }
    return dumped({{"lottery", lotteryJson(draws.lottery)},
                   {"draws", drawsJson(draws)},
                   {"play", playTypeInfo(type).button},
                   {"name", asciiName(type)},
                   {"code_count", shape.codeCount},
                   {"plan_periods", shape.planPeriods},
                   {"candidates", rows},
                   {"best", best}});
}

std::string evaluateJson(std::int32_t lottery, const Evaluation& evaluation) {
    json plays = json::array();
    for (const PlayEvaluation& play : evaluation.plays) {
        const OutOfSampleRecord& record = play.outOfSample;
        plays.push_back({
            {"play", playTypeInfo(play.type).button},
            {"name", asciiName(play.type)},
            {"code_count", play.shape.codeCount},
            {"plan_periods", play.shape.planPeriods},
            {"steps", play.steps},
            {"in_sample_accuracy", play.inSampleAccuracy},
            {"chance_accuracy", play.chanceAccuracy},
            {"out_of_sample",
             {{"wins", record.wins},
              {"losses", record.losses},
              {"accuracy", record.accuracy},
              {"low", record.low},
              {"high", record.high},
              {"longest_losing_run", record.longestLosingRun}}},
        });
    }
    return dumped({{"lottery", lotteryJson(lottery)},
                   {"draws", evaluation.draws},
                   {"window", evaluation.window},
                   {"plays", plays}});
}

} // namespace kestrum
