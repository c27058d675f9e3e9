#include "report/AccuracyHistogram.h"

#include <algorithm>

namespace kestrum {

namespace {

std::int32_t percent(float accuracy) {
    return std::clamp(static_cast<std::int32_t>(accuracy), 0, kAccuracySteps - 1);
}

} // namespace

AccuracyHistogram accuracyHistogram(std::span<const float> accuracies, std::int32_t first,
                                    float current) {
    AccuracyHistogram histogram;
    histogram.current = percent(current);
    std::int32_t formula = first;
    for (float accuracy : accuracies) {
        const std::int32_t step = percent(accuracy);
        std::int32_t& count = histogram.formulas[static_cast<std::size_t>(step)];
        histogram.tallest = std::max(histogram.tallest, ++count);
        if (histogram.formulaCount == 0 || step > histogram.best) {
            histogram.best = step;
            histogram.bestFormula = formula;
        }
        if (step > histogram.current) {
            ++histogram.currentRank;
        }
        ++histogram.formulaCount;
        ++formula;
    }
    return histogram;
}

} // namespace kestrum
