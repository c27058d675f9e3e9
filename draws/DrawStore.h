#pragma once

// The draw history store: the recent draws of the selected lottery as text lines, newest first
// (slot 0), with the read cursor that every backtest walks from the oldest stored draw towards
// the newest, and the field layout that period numbers are read with.
//
// A draw line is a period code, a blank and the five digits 万位 to 个位 separated by commas,
// which are always the last nine characters: "20150101001 1,2,3,4,5".

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kestrum {

inline constexpr std::int32_t kHistorySlots = 300;
// A download keeps at most this many lines of the feed.
inline constexpr std::int32_t kDownloadLines = 30;

using TextSlots = std::array<std::string, kHistorySlots>;

struct DrawStore {
    // The draws the engine reads; slot 0 the newest, slot oldestIndex the oldest stored one.
    // Slots above oldestIndex may hold stale or empty text and are never read by the engine.
    TextSlots DrawHistory;
    // The feed lines as received; equal to DrawHistory in slots 0 to oldestIndex after a fill.
    TextSlots FeedLines;
    // The newest line as last read from the feed.
    std::string latestLine;
    // Index of the oldest stored line: the number of stored lines minus one.
    std::int32_t oldestIndex = 0;
    // Read position of the engine's walk; see resetCursor and readSeed.
    std::int32_t drawCursor = 0;

    // Layout of the selected lottery.
    // Leading characters of a line whose tail holds the period number (12 or 13).
    std::int32_t periodEnd = 12;
    // Characters, counted back from periodEnd, that hold the period number and its blank.
    std::int32_t periodWidth = 4;
    // Draws per day; 1440, and only 1440, prints period numbers with four digits.
    std::int32_t drawsPerDay = 120;
    // Number 1 to 10 of the selected lottery: its row of the current-formula table.
    std::int32_t lotteryIndex = 1;
    // Address that the download and the refresh open.
    std::string feedUrl;
};

// The last nine characters of line (the whole line when shorter) with every comma removed:
// for a well-formed line the five digits 万位 to 个位, a leading zero kept.
std::string digitsOf(std::string_view line);

// The period number of line: of its first periodEnd characters the last periodWidth, read by
// the leading-decimal rule (the blank after the period code ends the number; no digit gives 0).
std::int32_t periodOf(const DrawStore& store, std::string_view line);

// Puts the walk's cursor on the oldest stored line.
void resetCursor(DrawStore& store);

// Whether a walk can run: it needs at least two stored lines, since the seed is the oldest
// stored line and the walk ends when the cursor reaches slot 0.
bool walkPossible(const DrawStore& store);

// Stores the lines of a fresh download, newest first, in slots 0 upward of FeedLines and
// DrawHistory: at most kDownloadLines of them, setting oldestIndex and drawCursor to the index
// of each line as it is stored. Slots above the last stored one are left as they are; with no
// line at all both integers keep their values. latestLine becomes FeedLines[0] in every case.
// Returns the number of lines stored.
std::int32_t storeDownloadedLines(DrawStore& store, std::span<const std::string> lines);

} // namespace kestrum
