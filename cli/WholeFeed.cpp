#include "cli/WholeFeed.h"

#include "cli/Console.h"
#include "cli/FeedSource.h"
#include "draws/DrawSource.h"
#include "draws/LotterySources.h"
#include "draws/LotteryTable.h"
#include "platform/LineReader.h"

namespace kestrum::cli {

std::optional<std::vector<std::string>> readMappedFeed(const FeedSource& feed,
                                                       const DrawSourceEntry& mapped,
                                                       HttpClient& network,
                                                       const std::string& place) {
    const SourceBody body = readSourceBody(feed, network, mapped.headers);
    if (!body.error.empty()) {
        complain("the feed cannot be read: " + body.error);
        return std::nullopt;
    }
    SourceRead read = readDrawSource(body.body, mapped.mapping, mapped.drawsPerDay);
    const std::string warning = sourceWarning(read);
    if (read.notDraws) {
        complain("the feed cannot be read: " + place + ": " + warning);
        return std::nullopt;
    }
    if (!warning.empty()) {
        complain("warning: " + place + ": " + warning);
    }
    return std::move(read.lines);
}

std::optional<std::vector<std::string>>
readWholeFeed(const Request& request, const RunSettings& settings, HttpClient& network) {
    const FeedSource& feed = *request.feed;
    const std::string place =
        feed.kind == FeedSource::Kind::StandardInput ? "standard input" : feed.text;
    const std::int32_t lottery = request.lotteries.front();
    const std::optional<DrawSourceEntry> mapped =
        drawSourceOf(lottery, settings.app.sources, settings.app.feedHosts);
    if (mapped && mapped->mapping.format != SourceFormat::Lines) {
        return readMappedFeed(feed, *mapped, network, place);
    }
    const SourceBody body =
        readSourceBody(feed, network, mapped ? mapped->headers : RequestHeaders{});
    if (!body.error.empty()) {
        complain("the feed cannot be read: " + body.error);
        return std::nullopt;
    }
    // Split as the feed client splits a body: at LF, CR dropped; the whole body, not the
    // download's cap.
    LineReader reader({LineLimits{}.maxLineBytes, body.body.size() + 1}, 0);
    reader.take(body.body.data(), body.body.size());
    return reader.finish();
}

} // namespace kestrum::cli
