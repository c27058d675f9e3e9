// kestrum-cli's answers to bad input and to failures: the exit status and a message on
// standard error that names the problem.

#include "RunCli.h"
#include "support/LocalServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using test::CliRun;

const std::string kFeedFile = KESTRUM_CLI_FEED "/feed1/ssckj/cq.txt";
// Nothing listens there: connections are refused at once.
const std::string kClosedHost = "http://127.0.0.1:1";

struct BadUse {
    std::vector<std::string> arguments;
    int status;
    // What standard error says after "kestrum-cli: ".
    std::string message;
};

void PrintTo(const BadUse& bad, std::ostream* out) {
    for (const std::string& argument : bad.arguments) {
        *out << argument << ' ';
    }
}

class CliBadUseTest : public test::CliTest, public testing::WithParamInterface<BadUse> {};

TEST_P(CliBadUseTest, EndsWithItsStatusAndSaysWhy) {
    const CliRun run = cli(GetParam().arguments);
    EXPECT_EQ(run.status, GetParam().status);
    EXPECT_TRUE(run.err.starts_with("kestrum-cli: " + GetParam().message)) << run.err;
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliBadUseTest,
    testing::Values(
        BadUse{{"plan", "--lottery", "11"}, 2, "--lottery: no lottery is called \"11\""},
        BadUse{{"plan", "--play", "h4"}, 2, "--play: no play type is called \"h4\""},
        BadUse{{"search", "--play", "all", "--codes", "3", "--periods", "3"},
               2,
               "--play: no play type is called \"all\""},
        BadUse{{"search", "--play", "h1", "--codes", "10", "--periods", "3"},
               2,
               "--codes: \"10\" is not a number of codes from 1 to 9"},
        BadUse{{"search", "--play", "h1", "--codes", "3", "--periods", "0"},
               2,
               "--periods: \"0\" is not a number of periods"},
        BadUse{{"search", "--play", "h1", "--periods", "3"}, 2, "--codes is required"},
        BadUse{{"plan", "--lottery"}, 2, "--lottery: 1 required"},
        BadUse{{"evaluate", "--play", "h1"}, 2, "--feed is required"},
        BadUse{{"evaluate", "--feed", kFeedFile, "--codes", "3"},
               2,
               "--codes and --periods go together"},
        BadUse{{"evaluate", "--feed", kFeedFile, "--window", "1"},
               2,
               "--window: 1 is not from 2 to 300"},
        BadUse{{"plan", "--play", "h1", "surplus"}, 2, "The following argument was not expected"},
        BadUse{{"--feed-host-1", "ftp://feeds.test", "plan"},
               2,
               "--feed-host-1: \"ftp://feeds.test\" is not an http or https address"},
        BadUse{{"plan", "--feed", "ftp://feeds.test/cq.txt"},
               2,
               "--feed: \"ftp://feeds.test/cq.txt\" is neither an http or https address"},
        BadUse{{"plan", "--replay"}, 2, "--replay needs --feed"},
        BadUse{{"plan", "--format", "xml", "--feed", kFeedFile},
               2,
               "--format: \"xml\" is neither text nor json"},
        BadUse{{"watch", "--lottery", "1", "--lottery", "cq"}, 2, "--lottery: cq is named twice"},
        BadUse{{"--web-host", "http://web.test", "export", "--feed", kFeedFile},
               2,
               "some addresses are set but not feed_host_1, feed_host_2"},
        BadUse{{"plan", "--feed", "/nonexistent/cq.txt"},
               1,
               "the feed cannot be read: /nonexistent/cq.txt: No such file or directory"},
        BadUse{{"plan", "--replay", "--feed", kClosedHost + "/cq.txt"},
               1,
               "the feed cannot be read: " + kClosedHost + "/cq.txt: "},
        BadUse{{"--web-host", kClosedHost, "--feed-host-1", kClosedHost, "--feed-host-2",
                kClosedHost, "export", "--feed", kFeedFile},
               1,
               "the maker's web host " + kClosedHost +
                   " cannot be reached for the promotional address"}));

using CliFailureTest = test::CliTest;

TEST_F(CliFailureTest, AFeedThatCannotBeReadOrHoldsNoLineIsAFailure) {
    const CliRun folder = cli({"plan", "--feed", m_folder.path().string()});
    EXPECT_EQ(folder.status, 1);
    EXPECT_EQ(folder.err, "kestrum-cli: the feed cannot be read: " + m_folder.path().string() +
                              ": Is a directory\n");
    const fs::path empty = m_folder.path() / "empty.txt";
    std::ofstream(empty.string()).flush();
    const CliRun nothing = cli({"plan", "--feed", empty.string()});
    EXPECT_EQ(nothing.status, 1);
    EXPECT_EQ(nothing.err, "kestrum-cli: the feed " + empty.string() + " holds no line\n");
    const CliRun missing = test::runCli(
        {"--config", (m_folder.path() / "none.toml").string(), "plan"}, m_folder.path());
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "kestrum-cli: " + (m_folder.path() / "none.toml").string() +
                               ": no such settings file\n");
}

// The download tries a feed that does not answer five times, with pauses of 1, 2, 4 and 8 s.
TEST_F(CliFailureTest, AFeedThatNeverAnswersFailsOnceTheDownloadGivesUp) {
    const CliRun run = cli({"plan", "--feed", kClosedHost + "/cq.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.starts_with("kestrum-cli: no draw line could be loaded from " +
                                    kClosedHost + "/cq.txt: "))
        << run.err;
}

// Lines that are no draws are stored as the download stores any line, and the plans are
// computed over them as the window computes them; standard error says so.
TEST_F(CliFailureTest, GarbageLinesAreTakenAsDrawsWithAWarning) {
    const fs::path garbage = m_folder.path() / "garbage.txt";
    std::ofstream(garbage.string(), std::ios::binary)
        << "\xff\xfe<html>\r\nnot a draw\n\n20150101001 1,2,3,4\n12345";
    const CliRun run = cli({"plan", "--feed", garbage.string(), "--format", "json"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "kestrum-cli: warning: 5 of the 5 draw lines stored are not of the form "
                       "\"20150101001 1,2,3,4,5\"\n");
    // Bytes that are no GBK reach the JSON as U+FFFD: it parses.
    const nlohmann::json plan = nlohmann::json::parse(run.out);
    EXPECT_EQ(plan["draws"]["count"], 5);
    EXPECT_EQ(plan["draws"]["newest"], "\xef\xbf\xbd\xef\xbf\xbd<html>");
    EXPECT_EQ(plan["plays"].size(), 10u);
}

TEST_F(CliFailureTest, ExportFilesThatCannotBeWrittenAreAFailure) {
    test::LocalServer web;
    web.serve("/addurl/vn.txt", "http://127.0.0.1:47800/promo.html\n");
    const std::string host = web.url("");
    const fs::path data = m_folder.path() / "data";
    // A folder in the place of one export file: that file cannot be written.
    fs::create_directories(data / "h2zd.txt");
    const CliRun run = cli({"--web-host", host, "--feed-host-1", host, "--feed-host-2", host,
                            "export", "--feed", kFeedFile, "--data-dir", data.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("kestrum-cli: the export files cannot all be written into " +
                           data.string() + "\n"),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(fs::is_regular_file(data / "geweizd.txt"));
}

} // namespace
} // namespace kestrum
