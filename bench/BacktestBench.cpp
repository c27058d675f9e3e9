#include "History.h"
#include "engine/Backtest.h"
#include "engine/Formula.h"

#include <benchmark/benchmark.h>

namespace kestrum {
namespace {

// One 后一 backtest of formula 7 over a 101-line history, with the caller's calling order.
void BM_SinglePositionBacktest101(benchmark::State& state) {
    Engine engine;
    bench::fillRandomHistory(engine, 101, 2016);
    for (auto _ : state) {
        resetCursor(engine);
        engine.scratchLineCount = 0;
        readSeed(engine);
        benchmark::DoNotOptimize(backtestSinglePosition(engine, PlayType::Hou1, 7, 3, 6));
    }
}
BENCHMARK(BM_SinglePositionBacktest101);

} // namespace
} // namespace kestrum
