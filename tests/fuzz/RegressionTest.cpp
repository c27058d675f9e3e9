#include "FuzzTargets.h"
#include "support/ScratchFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

// Every input the fuzzers ever needed to keep, replayed through the same targets.
void replayAll(const char* folder, void (*target)(const std::uint8_t*, std::size_t)) {
    const fs::path dir = fs::path(KESTRUM_FUZZ_REGRESSIONS) / folder;
    int replayed = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        SCOPED_TRACE(entry.path().string());
        const std::string bytes = test::fileBytes(entry.path());
        target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}

TEST(FuzzRegressionTest, LineReaderInputs) {
    replayAll("line_reader", fuzz::lineReader);
}

TEST(FuzzRegressionTest, FeedInputs) {
    replayAll("feed", fuzz::feed);
}

TEST(FuzzRegressionTest, DifferentialInputs) {
    replayAll("differential", fuzz::differential);
}

TEST(FuzzRegressionTest, SettingsInputs) {
    replayAll("settings", fuzz::settingsFile);
}

TEST(FuzzRegressionTest, CliFeedInputs) {
    replayAll("cli_feed", fuzz::cliFeed);
}

} // namespace
} // namespace kestrum
