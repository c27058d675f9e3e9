#pragma once

// The order in which every program starts a lottery: the promotional line of the maker's web
// host first, since the export files that the start-up writes end with it, then the start-up.

#include "commands/Commands.h"
#include "commands/Updates.h"

#include <functional>

namespace kestrum {

// Fetches the promotional line, then runs `startUp`. When the promotional address file cannot
// be reached, `goOnWhenUnreachable` reacts as its program does (the window closes,
// kestrum-cli's export ends with status 1, the watch logs it and goes on) and says whether
// `startUp` still runs. Returns what the fetch found.
PromoOutcome startUpAfterPromotion(CommandContext& context,
                                   const std::function<bool()>& goOnWhenUnreachable,
                                   const std::function<void()>& startUp);

} // namespace kestrum
