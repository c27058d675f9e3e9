#include "engine/Search.h"

#include "engine/CandidateAdmission.h"
#include "support/History.h"
#include "support/Walks.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace kestrum {
namespace {

using test::dayOf;
using test::storeOldestFirst;

BacktestStats statsAt(float accuracy) {
    return {4.0f, accuracy, 2, 1};
}

// Offers the formulas first, first + 1, ... with the given accuracies.
std::int32_t offer(CandidateAdmission& admission, std::int32_t first,
                   const std::vector<float>& accuracies) {
    std::int32_t formula = first;
    for (float accuracy : accuracies) {
        admission.consider(formula++, statsAt(accuracy), 4.0f);
    }
    return formula;
}

std::vector<float> repeated(std::size_t count, float accuracy) {
    return std::vector<float>(count, accuracy);
}

TEST(CandidateAdmissionTest, ThirtyBelowOneHundredFillTheTableInIndexOrder) {
    CandidateRows rows;
    rows.formula.fill(77); // a search starts from an empty table
    CandidateAdmission admission(rows);
    EXPECT_EQ(rows, CandidateRows{});
    // 90 is not above 90; 91 and more are admitted.
    offer(admission, 1, {90.0f, 50.0f});
    const std::int32_t next = offer(admission, 3, repeated(30, 95.0f));
    for (std::size_t row = 0; row < 30; ++row) {
        EXPECT_EQ(rows.formula[row], static_cast<std::int32_t>(row) + 3);
        EXPECT_EQ(rows.accuracy[row], 95.0f);
        EXPECT_EQ(rows.hitPlans[row], 4);
        EXPECT_EQ(rows.maxHitRun[row], 2);
        EXPECT_EQ(rows.maxMissRun[row], 1);
    }
    // Below 100 nothing enters any more.
    const CandidateRows full = rows;
    offer(admission, next, repeated(40, 99.0f));
    EXPECT_EQ(rows, full);
}

TEST(CandidateAdmissionTest, TheThirtiethAtOneHundredAlsoTakesRowZero) {
    CandidateRows rows;
    CandidateAdmission admission(rows);
    offer(admission, 1, repeated(29, 95.0f));
    admission.consider(30, statsAt(100.0f), 7.0f);
    EXPECT_EQ(rows.formula[29], 30);
    EXPECT_EQ(rows.formula[0], 30);
    EXPECT_EQ(rows.hitPlans[0], 7);
    EXPECT_EQ(rows.formula[1], 2);
}

TEST(CandidateAdmissionTest, NothingEntersAfterNinetyAdmissions) {
    CandidateRows rows;
    CandidateAdmission admission(rows);
    std::int32_t next = offer(admission, 1, repeated(30, 95.0f)); // rows 0..29: 1..30
    next = offer(admission, next, repeated(30, 100.0f));          // rows 0..29: 31..60
    // 60 filled row 29 and, from the same offer, row 0 of the last phase.
    EXPECT_EQ(rows.formula[0], 60);
    EXPECT_EQ(rows.formula[1], 32);
    EXPECT_EQ(rows.formula[29], 60);
    next = offer(admission, next, {95.0f});              // no longer enough
    next = offer(admission, next, repeated(29, 100.0f)); // rows 1..29: 62..90
    EXPECT_EQ(rows.formula[0], 60);
    EXPECT_EQ(rows.formula[1], 62);
    EXPECT_EQ(rows.formula[29], 90);
    const CandidateRows after90 = rows;
    offer(admission, next, repeated(50, 100.0f));
    EXPECT_EQ(rows, after90);
}

TEST(SearchTest, TheLowerIndexWinsATie) {
    Engine engine;
    storeOldestFirst(engine, dayOf(1, {"12345", "00000", "11111", "22222", "33333"}));
    // Ten digits: every formula wins every plan, so all tie.
    EXPECT_EQ(searchFormulas(engine, PlayType::Hou1, 5, 60, 3, 10), 5);
    // No digit: no formula wins a plan.
    EXPECT_EQ(searchFormulas(engine, PlayType::Hou1, 5, 60, 3, 0), 0);
    EXPECT_EQ(engine.CandidateTable, CandidateRows{});
}

TEST(SearchTest, FiveStarAlwaysTriesOneTo299) {
    Engine engine;
    storeOldestFirst(engine, dayOf(1, {"12345", "00000", "11111", "22222", "33333"}));
    std::vector<SearchProgress> seen;
    searchFormulas(engine, PlayType::WuXingAny, 400, 410, 3, 2,
                   {[&](const SearchProgress& progress) { seen.push_back(progress); }});
    ASSERT_EQ(seen.size(), 299u);
    EXPECT_EQ(seen.front().done, 1);
    EXPECT_EQ(seen.back().done, 299);
    EXPECT_EQ(seen.back().total, 299);
    EXPECT_EQ(seen.back().type, PlayType::WuXingAny);
}

TEST(SearchTest, ScratchLinesEndEmpty) {
    for (SearchMode mode : {SearchMode::Counting, SearchMode::Literal}) {
        Engine engine;
        storeOldestFirst(engine, dayOf(1, {"12345", "00000", "11111", "22222", "33333"}));
        engine.ScratchLines[3] = "left over";
        engine.ScratchLines[255] = "left over";
        searchFormulas(engine, PlayType::Hou2, 1, 30, 3, 8, {{}, mode});
        for (std::size_t i = 0; i < 256; ++i) {
            EXPECT_EQ(engine.ScratchLines[i], "") << i;
        }
    }
}

TEST(SearchTest, FewerThanTwoLinesSearchNothing) {
    Engine engine;
    storeOldestFirst(engine, dayOf(1, {"12345"}));
    engine.CandidateTable.formula[4] = 9;
    int calls = 0;
    EXPECT_EQ(searchFormulas(engine, PlayType::Hou1, 1, 500, 3, 6,
                             {[&](const SearchProgress&) { ++calls; }}),
              0);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(engine.CandidateTable, CandidateRows{});
    EXPECT_EQ(engine.drawCursor, 0); // no seed was read
}

// A history of random draws with now and then a line that is no draw at all.
std::vector<std::string> randomHistory(std::mt19937& random, std::int32_t lines) {
    static const std::vector<std::string> kOddLines{"",
                                                    "7",
                                                    "9,2",
                                                    "<html><body>404</body></html>",
                                                    "开奖号码",
                                                    "20150101001 -,1,2,3,4",
                                                    "20150101001 a,b,c,d,e",
                                                    "20150101001 9,9,9,9,9,9,9",
                                                    "20150101001 1,2,后,4,5"};
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<std::size_t> odd(0, kOddLines.size() - 1);
    std::vector<std::string> history;
    for (std::int32_t i = 0; i < lines; ++i) {
        if (percent(random) < 6) {
            history.push_back(kOddLines[odd(random)]);
            continue;
        }
        std::string digits;
        for (int d = 0; d < 5; ++d) {
            digits += static_cast<char>('0' + digit(random));
        }
        history.push_back(test::drawLine("20150101", i + 1, digits));
    }
    return history;
}

struct SearchOutcome {
    std::int32_t best;
    Engine engine;
};

SearchOutcome searchOnce(const std::vector<std::string>& history, PlayType type, std::int32_t first,
                         std::int32_t end, PlanShape shape, SearchMode mode) {
    SearchOutcome outcome{0, Engine{}};
    storeOldestFirst(outcome.engine, history);
    outcome.engine.ScratchLines[280] = "beyond the carried lines";
    outcome.best = searchFormulas(outcome.engine, type, first, end, shape.planPeriods,
                                  shape.codeCount, {{}, mode});
    return outcome;
}

void expectSameState(const Engine& counting, const Engine& literal) {
    EXPECT_EQ(counting.CandidateTable, literal.CandidateTable);
    EXPECT_EQ(counting.currentDigits, literal.currentDigits);
    EXPECT_EQ(counting.seedValue, literal.seedValue);
    EXPECT_EQ(counting.seedPeriod, literal.seedPeriod);
    EXPECT_EQ(counting.drawCursor, literal.drawCursor);
    EXPECT_EQ(counting.scratchLineCount, literal.scratchLineCount);
    EXPECT_EQ(counting.hitPlanCount, literal.hitPlanCount);
    EXPECT_EQ(counting.lastStats.hitPlans, literal.lastStats.hitPlans);
    EXPECT_EQ(counting.lastStats.accuracy, literal.lastStats.accuracy);
    EXPECT_EQ(counting.lastStats.maxHitRun, literal.lastStats.maxHitRun);
    EXPECT_EQ(counting.lastStats.maxMissRun, literal.lastStats.maxMissRun);
    EXPECT_EQ(counting.ScratchLines, literal.ScratchLines);
}

// The lowest formula with the most won plans, found by plain backtests.
std::int32_t bestByBacktests(const std::vector<std::string>& history, PlayType type,
                             std::int32_t first, std::int32_t end, PlanShape shape) {
    Engine engine;
    storeOldestFirst(engine, history);
    float best = 0.0f;
    std::int32_t bestIndex = 0;
    for (std::int32_t k = first; k < end; ++k) {
        const float score =
            runBacktest(engine, type, k, shape.planPeriods, shape.codeCount).value();
        if (score > best) {
            best = score;
            bestIndex = k;
        }
    }
    return bestIndex;
}

// The counting search must leave exactly what the literal search leaves, on histories with
// odd lines, for every play type and plan shapes of every kind.
TEST(SearchPropertyTest, CountingAndLiteralSearchesAgree) {
    std::mt19937 random(20160615);
    const std::vector<std::int32_t> periods{-1, 0, 1, 2, 3, 4, 5, 9};
    const std::vector<std::int32_t> codes{-1, 0, 1, 2, 3, 5, 6, 8, 9, 10, 12};
    std::uniform_int_distribution<std::int32_t> length(2, 101);
    std::uniform_int_distribution<std::size_t> pickPeriod(0, periods.size() - 1);
    std::uniform_int_distribution<std::size_t> pickCode(0, codes.size() - 1);
    struct Range {
        std::int32_t first;
        std::int32_t end;
    };
    // Small formulas, large ones whose products wrap, negative ones, and the whole range.
    const std::vector<Range> ranges{{1, 40}, {21470, 21490}, {-12, 6}, {1, 500}};

    for (int round = 0; round < 8; ++round) {
        const std::vector<std::string> history = randomHistory(random, length(random));
        for (PlayType type : allPlayTypes()) {
            const Range range = ranges[static_cast<std::size_t>(round) % ranges.size()];
            const PlanShape shape{periods[pickPeriod(random)], codes[pickCode(random)]};
            SCOPED_TRACE(testing::Message()
                         << "round " << round << ", " << playTypeInfo(type).button << ", lines "
                         << history.size() << ", formulas " << range.first << " to " << range.end
                         << ", 期数 " << shape.planPeriods << ", 码数 " << shape.codeCount);
            const SearchOutcome counting =
                searchOnce(history, type, range.first, range.end, shape, SearchMode::Counting);
            const SearchOutcome literal =
                searchOnce(history, type, range.first, range.end, shape, SearchMode::Literal);
            EXPECT_EQ(counting.best, literal.best);
            expectSameState(counting.engine, literal.engine);
            if (type != PlayType::WuXingAny) {
                EXPECT_EQ(counting.best,
                          bestByBacktests(history, type, range.first, range.end, shape));
            }
        }
    }
}

// Plan shapes under which many formulas never fail, so that every admission phase runs.
TEST(SearchPropertyTest, AgreeWhenTheTableIsOverwritten) {
    std::mt19937 random(7);
    for (PlayType type : allPlayTypes()) {
        const std::vector<std::string> history = randomHistory(random, 40);
        const PlanShape shape{9, 9};
        const SearchOutcome counting =
            searchOnce(history, type, 1, 500, shape, SearchMode::Counting);
        const SearchOutcome literal = searchOnce(history, type, 1, 500, shape, SearchMode::Literal);
        SCOPED_TRACE(playTypeInfo(type).button);
        EXPECT_EQ(counting.best, literal.best);
        expectSameState(counting.engine, literal.engine);
        // Every formula wins every plan here. 1 to 30 fill the table; 30 also takes row 0 of
        // the first replacement, 30 to 59, and 59 row 0 of the second, 59 to 88.
        EXPECT_EQ(counting.engine.CandidateTable.formula[0], 59);
        EXPECT_EQ(counting.engine.CandidateTable.formula[1], 60);
        EXPECT_EQ(counting.engine.CandidateTable.formula[29], 88);
    }
}

} // namespace
} // namespace kestrum
