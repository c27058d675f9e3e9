#pragma once

// The search driver: backtests every formula of a range for one play type, returns the index
// with the most won plans (the lower one on a tie; 0 when no formula won a plan), and keeps up
// to thirty good formulas with their statistics in CandidateTable.

#include "engine/Engine.h"
#include "engine/PlayType.h"

#include <cstdint>
#include <functional>
#include <span>

namespace kestrum {

// How far a search has come: `done` of `total` formulas of `type` backtested.
struct SearchProgress {
    PlayType type;
    std::int32_t done;
    std::int32_t total;
};

// Called on the searching thread after every formula.
using SearchProgressCallback = std::function<void(const SearchProgress&)>;

enum class SearchMode {
    // Counts what each walk needs without formatting the lines it throws away.
    Counting,
    // Runs the formatting backtest for every formula, exactly as a single backtest does.
    Literal,
};

class BetTableCache;

// A range of formula indexes: first <= k < end.
struct FormulaRange {
    std::int32_t first;
    std::int32_t end;
};

// The formulas that the search command and the dispatch try for `type`: 1 to 499, and 1 to 299
// for 五星不定位, whose search is held to those whatever range it is given.
FormulaRange searchedFormulas(PlayType type);

struct SearchOptions {
    SearchProgressCallback progress;
    SearchMode mode = SearchMode::Counting;
    // Bet tables shared with other searches over the same, unchanged history; none: the search
    // makes its own.
    BetTableCache* bets = nullptr;
};

// A search that a caller is about to run, for prepareSearchBets.
struct PlannedSearch {
    PlayType type;
    std::int32_t codeCount;
};

// Builds the bet tables that the counting searches of these play types (with the formulas of
// searchedFormulas) over the engine's history will take from `bets`, in one pass. Does nothing
// where the searches would not count (the literal mode, histories too long).
void prepareSearchBets(const Engine& engine, std::span<const PlannedSearch> searches,
                       SearchMode mode, BetTableCache& bets);

// Backtests the formulas first <= k < end (五星不定位 always tries 1 to 299) with the given
// plan shape. Leaves CandidateTable rewritten, ScratchLines slots 0 to 255 empty, and the rest
// of the engine state as the last backtest left it; both modes leave the same state. With
// fewer than two stored lines no walk can run: the table is cleared and 0 returned.
std::int32_t searchFormulas(Engine& engine, PlayType type, std::int32_t first, std::int32_t end,
                            std::int32_t planPeriods, std::int32_t codeCount,
                            const SearchOptions& options = {});

} // namespace kestrum
