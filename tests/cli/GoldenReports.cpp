// Computes in-process what the window's report pane shows after start-up for each play type,
// for the files that the local feed server serves: the window's start-up over a client that
// reads those files, the last plans it was shown, and the report of each play type with its
// CR LF line ends. It writes the golden files of kestrum-cli's plan tests (the cli_golden
// target, tests/cli/CMakeLists.txt); no test runs it, since it runs the same commands as the
// program and would agree with a fault in them.
// Usage: cli_expected FEED_DIR SITE_URL OUT_DIR

#include "commands/Commands.h"
#include "report/PlanReport.h"
#include "support/FileHttpClient.h"
#include "support/RecordingView.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

namespace {

// The file of each play type, named as kestrum-cli names the play type; kept apart from the
// program's own table so that a mix-up there cannot agree with itself here.
const std::pair<const char*, kestrum::PlayType> kFiles[] = {
    {"h1", kestrum::PlayType::Hou1},       {"h2", kestrum::PlayType::Hou2},
    {"h3", kestrum::PlayType::SanXing},    {"h3b", kestrum::PlayType::Hou3Any},
    {"h5b", kestrum::PlayType::WuXingAny}, {"shi", kestrum::PlayType::ShiWei},
    {"bai", kestrum::PlayType::BaiWei},    {"qian", kestrum::PlayType::QianWei},
    {"wan", kestrum::PlayType::WanWei},    {"q3", kestrum::PlayType::QianSanXing},
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: cli_expected FEED_DIR SITE_URL OUT_DIR\n");
        return 2;
    }
    const std::filesystem::path out = argv[3];
    kestrum::test::FileHttpClient client(argv[1]);
    kestrum::test::RecordingView view;
    auto engine = std::make_unique<kestrum::Engine>();
    kestrum::AppSettings settings;
    settings.feedHosts = {"http://feed1", "http://feed2"};
    settings.webHost = "http://web";
    settings.dataDirectory = out / "data";
    std::filesystem::create_directories(settings.dataDirectory);
    kestrum::CommandContext context{*engine, view, client, settings,
                                    [](std::chrono::milliseconds) { return true; }};
    kestrum::runStartup(context);
    std::filesystem::remove_all(settings.dataDirectory);
    if (!view.plans) {
        std::fprintf(stderr, "cli_expected: the start-up showed no plans\n");
        return 1;
    }
    for (const auto& [name, type] : kFiles) {
        std::ofstream(out / (std::string(name) + ".txt"), std::ios::binary)
            << kestrum::planReportText(view.plans->planLines[kestrum::slotOf(type)], argv[2]);
    }
    return 0;
}
