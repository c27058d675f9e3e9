#include "commands/RefreshCommand.h"

#include <optional>

namespace kestrum {

void runTimedRefresh(CommandContext& context, std::atomic<bool>& refreshBusy,
                     const RefreshClock& clock) {
    const RefreshPlanner::Moment start = clock();
    std::optional<RefreshOutcome> outcome;
    try {
        outcome = runRefresh(context, refreshBusy);
    } catch (...) {
        // A single-shot timer waits for this to be set again.
        context.view.refreshDone({start, clock(), std::nullopt, context.engine.FeedLines[0]});
        throw;
    }
    context.view.refreshDone({start, clock(), std::move(outcome), context.engine.FeedLines[0]});
}

} // namespace kestrum
