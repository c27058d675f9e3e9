#pragma once

// What chance alone gives a plan: every draw uniform (each of the ten digits alike at every
// position) and independent of the others. The figures depend only on how many distinct digits
// a plan bets on, the play type's hit rule and the plan's 期数.

#include "engine/PlanRecord.h"
#include "engine/PlayType.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace kestrum {

// The distinct digits 0 to 9 among the characters of a bet; anything else ("-") never matches
// a drawn digit and does not count.
std::int32_t distinctBetDigits(std::string_view bet);

// The probability that one uniform draw hits a bet of `digits` distinct digits (0 to 10) under
// the play type's rule: one position d/10; every one of m positions (d/10)^m; at least one of m
// positions 1 − (1 − d/10)^m. 0 for an empty bet.
double drawHitChance(PlayType type, std::int32_t digits);

// The probability that a plan of `digits` bet digits is won within planPeriods draws:
// 1 − (1 − q)^planPeriods. With planPeriods 0 or less no plan fails, so a plan that ends was won:
// 1, or 0 when no draw can hit.
double planWinChance(PlayType type, std::int32_t digits, std::int32_t planPeriods);

// The probability that at least `atLeast` of independent events happen, event i with
// probability probabilities[i] (the upper tail of the Poisson-binomial distribution). 1 when
// atLeast is 0 or less, 0 when it exceeds the number of events.
double poissonBinomialTail(std::span<const double> probabilities, std::int32_t atLeast);

// A formula's finished plans set beside chance.
struct ChanceRecord {
    // Finished plans won and failed.
    std::int32_t wins = 0;
    std::int32_t losses = 0;
    // The mean of planWinChance over the finished plans, in percent (0 to 100): the accuracy
    // that chance alone gives these plans. 0 when no plan finished.
    double chanceAccuracy = 0.0;
    // The probability that chance alone wins at least `wins` of these plans, each with its own
    // probability: 1 when no plan finished.
    double pValue = 1.0;
};

// The finished plans among `plans` (won and failed; the running plan takes no part) of a play
// type with planPeriods.
ChanceRecord chanceOfPlans(PlayType type, std::span<const PlanRecord> plans,
                           std::int32_t planPeriods);

// The Wilson score interval of a share of `wins` in `trials`, as fractions from 0 to 1; {0, 1}
// when there is no trial. `z` is the normal quantile of the interval's confidence: 1.96 for 95 %
// (the default), 3.29 for 99.9 %.
struct Interval {
    double low = 0.0;
    double high = 1.0;
};
// The 97.5th percentile of the normal distribution.
inline constexpr double kWilson95 = 1.959963984540054;
Interval wilsonInterval(std::int32_t wins, std::int32_t trials, double z = kWilson95);

} // namespace kestrum
