#include "feedsim/FeedForms.h"
#include "feedsim/FeedServer.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <toml++/toml.h>

namespace feedsim {
namespace {

std::string origin(int port) {
    return "http://127.0.0.1:" + std::to_string(port);
}

// The example settings name, for each lottery, one of its feeds' JSON or CSV forms on the host
// and default port that serve it, with the fields that form has.
TEST(ExampleSourcesTest, EachLotteryIsMappedToItsOwnFeedInJsonOrCsv) {
    const toml::table settings = toml::parse_file(KESTRUM_EXAMPLE_SOURCES);
    const ServerOptions defaults;
    EXPECT_EQ(settings["web_host"].value_or(std::string()), origin(defaults.webPort));
    EXPECT_EQ(settings["feed_host_1"].value_or(std::string()), origin(defaults.feed1Port));
    EXPECT_EQ(settings["feed_host_2"].value_or(std::string()), origin(defaults.feed2Port));

    const toml::table* sources = settings["sources"].as_table();
    ASSERT_NE(sources, nullptr);
    std::set<FeedForm> forms;
    for (const FeedInfo& feed : feeds()) {
        const std::string_view file = feed.path.substr(feed.path.rfind('/') + 1);
        const std::string name(file.substr(0, file.size() - 4)); // without ".txt"
        SCOPED_TRACE(name);
        const toml::table* source = (*sources)[name].as_table();
        ASSERT_NE(source, nullptr);
        const std::string format = (*source)["format"].value_or(std::string());
        const FeedForm form = format == "csv" ? FeedForm::Csv : FeedForm::Json;
        forms.insert(form);
        const int port = feed.host == Host::Feed1 ? defaults.feed1Port : defaults.feed2Port;
        EXPECT_EQ((*source)["url"].value_or(std::string()), origin(port) + feedPath(feed, form));
        if (form == FeedForm::Json) {
            EXPECT_EQ(format, "json");
            EXPECT_EQ((*source)["records"].value_or(std::string()), "/data");
            EXPECT_EQ((*source)["period"].value_or(std::string()), "expect");
            EXPECT_EQ((*source)["digits"].value_or(std::string()), "opencode");
        } else {
            EXPECT_FALSE((*source).contains("records"));
            EXPECT_EQ((*source)["period"].value_or(std::string()), "issue");
            EXPECT_EQ((*source)["digits"].value_or(std::string()), "code");
        }
    }
    EXPECT_EQ(sources->size(), feeds().size());
    EXPECT_EQ(forms.size(), 2u); // both forms are shown
}

} // namespace
} // namespace feedsim
