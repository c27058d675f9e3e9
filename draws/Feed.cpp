#include "draws/Feed.h"

#include "platform/GbkText.h"
#include "platform/TextFile.h"

#include <utility>

namespace kestrum {

namespace {

// The refresh scans this far for the oldest stored line ...
constexpr std::int32_t kScanTop = 147;
// ... and once the table has grown to 101 lines, keeps slots 0 to 39 before inserting.
constexpr std::int32_t kGrownLast = 100;
constexpr std::int32_t kKeptLast = 39;
constexpr std::int32_t kClearedTop = 101;

void writeSnapshot(const DrawStore& store, const FeedContext& context) {
    // A failure is logged by the writer; the download stands.
    writeTextFile(context.dataDirectory / kSnapshotFile, store.FeedLines[0]);
}

std::vector<std::string> decodedLines(std::vector<std::string> lines) {
    for (std::string& line : lines) {
        line = gbkToUtf8(line);
    }
    return lines;
}

} // namespace

std::string drawListText(const DrawStore& store, std::int32_t last) {
    std::string text;
    for (std::int32_t i = last; i >= 0; --i) {
        text += store.FeedLines[static_cast<std::size_t>(i)];
        text += "\r\n";
    }
    return text;
}

bool storeIsEmpty(const DrawStore& store) {
    for (std::int32_t i = 0; i <= store.oldestIndex && i < kHistorySlots; ++i) {
        if (!store.FeedLines[static_cast<std::size_t>(i)].empty()) {
            return false;
        }
    }
    return true;
}

DownloadOutcome downloadFeed(DrawStore& store, FeedContext& context, const DownloadPacing& pacing) {
    DownloadOutcome outcome;
    for (std::int32_t attempt = 1; attempt <= pacing.attempts; ++attempt) {
        outcome.attempts = attempt;
        FetchResult fetched = context.client.fetchLines(store.feedUrl, kDownloadLines);
        if (fetched.ok()) {
            outcome.loaded = true;
            outcome.error.clear();
            outcome.lines = storeDownloadedLines(store, decodedLines(std::move(fetched.lines)));
            outcome.paneText = drawListText(store, kDownloadLines - 1);
            writeSnapshot(store, context);
            return outcome;
        }
        outcome.error = std::move(fetched.error);
        if (attempt == pacing.attempts || pacing.pauses.empty()) {
            break;
        }
        const auto pause =
            pacing
                .pauses[std::min(static_cast<std::size_t>(attempt - 1), pacing.pauses.size() - 1)];
        if (context.wait && !context.wait(pause)) {
            break;
        }
    }
    return outcome;
}

RefreshOutcome refreshLatestDraw(DrawStore& store, FeedContext& context) {
    RefreshOutcome outcome;
    if (storeIsEmpty(store)) {
        // Nothing to add a draw to: load the whole feed, once; the next tick tries again.
        const DownloadOutcome download = downloadFeed(store, context, {1, {}});
        outcome.reloaded = download.loaded && download.lines > 0;
        outcome.error = download.error;
        if (download.loaded) {
            outcome.paneText = download.paneText;
        }
        return outcome;
    }

    FetchResult fetched = context.client.fetchLines(store.feedUrl, 1);
    std::string line;
    if (fetched.ok() && !fetched.lines.empty()) {
        line = gbkToUtf8(fetched.lines.front());
    } else if (!fetched.ok()) {
        outcome.error = std::move(fetched.error);
    }
    store.latestLine = line;
    const bool known = line.empty() || line == store.FeedLines[0];
    if (known) {
        return outcome;
    }

    // The oldest stored line: every draw line holds a "2" in the year of its period code.
    std::int32_t last = 0;
    for (std::int32_t i = kScanTop; i >= 0; --i) {
        if (store.FeedLines[static_cast<std::size_t>(i)].find('2') != std::string::npos) {
            last = i;
            break;
        }
    }
    if (last == kGrownLast) {
        for (std::int32_t i = kKeptLast + 1; i <= kClearedTop; ++i) {
            store.FeedLines[static_cast<std::size_t>(i)].clear();
        }
        last = kKeptLast;
    }
    for (std::int32_t i = last + 1; i >= 0; --i) {
        store.FeedLines[static_cast<std::size_t>(i + 1)] =
            store.FeedLines[static_cast<std::size_t>(i)];
    }
    store.FeedLines[0] = store.latestLine;
    for (std::int32_t i = 0; i <= last + 1; ++i) {
        store.DrawHistory[static_cast<std::size_t>(i)] =
            store.FeedLines[static_cast<std::size_t>(i)];
    }
    // As many lines as were stored before, without the oldest.
    outcome.paneText = drawListText(store, last);
    writeSnapshot(store, context);
    store.oldestIndex = last + 1;
    store.drawCursor = last + 1;
    outcome.inserted = true;
    return outcome;
}

void useLottery(DrawStore& store, const LotterySource& lottery, const FeedHosts& hosts) {
    store.periodEnd = lottery.periodEnd;
    store.periodWidth = lottery.periodWidth;
    store.drawsPerDay = lottery.drawsPerDay;
    store.lotteryIndex = lottery.number;
    store.feedUrl = feedUrlOf(lottery, hosts);
}

DownloadOutcome selectLotteryDraws(DrawStore& store, const LotterySource& lottery,
                                   const FeedHosts& hosts, FeedContext& context,
                                   const DownloadPacing& pacing) {
    useLottery(store, lottery, hosts);
    for (std::string& line : store.FeedLines) {
        line.clear();
    }
    DownloadOutcome outcome = downloadFeed(store, context, pacing);
    if (outcome.lines == 0) {
        // Neither a walk nor a refresh may build on the previous lottery's draws.
        for (std::string& line : store.DrawHistory) {
            line.clear();
        }
        store.oldestIndex = 0;
        store.drawCursor = 0;
        if (!outcome.loaded) {
            // Nothing of the previous lottery stays on show or in the snapshot.
            store.latestLine.clear();
            outcome.paneText = drawListText(store, kDownloadLines - 1);
            writeSnapshot(store, context);
        }
    }
    return outcome;
}

} // namespace kestrum
