#include "launch/RunSettings.h"

#include "base/Utf8Path.h"
#include "draws/LotteryTable.h"
#include "support/ScratchFolder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

namespace kestrum {
namespace {

// The settings file, below the draws, keeps its own list of the names a source may use: it is
// the lottery table's feed names (its feed paths without folder and extension), in order.
TEST(RunSettingsTest, TheSourceNamesAreTheLotteriesFeedNames) {
    std::vector<std::string_view> fromTable;
    for (const LotterySource& lottery : lotteryTable()) {
        std::string_view name = lottery.feedPath;
        name.remove_prefix(name.rfind('/') + 1);
        fromTable.push_back(name.substr(0, name.rfind('.')));
    }
    EXPECT_EQ(fromTable, std::vector<std::string_view>(std::begin(kSourceFeedNames),
                                                       std::end(kSourceFeedNames)));
}

TEST(RunSettingsTest, TheFilesSourcesReachTheCommands) {
    test::ScratchFolder scratch;
    const std::filesystem::path file = scratch.path() / "kestrum.toml";
    // A literal string: a Windows path's backslashes are no escapes there.
    std::ofstream(file) << "data_dir = '" << utf8FromPath(scratch.path() / "data") << "'\n"
                        << "[sources.dbffc]\nformat = \"csv\"\nperiod = \"issue\"\n"
                        << "digits = \"code\"\nheaders = { Accept = \"text/csv\" }\n";
    const auto environment = [](const char*) -> std::optional<std::string> { return std::nullopt; };
    const auto resolved = resolveRunSettings(Settings{}, file, environment);
    ASSERT_TRUE(std::holds_alternative<RunSettings>(resolved))
        << std::get<SettingsError>(resolved).message;
    SourceSettings dbffc;
    dbffc.format = SourceFormat::Csv;
    dbffc.period = "issue";
    dbffc.digits = "code";
    dbffc.headers = {{"Accept", "text/csv"}};
    EXPECT_EQ(std::get<RunSettings>(resolved).app.sources,
              (std::map<std::string, SourceSettings>{{"dbffc", dbffc}}));

    // Without a [sources] table, no lottery has a source.
    // A literal string: a Windows path's backslashes are no escapes there.
    std::ofstream(file) << "data_dir = '" << utf8FromPath(scratch.path() / "data") << "'\n";
    const auto plain = resolveRunSettings(Settings{}, file, environment);
    ASSERT_TRUE(std::holds_alternative<RunSettings>(plain));
    EXPECT_TRUE(std::get<RunSettings>(plain).app.sources.empty());
}

// The shipped example maps every lottery, and the settings reader takes it as it stands.
TEST(RunSettingsTest, TheExampleSourcesFileIsTakenWhole) {
    const SettingsResult read = readSettingsFile(KESTRUM_EXAMPLE_SOURCES, true);
    ASSERT_TRUE(std::holds_alternative<Settings>(read)) << std::get<SettingsError>(read).message;
    EXPECT_EQ(std::get<Settings>(read).sources.size(), std::size(kSourceFeedNames));
}

} // namespace
} // namespace kestrum
