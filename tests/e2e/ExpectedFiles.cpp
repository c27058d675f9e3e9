// Computes in-process what the program writes for an end-to-end case: the start-up on the files
// that the local feed server serves, then the steps that the case's case.env names, and leaves
// "data1.txt" and those export files that were written in a folder. It writes the end-to-end
// tests' golden files (the e2e_golden target, tests/e2e/CMakeLists.txt); no test runs it, since
// it runs the same commands as the program and would agree with a fault in them.
// Usage: e2e_expected CASE_DIR OUT_DIR
//
// case.env (optional, the lines that run_e2e.sh reads too; "#" starts a comment):
//   switch_to=N           after the start-up the user chooses lottery N (2 to 10)
//   next_feed=DIR         then the files of CASE_DIR/DIR replace the served feed's, and the
//                         refresh that the lottery's timer starts takes the new draw
//   unwritable_exports=1  each export file's path is a folder: only "data1.txt" is written
//   config=FILE           CASE_DIR/FILE is the settings file: its lotteries' draw sources are
//                         read as the program reads them

#include "commands/Commands.h"
#include "draws/DrawSourceClient.h"
#include "draws/Feed.h"
#include "draws/LotterySources.h"
#include "platform/Settings.h"
#include "report/PlanExports.h"
#include "support/FileHttpClient.h"
#include "support/RecordingView.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <variant>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The files of a feed folder, each replaced by the one of the same path in `overlay` once
// `useOverlay` is set: the feed as the case changes it on disk while the program runs.
class OverlayHttpClient final : public kestrum::HttpClient {
public:
    OverlayHttpClient(const fs::path& base, const fs::path& overlay)
        : m_overlayFolder(overlay), m_base(base), m_overlay(overlay) {}

    kestrum::FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override {
        const std::string relative = url.substr(std::string("http://").size());
        if (useOverlay && !m_overlayFolder.empty() && fs::exists(m_overlayFolder / relative)) {
            return m_overlay.fetchLines(url, maxLines);
        }
        return m_base.fetchLines(url, maxLines);
    }

    bool useOverlay = false;

private:
    fs::path m_overlayFolder;
    kestrum::test::FileHttpClient m_base;
    kestrum::test::FileHttpClient m_overlay;
};

// The KEY=VALUE lines of a case.env; a missing file is an empty one.
std::map<std::string, std::string> readCaseEnv(const fs::path& file) {
    std::map<std::string, std::string> values;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        std::string value = line.substr(equals + 1);
        value.erase(std::find_if(value.rbegin(), value.rend(),
                                 [](unsigned char c) { return std::isspace(c) == 0; })
                        .base(),
                    value.end());
        values[line.substr(0, equals)] = value;
    }
    return values;
}

bool fail(const std::string& message) {
    std::fprintf(stderr, "e2e_expected: %s\n", message.c_str());
    return false;
}

bool writeCase(const fs::path& caseDir, const fs::path& outDir, const fs::path& dataDir) {
    const std::map<std::string, std::string> env = readCaseEnv(caseDir / "case.env");
    const auto value = [&env](const std::string& key) {
        const auto found = env.find(key);
        return found == env.end() ? std::string() : found->second;
    };
    std::vector<std::string> names{kestrum::kSnapshotFile};
    for (const kestrum::PlanExportFile& file : kestrum::planExportFiles()) {
        names.emplace_back(file.fileName);
    }
    const bool unwritable = !value("unwritable_exports").empty();
    if (unwritable) {
        for (std::size_t i = 1; i < names.size(); ++i) {
            fs::create_directory(dataDir / names[i]);
        }
    }

    const std::string nextFeed = value("next_feed");
    OverlayHttpClient client(caseDir / "feed", nextFeed.empty() ? fs::path() : caseDir / nextFeed);
    kestrum::AppSettings settings;
    settings.feedHosts = {"http://feed1", "http://feed2"};
    settings.webHost = "http://web";
    settings.dataDirectory = dataDir;
    kestrum::SourcesByName sources;
    if (const std::string config = value("config"); !config.empty()) {
        const kestrum::SettingsResult read = kestrum::readSettingsFile(caseDir / config, true);
        if (const auto* error = std::get_if<kestrum::SettingsError>(&read)) {
            return fail(error->message);
        }
        sources = std::get<kestrum::Settings>(read).sources;
    }
    bool warned = false;
    kestrum::DrawSourceClient sourced(client, kestrum::drawSourcesOf(sources, settings.feedHosts),
                                      [&warned](const std::string& warning, bool) {
                                          std::fprintf(stderr, "warning: %s\n", warning.c_str());
                                          warned = true;
                                      });
    kestrum::test::RecordingView view;
    auto engine = std::make_unique<kestrum::Engine>();
    kestrum::CommandContext context{*engine, view, sourced, settings,
                                    [](std::chrono::milliseconds) { return true; }};
    kestrum::runStartup(context);
    if (view.exportResults.size() != 1 || view.exportResults.front() == unwritable) {
        return fail("the start-up did not write its export files as the case expects");
    }
    if (const std::string lottery = value("switch_to"); !lottery.empty()) {
        kestrum::runSelectLottery(context, std::stoi(lottery));
        if (!nextFeed.empty()) {
            client.useOverlay = true;
            std::atomic<bool> busy{true};
            if (!kestrum::runRefresh(context, busy).inserted) {
                return fail("the refresh after " + nextFeed + " found no new draw");
            }
        }
    }

    if (warned) {
        return fail("a draw source left records out");
    }

    // Exactly the files that the program wrote, as files.
    fs::create_directories(outDir);
    for (const std::string& name : names) {
        fs::remove(outDir / name);
        if (fs::is_regular_file(dataDir / name)) {
            fs::copy_file(dataDir / name, outDir / name);
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: e2e_expected CASE_DIR OUT_DIR\n");
        return 2;
    }
    const fs::path dataDir =
        fs::temp_directory_path() / ("kestrum-e2e-expected-" + std::to_string(::getpid()));
    fs::remove_all(dataDir);
    fs::create_directories(dataDir);
    const bool ok = writeCase(argv[1], argv[2], dataDir);
    fs::remove_all(dataDir);
    return ok ? 0 : 1;
}
