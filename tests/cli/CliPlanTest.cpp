// kestrum-cli plan against the window: the golden reports are what the window's report pane
// shows after its own start-up on the same feed (cases/startup, made by cli_expected).

#include "RunCli.h"
#include "report/Names.h"
#include "stats/Chance.h"
#include "support/LocalServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>

namespace kestrum {
namespace {

using test::CliRun;

const std::string kFeedFile = KESTRUM_CLI_FEED "/feed1/ssckj/cq.txt";

struct Play {
    const char* name;
    const char* caption;
};

void PrintTo(const Play& play, std::ostream* out) {
    *out << play.name;
}

const Play kPlays[] = {
    {"h1", "后一"},        {"h2", "后二"},  {"h3", "后三"},  {"h3b", "后三不定位"},
    {"h5b", "五星不定位"}, {"shi", "十位"}, {"bai", "百位"}, {"qian", "千位"},
    {"wan", "万位"},       {"q3", "前三"},
};

// The window's report of a play type, with LF line ends.
std::string golden(const std::string& name) {
    return test::withLf(test::fileBytes(KESTRUM_CLI_CASES "/startup/" + name + ".txt"));
}

class CliPlanGoldenTest : public test::CliTest, public testing::WithParamInterface<Play> {};

TEST_P(CliPlanGoldenTest, PrintsTheWindowsReportPane) {
    const CliRun run = cli(
        {"plan", "--play", GetParam().name, "--feed", kFeedFile, "--site-url", KESTRUM_CLI_SITE});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, golden(GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(PlayTypes, CliPlanGoldenTest, testing::ValuesIn(kPlays),
                         [](const testing::TestParamInfo<Play>& tested) {
                             return std::string(tested.param.name);
                         });

using CliPlanTest = test::CliTest;

TEST_F(CliPlanTest, AllPlayTypesByDefaultEachUnderItsHeaderApartByABlankLine) {
    const CliRun run = cli({"plan", "--feed", kFeedFile, "--site-url", KESTRUM_CLI_SITE});
    std::string expected;
    for (const Play& play : kPlays) {
        expected += expected.empty() ? "" : "\n";
        expected += "# " + std::string(play.caption) + " (" + play.name + ")\n" + golden(play.name);
    }
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, expected);
}

TEST_F(CliPlanTest, CaptionsStandardInputAndAnAddressReadTheSameFeed) {
    const std::string expected = golden("h3b");
    const CliRun byCaption = cli({"plan", "--lottery", "重庆时时彩", "--play", "后三不定位",
                                  "--feed", kFeedFile, "--site-url", KESTRUM_CLI_SITE});
    EXPECT_EQ(byCaption.out, expected) << byCaption.err;
    const CliRun fromInput = cli(
        {"plan", "--lottery", "cq", "--play", "h3b", "--feed", "-", "--site-url", KESTRUM_CLI_SITE},
        kFeedFile);
    EXPECT_EQ(fromInput.out, expected) << fromInput.err;
    test::LocalServer server;
    server.serve("/cq.txt", test::fileBytes(kFeedFile));
    const CliRun fromAddress = cli({"plan", "--lottery", "1", "--play", "h3b", "--feed",
                                    server.url("/cq.txt"), "--site-url", KESTRUM_CLI_SITE});
    EXPECT_EQ(fromAddress.out, expected) << fromAddress.err;
}

TEST_F(CliPlanTest, WithoutASiteAddressTheFooterNamesTheLocalFeedServersWebHost) {
    const CliRun run = cli({"plan", "--play", "h1", "--feed", kFeedFile});
    std::string expected = golden("h1");
    expected.replace(expected.rfind(KESTRUM_CLI_SITE), std::string(KESTRUM_CLI_SITE).size(),
                     "http://127.0.0.1:47800/");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, expected);
}

TEST_F(CliPlanTest, JsonCarriesEachReportsPlanLines) {
    const CliRun run = cli({"plan", "--feed", kFeedFile, "--format", "json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::json plan = nlohmann::json::parse(run.out);
    EXPECT_EQ(plan["lottery"]["feed"], "cq");
    EXPECT_EQ(plan["draws"]["count"], 30);
    EXPECT_EQ(plan["draws"]["newest"], "20161209101 1,5,0,2,1");
    ASSERT_EQ(plan["plays"].size(), std::size(kPlays));
    for (std::size_t i = 0; i < std::size(kPlays); ++i) {
        const nlohmann::json& play = plan["plays"][i];
        EXPECT_EQ(play["name"], kPlays[i].name);
        EXPECT_EQ(play["play"], kPlays[i].caption);
        EXPECT_EQ(play["plan_lines"].get<std::vector<std::string>>(),
                  test::reportLines(golden(kPlays[i].name)))
            << kPlays[i].name;

        // The chance figures belong to these very plans: their bets, the play type's rule and
        // its 期数.
        const PlayType type = *playTypeNamed(kPlays[i].name);
        const std::int32_t periods = play["plan_periods"];
        std::vector<double> chances;
        std::int32_t wins = 0;
        for (const nlohmann::json& record : play["plans"]) {
            if (record["outcome"] != "running") {
                chances.push_back(planWinChance(
                    type, distinctBetDigits(record["bet"].get<std::string>()), periods));
                wins += record["outcome"] == "won" ? 1 : 0;
            }
        }
        ASSERT_FALSE(chances.empty());
        double sum = 0.0;
        for (const double chance : chances) {
            sum += chance;
        }
        EXPECT_NEAR(play["chance_accuracy"].get<double>(),
                    100.0 * sum / static_cast<double>(chances.size()), 1e-9)
            << kPlays[i].name;
        EXPECT_NEAR(play["p_value"].get<double>(), poissonBinomialTail(chances, wins), 1e-12)
            << kPlays[i].name;
        const double best = play["best_of_search_p"];
        EXPECT_TRUE(best >= 0.0 && best <= 1.0) << best;
    }
}

} // namespace
} // namespace kestrum
