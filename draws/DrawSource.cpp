#include "draws/DrawSource.h"

#include "draws/DrawRecord.h"
#include "draws/SourceRecords.h"
#include "platform/LineReader.h"

#include <algorithm>
#include <limits>

namespace kestrum {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view withoutBlanksAtStart(std::string_view body) {
    const auto start = body.find_first_not_of(" \t\r\n");
    return start == std::string_view::npos ? std::string_view() : body.substr(start);
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t findFolded(std::string_view text, std::string_view lowerNeedle) {
    const auto hit = std::search(text.begin(), text.end(), lowerNeedle.begin(), lowerNeedle.end(),
                                 [](char a, char b) { return lower(a) == b; });
    return hit == text.end() ? std::string_view::npos
                             : static_cast<std::size_t>(hit - text.begin());
}

// "an HTML page", with its title when the first few kilobytes hold one.
std::string htmlPage(std::string_view body) {
    const std::string_view head = body.substr(0, 4096);
    const auto open = findFolded(head, "<title");
    if (open != std::string_view::npos) {
        const auto textStart = head.find('>', open);
        const auto close = findFolded(head, "</title");
        if (textStart != std::string_view::npos && close != std::string_view::npos &&
            close > textStart) {
            const std::string title =
                shownText(head.substr(textStart + 1, close - textStart - 1), 60);
            if (!title.empty()) {
                return "an HTML page (\"" + title + "\")";
            }
        }
    }
    return "an HTML page";
}

struct Draw {
    std::int64_t order;
    std::size_t record; // in body order, from 0
    std::string line;
};

std::string fieldName(SourceFormat format, const std::string& name) {
    if (format == SourceFormat::Json) {
        return "field \"" + shownText(name) + "\"";
    }
    if (!name.empty() && name.find_first_not_of("0123456789") == std::string::npos) {
        return "column " + shownText(name);
    }
    return "column \"" + shownText(name) + "\"";
}

SourceRead readLines(std::string_view body) {
    constexpr std::size_t kNoCap = std::numeric_limits<std::size_t>::max();
    LineReader reader(LineLimits{kNoCap, kNoCap}, 0);
    reader.take(body.data(), body.size());
    SourceRead read;
    read.lines = reader.finish();
    read.records = static_cast<std::int64_t>(read.lines.size());
    return read;
}

} // namespace

SourceRead readDrawSource(std::string_view body, const SourceMapping& mapping,
                          std::int32_t drawsPerDay) {
    if (mapping.format == SourceFormat::Lines) {
        return readLines(body);
    }
    SourceRead read;
    if (body.starts_with(kByteOrderMark)) {
        body.remove_prefix(kByteOrderMark.size());
    }
    const std::string_view start = withoutBlanksAtStart(body);
    if (start.empty()) {
        read.notDraws = "an empty body";
        return read;
    }
    if (start.front() == '<') {
        read.notDraws = htmlPage(start);
        return read;
    }

    const std::string periodName = fieldName(mapping.format, mapping.period);
    const std::string digitsName = fieldName(mapping.format, mapping.digits);
    std::vector<Draw> draws;
    const RecordSink sink = [&](const RecordField& period, const RecordField& digits) {
        auto record = drawRecordOf(period, digits, drawsPerDay, periodName, digitsName);
        const auto index = static_cast<std::size_t>(read.records);
        ++read.records;
        if (auto* draw = std::get_if<DrawRecord>(&record)) {
            draws.push_back({draw->order, index, std::move(draw->line)});
            return;
        }
        ++read.refused;
        if (read.refusals.size() < SourceRead::kMaxRefusals) {
            read.refusals.push_back({read.records, std::move(std::get<std::string>(record))});
        }
    };
    read.notDraws = mapping.format == SourceFormat::Json ? readJsonRecords(body, mapping, sink)
                                                         : readCsvRecords(body, mapping, sink);
    if (read.notDraws) {
        return read;
    }
    if (draws.empty()) {
        read.notDraws = "no record is a draw (" + std::to_string(read.records) + " records)";
        return read;
    }

    // Newest first; of the records of one period, the first in body order.
    std::sort(draws.begin(), draws.end(), [](const Draw& a, const Draw& b) {
        return a.order != b.order ? a.order > b.order : a.record < b.record;
    });
    read.lines.reserve(draws.size());
    for (std::size_t i = 0; i < draws.size(); ++i) {
        if (i > 0 && draws[i].order == draws[i - 1].order) {
            ++read.repeated;
            continue;
        }
        read.lines.push_back(std::move(draws[i].line));
    }
    return read;
}

std::string sourceWarning(const SourceRead& read) {
    std::string first;
    if (!read.refusals.empty()) {
        first = "record " + std::to_string(read.refusals.front().record) + ": " +
                read.refusals.front().reason;
    }
    if (read.notDraws) {
        std::string warning = "not draws: " + *read.notDraws;
        if (!first.empty()) {
            warning += "; the first record left out, " + first;
        }
        return warning;
    }
    if (read.refused == 0) {
        return {};
    }
    return std::to_string(read.refused) + " of " + std::to_string(read.records) +
           " records left out, the first " + first;
}

} // namespace kestrum
