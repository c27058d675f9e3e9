#pragma once

// The accuracies of all the formulas of a play type, counted per whole percent, and where the
// formula in use stands among them.

#include <array>
#include <cstdint>
#include <span>

namespace kestrum {

inline constexpr std::int32_t kAccuracySteps = 101;

struct AccuracyHistogram {
    // formulas[a]: how many formulas have an accuracy of a percent, a from 0 to 100.
    std::array<std::int32_t, kAccuracySteps> formulas{};
    std::int32_t formulaCount = 0;
    // The largest of formulas[] (the scale of the bars); 0 when there is no formula.
    std::int32_t tallest = 0;
    // The highest accuracy and the lowest formula that has it; both 0 when there is none.
    std::int32_t best = 0;
    std::int32_t bestFormula = 0;
    // The formula in use: its accuracy (0 to 100) and its rank, 1 plus the number of formulas
    // that are more accurate (formulas as accurate share its rank).
    std::int32_t current = 0;
    std::int32_t currentRank = 1;
};

// accuracies[i] is the accuracy of formula first + i; current that of the formula in use.
// Accuracies are whole percents; a value outside 0 to 100 counts as the nearer end.
AccuracyHistogram accuracyHistogram(std::span<const float> accuracies, std::int32_t first,
                                    float current);

} // namespace kestrum
