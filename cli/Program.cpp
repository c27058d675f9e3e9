#include "cli/Program.h"

#include "cli/CommandLine.h"
#include "cli/FeedSource.h"
#include "cli/HeadlessView.h"
#include "cli/Output.h"
#include "cli/Watch.h"
#include "commands/RunSettings.h"
#include "commands/Updates.h"
#include "platform/CurlHttpClient.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

namespace kestrum::cli {

namespace {

// The local feed server's web address when it runs on its default ports: what the report
// footer shows when plan or search reads a feed of its own and no site address is configured.
constexpr const char* kLocalSiteUrl = "http://127.0.0.1:47800/";

void complain(const std::string& message) {
    std::fprintf(stderr, "kestrum-cli: %s\n", message.c_str());
}

// Writes text to standard output; a failure (a full disk, a closed pipe) is the command's.
int printed(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        complain(std::string("standard output cannot be written: ") + std::strerror(errno));
        return kExitFailed;
    }
    return kExitDone;
}

// A folder of its own under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
public:
    static std::unique_ptr<TemporaryFolder> make(std::string& error) {
        std::error_code code;
        std::string pattern =
            (std::filesystem::temp_directory_path(code) / "kestrum-cli-XXXXXX").string();
        if (code || ::mkdtemp(pattern.data()) == nullptr) {
            error = "no temporary folder for the draws: " +
                    std::string(code ? code.message() : std::strerror(errno));
            return nullptr;
        }
        return std::unique_ptr<TemporaryFolder>(new TemporaryFolder(pattern));
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    explicit TemporaryFolder(std::filesystem::path path) : m_path(std::move(path)) {}
    std::filesystem::path m_path;
};

// The HTTP client, made on its first use: a command that reads its feed from a file and needs
// no host never starts the HTTP library (whose start, TLS and all, is a good part of such a
// command's time).
class NetworkClient final : public HttpClient {
public:
    FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override {
        if (!m_client) {
            m_client = std::make_unique<CurlHttpClient>();
        }
        return m_client->fetchLines(url, maxLines);
    }

private:
    std::unique_ptr<CurlHttpClient> m_client;
};

bool sleepFor(std::chrono::milliseconds pause) {
    std::this_thread::sleep_for(pause);
    return true;
}

// Where the feed came from, for a message.
std::string feedPlace(const Request& request, const std::string& feedUrl) {
    if (!request.feed) {
        return feedUrl;
    }
    return request.feed->kind == FeedSource::Kind::StandardInput ? "standard input"
                                                                 : request.feed->text;
}

// plan, search and export, once the settings are resolved (and the local feed server runs,
// when one is needed).
int runOnDraws(const Request& request, const RunSettings& settings, const std::string& siteUrl) {
    NetworkClient network;
    const std::int32_t lottery = request.lotteries.front();
    const std::string feedUrl = feedUrlOf(lotteryByNumber(lottery), settings.app.feedHosts);
    std::unique_ptr<SourceHttpClient> source;
    HttpClient* client = &network;
    // The replay starts with the oldest 30 lines; the newer ones come one per refresh.
    std::size_t replayFirst = 0;
    if (request.feed) {
        if (request.feed->kind == FeedSource::Kind::Address && !request.replay) {
            source = std::make_unique<SourceHttpClient>(network, feedUrl, request.feed->text);
        } else {
            SourceLines read = readSourceLines(*request.feed, network);
            if (!read.error.empty()) {
                complain("the feed cannot be read: " + read.error);
                return kExitFailed;
            }
            source = std::make_unique<SourceHttpClient>(network, feedUrl, std::move(read.lines));
        }
        if (request.replay && source->lineCount() > static_cast<std::size_t>(kDownloadLines)) {
            replayFirst = source->lineCount() - static_cast<std::size_t>(kDownloadLines);
            source->showFrom(replayFirst);
        }
        client = source.get();
    }

    const auto engine = std::make_unique<Engine>();
    HeadlessView view;
    CommandContext context{*engine, view, *client, settings.app, sleepFor};
    const bool exporting = request.command == Command::Export;
    if (exporting && fetchPromoLine(context) == PromoOutcome::Unreachable) {
        complain("the maker's web host " + settings.app.webHost +
                 " cannot be reached for the promotional address (/addurl/vn.txt)");
        return kExitFailed;
    }
    const DownloadOutcome download = runLotteryStartup(context, lottery, exporting);
    if (download.lines == 0) {
        const std::string place = feedPlace(request, feedUrl);
        complain(download.loaded
                     ? "the feed " + place + " holds no line"
                     : "no draw line could be loaded from " + place + ": " + download.error);
        return kExitFailed;
    }
    for (std::size_t first = replayFirst; first-- > 0;) {
        source->showFrom(first);
        std::atomic<bool> refreshBusy{true};
        runRefresh(context, refreshBusy);
    }

    const DrawsShown draws{lottery, engine->oldestIndex + 1, engine->FeedLines[0]};
    std::int32_t odd = 0;
    for (std::int32_t i = 0; i < draws.count; ++i) {
        odd += looksLikeDrawLine(engine->FeedLines[static_cast<std::size_t>(i)]) ? 0 : 1;
    }
    if (odd > 0) {
        // The window takes such lines as draws too; the plans are computed over them.
        complain("warning: " + std::to_string(odd) + " of the " + std::to_string(draws.count) +
                 " draw lines stored are not of the form \"20150101001 1,2,3,4,5\"");
    }
    switch (request.command) {
    case Command::Plan:
        return printed(request.format == OutputFormat::Json
                           ? planJson(draws, *view.plans, request.playTypes)
                           : planText(*view.plans, request.playTypes, siteUrl));
    case Command::Search: {
        const PlayType type = request.playTypes.front();
        const std::int32_t best = runSearch(context, type, request.shape);
        return printed(request.format == OutputFormat::Json
                           ? searchJson(draws, type, request.shape, *view.candidates, best)
                           : searchText(*view.candidates, best));
    }
    case Command::Export:
        if (view.exportsFailed) {
            complain("the export files cannot all be written into " +
                     settings.app.dataDirectory.string());
            return kExitFailed;
        }
        return kExitDone;
    case Command::Watch:
        break;
    }
    return kExitDone;
}

int runRequest(const Request& request, const ProgramHooks& hooks) {
    const bool readsOwnFeed = request.feed.has_value() && request.command != Command::Export;
    Settings options = request.settings;
    std::unique_ptr<TemporaryFolder> scratch;
    if (request.command == Command::Plan || request.command == Command::Search) {
        // plan and search leave no file behind: "data1.txt", which every download writes,
        // goes into a folder of their own.
        std::string error;
        scratch = TemporaryFolder::make(error);
        if (!scratch) {
            complain(error);
            return kExitFailed;
        }
        options.dataDir = scratch->path().string();
    }
    if (readsOwnFeed) {
        // The one address that such a command uses; naming it alone asks for no host.
        options.siteUrl.reset();
    }
    std::variant<RunSettings, SettingsError> resolved =
        resolveRunSettings(options, request.configFile, processEnvironment);
    if (const auto* error = std::get_if<SettingsError>(&resolved)) {
        complain(error->message);
        return kExitUsage;
    }
    RunSettings& settings = std::get<RunSettings>(resolved);
    std::string siteUrl = settings.siteUrl;
    if (readsOwnFeed) {
        siteUrl = request.settings.siteUrl.value_or(siteUrl.empty() ? kLocalSiteUrl : siteUrl);
    }
    // Stopped when the command returns, and by the kernel if the program dies first.
    std::unique_ptr<LocalFeedServer> localFeeds;
    if (settings.localFeeds && !readsOwnFeed) {
        auto started = startLocalFeeds(settings, processEnvironment);
        if (const auto* error = std::get_if<std::string>(&started)) {
            complain(*error);
            return kExitFailed;
        }
        localFeeds = std::move(std::get<std::unique_ptr<LocalFeedServer>>(started));
        complain(settings.localFeedsNote);
        siteUrl = settings.siteUrl;
    }

    if (request.command == Command::Watch) {
        static const std::atomic<bool> never{false};
        if (hooks.stopOnSignals) {
            hooks.stopOnSignals();
        }
        return runWatch(WatchRequest{request.lotteries, settings.app, request.fixedPeriod},
                        hooks.stop != nullptr ? *hooks.stop : never);
    }
    return runOnDraws(request, settings, siteUrl);
}

} // namespace

int runProgram(int argc, const char* const* argv, const ProgramHooks& hooks) {
    ParsedCommandLine parsed = parseCommandLine(argc, argv);
    if (const auto* answer = std::get_if<Answer>(&parsed)) {
        return printed(answer->text);
    }
    if (const auto* error = std::get_if<UsageError>(&parsed)) {
        complain(error->message + " (kestrum-cli --help lists the options)");
        return kExitUsage;
    }
    return runRequest(std::get<Request>(parsed), hooks);
}

} // namespace kestrum::cli
