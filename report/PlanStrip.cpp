#include "report/PlanStrip.h"

#include "engine/Backtest.h"

#include <algorithm>

namespace kestrum {

PlanStrip planStrip(PlayType type, const PlanRecordSet& records) {
    const std::string_view label = playTypeInfo(type).label;
    PlanStrip strip;
    std::int32_t failedRun = 0;
    for (const PlanRecord& plan : records.plans) {
        if (plan.outcome == PlanOutcome::Won) {
            ++strip.won;
            failedRun = 0;
        } else if (plan.outcome == PlanOutcome::Failed) {
            ++strip.failed;
            strip.longestFailedRun = std::max(strip.longestFailedRun, ++failedRun);
        }
        std::string header(label);
        header += plan.firstPeriod + "-" + plan.lastPeriod + "期";
        strip.cells.push_back({plan.outcome, plan.wonAt, std::move(header), plan.draw});
    }
    if (!strip.cells.empty()) {
        // The lines a walk writes: the closed plans, the running plan and the summary.
        strip.accuracy =
            static_cast<std::int32_t>(walkAccuracy(strip.won + strip.failed + 2, strip.failed));
    }
    return strip;
}

} // namespace kestrum
