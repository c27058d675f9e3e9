#include "stats/WalkForward.h"

#include "LiteralWalkForward.h"
#include "base/Text.h"
#include "engine/Backtest.h"
#include "stats/Chance.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace kestrum {
namespace {

// Five uniform digits from a generator whose sequence the standard fixes.
std::string randomDigits(std::mt19937_64& random) {
    std::string digits;
    for (int i = 0; i < 5; ++i) {
        digits += static_cast<char>('0' + random() % 10);
    }
    return digits;
}

// A line of a 1440-a-day lottery, as the store holds it: "201601010001 1,2,3,4,5".
std::string lineOf(std::int32_t index, const std::string& digits) {
    char code[16];
    std::snprintf(code, sizeof code, "2016%04d%04d ", index / 1440 % 10000, index % 1440 + 1);
    std::string line = code;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        line += i > 0 ? "," : "";
        line += digits[i];
    }
    return line;
}

// `count` random lines, oldest first; `oddPercent` of them no draw at all, or digits that give
// seeds beyond five digits or below zero.
std::vector<std::string> randomLines(std::uint64_t seed, std::int32_t count,
                                     std::uint64_t oddPercent = 0) {
    static const std::vector<std::string> kOddLines{"",
                                                    "7",
                                                    "9,2",
                                                    "<html><body>404</body></html>",
                                                    "开奖号码",
                                                    "201601010001 -,1,2,3,4",
                                                    "201601010001 a,b,c,d,e",
                                                    "201601010001 1,2,后,4,5",
                                                    "201601010001 123456789",
                                                    "  -98765432",
                                                    "201601010001 9,9,9,9,9,9,9",
                                                    "201601010001 +,0,0,0,7",
                                                    "201601010001 1, ,3,4,5"};
    std::mt19937_64 random(seed);
    std::vector<std::string> lines;
    for (std::int32_t i = 0; i < count; ++i) {
        if (random() % 100 < oddPercent) {
            lines.push_back(kOddLines[random() % kOddLines.size()]);
        } else {
            lines.push_back(lineOf(i, randomDigits(random)));
        }
    }
    return lines;
}

std::vector<PlayToEvaluate> defaultPlays() {
    std::vector<PlayToEvaluate> plays;
    const PlanParamsTable shapes = defaultPlanParams();
    for (const PlayType type : allPlayTypes()) {
        plays.push_back({type, shapes[slotOf(type)]});
    }
    return plays;
}

void expectSameSteps(const std::vector<EvaluationStep>& fast,
                     const std::vector<EvaluationStep>& literal) {
    ASSERT_EQ(fast.size(), literal.size());
    for (std::size_t i = 0; i < fast.size(); ++i) {
        const EvaluationStep& a = fast[i];
        const EvaluationStep& b = literal[i];
        ASSERT_TRUE(a.newest == b.newest && a.formula == b.formula &&
                    a.inSampleAccuracy == b.inSampleAccuracy && a.bet == b.bet && a.end == b.end &&
                    a.won == b.won)
            << "step " << i << ": newest " << a.newest << " / " << b.newest << ", formula "
            << a.formula << " / " << b.formula << ", 准确率 " << a.inSampleAccuracy << " / "
            << b.inSampleAccuracy << ", bet " << a.bet << " / " << b.bet << ", end " << a.end
            << " / " << b.end << ", won " << a.won << " / " << b.won;
    }
}

void expectSameEvaluation(const Evaluation& fast, const Evaluation& literal) {
    EXPECT_EQ(fast.draws, literal.draws);
    EXPECT_EQ(fast.window, literal.window);
    ASSERT_EQ(fast.plays.size(), literal.plays.size());
    for (std::size_t p = 0; p < fast.plays.size(); ++p) {
        const PlayEvaluation& a = fast.plays[p];
        const PlayEvaluation& b = literal.plays[p];
        SCOPED_TRACE(testing::Message() << playTypeInfo(a.type).button << " 期数 "
                                        << a.shape.planPeriods << " 码数 " << a.shape.codeCount);
        EXPECT_EQ(a.type, b.type);
        EXPECT_EQ(a.steps, b.steps);
        expectSameSteps(a.walk, b.walk);
        // The same sums in the same order.
        EXPECT_EQ(a.inSampleAccuracy, b.inSampleAccuracy);
        EXPECT_EQ(a.chanceAccuracy, b.chanceAccuracy);
        EXPECT_EQ(a.outOfSample.wins, b.outOfSample.wins);
        EXPECT_EQ(a.outOfSample.losses, b.outOfSample.losses);
        EXPECT_EQ(a.outOfSample.accuracy, b.outOfSample.accuracy);
        EXPECT_EQ(a.outOfSample.low, b.outOfSample.low);
        EXPECT_EQ(a.outOfSample.high, b.outOfSample.high);
        EXPECT_EQ(a.outOfSample.longestLosingRun, b.outOfSample.longestLosingRun);
    }
}

void expectAsTheSearchAtEveryStep(const std::vector<std::string>& lines, std::int32_t window,
                                  std::vector<PlayToEvaluate> plays) {
    EvaluationRequest request;
    request.lines = lines;
    request.window = window;
    request.plays = std::move(plays);
    // More threads than plays, so that they share them out.
    request.threads = 3;
    std::vector<std::int32_t> reported;
    const Evaluation fast = evaluateWalkForward(
        request, true, [&](std::int32_t done, std::int32_t) { reported.push_back(done); });
    expectSameEvaluation(fast, test::evaluateWalkForwardLiterally(request, true));
    // Each play reported once, the count rising, however the threads finished.
    ASSERT_EQ(reported.size(), request.plays.size());
    for (std::size_t i = 0; i < reported.size(); ++i) {
        EXPECT_EQ(reported[i], static_cast<std::int32_t>(i) + 1);
    }
}

class WalkForwardExactTest : public testing::TestWithParam<PlayType> {};

// Every step of every play type as the search over each window decides it, with the default
// plan shapes.
TEST_P(WalkForwardExactTest, DefaultShapes) {
    const PlayType type = GetParam();
    const std::vector<std::string> lines = randomLines(1000 + slotOf(type), 2000);
    expectAsTheSearchAtEveryStep(lines, kEvaluationWindow,
                                 {{type, defaultPlanParams()[slotOf(type)]}});
}

INSTANTIATE_TEST_SUITE_P(AllPlayTypes, WalkForwardExactTest,
                         testing::ValuesIn(allPlayTypes().begin(), allPlayTypes().end()),
                         [](const testing::TestParamInfo<PlayType>& param) {
                             return "slot" + std::to_string(slotOf(param.param));
                         });

// All ten play types in one request, as the threads share them out (those that make the same
// bets walk together), on lines that are no draws mixed in, and seeds beyond five digits or
// negative, whose products wrap.
TEST(WalkForwardExactAllTest, MalformedLinesAmongTheDraws) {
    const std::vector<std::string> lines = randomLines(2000, 350, 15);
    expectAsTheSearchAtEveryStep(lines, kEvaluationWindow, defaultPlays());
}

class WalkForwardExactShapesTest : public testing::TestWithParam<std::int32_t> {};

// Plans of one draw; bets of one digit, and of nine; plans that never fail or cannot be won; in
// the smallest window (where no first plan ever ends), a small one and a wide one.
TEST_P(WalkForwardExactShapesTest, OddShapes) {
    // The wide window's searches are the slow ones.
    const std::int32_t window = GetParam();
    const std::vector<std::string> lines = randomLines(77, window > 30 ? 200 : 400, 4);
    const std::vector<PlayToEvaluate> plays{
        {PlayType::Hou1, {1, 6}},        {PlayType::SanXing, {1, 8}},
        {PlayType::BaiWei, {3, 1}},      {PlayType::Hou2, {5, 1}},
        {PlayType::QianSanXing, {4, 9}}, {PlayType::WuXingAny, {2, 9}},
        {PlayType::Hou3Any, {0, 1}},     {PlayType::WanWei, {-2, 3}},
        {PlayType::ShiWei, {3, 0}},      {PlayType::QianWei, {12, 2}},
    };
    expectAsTheSearchAtEveryStep(lines, window, plays);
}

INSTANTIATE_TEST_SUITE_P(Windows, WalkForwardExactShapesTest, testing::Values(2, 4, 60));

// Two histories equal before draw `cut` and different from it on: every step whose newest draw
// comes before the cut decides the same formula and bet in both, and every plan that ended
// before the cut ended alike. A step that read a later draw would tell them apart.
TEST(WalkForwardLookAheadTest, NoStepReadsADrawAfterItsNewest) {
    const std::vector<std::string> base = randomLines(5, 500);
    EvaluationRequest request;
    request.plays = defaultPlays();
    for (const std::int32_t cut : {40, 41, 150, 151, 152, 400}) {
        // Past the cut, far enough for the plans that run across it to end.
        const std::int32_t length = cut + 40;
        const std::vector<std::string> before(base.begin(), base.begin() + length);
        std::vector<std::string> after = randomLines(6000 + static_cast<std::uint64_t>(cut), 500);
        std::copy(base.begin(), base.begin() + cut, after.begin());
        after.resize(static_cast<std::size_t>(length));
        request.lines = before;
        const Evaluation a = evaluateWalkForward(request, true);
        request.lines = after;
        const Evaluation b = evaluateWalkForward(request, true);
        for (std::size_t p = 0; p < a.plays.size(); ++p) {
            SCOPED_TRACE(testing::Message()
                         << "cut " << cut << ", " << playTypeInfo(a.plays[p].type).button);
            const std::vector<EvaluationStep>& stepsA = a.plays[p].walk;
            const std::vector<EvaluationStep>& stepsB = b.plays[p].walk;
            std::size_t compared = 0;
            for (; compared < stepsA.size() && stepsA[compared].newest < cut; ++compared) {
                ASSERT_LT(compared, stepsB.size());
                const EvaluationStep& x = stepsA[compared];
                const EvaluationStep& y = stepsB[compared];
                ASSERT_EQ(x.newest, y.newest) << "step " << compared;
                ASSERT_EQ(x.formula, y.formula) << "step " << compared;
                ASSERT_EQ(x.inSampleAccuracy, y.inSampleAccuracy) << "step " << compared;
                ASSERT_EQ(x.bet, y.bet) << "step " << compared;
                if (x.end >= 0 && x.end < cut) {
                    ASSERT_EQ(x.end, y.end) << "step " << compared;
                    ASSERT_EQ(x.won, y.won) << "step " << compared;
                }
            }
            // Both walks reached the cut with the same steps.
            EXPECT_GT(compared, 0u);
            if (compared < stepsB.size()) {
                EXPECT_GE(stepsB[compared].newest, cut);
            }
        }
    }
}

// A history in which formula 7 truly predicts: every draw hits the bet that formula 7 makes
// from the draw before it. The method finds it and wins nearly every plan out of sample, far
// above chance.
TEST(WalkForwardMadeHistoryTest, AFormulaThatPredictsIsFoundAndWins) {
    constexpr std::int32_t kFormula = 7;
    for (const PlayToEvaluate& play : defaultPlays()) {
        SCOPED_TRACE(playTypeInfo(play.type).button);
        std::mt19937_64 random(31 + slotOf(play.type));
        std::vector<std::string> lines{lineOf(0, randomDigits(random))};
        for (std::int32_t i = 1; i < 1000; ++i) {
            const std::string bet = playBet(play.type, leadingDecimal(digitsOf(lines.back())),
                                            kFormula, play.shape.codeCount);
            std::string digits = randomDigits(random);
            while (!drawHits(play.type, bet, digits)) {
                digits = randomDigits(random);
            }
            lines.push_back(lineOf(i, digits));
        }
        EvaluationRequest request;
        request.lines = lines;
        request.plays = {play};
        const PlayEvaluation result = evaluateWalkForward(request, true).plays[0];
        EXPECT_GE(result.outOfSample.accuracy, 99.0);
        EXPECT_GT(result.outOfSample.low, result.chanceAccuracy);
        std::int32_t keptSeven = 0;
        for (const EvaluationStep& step : result.walk) {
            keptSeven += step.formula == kFormula ? 1 : 0;
        }
        EXPECT_GE(keptSeven, result.steps * 95 / 100);
    }
}

// Uniform random draws: nothing predicts them, so out of sample the method wins as often as
// chance gives the plans it played. Checked with the 99.9 % interval: with ten play types the
// record's own 95 % intervals would miss chance about every other history.
TEST(WalkForwardMadeHistoryTest, RandomDrawsWinAsChanceDoesOutOfSample) {
    constexpr double kZ999 = 3.290526731491926;
    EvaluationRequest request;
    const std::vector<std::string> lines = randomLines(20160615, 3000);
    request.lines = lines;
    request.plays = defaultPlays();
    const Evaluation evaluation = evaluateWalkForward(request);
    for (const PlayEvaluation& play : evaluation.plays) {
        SCOPED_TRACE(playTypeInfo(play.type).button);
        const OutOfSampleRecord& record = play.outOfSample;
        const std::int32_t plans = record.wins + record.losses;
        EXPECT_GT(plans, 1000);
        const Interval interval = wilsonInterval(record.wins, plans, kZ999);
        EXPECT_GE(play.chanceAccuracy, 100 * interval.low);
        EXPECT_LE(play.chanceAccuracy, 100 * interval.high);
    }
}

} // namespace
} // namespace kestrum
