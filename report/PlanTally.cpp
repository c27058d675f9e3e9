#include "report/PlanTally.h"

namespace kestrum {

PlanTally tallyPlans(const PlanRecordSet& records) {
    PlanTally tally;
    for (const PlanRecord& plan : records.plans) {
        if (plan.outcome == PlanOutcome::Won) {
            ++tally.wins;
            tally.currentLosingRun = 0;
        } else if (plan.outcome == PlanOutcome::Failed) {
            ++tally.losses;
            ++tally.currentLosingRun;
        }
    }
    if (records.summary) {
        tally.accuracy = summaryPercent(*records.summary);
    }
    return tally;
}

} // namespace kestrum
