#include "cli/DrawsRun.h"

#include "cli/Console.h"
#include "cli/Program.h"
#include "cli/WholeFeed.h"
#include "draws/DrawSource.h"
#include "draws/LotterySources.h"

#include <atomic>
#include <thread>

namespace kestrum::cli {

namespace {

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

} // namespace

std::unique_ptr<DrawsRun> DrawsRun::open(const Request& request, const RunSettings& settings) {
    auto network = std::make_unique<NetworkClient>();
    const std::int32_t lottery = request.lotteries.front();
    const std::string feedUrl = feedUrlOf(lotteryByNumber(lottery), settings.app.feedHosts);
    const std::optional<DrawSourceEntry> mapped =
        drawSourceOf(lottery, settings.app.sources, settings.app.feedHosts);
    std::unique_ptr<SourceHttpClient> source;
    std::size_t replayFirst = 0;
    if (request.feed && mapped && mapped->mapping.format != SourceFormat::Lines) {
        // Records to map: the body is read whole, once, and its draw lines are the feed.
        std::optional<std::vector<std::string>> lines =
            readMappedFeed(*request.feed, *mapped, *network, feedPlace(request, feedUrl));
        if (!lines) {
            return nullptr;
        }
        source = std::make_unique<SourceHttpClient>(*network, feedUrl, std::move(*lines));
    } else if (request.feed) {
        if (request.feed->kind == FeedSource::Kind::Address && !request.replay) {
            source = std::make_unique<SourceHttpClient>(*network, feedUrl, request.feed->text);
        } else {
            SourceLines read = readSourceLines(*request.feed, *network);
            if (!read.error.empty()) {
                complain("the feed cannot be read: " + read.error);
                return nullptr;
            }
            source = std::make_unique<SourceHttpClient>(*network, feedUrl, std::move(read.lines));
        }
    }
    if (source && request.replay &&
        source->lineCount() > static_cast<std::size_t>(kDownloadLines)) {
        replayFirst = source->lineCount() - static_cast<std::size_t>(kDownloadLines);
        source->showFrom(replayFirst);
    }
    return std::unique_ptr<DrawsRun>(new DrawsRun(request, settings, feedUrl, std::move(network),
                                                  std::move(source), replayFirst));
}

DrawsRun::DrawsRun(const Request& request, const RunSettings& settings, std::string feedUrl,
                   std::unique_ptr<NetworkClient> network, std::unique_ptr<SourceHttpClient> source,
                   std::size_t replayFirst)
    : m_request(request), m_feedUrl(std::move(feedUrl)), m_network(std::move(network)),
      m_source(std::move(source)),
      m_sources(*m_network, drawSourcesOf(settings.app.sources, settings.app.feedHosts),
                [](const std::string& warning, bool fetchFailed) {
                    // A failed download says why in its own message.
                    if (!fetchFailed) {
                        complain("warning: " + warning);
                    }
                }),
      m_replayFirst(replayFirst),
      m_engine(std::make_unique<Engine>()), m_context{*m_engine, m_view,
                                                      m_source
                                                          ? static_cast<HttpClient&>(*m_source)
                                                          : static_cast<HttpClient&>(m_sources),
                                                      settings.app, sleepFor} {}

std::optional<int> DrawsRun::load(bool writeExports) {
    const std::int32_t lottery = m_request.lotteries.front();
    const DownloadOutcome download = runLotteryStartup(m_context, lottery, writeExports);
    if (download.lines == 0) {
        const std::string place = feedPlace(m_request, m_feedUrl);
        complain(download.loaded
                     ? "the feed " + place + " holds no line"
                     : "no draw line could be loaded from " + place + ": " + download.error);
        return kExitFailed;
    }
    for (std::size_t first = m_replayFirst; first-- > 0;) {
        m_source->showFrom(first);
        std::atomic<bool> refreshBusy{true};
        runRefresh(m_context, refreshBusy);
    }

    const DrawsShown draws = shown();
    std::int32_t odd = 0;
    for (std::int32_t i = 0; i < draws.count; ++i) {
        odd += looksLikeDrawLine(m_engine->FeedLines[static_cast<std::size_t>(i)]) ? 0 : 1;
    }
    if (odd > 0) {
        // The window takes such lines as draws too; the plans are computed over them.
        complain("warning: " + std::to_string(odd) + " of the " + std::to_string(draws.count) +
                 " draw lines stored are not of the form \"20150101001 1,2,3,4,5\"");
    }
    return std::nullopt;
}

DrawsShown DrawsRun::shown() const {
    return DrawsShown{m_request.lotteries.front(), m_engine->oldestIndex + 1,
                      m_engine->FeedLines[0]};
}

} // namespace kestrum::cli
