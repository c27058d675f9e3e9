#include "platform/Settings.h"

#include "support/ScratchFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace kestrum {
namespace {

std::filesystem::path writeFile(const std::filesystem::path& folder, const std::string& text) {
    const std::filesystem::path path = folder / "kestrum.toml";
    std::ofstream(path) << text;
    return path;
}

TEST(SettingsTest, OptionsOverTheFileOverTheBuild) {
    test::ScratchFolder folder;
    const SettingsResult read = readSettingsFile(writeFile(folder.path(), R"(
# the feeds of a test bench
feed_host_1 = "http://feeds.test:8001"
web_host = "https://maker.test"
data_dir = "~/kestrum-data"
web_panels = false
follow_draws = true
)"),
                                                 true);
    ASSERT_TRUE(std::holds_alternative<Settings>(read)) << std::get<SettingsError>(read).message;
    Settings options;
    options.webHost = "http://other.test:9000";
    Settings build;
    build.feedHost1 = "http://127.0.0.1:47801";
    build.feedHost2 = "http://127.0.0.1:47802";
    build.webHost = "http://127.0.0.1:47800";
    const Settings result = layered(options, layered(std::get<Settings>(read), build));
    EXPECT_EQ(result.feedHost1, "http://feeds.test:8001");
    EXPECT_EQ(result.feedHost2, "http://127.0.0.1:47802");
    EXPECT_EQ(result.webHost, "http://other.test:9000");
    EXPECT_EQ(result.siteUrl, std::nullopt);
    EXPECT_EQ(result.dataDir, "~/kestrum-data");
    EXPECT_EQ(result.webPanels, false);
    EXPECT_EQ(result.updateCheck, std::nullopt);
    EXPECT_EQ(result.followDraws, true);
}

TEST(SettingsTest, AMissingFileIsNoErrorUnlessItWasNamed) {
    test::ScratchFolder folder;
    const SettingsResult optional = readSettingsFile(folder.path() / "none.toml", false);
    EXPECT_EQ(std::get<Settings>(optional), Settings{});
    const SettingsResult named = readSettingsFile(folder.path() / "none.toml", true);
    EXPECT_EQ(std::get<SettingsError>(named).message,
              (folder.path() / "none.toml").string() + ": no such settings file");
}

struct BadFile {
    const char* text;
    // What the message says after the file's path.
    const char* message;
};

void PrintTo(const BadFile& bad, std::ostream* out) {
    *out << bad.text;
}

class BadSettingsFileTest : public testing::TestWithParam<BadFile> {};

TEST_P(BadSettingsFileTest, IsRefusedWithWhereAndWhat) {
    test::ScratchFolder folder;
    const std::filesystem::path path = writeFile(folder.path(), GetParam().text);
    const SettingsResult read = readSettingsFile(path, false);
    ASSERT_TRUE(std::holds_alternative<SettingsError>(read));
    EXPECT_EQ(std::get<SettingsError>(read).message, path.string() + GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BadSettingsFileTest,
    testing::Values(
        BadFile{"web_host = \"http://a.test\"\nfeed_host_1 = http://b.test\n",
                ":2:15: Error while parsing value: could not determine value type"},
        BadFile{"web_host = \"http://a.test\"\nfeed_host = \"http://b.test\"\n",
                ":2:1: unknown key feed_host (the keys are feed_host_1, feed_host_2, web_host, "
                "site_url, data_dir, web_panels, update_check, follow_draws)"},
        BadFile{"web_panels = \"no\"\n", ":1:14: web_panels must be true or false"},
        BadFile{"feed_host_2 = 47802\n", ":1:15: feed_host_2 must be a string in quotes"},
        BadFile{"site_url = \"ftp://site.test/\"\n",
                ":1:12: site_url: \"ftp://site.test/\" is not an http or https address with a "
                "host"},
        BadFile{"data_dir = \"\"\n", ":1:12: data_dir must name a folder"}));

TEST(SettingsTest, TheDefaultFileFollowsTheXdgConfigFolder) {
    const auto from = [](std::map<std::string, std::string> variables) {
        return defaultSettingsPath([variables](const char* name) -> std::optional<std::string> {
            const auto found = variables.find(name);
            if (found == variables.end()) {
                return std::nullopt;
            }
            return found->second;
        });
    };
    EXPECT_EQ(from({{"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/home/u"}}),
              std::filesystem::path("/cfg/kestrum/kestrum.toml"));
    // Unset, empty or relative: the folder in the home folder.
    for (const char* config : {"", "relative/cfg"}) {
        EXPECT_EQ(from({{"XDG_CONFIG_HOME", config}, {"HOME", "/home/u"}}),
                  std::filesystem::path("/home/u/.config/kestrum/kestrum.toml"));
    }
    EXPECT_EQ(from({{"HOME", "/home/u"}}),
              std::filesystem::path("/home/u/.config/kestrum/kestrum.toml"));
    EXPECT_EQ(from({}), std::nullopt);
    // The debug log's file follows the state folder the same way.
    EXPECT_EQ(defaultLogPath([](const char* name) -> std::optional<std::string> {
                  return std::string(name) == "HOME" ? std::optional<std::string>("/home/u")
                                                     : std::nullopt;
              }),
              std::filesystem::path("/home/u/.local/state/kestrum/kestrum.log"));
}

// No address anywhere means the local feeds; some but not all is refused, naming the missing.
TEST(SettingsTest, AddressesAreAllOrNone) {
    EXPECT_FALSE(namesAnAddress(Settings{}));
    Settings some;
    some.siteUrl = "https://maker.test/";
    EXPECT_TRUE(namesAnAddress(some));
    some.feedHost2 = "http://feeds.test:8002";
    const auto refused = completeAddresses(some);
    ASSERT_TRUE(std::holds_alternative<SettingsError>(refused));
    EXPECT_TRUE(std::get<SettingsError>(refused).message.starts_with(
        "some addresses are set but not feed_host_1, web_host:"))
        << std::get<SettingsError>(refused).message;

    Settings hosts;
    hosts.feedHost1 = "http://feeds.test:8001";
    hosts.feedHost2 = "http://feeds.test:8002";
    hosts.webHost = "https://maker.test";
    EXPECT_EQ(std::get<Settings>(completeAddresses(hosts)).siteUrl, "https://maker.test/");
    hosts.siteUrl = "https://site.test/kestrum";
    EXPECT_EQ(std::get<Settings>(completeAddresses(hosts)).siteUrl, "https://site.test/kestrum");
}

} // namespace
} // namespace kestrum
