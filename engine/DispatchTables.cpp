#include "engine/DispatchTables.h"

namespace kestrum {

PlanParamsTable defaultPlanParams() {
    PlanParamsTable params{};
    for (PlayType type : allPlayTypes()) {
        const PlayTypeInfo& info = playTypeInfo(type);
        params[slotOf(type)] = {info.defaultPlanPeriods, info.defaultCodeCount};
    }
    return params;
}

std::int32_t lastPlanLine(const TextSlots& lines) {
    std::int32_t last = kCarriedPlanLines - 1;
    while (last >= 0 && lines[static_cast<std::size_t>(last)].empty()) {
        --last;
    }
    return last;
}

} // namespace kestrum
