#pragma once

// The three forms in which the feed hosts serve each simulated feed, all on the feed's own host
// and all holding the same draws at the same moment (feedDraws, feedsim/Simulation.h):
//
// - lines, at the feed's path ("/ssckj/cq.txt"): "20150101001 1,2,3,4,5", newest first;
// - JSON, at the path with ".json" for ".txt" ("/ssckj/cq.json"): one object whose "data" is an
//   array of records {"expect": "20150101-001", "opencode": "1,2,3,4,5"}, oldest first;
// - CSV, at the path with ".csv" for ".txt" ("/ssckj/cq.csv"): the header row "issue,code", then
//   one row per draw, "150101001,12345", oldest first, every row ending in LF.
//
// The period number has three digits, four for the 1440-draw feeds, in every form.

#include "feedsim/Simulation.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace feedsim {

enum class FeedForm { Lines, Json, Csv };

struct FeedAtPath {
    const FeedInfo* feed;
    FeedForm form;
};

// The feed and the form served at this path of this host, or nothing.
std::optional<FeedAtPath> findFeedForm(Host host, std::string_view path);

// The path of the feed in this form, on the feed's own host.
std::string feedPath(const FeedInfo& feed, FeedForm form);

// "text/plain", "application/json" or "text/csv".
std::string_view contentType(FeedForm form);

// The feed in this form as it stands at `now`, holding `count` draws.
std::string feedBody(const FeedInfo& feed, FeedForm form, std::chrono::milliseconds now,
                     const Publication& publication, int count = kFeedLines);

// The JSON record's period code: "20150101-001", or with a four-digit period "20150101-0023".
std::string expectCode(const FeedInfo& feed, Draw draw);

// The CSV row's period code, the year in two digits: "150101001", or "1501010023".
std::string issueCode(const FeedInfo& feed, Draw draw);

} // namespace feedsim
