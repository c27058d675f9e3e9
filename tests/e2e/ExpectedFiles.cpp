// Computes in-process what the program writes at start-up for the files that the local feed
// server serves: "data1.txt" and the export files, into a folder. It writes the end-to-end
// tests' golden files (the e2e_golden target, tests/e2e/CMakeLists.txt); no test runs it, since
// it runs the same commands as the program and would agree with a fault in them.
// Usage: e2e_expected FEED_DIR OUT_DIR

#include "commands/Commands.h"
#include "support/FileHttpClient.h"
#include "support/RecordingView.h"

#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: e2e_expected FEED_DIR OUT_DIR\n");
        return 2;
    }
    kestrum::test::FileHttpClient client(argv[1]);
    kestrum::test::RecordingView view;
    auto engine = std::make_unique<kestrum::Engine>();
    kestrum::AppSettings settings;
    settings.feedHosts = {"http://feed1", "http://feed2"};
    settings.webHost = "http://web";
    settings.dataDirectory = argv[2];
    kestrum::CommandContext context{*engine, view, client, settings,
                                    [](std::chrono::milliseconds) { return true; }};
    kestrum::runStartup(context);
    return 0;
}
