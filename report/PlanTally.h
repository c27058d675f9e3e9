#pragma once

// The finished plans of one play type counted from its records, as kestrum-cli's JSON gives
// them beside the plan lines.

#include "engine/PlanRecord.h"

#include <cstdint>

namespace kestrum {

struct PlanTally {
    // Finished plans won.
    std::int32_t wins = 0;
    // Finished plans failed (挂).
    std::int32_t losses = 0;
    // The failed plans at the newest end of the finished ones, after the last won plan.
    std::int32_t currentLosingRun = 0;
    // The percentage that begins the summary line, from the walk's own figures: the finished
    // plans over the finished plans plus the failed ones, 0 to 100. 0 when the summary's line
    // is not carried.
    std::int32_t accuracy = 0;
};

PlanTally tallyPlans(const PlanRecordSet& records);

} // namespace kestrum
