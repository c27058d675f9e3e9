#include "History.h"
#include "engine/Backtest.h"

#include <benchmark/benchmark.h>

namespace kestrum {
namespace {

// One 后一 backtest of formula 7 over a 101-line history, from its oldest line.
void BM_SinglePositionBacktest101(benchmark::State& state) {
    Engine engine;
    bench::fillRandomHistory(engine, 101, 2016);
    for (auto _ : state) {
        benchmark::DoNotOptimize(runBacktest(engine, PlayType::Hou1, 7, 3, 6));
    }
}
BENCHMARK(BM_SinglePositionBacktest101);

} // namespace
} // namespace kestrum
