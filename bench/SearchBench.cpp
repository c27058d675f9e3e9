#include "History.h"
#include "engine/Dispatch.h"
#include "engine/Search.h"

#include <benchmark/benchmark.h>

namespace kestrum {
namespace {

// One search of a play type of each family over a 101-line history, in both modes.
void BM_Search(benchmark::State& state, PlayType type, SearchMode mode) {
    Engine engine;
    bench::fillRandomHistory(engine, 101, 2016);
    const PlanShape shape = engine.PlanParams[slotOf(type)];
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            searchFormulas(engine, type, 1, 500, shape.planPeriods, shape.codeCount, {{}, mode}));
    }
}
BENCHMARK_CAPTURE(BM_Search, Hou1Counting, PlayType::Hou1, SearchMode::Counting);
BENCHMARK_CAPTURE(BM_Search, Hou1Literal, PlayType::Hou1, SearchMode::Literal);
BENCHMARK_CAPTURE(BM_Search, SanXingCounting, PlayType::SanXing, SearchMode::Counting);
BENCHMARK_CAPTURE(BM_Search, SanXingLiteral, PlayType::SanXing, SearchMode::Literal);
BENCHMARK_CAPTURE(BM_Search, WuXingAnyCounting, PlayType::WuXingAny, SearchMode::Counting);
BENCHMARK_CAPTURE(BM_Search, WuXingAnyLiteral, PlayType::WuXingAny, SearchMode::Literal);

// fullRecompute on a fresh lottery: ten searches and ten backtests.
void BM_FullRecompute(benchmark::State& state, SearchMode mode) {
    Engine engine;
    bench::fillRandomHistory(engine, static_cast<std::int32_t>(state.range(0)), 2016);
    for (auto _ : state) {
        engine.CurrentFormulaTable = {};
        fullRecompute(engine, {{}, mode});
        benchmark::DoNotOptimize(engine.PlanLines[0][0]);
    }
}
BENCHMARK_CAPTURE(BM_FullRecompute, Counting, SearchMode::Counting)
    ->Arg(30)
    ->Arg(101)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FullRecompute, Literal, SearchMode::Literal)
    ->Arg(30)
    ->Arg(101)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kestrum
