// kestrum-cli's help texts, byte for byte: the manual page and the README quote them, and
// scripts read them.

#include "RunCli.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kestrum {
namespace {

struct HelpCase {
    std::vector<std::string> arguments;
    // The file under cases/help/.
    std::string golden;
};

void PrintTo(const HelpCase& help, std::ostream* out) {
    *out << help.golden;
}

class CliHelpTest : public test::CliTest, public testing::WithParamInterface<HelpCase> {};

TEST_P(CliHelpTest, PrintsItsHelpAndEnds) {
    const test::CliRun run = cli(GetParam().arguments);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              test::fileBytes(std::string(KESTRUM_CLI_CASES) + "/help/" + GetParam().golden));
}

INSTANTIATE_TEST_SUITE_P(Commands, CliHelpTest,
                         testing::Values(HelpCase{{"--help"}, "program.txt"},
                                         HelpCase{{"plan", "--help"}, "plan.txt"},
                                         HelpCase{{"search", "--help"}, "search.txt"},
                                         HelpCase{{"export", "--help"}, "export.txt"},
                                         HelpCase{{"watch", "--help"}, "watch.txt"},
                                         HelpCase{{"evaluate", "--help"}, "evaluate.txt"},
                                         HelpCase{{"serve", "--help"}, "serve.txt"},
                                         HelpCase{{"passwd", "--help"}, "passwd.txt"}));

} // namespace
} // namespace kestrum
