#pragma once

// The formula in use set beside chance, over the stored draws: its finished plans against what
// chance gives each of them, and its 准确率 against what the search keeps on random draws of
// the same length.

#include "draws/DrawStore.h"
#include "engine/DispatchTables.h"
#include "engine/EngineState.h"
#include "engine/PlayType.h"
#include "stats/Chance.h"
#include "stats/SearchLuck.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrum {

struct FormulaChance {
    ChanceRecord chance;
    // The formula's 准确率 over the stored draws (0 to 100), as the formula list shows it.
    float accuracy = 0.0f;
};

// Backtests `formula` with `shape` on a copy of the draws (the caller's store is not touched)
// and sets every plan it finished beside chance. All zero when no walk can run.
FormulaChance formulaChance(const DrawStore& draws, PlayType type, PlanShape shape,
                            std::int32_t formula);

// The chance accuracy (percent) of each candidate's formula over the draws; 0 for an empty row.
std::array<double, kCandidateRows> candidateChances(const DrawStore& draws, PlayType type,
                                                    PlanShape shape,
                                                    const CandidateRows& candidates);

struct FormulaLuck {
    FormulaChance formula;
    // The share of random histories whose kept formula reaches the formula's 准确率 (0 to 1).
    double bestOfSearchP = 1.0;
    SearchLuck luck;
};

// formulaChance, and the search of kLuckHistories random histories as long as the stored ones.
FormulaLuck formulaLuck(const DrawStore& draws, PlayType type, PlanShape shape,
                        std::int32_t formula, const std::atomic<bool>* cancel = nullptr);

// The stored draw lines, oldest first.
std::vector<std::string> storedLinesOldestFirst(const DrawStore& draws);

} // namespace kestrum
