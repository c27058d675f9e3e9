#pragma once

// The plan lines of the worked 后一 example (formula 7, 期数 2, 码数 4 over the draws of periods
// 23 to 30): four finished plans, the running plan, the summary. The backtest test checks that
// the engine writes exactly these and their records; the report and export tests start from
// them.

#include "draws/DrawStore.h"
#include "engine/PlanRecord.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kestrum::test {

inline const std::vector<std::string> kWorkedExamplePlanLines{
    "后一023-024期<8641> 开 27182   挂 ",     "后一027-028期<1902> 开 11111  1  期中 ",
    "后一028-029期<7091> 开 99997  1  期中 ", "后一029-030期<6970> 开 00000  1  期中 ",
    "后一030-031期<0918> 计划进行中……\r\n",   "080%中[004]   挂[001] 连挂[000]",
};

// The records of the example's plans, line by line, and the figures of its summary. The seed
// draw is period 23's; the slot after it (period 24) is skipped.
inline const std::vector<PlanRecord> kWorkedExamplePlans{
    {"023", "024", "12345", 12345, "8641", PlanOutcome::Failed, 0, 2, "27182"},
    {"027", "028", "27182", 27182, "1902", PlanOutcome::Won, 1, 1, "11111"},
    {"028", "029", "11111", 11111, "7091", PlanOutcome::Won, 1, 1, "99997"},
    {"029", "030", "99997", 99997, "6970", PlanOutcome::Won, 1, 1, "00000"},
    {"030", "031", "00000", 0, "0918", PlanOutcome::Running, 0, 1, ""},
};
inline const WalkSummary kWorkedExampleSummary{4, 1, 0};

// Puts the worked example into lines 0 to 5 of a play type's plan lines.
inline void fillWorkedExample(TextSlots& lines) {
    for (std::size_t i = 0; i < kWorkedExamplePlanLines.size(); ++i) {
        lines[i] = kWorkedExamplePlanLines[i];
    }
}

} // namespace kestrum::test
