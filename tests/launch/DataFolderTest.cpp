#include "launch/DataFolder.h"

#include "support/ScratchFolder.h"

#include <fstream>
#include <gtest/gtest.h>

namespace kestrum {
namespace {

TEST(DataFolderTest, MakesTheFoldersAndSaysWhyWhenItCannot) {
    test::ScratchFolder scratch;
    const std::filesystem::path nested = scratch.path() / "a" / "b";
    EXPECT_FALSE(prepareDataFolder(nested).has_value());
    EXPECT_TRUE(std::filesystem::is_directory(nested));
    // The probe file is gone again.
    EXPECT_TRUE(std::filesystem::is_empty(nested));

    // A file where a folder should be: the folder cannot be made, and the system says why.
    std::ofstream(scratch.path() / "file") << "x";
    const std::optional<DataFolderProblem> blocked = prepareDataFolder(scratch.path() / "file");
    ASSERT_TRUE(blocked.has_value());
    EXPECT_EQ(blocked->kind, DataFolderProblem::Kind::NotMade);
    EXPECT_FALSE(blocked->reason.empty());
    EXPECT_EQ(blocked->message(), (scratch.path() / "file").string() +
                                      ": the data folder cannot be created (" + blocked->reason +
                                      ")");
    const std::optional<DataFolderProblem> below =
        prepareDataFolder(scratch.path() / "file" / "sub");
    ASSERT_TRUE(below.has_value());
    EXPECT_EQ(below->kind, DataFolderProblem::Kind::NotMade);
}

} // namespace
} // namespace kestrum
