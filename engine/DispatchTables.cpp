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

} // namespace kestrum
