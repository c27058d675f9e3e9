#pragma once

// What a backtest knows of each plan it walked, beside the line it writes for it: the plan's
// periods, its seed and bet, how it ended and at which draw. The line is written from the
// record, so the two always agree; readers of plans take the record and never the text.

#include "base/WrappingInt.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrum {

enum class PlanOutcome {
    // A draw of the plan hit its bet.
    Won,
    // 挂: every one of the plan's planPeriods draws missed.
    Failed,
    // The plan still running after the newest draw.
    Running,
};

struct PlanRecord {
    // The plan's planned periods as its header prints them: three digits, or four at 1440
    // draws a day, a minus sign first when negative ("023" and "024" in 后一023-024期). The
    // last is the first plus planPeriods − 1, so it may pass the day's last period.
    std::string firstPeriod;
    std::string lastPeriod;
    // The draw digits that seeded the bet: the seed draw for the walk's first plan, else the
    // draw that decided the plan before. Five digits for a well-formed draw line.
    std::string seed;
    // The seed as the bet formula reads it: its digits as one decimal number (01234 gives 1234).
    std::int32_t seedValue = 0;
    // The digits the plan bets on, as the line shows them between < and > (may be empty).
    std::string bet;
    PlanOutcome outcome = PlanOutcome::Running;
    // For a won plan the draw of the plan that hit: 1 for its first period, 2 for its second,
    // and so on (the same as played). 0 for a failed or running plan.
    std::int32_t wonAt = 0;
    // Draws of the plan tested: wonAt for a won plan, planPeriods for a failed one, the draws
    // tested so far (0 or more) for the running plan.
    std::int32_t played = 0;
    // The digits of the draw that decided the plan (the hit, or the last miss of a failed
    // plan); empty for the running plan.
    std::string draw;

    bool operator==(const PlanRecord&) const = default;
};

// The figures of a walk's summary line.
struct WalkSummary {
    // The 中[...] figure: the lines written before the summary less the running plan's, which
    // is the plans the walk finished, won and failed, when it wrote from slot 0.
    std::int32_t closedPlans = 0;
    // Finished plans that failed (挂[...]).
    std::int32_t failedPlans = 0;
    // Failed plans that followed a failed plan (连挂[...]).
    std::int32_t failedAfterFailed = 0;

    bool operator==(const WalkSummary&) const = default;
};

// The whole percentage that begins the summary line: closedPlans × 100 / (closedPlans +
// failedPlans) in wrapping integer division; 0 when no plan was finished.
inline std::int32_t summaryPercent(const WalkSummary& summary) {
    const std::int32_t divisor = wrapAdd(summary.closedPlans, summary.failedPlans);
    return divisor == 0 ? 0 : wrapDiv(wrapMul(summary.closedPlans, 100), divisor);
}

// One play type's plans as the plan lines carry them.
struct PlanRecordSet {
    // Record i is the plan of line i: the finished plans oldest first, then the running plan.
    // Only plans whose lines are carried have a record.
    std::vector<PlanRecord> plans;
    // The summary's figures when its line is carried too; nothing when the walk wrote more
    // lines than are carried, or no walk ran.
    std::optional<WalkSummary> summary;

    bool operator==(const PlanRecordSet&) const = default;
};

} // namespace kestrum
