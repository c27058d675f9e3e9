#include "engine/Backtest.h"

#include "base/Text.h"
#include "base/WrappingInt.h"
#include "engine/Formula.h"
#include "engine/WalkRuns.h"

#include <stdexcept>
#include <string>

namespace kestrum {

namespace {

std::string makeBet(const PlayTypeInfo& info, std::int32_t seedValue, std::int32_t formula,
                    std::int32_t codeCount) {
    return info.recipe == BetRecipe::FiveStar ? betDigitsFiveStar(seedValue, formula, codeCount)
                                              : betDigits(seedValue, formula, codeCount);
}

std::string_view pickDigit(std::string_view digits, DigitPick pick) {
    return pick.fromEnd ? charFromEnd(digits, pick.place) : charFromStart(digits, pick.place);
}

// A plain text search per tested digit; an empty digit text is contained in every bet.
bool isHit(const PlayTypeInfo& info, std::string_view bet, std::string_view digits) {
    for (std::int32_t i = 0; i < info.pickCount; ++i) {
        const bool contained =
            bet.find(pickDigit(digits, info.picks[static_cast<std::size_t>(i)])) !=
            std::string_view::npos;
        if (info.hitRule == HitRule::Any && contained) {
            return true;
        }
        if (info.hitRule == HitRule::All && !contained) {
            return false;
        }
    }
    return info.hitRule == HitRule::All;
}

std::int32_t firstPeriod(PlanStart start, std::int32_t seedPeriod, std::int32_t drawsPerDay) {
    switch (start) {
    case PlanStart::SeedFolded:
        return seedPeriod >= drawsPerDay ? wrapSub(seedPeriod, drawsPerDay) : seedPeriod;
    case PlanStart::One:
        return 1;
    case PlanStart::Seed:
        break;
    }
    return seedPeriod;
}

// The label and the plan's planned period range: 后一023-024期.
void appendHeader(std::string& text, const PlayTypeInfo& info, const PlanRecord& plan) {
    text += info.label;
    text += plan.firstPeriod;
    text += '-';
    text += plan.lastPeriod;
    text += "期";
}

// The slot of ScratchLines that the next line goes to, emptied, or `beyond` when the slots are
// all written: a line is written in place, into the room its slot already has.
std::string& nextLine(Engine& engine, std::string& beyond) {
    std::string& line = engine.scratchLineCount >= 0 && engine.scratchLineCount < kHistorySlots
                            ? engine.ScratchLines[static_cast<std::size_t>(engine.scratchLineCount)]
                            : beyond;
    line.clear();
    return line;
}

void storeLine(Engine& engine, std::string line) {
    std::string beyond;
    nextLine(engine, beyond) = std::move(line);
    engine.scratchLineCount = wrapAdd(engine.scratchLineCount, 1);
}

std::int32_t percentOrZero(std::int32_t numerator, std::int32_t divisor) {
    return divisor == 0 ? 0 : wrapDiv(wrapMul(numerator, 100), divisor);
}

// Writes the line of a finished plan (won, or failed) as the next line.
void storeFinishedPlanLine(Engine& engine, const PlayTypeInfo& info, const PlanRecord& plan) {
    std::string beyond;
    std::string& line = nextLine(engine, beyond);
    appendHeader(line, info, plan);
    line += '<';
    line += plan.bet;
    line += "> 开 ";
    line += plan.draw;
    if (plan.outcome == PlanOutcome::Won) {
        line += "  ";
        line += std::to_string(plan.wonAt);
        line += info.hitSuffix;
    } else {
        line += "   挂 ";
        if (info.failedLineShowsDraws) {
            line += formatText("%03d", plan.played);
        }
    }
    engine.scratchLineCount = wrapAdd(engine.scratchLineCount, 1);
}

void storeRunningPlanLine(Engine& engine, const PlayTypeInfo& info, const PlanRecord& plan) {
    std::string beyond;
    std::string& line = nextLine(engine, beyond);
    appendHeader(line, info, plan);
    line += '<';
    line += plan.bet;
    line += "> 计划进行中……\r\n";
    engine.scratchLineCount = wrapAdd(engine.scratchLineCount, 1);
}

// The plan that started at `period` with `planPeriods` draws planned, as far as the walk has
// taken it; the caller sets how it ended.
PlanRecord planRecord(std::int32_t period, std::int32_t planPeriods, std::int32_t drawsPerDay,
                      std::string seed, std::int32_t seedValue, std::string bet,
                      std::int32_t played) {
    PlanRecord plan;
    plan.firstPeriod = formatPeriod(period, drawsPerDay);
    plan.lastPeriod = formatPeriod(wrapSub(wrapAdd(period, planPeriods), 1), drawsPerDay);
    plan.seed = std::move(seed);
    plan.seedValue = seedValue;
    plan.bet = std::move(bet);
    plan.played = played;
    return plan;
}

// Ends a walk: the plan still running (which started at `period`), the summary line and the
// statistics. Returns the won plans.
float closeWalk(Engine& engine, const PlayTypeInfo& info, std::int32_t period,
                std::int32_t planPeriods, std::string seed, std::string bet, std::int32_t played,
                const WalkSummary& summary, const WalkRuns& runs) {
    const std::int32_t drawsPerDay = engine.drawsPerDay;
    // Strictly greater here, while the first period folds at drawsPerDay or more.
    if (period > drawsPerDay) {
        period = wrapSub(period, drawsPerDay);
    }
    PlanRecord running = planRecord(period, planPeriods, drawsPerDay, std::move(seed),
                                    engine.seedValue, std::move(bet), played);
    storeRunningPlanLine(engine, info, running);
    engine.ScratchPlans.push_back(std::move(running));
    engine.lastSummary = summary;
    engine.lastSummary.closedPlans = wrapSub(engine.scratchLineCount, 1);
    storeLine(engine,
              summaryLine(engine.scratchLineCount, summary.failedPlans, summary.failedAfterFailed));

    const float hitPlans = static_cast<float>(engine.hitPlanCount);
    engine.hitPlanCount = 0;
    // Counted with the summary line, so the divisor is never 0 and no failure gives 100.
    engine.lastStats = {hitPlans, walkAccuracy(engine.scratchLineCount, summary.failedPlans),
                        runs.maxHitRun, runs.maxMissRun};
    return hitPlans;
}

std::optional<float> backtestOf(PlayFamily family, Engine& engine, PlayType type,
                                std::int32_t formula, std::int32_t planPeriods,
                                std::int32_t codeCount) {
    if (playTypeInfo(type).family != family) {
        throw std::invalid_argument("play type of another family");
    }
    return backtest(engine, type, formula, planPeriods, codeCount);
}

} // namespace

std::string playBet(PlayType type, std::int32_t seedValue, std::int32_t formula,
                    std::int32_t codeCount) {
    return makeBet(playTypeInfo(type), seedValue, formula, codeCount);
}

bool drawHits(PlayType type, std::string_view bet, std::string_view digits) {
    return isHit(playTypeInfo(type), bet, digits);
}

float walkAccuracy(std::int32_t lines, std::int32_t failed) {
    // With the summary counted the divisor is at least 1 for every walk.
    return static_cast<float>(percentOrZero(wrapSub(lines, 1), wrapSub(wrapAdd(lines, failed), 1)));
}

std::string summaryLine(std::int32_t lines, std::int32_t failed, std::int32_t failedInRow) {
    const WalkSummary summary{wrapSub(lines, 1), failed, failedInRow};
    return formatText("%03d%%中[%03d]   挂[%03d] 连挂[%03d]", summaryPercent(summary),
                      summary.closedPlans, failed, failedInRow);
}

std::optional<float> backtest(Engine& engine, PlayType type, std::int32_t formula,
                              std::int32_t planPeriods, std::int32_t codeCount) {
    // The walk ends when the cursor reaches slot 0; from below 0 it never would.
    if (engine.drawCursor < 0 || engine.drawCursor >= kHistorySlots) {
        return std::nullopt;
    }
    const PlayTypeInfo& info = playTypeInfo(type);
    const std::int32_t drawsPerDay = engine.drawsPerDay;

    std::int32_t period = firstPeriod(info.start, engine.seedPeriod, drawsPerDay);
    std::int32_t played = 0;
    WalkRuns runs;
    WalkSummary summary;
    std::int32_t failedRow = 0;
    std::string seed = engine.currentDigits;
    std::string bet = makeBet(info, engine.seedValue, formula, codeCount);
    engine.ScratchPlans.clear();

    // The plan ends at the draw just read: its period starts the next plan's header, its
    // digits seed the next bet.
    auto endPlan = [&](PlanOutcome outcome) {
        PlanRecord plan = planRecord(period, planPeriods, drawsPerDay, std::move(seed),
                                     engine.seedValue, std::move(bet), played);
        plan.outcome = outcome;
        plan.wonAt = outcome == PlanOutcome::Won ? played : 0;
        plan.draw = engine.currentDigits;
        storeFinishedPlanLine(engine, info, plan);
        engine.ScratchPlans.push_back(std::move(plan));
        played = 0;
        period = wrapAdd(
            periodOf(engine, engine.DrawHistory[static_cast<std::size_t>(engine.drawCursor)]), 1);
        seed = engine.currentDigits;
        engine.seedValue = leadingDecimal(engine.currentDigits);
        bet = makeBet(info, engine.seedValue, formula, codeCount);
    };

    while (engine.drawCursor != 0) {
        engine.currentDigits =
            digitsOf(engine.DrawHistory[static_cast<std::size_t>(engine.drawCursor - 1)]);
        engine.drawCursor -= 1;
        played = wrapAdd(played, 1);
        if (isHit(info, bet, engine.currentDigits)) {
            runs.hit();
            failedRow = 0;
            endPlan(PlanOutcome::Won);
            engine.hitPlanCount = wrapAdd(engine.hitPlanCount, 1);
        } else {
            runs.miss();
            if (played == planPeriods) {
                endPlan(PlanOutcome::Failed);
                summary.failedPlans = wrapAdd(summary.failedPlans, 1);
                failedRow = wrapAdd(failedRow, 1);
                if (failedRow > 1) {
                    summary.failedAfterFailed = wrapAdd(summary.failedAfterFailed, 1);
                }
            }
        }
    }
    return closeWalk(engine, info, period, planPeriods, std::move(seed), std::move(bet), played,
                     summary, runs);
}

std::optional<float> runBacktest(Engine& engine, PlayType type, std::int32_t formula,
                                 std::int32_t planPeriods, std::int32_t codeCount) {
    resetCursor(engine);
    engine.scratchLineCount = 0;
    readSeed(engine);
    return backtest(engine, type, formula, planPeriods, codeCount);
}

std::optional<float> backtestSinglePosition(Engine& engine, PlayType type, std::int32_t formula,
                                            std::int32_t planPeriods, std::int32_t codeCount) {
    return backtestOf(PlayFamily::SinglePosition, engine, type, formula, planPeriods, codeCount);
}

std::optional<float> backtestGroup(Engine& engine, PlayType type, std::int32_t formula,
                                   std::int32_t planPeriods, std::int32_t codeCount) {
    return backtestOf(PlayFamily::Group, engine, type, formula, planPeriods, codeCount);
}

std::optional<float> backtestAnyPosition(Engine& engine, PlayType type, std::int32_t formula,
                                         std::int32_t planPeriods, std::int32_t codeCount) {
    return backtestOf(PlayFamily::AnyPosition, engine, type, formula, planPeriods, codeCount);
}

} // namespace kestrum
