#include "platform/DebugLog.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>
#include <string>

namespace kestrum {
namespace {

TEST(DebugLogTest, TheFileKeepsItsBoundByStartingAnew) {
    test::ScratchFolder folder;
    const std::filesystem::path path = folder.path() / "state" / "kestrum" / "kestrum.log";
    ASSERT_TRUE(setDebugLogFile(path, 40));
    debugLog("first line, 20 bytes\n");
    debugLog("second line, 21 byte\n"); // 42 in all: the first goes to kestrum.log.1
    debugLog("third\n");
    setDebugLogFile({});
    debugLog("not in the file\n");
    EXPECT_EQ(test::fileBytes(path.string() + ".1"), "first line, 20 bytes\n");
    EXPECT_EQ(test::fileBytes(path), "second line, 21 byte\nthird\n");
}

} // namespace
} // namespace kestrum
