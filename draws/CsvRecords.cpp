#include "draws/SourceRecords.h"

#include <csv.h>
#include <vector>

namespace kestrum {

namespace {

bool allDigits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// libcsv hands over one cell, then one row end, at a time; this turns them into records.
class RowCollector {
public:
    RowCollector(std::string_view body, const SourceMapping& mapping, const RecordSink& sink)
        : m_body(body), m_mapping(mapping), m_sink(sink) {}

    static void onCell(void* data, std::size_t size, void* self) {
        static_cast<RowCollector*>(self)->cell(
            std::string_view(static_cast<const char*>(data), data == nullptr ? 0 : size));
    }
    static void onRowEnd(int, void* self) { static_cast<RowCollector*>(self)->rowEnd(); }

    const std::optional<std::string>& trouble() const { return m_trouble; }
    bool headerSeen() const { return m_headerSeen; }
    std::int64_t recordCount() const { return m_recordCount; }

private:
    struct Column {
        std::size_t index = 0; // from 0
        std::string text;
        bool seen = false;
    };

    void cell(std::string_view text) {
        if (m_trouble) {
            return;
        }
        if (!m_headerSeen) {
            m_header.emplace_back(text);
        } else {
            for (Column* column : {&m_period, &m_digits}) {
                if (column->index == m_cell) {
                    column->text.assign(text);
                    column->seen = true;
                }
            }
        }
        ++m_cell;
    }

    void rowEnd() {
        m_cell = 0;
        if (m_trouble) {
            return;
        }
        if (!m_headerSeen) {
            m_headerSeen = true;
            m_trouble = resolve(m_mapping.period, m_period);
            if (!m_trouble) {
                m_trouble = resolve(m_mapping.digits, m_digits);
            }
            return;
        }
        ++m_recordCount;
        m_sink(fieldOf(m_period), fieldOf(m_digits));
        m_period.seen = false;
        m_digits.seen = false;
    }

    static RecordField fieldOf(const Column& column) {
        if (!column.seen) {
            return {};
        }
        return {RecordField::Kind::Text, column.text};
    }

    // Finds a column by its header name or number; says why not when there is none.
    std::optional<std::string> resolve(const std::string& name, Column& column) const {
        if (allDigits(name)) {
            const auto number = std::stoull(name.size() > 9 ? std::string("0") : name);
            if (number < 1 || number > m_header.size()) {
                return "a CSV header of " + std::to_string(m_header.size()) +
                       " columns has no column " + shownText(name);
            }
            column.index = number - 1;
            return std::nullopt;
        }
        for (std::size_t i = 0; i < m_header.size(); ++i) {
            if (m_header[i] == name) {
                column.index = i;
                return std::nullopt;
            }
        }
        return "a CSV header without a column \"" + shownText(name) +
               "\"; the body begins: " + shownText(m_body, 80);
    }

    std::string_view m_body;
    const SourceMapping& m_mapping;
    const RecordSink& m_sink;
    std::vector<std::string> m_header;
    bool m_headerSeen = false;
    std::size_t m_cell = 0;
    Column m_period;
    Column m_digits;
    std::int64_t m_recordCount = 0;
    std::optional<std::string> m_trouble;
};

} // namespace

std::optional<std::string> readCsvRecords(std::string_view body, const SourceMapping& mapping,
                                          const RecordSink& sink) {
    RowCollector rows(body, mapping, sink);
    csv_parser parser{};
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) {
        return "no memory to read CSV";
    }
    const std::size_t read = csv_parse(&parser, body.data(), body.size(), RowCollector::onCell,
                                       RowCollector::onRowEnd, &rows);
    const bool parsed = read == body.size();
    const bool finished =
        parsed && csv_fini(&parser, RowCollector::onCell, RowCollector::onRowEnd, &rows) == 0;
    const int error = csv_error(&parser);
    csv_free(&parser);
    if (!parsed) {
        return "CSV that cannot be read (" + std::string(csv_strerror(error)) + " at byte " +
               std::to_string(read + 1) + "); the body begins: " + shownText(body, 80);
    }
    if (!finished) {
        return std::string("CSV cut short (a quoted cell is left open at the end)");
    }
    if (rows.trouble()) {
        return rows.trouble();
    }
    if (!rows.headerSeen()) {
        return std::string("CSV without a header row");
    }
    if (rows.recordCount() == 0) {
        return std::string("CSV with only a header row");
    }
    return std::nullopt;
}

} // namespace kestrum
