#pragma once

// The settings' draw sources, by lottery: what the feed operations read for each lottery and
// when the refresh planner expects its draws.

#include "base/DrawSchedule.h"
#include "draws/DrawSourceClient.h"
#include "draws/LotteryTable.h"
#include "platform/Settings.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kestrum {

using SourcesByName = std::map<std::string, SourceSettings>;

// The source of lottery `number` (1 to 10), when the settings name one: fetched from its url,
// else from the lottery's feed address on `hosts`.
std::optional<DrawSourceEntry> drawSourceOf(std::int32_t number, const SourcesByName& sources,
                                            const FeedHosts& hosts);

// The sources of every lottery that has one.
std::vector<DrawSourceEntry> drawSourcesOf(const SourcesByName& sources, const FeedHosts& hosts);

// The schedule that lottery `number`'s source names, when it names one (the settings reader
// has checked it).
std::optional<DrawSchedule> drawScheduleOf(std::int32_t number, const SourcesByName& sources);

} // namespace kestrum
