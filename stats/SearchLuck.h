#pragma once

// How well the search does on draws that hold nothing to find: uniform random histories of the
// same length, each searched exactly as the real history is, seeded so that the figures are the
// same at every run and on every platform.

#include "draws/DrawStore.h"
#include "engine/DispatchTables.h"
#include "engine/PlayType.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

namespace kestrum {

inline constexpr std::int32_t kLuckHistories = 200;
inline constexpr std::uint64_t kLuckSeed = 20161209;

struct SearchLuckRequest {
    PlayType type = PlayType::Hou1;
    PlanShape shape;
    // The stored draws a real search walks over (the oldest is the first seed); fewer than
    // two: no walk can run and nothing is simulated.
    std::int32_t drawCount = 0;
    std::int32_t histories = kLuckHistories;
    std::uint64_t seed = kLuckSeed;
};

struct SearchLuck {
    // Random histories searched.
    std::int32_t histories = 0;
    // Per history, the 准确率 (0 to 100) of the formula its search keeps (the most won plans);
    // −1 when it keeps none.
    std::vector<float> keptAccuracies;
    // The mean number of formulas of a search at each whole 准确率, 0 to 100, over the
    // histories: the spread that chance alone gives the formulas of one search.
    std::array<double, 101> formulasAt{};
};

// Random history `index` of `seed`: drawCount (at most kHistorySlots) uniform draws in `store`,
// newest first, as a download stores them. The same for every play type.
void fillUniformHistory(DrawStore& store, std::int32_t drawCount, std::uint64_t seed,
                        std::int32_t index);

// Searches `histories` random histories. `cancel`, when given and set, ends the work early
// with what is done (fewer histories).
SearchLuck simulateSearchLuck(const SearchLuckRequest& request,
                              const std::atomic<bool>* cancel = nullptr);

// The share (0 to 1) of the simulated histories whose kept formula reaches `accuracy` or more;
// 1 when nothing was simulated.
double bestOfSearchP(const SearchLuck& luck, float accuracy);

} // namespace kestrum
