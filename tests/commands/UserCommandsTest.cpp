#include "commands/Commands.h"
#include "engine/Dispatch.h"
#include "support/FakeHttpClient.h"
#include "support/Feeds.h"
#include "support/RecordingView.h"
#include "support/ScratchFolder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using Calls = std::vector<std::string>;

struct InputCase {
    const char* codeCount;
    const char* planPeriods;
    bool valid;
};

void PrintTo(const InputCase& c, std::ostream* out) {
    *out << '"' << c.codeCount << "\" \"" << c.planPeriods << '"';
}

class SearchInputTest : public testing::TestWithParam<InputCase> {};

TEST_P(SearchInputTest, OnlyOneToNineDigitsAndOneOrMorePeriodsAreSearched) {
    const std::optional<PlanShape> shape =
        parseSearchInput(GetParam().codeCount, GetParam().planPeriods);
    EXPECT_EQ(shape.has_value(), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(Boxes, SearchInputTest,
                         testing::Values(InputCase{"6", "3", true}, InputCase{" 6", "3", true},
                                         InputCase{"6abc", "3", true},
                                         InputCase{"006", "003", true}, InputCase{"9", "1", true},
                                         InputCase{"10", "3", false}, InputCase{"0", "3", false},
                                         InputCase{"6", "0", false}, InputCase{"", "3", false},
                                         InputCase{"6", "", false}, InputCase{"abc", "3", false},
                                         InputCase{"6", "abc", false}, InputCase{"-1", "3", false},
                                         InputCase{"6", "-2", false},
                                         InputCase{"99999999999", "3", false}));

TEST(SearchInputTest, ReadsTheLeadingNumbers) {
    EXPECT_EQ(parseSearchInput(" 7x", "005"), (PlanShape{5, 7}));
}

using test::feedLines;

class UserCommandsTest : public testing::Test {
protected:
    UserCommandsTest() {
        m_settings.feedHosts = {"http://one.test", "http://two.test"};
        m_settings.dataDirectory = m_dir;
        m_settings.webHost = "http://web.test";
        m_client.answer("http://web.test/addurl/vn.txt", {"http://web.test/promo.html"});
        m_client.answer("http://one.test/ssckj/cq.txt", feedLines(30, 90));
        m_client.answer("http://two.test/ssckj/jx.txt", feedLines(30, 80));
        m_client.answer("http://two.test/dbffc.txt", feedLines(30, 1000, {.periodDigits = 4}));
        CommandContext c = context();
        runStartup(c);
        m_view.calls.clear();
        m_view.statuses.clear();
    }

    CommandContext context() {
        return {m_engine,
                m_view,
                m_client,
                m_settings,
                [](std::chrono::milliseconds) { return true; },
                DownloadPacing{1, {}}};
    }

    test::ScratchFolder m_folder;
    fs::path m_dir = m_folder.path();
    AppSettings m_settings;
    Engine m_engine;
    test::RecordingView m_view;
    test::FakeHttpClient m_client;
};

TEST_F(UserCommandsTest, SearchTakesTheShapeAndShowsTheCandidates) {
    CommandContext c = context();
    runSearch(c, PlayType::ShiWei, PlanShape{5, 7});
    EXPECT_EQ(m_view.calls, (Calls{"candidates 十位", "done"}));
    EXPECT_EQ(m_engine.PlanParams[slotOf(PlayType::ShiWei)], (PlanShape{5, 7}));
    EXPECT_EQ(m_view.candidates, m_engine.CandidateTable);
    EXPECT_EQ(m_view.candidates->formula[0], 59);

    runStoreFormula(c, PlayType::ShiWei, 321);
    EXPECT_EQ(currentFormula(m_engine, PlayType::ShiWei), 321);
    EXPECT_EQ(m_view.plans->formulas[slotOf(PlayType::ShiWei)], 321);
    EXPECT_EQ(m_view.plans->planParams[slotOf(PlayType::ShiWei)], (PlanShape{5, 7}));
    EXPECT_EQ(m_view.plans->planLines[slotOf(PlayType::ShiWei)][0],
              "十位061-065期<1382907> 开 58897  1 期中 ");
    EXPECT_TRUE(fs::exists(m_dir / "shiweizd.txt"));
}

TEST_F(UserCommandsTest, TypedFormulasAreReadByTheLeadingDecimalRule) {
    CommandContext c = context();
    runUseFormula(c, PlayType::ShiWei, " 7x");
    EXPECT_EQ(currentFormula(m_engine, PlayType::ShiWei), 7);
    runUseFormula(c, PlayType::ShiWei, "-25");
    EXPECT_EQ(currentFormula(m_engine, PlayType::ShiWei), -25);
    runUseFormula(c, PlayType::ShiWei, "");
    EXPECT_EQ(currentFormula(m_engine, PlayType::ShiWei), 0);
    // No option checked: nothing is stored, and the plans are recomputed all the same.
    const FormulaTable before = m_engine.CurrentFormulaTable;
    m_view.calls.clear();
    runUseFormula(c, std::nullopt, "55");
    EXPECT_EQ(m_engine.CurrentFormulaTable, before);
    EXPECT_EQ(m_view.calls, (Calls{"plans", "done"}));
}

TEST_F(UserCommandsTest, AMinuteLotteryGetsFourDigitPeriods) {
    CommandContext c = context();
    runSelectLottery(c, 6);
    EXPECT_EQ(m_view.callsWithoutStatus(), (Calls{"check 后一 6", "drawList", "plans", "done"}));
    EXPECT_EQ(m_view.statuses.front(), kPreparingText);
    EXPECT_EQ(m_engine.lotteryIndex, 6);
    EXPECT_EQ(m_engine.drawsPerDay, 1440);
    EXPECT_EQ(m_engine.feedUrl, "http://two.test/dbffc.txt");
    const std::string& first = m_view.plans->planLines[slotOf(PlayType::Hou1)][0];
    EXPECT_EQ(first.substr(0, 15), "后一0971-0973") << first;
    // The export files keep the previous lottery's plans.
    EXPECT_TRUE(fs::exists(m_dir / "geweizd.txt"));
}

TEST_F(UserCommandsTest, ReturningToALotterySearchesNothing) {
    CommandContext c = context();
    const auto firstRow = m_engine.CurrentFormulaTable[1];
    runSelectLottery(c, 2);
    EXPECT_FALSE(m_view.statuses.empty()); // ten searches for the new lottery
    m_view.statuses.clear();
    m_view.calls.clear();
    runSelectLottery(c, 1);
    EXPECT_TRUE(m_view.statuses.empty());
    EXPECT_EQ(m_view.calls, (Calls{"drawList", "check 后一 1", "plans", "done"}));
    EXPECT_EQ(m_engine.CurrentFormulaTable[1], firstRow);
    m_view.statuses.clear();
    runSelectLottery(c, 2);
    EXPECT_EQ(m_view.statuses, std::vector<std::string>{kPreparingText});
}

TEST_F(UserCommandsTest, ALotteryWithoutDrawsStoresNoFormula) {
    m_client.fail("http://one.test/ssckj/xj.txt", FetchStatus::HttpError, 404);
    CommandContext c = context();
    runSelectLottery(c, 3);
    EXPECT_EQ(m_view.callsWithoutStatus(),
              (Calls{"check 后一 3", "drawList", "check 后一 3", "plans", "done"}));
    EXPECT_EQ(m_view.statuses.back(), kDrawsUnavailableText);
    // The window's copy is the new lottery's: no plan line, no formula.
    EXPECT_EQ(m_view.plans->planLines, PlanLinesTable{});
    EXPECT_EQ(m_view.plans->formulas, (std::array<std::int32_t, kPlayTypeCount>{}));
    EXPECT_EQ(m_engine.CurrentFormulaTable[3], (std::array<std::int32_t, kPlayTypeCount>{}));
    EXPECT_FALSE(walkPossible(m_engine));
    // The plans of the previous lottery are gone from the tables.
    EXPECT_EQ(m_engine.PlanLines[0][0], "");

    // The next refresh loads the feed once it answers, and computes the plans.
    m_client.answer("http://one.test/ssckj/xj.txt", feedLines(30, 60));
    std::atomic<bool> busy{true};
    runRefresh(c, busy);
    EXPECT_EQ(m_engine.CurrentFormulaTable[3][0], 284);
    EXPECT_FALSE(busy.load());
}

} // namespace
} // namespace kestrum
