// kestrum-cli plan --feed FILE with a JSON or CSV draw source in the settings: the file is read
// as the source's format, and the reports are the golden ones of the same draws as lines.

#include "RunCli.h"

#include <gtest/gtest.h>
#include <string>

namespace kestrum {
namespace {

using test::CliRun;

// The data files beside the cases.
const std::string kSources = KESTRUM_CLI_CASES "/../sources";

const char* const kPlays[][2] = {
    {"h1", "后一"},        {"h2", "后二"},  {"h3", "后三"},  {"h3b", "后三不定位"},
    {"h5b", "五星不定位"}, {"shi", "十位"}, {"bai", "百位"}, {"qian", "千位"},
    {"wan", "万位"},       {"q3", "前三"},
};

std::string golden(const std::string& name) {
    return test::withLf(test::fileBytes(KESTRUM_CLI_CASES "/startup/" + name + ".txt"));
}

struct SourceFeed {
    const char* config;
    const char* feed;
};

class CliSourceFeedTest : public testing::TestWithParam<SourceFeed> {
protected:
    test::ScratchFolder m_folder;
};

TEST_P(CliSourceFeedTest, PrintsTheGoldenReportsOfTheSameDraws) {
    const std::string config = kSources + "/" + GetParam().config;
    const std::string feed = kSources + "/" + GetParam().feed;
    const CliRun all =
        test::runCli({"--config", config, "plan", "--feed", feed, "--site-url", KESTRUM_CLI_SITE},
                     m_folder.path());
    std::string expected;
    for (const auto& play : kPlays) {
        expected += expected.empty() ? "" : "\n";
        expected += "# " + std::string(play[1]) + " (" + play[0] + ")\n" + golden(play[0]);
    }
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.err, "");
    EXPECT_EQ(all.out, expected);

    // The same file without the source is no feed of draw lines.
    const std::string empty = (m_folder.path() / "empty.toml").string();
    std::ofstream(empty).flush();
    const CliRun plain =
        test::runCli({"--config", empty, "plan", "--feed", feed, "--site-url", KESTRUM_CLI_SITE},
                     m_folder.path());
    EXPECT_NE(plain.out, expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, CliSourceFeedTest,
                         testing::Values(SourceFeed{"json.toml", "cq.json"},
                                         SourceFeed{"csv.toml", "cq.csv"}),
                         [](const testing::TestParamInfo<SourceFeed>& tested) {
                             return std::string(tested.param.feed).substr(3);
                         });

} // namespace
} // namespace kestrum
