#include "stats/Chance.h"

#include "engine/Backtest.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kestrum {
namespace {

// Every one of the 100000 draws tested against the bet by the walk's own hit rule: the share
// that hits is what chance gives one draw.
double enumeratedHitShare(PlayType type, const std::string& bet) {
    std::int32_t hits = 0;
    char digits[8];
    for (int draw = 0; draw < 100000; ++draw) {
        std::snprintf(digits, sizeof digits, "%05d", draw);
        hits += drawHits(type, bet, digits) ? 1 : 0;
    }
    return hits / 100000.0;
}

TEST(ChanceTest, OneDrawAgreesWithTheWalksHitRuleForEveryPlayType) {
    // Repeated digits count once, "-" never matches, an empty bet never hits a whole draw.
    const std::vector<std::string> bets = {"", "7", "864150", "1122", "-30", "0123456789"};
    for (const PlayType type : allPlayTypes()) {
        for (const std::string& bet : bets) {
            EXPECT_NEAR(drawHitChance(type, distinctBetDigits(bet)), enumeratedHitShare(type, bet),
                        1e-12)
                << playTypeInfo(type).label << " <" << bet << ">";
        }
    }
}

TEST(ChanceTest, PlansOfEachHitRuleByHand) {
    // 后一, six digits, three periods: 1 − 0.4³.
    EXPECT_NEAR(planWinChance(PlayType::Hou1, 6, 3), 0.936, 1e-12);
    EXPECT_NEAR(planWinChance(PlayType::WanWei, 6, 3), 0.936, 1e-12);
    // 后二, eight digits on both positions: q = 0.64; three periods: 1 − 0.36³.
    EXPECT_NEAR(planWinChance(PlayType::Hou2, 8, 3), 1 - 0.36 * 0.36 * 0.36, 1e-12);
    // 三星 and 前三星: q = 0.8³ = 0.512; four periods.
    EXPECT_NEAR(planWinChance(PlayType::SanXing, 8, 4), 1 - std::pow(0.488, 4), 1e-12);
    EXPECT_NEAR(planWinChance(PlayType::QianSanXing, 8, 3), 1 - std::pow(0.488, 3), 1e-12);
    // 后三不定位, two digits: q = 1 − 0.8³ = 0.488; 五星不定位: q = 1 − 0.8⁵ = 0.67232.
    EXPECT_NEAR(planWinChance(PlayType::Hou3Any, 2, 3), 1 - std::pow(0.512, 3), 1e-12);
    EXPECT_NEAR(planWinChance(PlayType::WuXingAny, 2, 3), 1 - std::pow(0.32768, 3), 1e-12);
    // 码数 10 always wins, an empty bet never does.
    for (const PlayType type : allPlayTypes()) {
        EXPECT_DOUBLE_EQ(planWinChance(type, 10, 1), 1.0);
        EXPECT_DOUBLE_EQ(planWinChance(type, 0, 3), 0.0);
    }
    // No plan fails with 期数 0: one that ends was won, unless nothing can hit.
    EXPECT_DOUBLE_EQ(planWinChance(PlayType::Hou1, 3, 0), 1.0);
    EXPECT_DOUBLE_EQ(planWinChance(PlayType::Hou1, 0, 0), 0.0);
}

TEST(ChanceTest, PoissonBinomialTailEqualsTheSumOverEveryOutcome) {
    const std::vector<std::vector<double>> cases = {
        {0.5}, {0.936, 0.936, 0.936}, {0.1, 0.9, 0.5, 0.33, 1.0, 0.0, 0.672, 0.25}};
    for (const std::vector<double>& chances : cases) {
        const auto n = static_cast<std::int32_t>(chances.size());
        std::vector<double> exactly(chances.size() + 1, 0.0);
        for (std::uint32_t outcome = 0; outcome < (1u << n); ++outcome) {
            double probability = 1.0;
            std::int32_t events = 0;
            for (std::int32_t i = 0; i < n; ++i) {
                const bool happened = (outcome >> i & 1u) != 0;
                probability *= happened ? chances[static_cast<std::size_t>(i)]
                                        : 1 - chances[static_cast<std::size_t>(i)];
                events += happened ? 1 : 0;
            }
            exactly[static_cast<std::size_t>(events)] += probability;
        }
        for (std::int32_t atLeast = -1; atLeast <= n + 1; ++atLeast) {
            double tail = 0.0;
            for (std::int32_t j = std::max(atLeast, 0); j <= n; ++j) {
                tail += exactly[static_cast<std::size_t>(j)];
            }
            EXPECT_NEAR(poissonBinomialTail(chances, atLeast), tail, 1e-12)
                << "at least " << atLeast << " of " << n;
        }
    }
}

TEST(ChanceTest, PlansOfAFormulaEachWithItsOwnBet) {
    auto plan = [](std::string bet, PlanOutcome outcome) {
        PlanRecord record;
        record.bet = std::move(bet);
        record.outcome = outcome;
        return record;
    };
    // 五星不定位's bets differ in size: "30" two digits, "0" one; the running plan takes no part.
    const std::vector<PlanRecord> plans = {
        plan("30", PlanOutcome::Won), plan("0", PlanOutcome::Failed), plan("86", PlanOutcome::Won),
        plan("12", PlanOutcome::Running)};
    const double two = planWinChance(PlayType::WuXingAny, 2, 3);
    const double one = planWinChance(PlayType::WuXingAny, 1, 3);
    const ChanceRecord record = chanceOfPlans(PlayType::WuXingAny, plans, 3);
    EXPECT_EQ(record.wins, 2);
    EXPECT_EQ(record.losses, 1);
    EXPECT_NEAR(record.chanceAccuracy, 100 * (2 * two + one) / 3, 1e-9);
    const std::vector<double> chances = {two, one, two};
    EXPECT_NEAR(record.pValue, poissonBinomialTail(chances, 2), 1e-15);

    const ChanceRecord none = chanceOfPlans(PlayType::Hou1, {}, 3);
    EXPECT_EQ(none.chanceAccuracy, 0.0);
    EXPECT_EQ(none.pValue, 1.0);
}

TEST(ChanceTest, WilsonIntervalOfKnownShares) {
    // 8 of 10: 0.4902 to 0.9433; 0 of 20 reaches 0 exactly; no trial says nothing.
    const Interval eight = wilsonInterval(8, 10);
    EXPECT_NEAR(eight.low, 0.4902, 1e-4);
    EXPECT_NEAR(eight.high, 0.9433, 1e-4);
    EXPECT_DOUBLE_EQ(wilsonInterval(0, 20).low, 0.0);
    EXPECT_NEAR(wilsonInterval(0, 20).high, 0.1611, 1e-4);
    EXPECT_DOUBLE_EQ(wilsonInterval(0, 0).high, 1.0);
    // Every trial won: the interval reaches 1, not just short of it.
    EXPECT_EQ(wilsonInterval(23, 23).high, 1.0);
    EXPECT_NEAR(wilsonInterval(23, 23).low, 0.8569, 1e-4);
}

} // namespace
} // namespace kestrum
