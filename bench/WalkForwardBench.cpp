#include "stats/WalkForward.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace kestrum {
namespace {

constexpr std::int32_t kDrawsPerDay = 1440;

// `days` of a 1440-a-day lottery, oldest first, as the store holds each line.
std::vector<std::string> minuteLottery(std::int32_t days) {
    std::mt19937_64 random(2016);
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(days) * kDrawsPerDay);
    char line[32];
    for (std::int32_t day = 0; day < days; ++day) {
        for (std::int32_t period = 1; period <= kDrawsPerDay; ++period) {
            const auto draw = static_cast<unsigned>(random() % 100000);
            std::snprintf(line, sizeof line, "2016%04d%04d %u,%u,%u,%u,%u", day, period,
                          draw / 10000, draw / 1000 % 10, draw / 100 % 10, draw / 10 % 10,
                          draw % 10);
            lines.emplace_back(line);
        }
    }
    return lines;
}

// The process's peak resident memory so far, in MiB (Linux reports kilobytes).
double peakMemoryMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The method replayed over `days` of a 1440-a-day lottery: all ten play types with their
// default plan shapes, window 30, on every core.
void BM_WalkForward(benchmark::State& state) {
    const std::vector<std::string> lines = minuteLottery(static_cast<std::int32_t>(state.range(0)));
    EvaluationRequest request;
    request.lines = lines;
    const PlanParamsTable shapes = defaultPlanParams();
    for (const PlayType type : allPlayTypes()) {
        request.plays.push_back({type, shapes[slotOf(type)]});
    }
    std::int32_t steps = 0;
    for (auto _ : state) {
        const Evaluation evaluation = evaluateWalkForward(request);
        steps = 0;
        for (const PlayEvaluation& play : evaluation.plays) {
            steps += play.steps;
        }
        benchmark::DoNotOptimize(evaluation.plays.data());
    }
    state.counters["draws"] = static_cast<double>(lines.size());
    state.counters["steps"] = steps;
    state.counters["peak_MiB"] = peakMemoryMiB();
}
BENCHMARK(BM_WalkForward)->Arg(7)->Arg(365)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace
} // namespace kestrum
