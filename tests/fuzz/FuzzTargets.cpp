#include "FuzzTargets.h"

#include "base/WebAddress.h"
#include "cli/FeedSource.h"
#include "cli/HeadlessView.h"
#include "cli/Output.h"
#include "commands/Commands.h"
#include "draws/Feed.h"
#include "engine/Dispatch.h"
#include "engine/Search.h"
#include "platform/GbkText.h"
#include "platform/LineReader.h"
#include "platform/Settings.h"
#include "report/PlanExports.h"
#include "report/PlanReport.h"
#include "report/PlanTally.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace kestrum::fuzz {

namespace {

void expect(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz expectation failed: %s\n", what);
        std::abort();
    }
}

std::vector<std::string> readLines(const char* body, std::size_t size, std::size_t piece,
                                   LineLimits limits, std::int32_t maxLines) {
    LineReader reader(limits, maxLines);
    for (std::size_t offset = 0; offset < size; offset += piece) {
        if (!reader.take(body + offset, std::min(piece, size - offset))) {
            break;
        }
    }
    return reader.finish();
}

// Serves the same body, cut into lines as the HTTP client does, to every request.
class BodyClient final : public HttpClient {
public:
    BodyClient(const char* body, std::size_t size) : m_body(body, size) {}
    FetchResult fetchLines(const std::string&, std::int32_t maxLines) override {
        FetchResult result;
        result.status = FetchStatus::Ok;
        result.httpStatus = 200;
        result.lines = readLines(m_body.data(), m_body.size(), m_body.size() + 1, {}, maxLines);
        return result;
    }

private:
    std::string m_body;
};

} // namespace

void lineReader(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return;
    }
    // The first bytes choose the caps, the line count and the piece size.
    const LineLimits limits{static_cast<std::size_t>(data[0] % 64 + 1),
                            static_cast<std::size_t>(data[1]) * 4 + 1};
    const std::int32_t maxLines = static_cast<std::int32_t>(data[2] % 40) - 5;
    const char* body = reinterpret_cast<const char*>(data + 3);
    const std::size_t bodySize = size - 3;

    const std::vector<std::string> whole =
        readLines(body, bodySize, bodySize + 1, limits, maxLines);
    for (std::size_t piece : {std::size_t{1}, std::size_t{7}}) {
        expect(readLines(body, bodySize, piece, limits, maxLines) == whole,
               "the lines depend on how the body was cut");
    }
    expect(maxLines <= 0 || whole.size() <= static_cast<std::size_t>(maxLines), "too many lines");
    std::size_t total = 0;
    for (const std::string& line : whole) {
        expect(line.find('\n') == std::string::npos, "a line holds LF");
        expect(line.find('\r') == std::string::npos, "a line holds CR");
        expect(line.size() <= limits.maxLineBytes, "a line passes its cap");
        total += line.size();
    }
    expect(total <= limits.maxBodyBytes, "more bytes than the body cap");
}

void feed(const std::uint8_t* data, std::size_t size) {
    const char* body = reinterpret_cast<const char*>(data);
    BodyClient client(body, size);
    auto engine = std::make_unique<Engine>();
    // The first byte chooses the layout of a three- or a four-digit lottery.
    if (size > 0 && (data[0] & 1) != 0) {
        engine->periodEnd = 13;
        engine->periodWidth = 5;
        engine->drawsPerDay = 1440;
    }
    FeedContext context{client, "/nonexistent-kestrum-folder", {}};
    const DownloadOutcome download = downloadFeed(*engine, context, {1, {}});
    expect(download.loaded, "the download failed");
    expect(download.lines <= kDownloadLines, "more than thirty lines stored");

    fullRecompute(*engine);
    for (PlayType type : allPlayTypes()) {
        const TextSlots& lines = engine->PlanLines[slotOf(type)];
        const std::string report = planReportText(lines, "http://site/");
        expect(report.size() >= reportFooter("http://site/").size(), "a report without footer");
        utf8ToGbk(planExportText(lines, engine->PromoText));
    }
    // The same body again as the refresh reads it, then the plans with the formulas found.
    refreshLatestDraw(*engine, context);
    expect(engine->oldestIndex >= 0 && engine->oldestIndex < kHistorySlots, "oldestIndex left");
    recomputePlans(*engine);
}

namespace {

std::int32_t readInt32(const std::uint8_t* bytes) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes, sizeof value);
    return static_cast<std::int32_t>(value);
}

struct SearchRun {
    std::int32_t best = 0;
    std::unique_ptr<Engine> engine = std::make_unique<Engine>();
};

struct SearchRequest {
    PlayType type;
    std::int32_t first;
    std::int32_t end;
    std::int32_t planPeriods;
    std::int32_t codeCount;
    // The layout of a lottery drawn 1440 times a day, whose period codes have four digits.
    bool fourDigitPeriods;
};

SearchRun searchIn(const std::vector<std::string>& newestFirst, const SearchRequest& request,
                   SearchMode mode) {
    SearchRun run;
    Engine& engine = *run.engine;
    if (request.fourDigitPeriods) {
        engine.periodEnd = 13;
        engine.periodWidth = 5;
        engine.drawsPerDay = 1440;
    }
    for (std::size_t slot = 0; slot < newestFirst.size(); ++slot) {
        engine.FeedLines[slot] = newestFirst[slot];
        engine.DrawHistory[slot] = newestFirst[slot];
    }
    engine.oldestIndex =
        newestFirst.empty() ? 0 : static_cast<std::int32_t>(newestFirst.size()) - 1;
    engine.drawCursor = engine.oldestIndex;
    engine.latestLine = engine.FeedLines[0];
    run.best = searchFormulas(engine, request.type, request.first, request.end, request.planPeriods,
                              request.codeCount, {{}, mode});
    return run;
}

} // namespace

void differential(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 8;
    if (size < kHeader) {
        return;
    }
    // The header: the play type, the lottery's layout, 期数 and 码数 (small, zero and negative
    // ones too), the first formula (any 32-bit value, so that products wrap) and how many follow.
    // 五星不定位 always searches its 299 formulas, some thirty times the work of another play
    // type's search here: it comes up a quarter as often, so that the other nine get the time.
    PlayType type = allPlayTypes()[data[0] % kPlayTypeCount];
    if (type == PlayType::WuXingAny && (data[0] & 0x60) != 0) {
        type = PlayType::Hou1;
    }
    const bool fourDigitPeriods = (data[0] & 0x80) != 0;
    const std::int32_t planPeriods = static_cast<std::int8_t>(data[1]) % 12;
    const std::int32_t codeCount = static_cast<std::int8_t>(data[2]) % 13;
    const std::int32_t first = readInt32(data + 3);
    const std::int64_t wanted = static_cast<std::int64_t>(first) + data[7] % 16;
    const std::int32_t end = static_cast<std::int32_t>(
        std::min<std::int64_t>(wanted, std::numeric_limits<std::int32_t>::max()));

    // The rest is the history, newest line first, cut at each LF.
    std::vector<std::string> lines;
    const char* text = reinterpret_cast<const char*>(data + kHeader);
    const std::size_t textSize = size - kHeader;
    std::size_t begin = 0;
    while (begin <= textSize && lines.size() < static_cast<std::size_t>(kHistorySlots)) {
        const void* found = std::memchr(text + begin, '\n', textSize - begin);
        const std::size_t stop =
            found == nullptr ? textSize
                             : static_cast<std::size_t>(static_cast<const char*>(found) - text);
        lines.emplace_back(text + begin, stop - begin);
        begin = stop + 1;
    }

    const SearchRequest request{type, first, end, planPeriods, codeCount, fourDigitPeriods};
    SearchRun counting = searchIn(lines, request, SearchMode::Counting);
    SearchRun literal = searchIn(lines, request, SearchMode::Literal);
    const Engine& a = *counting.engine;
    const Engine& b = *literal.engine;
    expect(counting.best == literal.best, "the best formulas differ");
    expect(a.CandidateTable == b.CandidateTable, "the candidates differ");
    expect(a.currentDigits == b.currentDigits && a.seedValue == b.seedValue &&
               a.seedPeriod == b.seedPeriod && a.drawCursor == b.drawCursor,
           "the walk's position differs");
    expect(a.scratchLineCount == b.scratchLineCount && a.hitPlanCount == b.hitPlanCount,
           "the counters differ");
    expect(a.lastStats.hitPlans == b.lastStats.hitPlans &&
               a.lastStats.accuracy == b.lastStats.accuracy &&
               a.lastStats.maxHitRun == b.lastStats.maxHitRun &&
               a.lastStats.maxMissRun == b.lastStats.maxMissRun,
           "the last statistics differ");
    expect(a.ScratchLines == b.ScratchLines, "the scratch lines differ");
}

void settingsFile(const std::uint8_t* data, std::size_t size) {
    const SettingsResult result =
        parseSettingsText(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.toml");
    if (const auto* error = std::get_if<SettingsError>(&result)) {
        expect(!error->message.empty(), "an error without a message");
        return;
    }
    const Settings& settings = std::get<Settings>(result);
    for (const auto* address :
         {&settings.feedHost1, &settings.feedHost2, &settings.webHost, &settings.siteUrl}) {
        expect(!address->has_value() || isWebAddress(**address), "a bad address accepted");
    }
    expect(!settings.dataDir || !settings.dataDir->empty(), "an empty data folder accepted");
    for (const auto& [name, source] : settings.sources) {
        expect(std::find(std::begin(kSourceFeedNames), std::end(kSourceFeedNames), name) !=
                   std::end(kSourceFeedNames),
               "a source for no lottery accepted");
        expect(!source.url || isWebAddress(*source.url), "a bad source address accepted");
        const bool maps = source.format != SourceFormat::Lines;
        expect(maps == !source.period.empty() && maps == !source.digits.empty(),
               "a source's fields do not match its format");
        expect(source.records.empty() ||
                   (source.format == SourceFormat::Json && source.records.front() == '/'),
               "a bad records pointer accepted");
        for (const auto& [header, value] : source.headers) {
            expect(!header.empty() && header.find_first_of(" :\r\n") == std::string::npos &&
                       value.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
                   "a header that cannot be sent accepted");
        }
    }
}

namespace {

// Every address but the feed fails, as a machine without a network would.
class NoNetwork final : public HttpClient {
public:
    FetchResult fetchLines(const std::string&, std::int32_t) override { return {}; }
};

} // namespace

void cliFeed(const std::uint8_t* data, std::size_t size) {
    const int file = ::memfd_create("kestrum-feed", MFD_CLOEXEC);
    expect(file >= 0, "no memory file");
    expect(size == 0 || ::write(file, data, size) == static_cast<ssize_t>(size), "short write");
    ::lseek(file, 0, SEEK_SET);
    std::FILE* stream = ::fdopen(file, "rb");
    expect(stream != nullptr, "no stream over the memory file");
    const cli::SourceLines source = cli::readLinesFrom(stream);
    std::fclose(stream);
    expect(source.error.empty(), "a memory file could not be read");
    for (const std::string& line : source.lines) {
        expect(line.find_first_of("\r\n") == std::string::npos, "a line holds CR or LF");
    }

    static const std::filesystem::path folder = [] {
        const std::filesystem::path made =
            std::filesystem::temp_directory_path() / ("kestrum-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(made);
        return made;
    }();
    const std::int32_t lottery = static_cast<std::int32_t>(size % kLotteryRows) + 1;
    AppSettings settings;
    settings.feedHosts = {"http://feed1", "http://feed2"};
    settings.webHost = "http://web";
    settings.dataDirectory = folder;
    NoNetwork network;
    cli::SourceHttpClient client(network, feedUrlOf(lotteryByNumber(lottery), settings.feedHosts),
                                 source.lines);
    auto engine = std::make_unique<Engine>();
    cli::HeadlessView view;
    CommandContext context{*engine, view, client, settings, {}, {1, {}}};
    const DownloadOutcome download = runLotteryStartup(context, lottery, false);
    expect(download.lines <= kDownloadLines, "more than thirty lines stored");
    if (!view.plans) {
        expect(download.lines == 0, "lines stored but no plans");
        return;
    }
    const std::vector<PlayType> types(allPlayTypes().begin(), allPlayTypes().end());
    expect(!cli::planText(*view.plans, types, "http://site/").empty(), "no plan text");
    try {
        expect(!planJson({lottery, download.lines, engine->FeedLines[0]}, *view.plans, types, {})
                    .empty(),
               "no plan JSON");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        expect(false, "the plan JSON threw");
    }
    for (PlayType type : types) {
        const PlanRecordSet& records = view.plans->planRecords[slotOf(type)];
        // One record per carried plan line, then the summary's line when it is carried.
        expect(std::ssize(records.plans) + (records.summary ? 1 : 0) ==
                   lastPlanLine(view.plans->planLines[slotOf(type)]) + 1,
               "records and plan lines disagree");
        const PlanTally tally = tallyPlans(records);
        expect(tally.wins >= 0 && tally.losses >= 0 && tally.currentLosingRun <= tally.losses &&
                   tally.accuracy >= 0 && tally.accuracy <= 100,
               "a tally out of bounds");
    }
}

} // namespace kestrum::fuzz
