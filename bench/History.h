#pragma once

// Deterministic histories for the benchmarks: well-formed draw lines of one day, newest first.

#include "draws/DrawStore.h"

#include <cstdint>
#include <random>
#include <string>

namespace kestrum::bench {

inline void fillRandomHistory(DrawStore& store, std::int32_t lines, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> digit(0, 9);
    for (std::int32_t slot = 0; slot < lines; ++slot) {
        const std::int32_t period = 120 - slot;
        char text[32];
        std::snprintf(text, sizeof text, "20150101%03d %d,%d,%d,%d,%d", period, digit(random),
                      digit(random), digit(random), digit(random), digit(random));
        store.FeedLines[static_cast<std::size_t>(slot)] = text;
        store.DrawHistory[static_cast<std::size_t>(slot)] = text;
    }
    store.oldestIndex = lines - 1;
    store.drawCursor = store.oldestIndex;
}

} // namespace kestrum::bench
