#pragma once

// The timed refresh as a command that tells its View what it found, for the refresh scheduler.

#include "commands/Commands.h"
#include "draws/RefreshScheduler.h"

#include <atomic>

namespace kestrum {

// runRefresh, timed by `clock`; the View hears refreshDone with what it found, also when it
// throws (then without an outcome, and the exception goes on).
void runTimedRefresh(CommandContext& context, std::atomic<bool>& refreshBusy,
                     const RefreshClock& clock);

} // namespace kestrum
