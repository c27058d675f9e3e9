#include "stats/SearchLuck.h"

#include "engine/Backtest.h"
#include "engine/Search.h"

#include <gtest/gtest.h>
#include <memory>
#include <numeric>

namespace kestrum {
namespace {

TEST(SearchLuckTest, EachRandomHistoryIsSearchedAsTheRealOneIs) {
    for (const PlayType type : {PlayType::Hou1, PlayType::SanXing, PlayType::WuXingAny}) {
        SearchLuckRequest request;
        request.type = type;
        request.shape = {2, 4};
        request.drawCount = 40;
        request.histories = 3;
        const SearchLuck luck = simulateSearchLuck(request);
        ASSERT_EQ(luck.histories, 3);
        const FormulaRange range = searchedFormulas(type);
        EXPECT_NEAR(std::accumulate(luck.formulasAt.begin(), luck.formulasAt.end(), 0.0),
                    range.end - range.first, 1e-9);

        for (std::int32_t i = 0; i < request.histories; ++i) {
            auto engine = std::make_unique<Engine>();
            fillUniformHistory(*engine, request.drawCount, request.seed, i);
            const std::int32_t kept = searchFormulas(*engine, type, range.first, range.end, 2, 4,
                                                     {{}, SearchMode::Literal});
            float accuracy = -1.0f;
            if (kept != 0) {
                runBacktest(*engine, type, kept, 2, 4);
                accuracy = engine->lastStats.accuracy;
            }
            EXPECT_EQ(luck.keptAccuracies[static_cast<std::size_t>(i)], accuracy)
                << playTypeInfo(type).label << " history " << i;
        }
    }
}

TEST(SearchLuckTest, TheShareReachingAnAccuracy) {
    SearchLuck luck;
    luck.keptAccuracies = {100.0f, 95.0f, -1.0f, 91.0f};
    EXPECT_DOUBLE_EQ(bestOfSearchP(luck, 95.0f), 0.5);
    EXPECT_DOUBLE_EQ(bestOfSearchP(luck, 0.0f), 0.75);
    EXPECT_DOUBLE_EQ(bestOfSearchP(SearchLuck{}, 50.0f), 1.0);
}

} // namespace
} // namespace kestrum
