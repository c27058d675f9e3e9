#include "feedsim/CommandLine.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

namespace feedsim {
namespace {

using std::chrono::milliseconds;

std::variant<Arguments, Exit> parse(std::initializer_list<const char*> options) {
    std::vector<const char*> argv{"kestrum-feedsim"};
    argv.insert(argv.end(), options);
    return parseCommandLine(static_cast<int>(argv.size()), argv.data());
}

Arguments parsed(std::initializer_list<const char*> options) {
    auto result = parse(options);
    if (const Exit* exit = std::get_if<Exit>(&result)) {
        ADD_FAILURE() << "refused: " << exit->err;
        return {};
    }
    return std::get<Arguments>(result);
}

TEST(CommandLineTest, ValuesMeanWhatTheyMeantBefore) {
    const Arguments none = parsed({});
    EXPECT_EQ(none.options.webPort, 47800);
    EXPECT_EQ(none.options.feed1Port, 47801);
    EXPECT_EQ(none.options.feed2Port, 47802);
    EXPECT_FALSE(none.options.files);
    EXPECT_EQ(none.options.fault, Fault::None);
    EXPECT_EQ(none.options.webDelay, milliseconds{0});
    EXPECT_EQ(none.options.publication.lag, milliseconds{0});
    EXPECT_EQ(none.options.publication.seed, kDefaultPublishSeed);
    EXPECT_FALSE(none.announce);
    EXPECT_EQ(none.countEvery, 0);

    // Leading zeros are decimal, never octal; an option given again takes its last value.
    const Arguments all = parsed({"--web-port",
                                  "010",
                                  "--feed1-port",
                                  "0",
                                  "--feed2-port",
                                  "65535",
                                  "--fault",
                                  "error",
                                  "--fault",
                                  "garbage",
                                  "--web-delay",
                                  "86400",
                                  "--hostile",
                                  "--hostile",
                                  "--publish-lag",
                                  "2.5",
                                  "--publish-jitter",
                                  "30",
                                  "--seed",
                                  "18446744073709551615",
                                  "--announce",
                                  "--count-every",
                                  "09"});
    EXPECT_EQ(all.options.webPort, 10);
    EXPECT_EQ(all.options.feed1Port, 0);
    EXPECT_EQ(all.options.feed2Port, 65535);
    EXPECT_EQ(all.options.fault, Fault::Garbage);
    EXPECT_EQ(all.options.webDelay, std::chrono::seconds{86400});
    EXPECT_TRUE(all.options.hostile);
    EXPECT_EQ(all.options.publication.lag, milliseconds{2500});
    EXPECT_EQ(all.options.publication.jitter, kMaxPublishJitter);
    EXPECT_EQ(all.options.publication.seed, 18446744073709551615ull);
    EXPECT_TRUE(all.announce);
    EXPECT_EQ(all.countEvery, 9);

    EXPECT_EQ(parsed({"--publish-lag", "3600.000"}).options.publication.lag, std::chrono::hours{1});
    EXPECT_EQ(parsed({"--publish-lag", "0.05"}).options.publication.lag, milliseconds{50});
    EXPECT_EQ(parsed({"--files", "feeds", "--fault", "slow"}).options.files, "feeds");
}

TEST(CommandLineTest, ABadCommandLineEndsWithStatus2AndTheUsage) {
    const std::vector<std::vector<const char*>> bad = {
        {"--web-port"},
        {"--web-port", "abc"},
        {"--web-port", "-1"},
        {"--web-port", "+5"},
        {"--web-port", "0x10"},
        {"--web-port", "65536"},
        {"--web-port", "abc", "--web-port", "5"},
        {"--web-delay", "86401"},
        {"--count-every", "0"},
        {"--fault", "bogus"},
        {"--publish-lag", "3600.001"},
        {"--publish-lag", "2.5000"},
        {"--publish-lag", "2."},
        {"--publish-lag", ".5"},
        {"--publish-lag", "1e3"},
        {"--publish-jitter", "30.001"},
        {"--seed", "-1"},
        {"--seed", "18446744073709551616"},
        {"--files", "feeds", "--seed", "1"},
        {"--files", "feeds", "--announce"},
        {"--bogus"},
        {"stray"},
    };
    for (const std::vector<const char*>& options : bad) {
        std::vector<const char*> argv{"kestrum-feedsim"};
        argv.insert(argv.end(), options.begin(), options.end());
        SCOPED_TRACE(options.size() > 1 ? std::string(options[0]) + " " + options[1] : options[0]);
        const auto result = parseCommandLine(static_cast<int>(argv.size()), argv.data());
        const Exit* exit = std::get_if<Exit>(&result);
        ASSERT_NE(exit, nullptr);
        EXPECT_EQ(exit->status, 2);
        EXPECT_EQ(exit->out, "");
        EXPECT_EQ(exit->err.rfind("feedsim: ", 0), 0u) << exit->err;
        EXPECT_NE(exit->err.find("\nusage: feedsim [--files DIR] "), std::string::npos)
            << exit->err;
    }
}

TEST(CommandLineTest, HelpExitsWithStatus0AndListsEveryOption) {
    const auto result = parse({"--help"});
    const Exit* exit = std::get_if<Exit>(&result);
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->status, 0);
    EXPECT_EQ(exit->err, "");
    for (const char* option :
         {"--files DIR", "--fault slow|error|garbage", "--web-delay SECONDS", "--web-port N",
          "--feed1-port N", "--feed2-port N", "--hostile", "--publish-lag SECONDS",
          "--publish-jitter SECONDS", "--seed N", "--announce", "--count-every SECONDS"}) {
        EXPECT_NE(exit->out.find(option), std::string::npos) << option;
    }
}

} // namespace
} // namespace feedsim
