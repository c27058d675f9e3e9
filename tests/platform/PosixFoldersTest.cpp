#include "platform/Settings.h"

#include <gtest/gtest.h>
#include <map>
#include <string>

namespace kestrum {
namespace {

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

} // namespace
} // namespace kestrum
