#include "stats/SearchLuck.h"

#include "engine/Backtest.h"
#include "engine/CountingHistory.h"
#include "engine/Engine.h"
#include "engine/Search.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <random>
#include <thread>

namespace kestrum {

namespace {

// What one random history's search found.
struct HistoryLuck {
    float keptAccuracy = -1.0f;
    std::array<std::int32_t, 101> formulasAt{};
};

// Uniform five-digit draws from a generator whose sequence the standard fixes, so that the
// same seed gives the same draws with every library: a 64-bit value becomes 00000 to 99999,
// values from the uneven top of the range drawn again.
std::int32_t uniformDraw(std::mt19937_64& random) {
    constexpr std::uint64_t kDraws = 100000;
    constexpr std::uint64_t kLimit = std::numeric_limits<std::uint64_t>::max() -
                                     std::numeric_limits<std::uint64_t>::max() % kDraws;
    for (;;) {
        const std::uint64_t value = random();
        if (value < kLimit) {
            return static_cast<std::int32_t>(value % kDraws);
        }
    }
}

} // namespace

void fillUniformHistory(DrawStore& store, std::int32_t drawCount, std::uint64_t seed,
                        std::int32_t index) {
    const std::uint64_t stream =
        seed * std::uint64_t{0x9E3779B97F4A7C15} + static_cast<std::uint64_t>(index);
    std::mt19937_64 random(static_cast<std::mt19937_64::result_type>(stream));
    for (std::int32_t slot = drawCount - 1; slot >= 0; --slot) {
        const std::int32_t draw = uniformDraw(random);
        char line[48];
        std::snprintf(line, sizeof line, "20000101%03d %d,%d,%d,%d,%d", (drawCount - slot) % 1000,
                      draw / 10000, draw / 1000 % 10, draw / 100 % 10, draw / 10 % 10, draw % 10);
        store.DrawHistory[static_cast<std::size_t>(slot)] = line;
        store.FeedLines[static_cast<std::size_t>(slot)] = line;
    }
    store.oldestIndex = drawCount - 1;
    store.drawCursor = store.oldestIndex;
}

namespace {

// The search of one random history, as searchFormulas counts it: the kept formula is the first
// with the most won plans.
HistoryLuck searchRandomHistory(Engine& engine, const SearchLuckRequest& request,
                                std::int32_t index) {
    fillUniformHistory(engine, request.drawCount, request.seed, index);
    const FormulaRange range = searchedFormulas(request.type);
    const CountingHistory history(engine, request.type, range.first, range.end,
                                  request.shape.codeCount);
    HistoryLuck luck;
    std::int32_t best = 0;
    for (const WalkTally& tally : history.walkAll(request.shape.planPeriods)) {
        const float accuracy = walkAccuracy(tally.lines, tally.failed);
        luck.formulasAt[static_cast<std::size_t>(std::clamp(static_cast<int>(accuracy), 0, 100))] +=
            1;
        if (tally.hitPlans > best) {
            best = tally.hitPlans;
            luck.keptAccuracy = accuracy;
        }
    }
    return luck;
}

} // namespace

SearchLuck simulateSearchLuck(const SearchLuckRequest& request, const std::atomic<bool>* cancel) {
    SearchLuck result;
    if (request.drawCount < 2 || request.drawCount > kHistorySlots || request.histories <= 0) {
        return result;
    }
    const auto histories = static_cast<std::size_t>(request.histories);
    std::vector<HistoryLuck> found(histories);
    std::vector<char> done(histories, 0);
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);

    auto work = [&](std::size_t first) {
        // On the heap: an engine holds every plan table.
        auto engine = std::make_unique<Engine>();
        for (std::size_t i = first; i < histories; i += threads) {
            if (cancel != nullptr && cancel->load()) {
                return;
            }
            found[i] = searchRandomHistory(*engine, request, static_cast<std::int32_t>(i));
            done[i] = 1;
        }
    };
    {
        // Joined when the block ends, also when starting one of them throws.
        std::vector<std::jthread> helpers;
        for (std::size_t t = 1; t < threads; ++t) {
            helpers.emplace_back(work, t);
        }
        work(0);
    }

    for (std::size_t i = 0; i < histories; ++i) {
        if (done[i] == 0) {
            continue;
        }
        ++result.histories;
        result.keptAccuracies.push_back(found[i].keptAccuracy);
        for (std::size_t a = 0; a < result.formulasAt.size(); ++a) {
            result.formulasAt[a] += found[i].formulasAt[a];
        }
    }
    for (double& formulas : result.formulasAt) {
        formulas = result.histories == 0 ? 0.0 : formulas / result.histories;
    }
    return result;
}

double bestOfSearchP(const SearchLuck& luck, float accuracy) {
    if (luck.keptAccuracies.empty()) {
        return 1.0;
    }
    const auto reached = std::count_if(luck.keptAccuracies.begin(), luck.keptAccuracies.end(),
                                       [accuracy](float kept) { return kept >= accuracy; });
    return static_cast<double>(reached) / static_cast<double>(luck.keptAccuracies.size());
}

} // namespace kestrum
