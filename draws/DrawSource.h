#pragma once

// A draw source's body turned into the draw lines that the download and the refresh read. The
// plain feed passes through as lines; a JSON or CSV body is mapped by the source's settings:
// where its records are and which field of a record holds the period code and which the five
// digits. No I/O: the body comes in whole, as bytes (UTF-8 or GBK: only the draw text, which
// is ASCII, is read).

#include "base/SourceFormat.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

struct SourceMapping {
    SourceFormat format = SourceFormat::Lines;
    // Json: a JSON Pointer to the array of records; "" for the top level.
    std::string records;
    // Json: the field of a record. Csv: the column's name in the header row, or its number
    // from 1 (the first row is the header either way).
    std::string period;
    // The same, for the five digits.
    std::string digits;
};

struct SourceRead {
    // The draw lines, "20161210001 1,2,3,4,5": newest first (by date, then number), each
    // period once. Lines format: the body's lines as they come. Empty when notDraws is set.
    std::vector<std::string> lines;
    // Records seen (lines, for the Lines format).
    std::int64_t records = 0;
    // Records left out because they are no draw.
    std::int64_t refused = 0;
    // Records whose period an earlier record (in body order) already had: the first is kept.
    std::int64_t repeated = 0;
    struct Refusal {
        std::int64_t record; // 1-based, in body order (a CSV's header row is not a record)
        std::string reason;
    };
    // The first refused records (at most kMaxRefusals), in body order.
    std::vector<Refusal> refusals;
    // Set when the body is not draws at all (an HTML page, a JSON error object, an empty
    // array, truncated or invalid JSON, a CSV with only a header, no record that is a draw):
    // what came instead, in words for a warning. Such a body must never replace draws.
    std::optional<std::string> notDraws;

    static constexpr std::size_t kMaxRefusals = 20;
};

// Reads a body as `mapping` says, for a lottery of drawsPerDay draws a day (the numbers of
// its periods run from 1 to drawsPerDay; 1440 a day prints them with four digits, else three).
// Lines: split at LF, every CR dropped, a last line without LF kept, blank lines kept, as the
// HTTP client splits a feed; nothing is checked or refused.
SourceRead readDrawSource(std::string_view body, const SourceMapping& mapping,
                          std::int32_t drawsPerDay);

// The one warning line of a read: what came instead of draws, or how many records were left
// out and the first of them with its reason. Empty when there is nothing to warn about.
std::string sourceWarning(const SourceRead& read);

} // namespace kestrum
