#pragma once

// The plans of the plan report as a strip of cells, one per plan, and the figures that judge
// the formula by them. Read from the records of the plans that the report's lines show, so
// that the strip always shows what the report lists.

#include "engine/PlanRecord.h"
#include "engine/PlayType.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrum {

struct PlanCell {
    PlanOutcome outcome = PlanOutcome::Running;
    // For a won plan the draw of the plan that hit: 1 for its first period, 2 for its second,
    // and so on. 0 for the others.
    std::int32_t period = 0;
    // The line's header: the play type and the plan's periods ("后一027-028期").
    std::string header;
    // The five digits of the draw that ended the plan; empty for the running plan.
    std::string drawn;
};

struct PlanStrip {
    // The plans in the report's order, oldest first; the running plan last.
    std::vector<PlanCell> cells;
    std::int32_t won = 0;
    std::int32_t failed = 0;
    // The accuracy as the backtest and the formula list count it (the running plan and the
    // summary line counted as closed and won): (won + failed + 1) × 100 / (won + 2 × failed
    // + 1) in whole percent; 100 when no plan failed, 0 when there is no plan at all.
    std::int32_t accuracy = 0;
    // The longest run of failed plans in a row (最长连挂); 0 when none failed.
    std::int32_t longestFailedRun = 0;
};

// The strip of one play type's plans, one cell per record.
PlanStrip planStrip(PlayType type, const PlanRecordSet& records);

} // namespace kestrum
