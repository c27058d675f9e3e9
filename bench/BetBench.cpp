#include "engine/BetTable.h"

#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace kestrum {
namespace {

// The bets of 1000 random five-digit seeds for the formulas 1 to 499: the rows that a search's
// bet table and the walk-forward evaluation make, per bet.
void BM_BetRows(benchmark::State& state, BetRecipe recipe) {
    const auto codeCount = static_cast<std::int32_t>(state.range(0));
    std::mt19937_64 random(2016);
    std::vector<std::int32_t> seeds(1000);
    for (std::int32_t& seed : seeds) {
        seed = static_cast<std::int32_t>(random() % 100000);
    }
    std::vector<std::uint16_t> row(499);
    for (auto _ : state) {
        for (const std::int32_t seed : seeds) {
            BetTable::tabulate(recipe, seed, 1, 499, codeCount, row.data(), 1);
            benchmark::DoNotOptimize(row.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * 1000 * 499);
}
BENCHMARK_CAPTURE(BM_BetRows, Standard, BetRecipe::Standard)->Arg(2)->Arg(6)->Arg(8);
BENCHMARK_CAPTURE(BM_BetRows, FiveStar, BetRecipe::FiveStar)->Arg(2);

} // namespace
} // namespace kestrum
