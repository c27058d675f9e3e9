#pragma once

// The two runs a walk keeps, the same in the literal walk and the counting walk: won plans in a
// row and missed draws in a row, each with its record.

#include "base/WrappingInt.h"

#include <cstdint>

namespace kestrum {

struct WalkRuns {
    // Current run of won plans; it is compared with its record only at a miss, so a run still
    // open when the walk ends is not counted.
    std::int32_t hitRun = 0;
    // Current run of missed draws, across plan boundaries; it reaches its record only when a
    // hit ends it.
    std::int32_t missRun = 0;
    std::int32_t maxHitRun = 0;
    std::int32_t maxMissRun = 0;

    // A tested draw that won its plan.
    void hit() {
        hitRun = wrapAdd(hitRun, 1);
        if (missRun > maxMissRun) {
            maxMissRun = missRun;
        }
        missRun = 0;
    }

    // A tested draw that missed. Only a miss that beats the record resets the run of won plans.
    void miss() {
        missRun = wrapAdd(missRun, 1);
        if (hitRun > maxHitRun) {
            maxHitRun = hitRun;
            hitRun = 0;
        }
    }
};

} // namespace kestrum
