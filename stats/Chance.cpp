#include "stats/Chance.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

namespace kestrum {

std::int32_t distinctBetDigits(std::string_view bet) {
    std::uint32_t seen = 0;
    for (const char c : bet) {
        if (c >= '0' && c <= '9') {
            seen |= 1u << (c - '0');
        }
    }
    return static_cast<std::int32_t>(std::popcount(seen));
}

double drawHitChance(PlayType type, std::int32_t digits) {
    const double share = std::clamp(digits, 0, 10) / 10.0;
    const PlayTypeInfo& info = playTypeInfo(type);
    if (info.pickCount == 1) {
        return share;
    }
    if (info.hitRule == HitRule::All) {
        return std::pow(share, info.pickCount);
    }
    return 1.0 - std::pow(1.0 - share, info.pickCount);
}

double planWinChance(PlayType type, std::int32_t digits, std::int32_t planPeriods) {
    const double hit = drawHitChance(type, digits);
    if (planPeriods <= 0) {
        return hit > 0.0 ? 1.0 : 0.0;
    }
    return 1.0 - std::pow(1.0 - hit, planPeriods);
}

double poissonBinomialTail(std::span<const double> probabilities, std::int32_t atLeast) {
    const auto events = static_cast<std::int32_t>(probabilities.size());
    if (atLeast <= 0) {
        return 1.0;
    }
    if (atLeast > events) {
        return 0.0;
    }
    // ways[j]: the probability of exactly j events among those taken so far.
    std::vector<double> ways(probabilities.size() + 1, 0.0);
    ways[0] = 1.0;
    std::size_t taken = 0;
    for (const double p : probabilities) {
        ++taken;
        for (std::size_t j = taken; j > 0; --j) {
            ways[j] = ways[j] * (1.0 - p) + ways[j - 1] * p;
        }
        ways[0] *= 1.0 - p;
    }
    double tail = 0.0;
    for (auto j = static_cast<std::size_t>(atLeast); j < ways.size(); ++j) {
        tail += ways[j];
    }
    return std::min(tail, 1.0);
}

ChanceRecord chanceOfPlans(PlayType type, std::span<const PlanRecord> plans,
                           std::int32_t planPeriods) {
    ChanceRecord record;
    std::vector<double> chances;
    for (const PlanRecord& plan : plans) {
        if (plan.outcome == PlanOutcome::Running) {
            continue;
        }
        (plan.outcome == PlanOutcome::Won ? record.wins : record.losses) += 1;
        chances.push_back(planWinChance(type, distinctBetDigits(plan.bet), planPeriods));
    }
    if (chances.empty()) {
        return record;
    }
    double sum = 0.0;
    for (const double chance : chances) {
        sum += chance;
    }
    record.chanceAccuracy = 100.0 * sum / static_cast<double>(chances.size());
    record.pValue = poissonBinomialTail(chances, record.wins);
    return record;
}

Interval wilsonInterval(std::int32_t wins, std::int32_t trials, double z) {
    if (trials <= 0) {
        return {};
    }
    const double n = trials;
    const double share = wins / n;
    const double centre = share + z * z / (2 * n);
    const double spread = z * std::sqrt(share * (1 - share) / n + z * z / (4 * n * n));
    const double scale = 1 + z * z / n;
    // At a share of 0 or 1 the interval ends there exactly, whatever the rounding says.
    return {wins <= 0 ? 0.0 : std::max(0.0, (centre - spread) / scale),
            wins >= trials ? 1.0 : std::min(1.0, (centre + spread) / scale)};
}

} // namespace kestrum
