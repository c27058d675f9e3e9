// kestrum-cli evaluate: the method replayed over a feed file, in the format of the lottery's
// source.

#include "RunCli.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>

namespace kestrum {
namespace {

using test::CliRun;

const std::string kFeedFile = KESTRUM_CLI_FEED "/feed1/ssckj/cq.txt";
const std::string kSources = KESTRUM_CLI_SOURCES;

using CliEvaluateTest = test::CliTest;

TEST_F(CliEvaluateTest, RecordsOfASourcesFormatReplayAsThePlainFeedAndTextAgreesWithJson) {
    const CliRun plain =
        cli({"evaluate", "--feed", kFeedFile, "--window", "10", "--format", "json"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    const nlohmann::json evaluation = nlohmann::json::parse(plain.out);
    EXPECT_EQ(evaluation["draws"], 45);
    EXPECT_EQ(evaluation["window"], 10);
    ASSERT_EQ(evaluation["plays"].size(), 10u);
    for (const nlohmann::json& play : evaluation["plays"]) {
        const nlohmann::json& record = play["out_of_sample"];
        const int plans = record["wins"].get<int>() + record["losses"].get<int>();
        ASSERT_GT(plans, 0) << play["name"];
        EXPECT_NEAR(record["accuracy"].get<double>(), 100.0 * record["wins"].get<int>() / plans,
                    1e-9);
        EXPECT_LE(record["low"].get<double>(), record["accuracy"].get<double>());
        EXPECT_GE(record["high"].get<double>(), record["accuracy"].get<double>());
        // Every plan but the one the history cut short ended a step.
        EXPECT_GE(play["steps"].get<int>(), plans);
    }

    // The same draws as JSON records, read by the lottery's source in the settings.
    const CliRun records =
        test::runCli({"--config", kSources + "/json.toml", "evaluate", "--feed",
                      kSources + "/cq.json", "--window", "10", "--format", "json"},
                     m_folder.path());
    ASSERT_EQ(records.status, 0) << records.err;
    EXPECT_EQ(nlohmann::json::parse(records.out), evaluation);

    const CliRun text = cli({"evaluate", "--feed", kFeedFile, "--window", "10", "--play", "h1"});
    ASSERT_EQ(text.status, 0) << text.err;
    const nlohmann::json& h1 = evaluation["plays"][0];
    const std::string row = "后一\t6\t3\t" + std::to_string(h1["steps"].get<int>()) + "\t" +
                            std::to_string(h1["out_of_sample"]["wins"].get<int>()) + "\t" +
                            std::to_string(h1["out_of_sample"]["losses"].get<int>()) + "\t";
    EXPECT_NE(text.out.find("\n" + row), std::string::npos) << text.out;
}

TEST_F(CliEvaluateTest, AHistoryShorterThanTheWindowMakesNoStep) {
    const CliRun run = cli({"evaluate", "--feed", kFeedFile, "--window", "60", "--play", "q3",
                            "--codes", "5", "--periods", "2", "--format", "json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("no step can be made"), std::string::npos) << run.err;
    const nlohmann::json play = nlohmann::json::parse(run.out)["plays"][0];
    EXPECT_EQ(play["code_count"], 5);
    EXPECT_EQ(play["plan_periods"], 2);
    EXPECT_EQ(play["steps"], 0);
}

} // namespace
} // namespace kestrum
