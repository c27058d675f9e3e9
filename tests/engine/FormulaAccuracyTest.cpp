#include "engine/FormulaAccuracy.h"

#include "support/History.h"
#include "support/Walks.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kestrum {
namespace {

TEST(FormulaAccuracyTest, EveryFormulaAsItsBacktestCountsIt) {
    // The worked 后一 example: formula 7 with 期数 2 and 码数 4 has the accuracy 83.
    Engine engine;
    test::storeOldestFirst(engine, test::dayOf(23, {"12345", "55550", "31419", "27182", "11111",
                                                    "99997", "00000", "66666"}));
    const FormulaAccuracies result = formulaAccuracies(engine, PlayType::Hou1, {2, 4}, 7);
    EXPECT_EQ(result.first, 1);
    ASSERT_EQ(result.accuracy.size(), 499u);
    EXPECT_EQ(result.accuracy[6], 83.0f);
    EXPECT_EQ(result.current, 83.0f);
    // Formula 600 lies outside the range and is backtested all the same.
    runBacktest(engine, PlayType::Hou1, 600, 2, 4);
    EXPECT_EQ(formulaAccuracies(engine, PlayType::Hou1, {2, 4}, 600).current,
              engine.lastStats.accuracy);
    // 五星不定位 is searched over 1 to 299 only.
    EXPECT_EQ(formulaAccuracies(engine, PlayType::WuXingAny, {3, 2}, 7).accuracy.size(), 299u);

    Engine single;
    test::storeOldestFirst(single, test::dayOf(23, {"12345"}));
    EXPECT_TRUE(formulaAccuracies(single, PlayType::Hou1, {2, 4}, 7).accuracy.empty());
}

} // namespace
} // namespace kestrum
