#include "LiteralWalkForward.h"

#include "base/Text.h"
#include "engine/Backtest.h"
#include "engine/Engine.h"
#include "engine/Search.h"
#include "stats/Chance.h"

#include <algorithm>
#include <memory>

namespace kestrum::test {

namespace {

// The plain way: at every step the window's lines go into an engine of their own, newest
// first, and are searched there.
PlayEvaluation evaluatePlay(std::span<const std::string> lines, std::int32_t window,
                            const PlayToEvaluate& play, bool keepSteps) {
    PlayEvaluation result;
    result.type = play.type;
    result.shape = play.shape;
    const auto count = static_cast<std::int32_t>(lines.size());
    auto engine = std::make_unique<Engine>();
    double inSample = 0.0;
    double chance = 0.0;
    std::int32_t losingRun = 0;
    OutOfSampleRecord& record = result.outOfSample;
    const FormulaRange range = searchedFormulas(play.type);

    for (std::int32_t newest = window - 1; newest < count;) {
        for (std::int32_t slot = 0; slot < window; ++slot) {
            engine->DrawHistory[static_cast<std::size_t>(slot)] =
                lines[static_cast<std::size_t>(newest - slot)];
        }
        engine->oldestIndex = window - 1;
        engine->drawCursor = engine->oldestIndex;
        ++result.steps;
        EvaluationStep step;
        step.newest = newest;
        step.formula = searchFormulas(*engine, play.type, range.first, range.end,
                                      play.shape.planPeriods, play.shape.codeCount);
        if (step.formula == 0) {
            if (keepSteps) {
                result.walk.push_back(step);
            }
            ++newest;
            continue;
        }
        runBacktest(*engine, play.type, step.formula, play.shape.planPeriods, play.shape.codeCount);
        step.inSampleAccuracy = engine->lastStats.accuracy;
        const std::string seed = digitsOf(lines[static_cast<std::size_t>(newest)]);
        step.bet = playBet(play.type, leadingDecimal(seed), step.formula, play.shape.codeCount);
        for (std::int32_t i = newest + 1, played = 1; i < count; ++i, ++played) {
            if (drawHits(play.type, step.bet, digitsOf(lines[static_cast<std::size_t>(i)]))) {
                step.end = i;
                step.won = true;
                break;
            }
            if (played == play.shape.planPeriods) {
                step.end = i;
                break;
            }
        }
        if (keepSteps) {
            result.walk.push_back(step);
        }
        if (step.end < 0) {
            break;
        }
        inSample += step.inSampleAccuracy;
        chance += planWinChance(play.type, distinctBetDigits(step.bet), play.shape.planPeriods);
        if (step.won) {
            ++record.wins;
            losingRun = 0;
        } else {
            ++record.losses;
            record.longestLosingRun = std::max(record.longestLosingRun, ++losingRun);
        }
        newest = step.end;
    }

    const std::int32_t plans = record.wins + record.losses;
    if (plans > 0) {
        result.inSampleAccuracy = inSample / plans;
        result.chanceAccuracy = 100.0 * chance / plans;
        record.accuracy = 100.0 * record.wins / plans;
        const Interval interval = wilsonInterval(record.wins, plans);
        record.low = 100.0 * interval.low;
        record.high = 100.0 * interval.high;
    }
    return result;
}

} // namespace

Evaluation evaluateWalkForwardLiterally(const EvaluationRequest& request, bool keepSteps) {
    Evaluation evaluation;
    evaluation.draws = static_cast<std::int32_t>(request.lines.size());
    evaluation.window = request.window;
    for (const PlayToEvaluate& play : request.plays) {
        evaluation.plays.push_back(evaluatePlay(
            request.lines, std::clamp(request.window, 2, kHistorySlots), play, keepSteps));
    }
    return evaluation;
}

} // namespace kestrum::test
