#include "FuzzTargets.h"

#include "draws/Feed.h"
#include "engine/Dispatch.h"
#include "platform/GbkText.h"
#include "platform/LineReader.h"
#include "report/PlanExports.h"
#include "report/PlanReport.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
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

} // namespace kestrum::fuzz
