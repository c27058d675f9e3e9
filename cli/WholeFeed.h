#pragma once

// Every draw line of --feed SOURCE, of any length, read in the format of the lottery's source in
// the settings: what evaluate replays, where plan and search keep the newest 30.

#include "cli/CommandLine.h"
#include "draws/DrawSourceClient.h"
#include "launch/RunSettings.h"
#include "platform/HttpClient.h"

#include <optional>
#include <string>
#include <vector>

namespace kestrum::cli {

// The draw lines of a source's records, mapped by `mapped` (a JSON or CSV source), newest first.
// Nothing when the body cannot be read or is not draws: the reason is said on standard error,
// naming `place`; records left out are a warning there.
std::optional<std::vector<std::string>> readMappedFeed(const FeedSource& feed,
                                                       const DrawSourceEntry& mapped,
                                                       HttpClient& network,
                                                       const std::string& place);

// The lines of the request's --feed, whole, newest first, as the lottery's source reads them (a
// feed of lines without a source in the settings: its lines as they come). Nothing when it
// cannot be read (the reason said on standard error).
std::optional<std::vector<std::string>>
readWholeFeed(const Request& request, const RunSettings& settings, HttpClient& network);

} // namespace kestrum::cli
