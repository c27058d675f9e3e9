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
                "site_url, data_dir, web_panels, update_check, follow_draws, sources, "
                "web_password_hash, web_tls_cert, web_tls_key)"},
        BadFile{"web_password_hash = \"secret\"\n",
                ":1:21: web_password_hash is no password hash (kestrum-cli passwd writes one)"},
        BadFile{"web_panels = \"no\"\n", ":1:14: web_panels must be true or false"},
        BadFile{"feed_host_2 = 47802\n", ":1:15: feed_host_2 must be a string in quotes"},
        BadFile{"site_url = \"ftp://site.test/\"\n",
                ":1:12: site_url: \"ftp://site.test/\" is not an http or https address with a "
                "host"},
        BadFile{"data_dir = \"\"\n", ":1:12: data_dir must name a folder"}));

// A source table: each fault names the file, the place and the key.
INSTANTIATE_TEST_SUITE_P(
    SourceFaults, BadSettingsFileTest,
    testing::Values(
        BadFile{"[sources.cq]\nformat = \"json\"\nrecord = \"/data\"\n",
                ":3:1: unknown key sources.cq.record (the keys of a source are url, format, "
                "records, period, digits, headers, schedule)"},
        BadFile{"[sources.cq]\nformat = \"json\"\nperiod = \"a\"\ndigits = \"b\"\n"
                "records = \"data\"\n",
                ":5:11: sources.cq.records: \"data\" is not a JSON Pointer (\"\" for the top "
                "level, else \"/\" before each name, with \"~\" written \"~0\" and \"/\" in a "
                "name \"~1\")"},
        BadFile{"[sources.cq]\nformat = \"json\"\nperiod = \"a\"\ndigits = \"b\"\n"
                "records = \"/data/~2\"\n",
                ":5:11: sources.cq.records: \"/data/~2\" is not a JSON Pointer (\"\" for the top "
                "level, else \"/\" before each name, with \"~\" written \"~0\" and \"/\" in a "
                "name \"~1\")"},
        BadFile{"[sources.cq]\nformat = \"xml\"\n",
                ":2:10: sources.cq.format must be \"lines\", \"json\" or \"csv\", not \"xml\""},
        BadFile{"[sources.cq]\nformat = \"JSON\"\n",
                ":2:10: sources.cq.format must be \"lines\", \"json\" or \"csv\", not \"JSON\""},
        BadFile{"[sources.ssc]\nurl = \"https://draws.test/ssc\"\n",
                ":1:10: sources.ssc: no lottery has the feed name ssc (the feed names are cq, "
                "jx, xj, tj, dbwfc, dbffc, ynffc, hnffc, tlffc, xgffc)"},
        BadFile{"sources = \"cq\"\n", ":1:11: sources must be a table of draw sources by feed "
                                      "name, such as [sources.cq]"},
        BadFile{"sources.cq = \"https://draws.test/cq\"\n",
                ":1:14: sources.cq must be a table, such as [sources.cq]"},
        BadFile{"[sources.cq]\nformat = \"json\"\ndigits = \"opencode\"\n",
                ":1:1: sources.cq has format json but no period (the field or column of the "
                "period code and of the digits)"},
        BadFile{"[sources.xj]\nformat = \"csv\"\n",
                ":1:1: sources.xj has format csv but no period and digits (the field or column "
                "of the period code and of the digits)"},
        BadFile{"[sources.cq]\nformat = \"json\"\nperiod = \"\"\ndigits = \"b\"\n",
                ":3:10: sources.cq.period must name a field or column"},
        // Mapping keys without their format: most likely a forgotten format line.
        BadFile{"[sources.cq]\nperiod = \"expect\"\ndigits = \"opencode\"\n",
                ":3:10: sources.cq.digits is for format json or csv, and this source's format "
                "is lines"},
        BadFile{"[sources.tj]\nformat = \"csv\"\nrecords = \"\"\nperiod = \"1\"\ndigits = \"2\"\n",
                ":3:11: sources.tj.records is for format json, and this source's format is csv"},
        // A value of the wrong type, key by key.
        BadFile{"[sources.cq]\nurl = 8001\n", ":2:7: sources.cq.url must be a string in quotes"},
        BadFile{"[sources.cq]\nformat = \"csv\"\nperiod = 1\ndigits = 2\n",
                ":4:10: sources.cq.digits must be a string in quotes"},
        BadFile{"[sources.cq]\nurl = \"ftp://draws.test/cq\"\n",
                ":2:7: sources.cq.url: \"ftp://draws.test/cq\" is not an http or https address "
                "with a host"},
        BadFile{"[sources.cq]\nheaders = \"X-Token: 1\"\n",
                ":2:11: sources.cq.headers must be a table of names and values, such as { "
                "\"X-Token\" = \"...\" }"},
        BadFile{"[sources.cq]\nheaders = { \"X-Token\" = 1 }\n",
                ":2:25: sources.cq.headers.X-Token must be a string in quotes"},
        // A header that would end the request's header and start another is refused.
        BadFile{"[sources.cq]\nheaders = { \"X-Token\" = \"a\\r\\nHost: evil.test\" }\n",
                ":2:25: sources.cq.headers.X-Token holds a line break or another control "
                "character"},
        BadFile{"[sources.cq]\nheaders = { \"X Token\" = \"a\" }\n",
                ":2:13: sources.cq.headers: \"X Token\" is not a header name"},
        BadFile{"[sources.cq]\nschedule = \"10:00-22:00/10m\"\n",
                ":2:12: sources.cq.schedule must be an array of strings in quotes, such as "
                "[\"10:00-22:00/10m\"]"},
        BadFile{"[sources.cq]\nschedule = [\"10:00-22:00/10m\", 5]\n",
                ":2:32: sources.cq.schedule must be an array of strings in quotes, such as "
                "[\"10:00-22:00/10m\"]"},
        // Spans that overlap would give one moment two draws.
        BadFile{"[sources.cq]\nschedule = [\"10:00-22:00/10m\", \"21:00-02:00/5m\"]\n",
                ":2:12: sources.cq.schedule: \"21:00-02:00/5m\": overlaps \"10:00-22:00/10m\""}));

TEST(SettingsTest, ASourceTableIsReadWhole) {
    test::ScratchFolder folder;
    const SettingsResult read = readSettingsFile(writeFile(folder.path(), R"(
web_host = "https://maker.test"

[sources.cq]
url = "https://draws.test/api/cq?rows=60"
format = "json"
records = "/data/~0list/a~1b"
period = "expect"
digits = "opencode"
headers = { "X-Token" = "t0k3n", "Accept" = "application/json" }
schedule = ["10:00-22:00/10m", "22:00-02:00/5m"]

[sources.xgffc]
format = "csv"
period = "1"
digits = "code"

[sources.jx]
url = "http://draws.test/jx.txt"
)"),
                                                 true);
    ASSERT_TRUE(std::holds_alternative<Settings>(read)) << std::get<SettingsError>(read).message;
    const Settings& settings = std::get<Settings>(read);
    EXPECT_EQ(settings.webHost, "https://maker.test");

    SourceSettings cq;
    cq.url = "https://draws.test/api/cq?rows=60";
    cq.format = SourceFormat::Json;
    cq.records = "/data/~0list/a~1b";
    cq.period = "expect";
    cq.digits = "opencode";
    cq.headers = {{"Accept", "application/json"}, {"X-Token", "t0k3n"}};
    cq.schedule = {"10:00-22:00/10m", "22:00-02:00/5m"};
    SourceSettings xgffc;
    xgffc.format = SourceFormat::Csv;
    xgffc.period = "1";
    xgffc.digits = "code";
    SourceSettings jx;
    jx.url = "http://draws.test/jx.txt";
    const std::map<std::string, SourceSettings> expected{{"cq", cq}, {"jx", jx}, {"xgffc", xgffc}};
    EXPECT_EQ(settings.sources, expected);

    // Only the file names sources; the options over it keep them, and a layer that names a
    // feed's source replaces that source whole.
    Settings options;
    options.webHost = "http://other.test:9000";
    EXPECT_EQ(layered(options, settings).sources, expected);
    Settings over;
    over.sources["jx"].format = SourceFormat::Lines;
    const Settings both = layered(over, settings);
    EXPECT_EQ(both.sources.at("jx"), SourceSettings{});
    EXPECT_EQ(both.sources.at("cq"), cq);
    EXPECT_EQ(both.sources.size(), 3U);
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
