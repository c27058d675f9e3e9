#pragma once

// One record of a draw source turned into a draw line: its period code and its five digits,
// as the source wrote them. The rules of what is taken and what is refused live here.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace kestrum {

// A field of a record as the source holds it.
struct RecordField {
    enum class Kind {
        Missing, // the record has no such field
        Text,    // a string (JSON) or a cell (CSV): `text` is its value
        Integer, // a JSON integer: `text` is its decimal digits (no leading zeros)
        Other    // anything else: `text` says what ("null", "an object", "a fraction")
    };
    Kind kind = Kind::Missing;
    std::string_view text;
};

struct DrawRecord {
    // date * 10000 + number: a later period has a greater order.
    std::int64_t order = 0;
    // "YYYYMMDD" + the number (three digits, four for 1440 draws a day) + " d,d,d,d,d".
    std::string line;
};

// The draw of one record, or why the record is none. Period codes: the digits of the code,
// date first, the date of eight digits or six (20YYMMDD), the number of 2 to 4 digits; when
// the code has separators ("20161210-001", "2016-12-10-001") its last run of digits is the
// number, else the length tells (of two readings of one length the first that is a draw: the
// one whose number has the lottery's width, else the eight-digit date). Digits: five 0 to 9, alone
// ("12345") or each parted from the next by anything but a letter or digit ("1,2,3,4,5", "1 2 3 4
// 5"). periodName and digitsName name the fields in the reasons ("field \"expect\"", "column 2").
std::variant<DrawRecord, std::string>
drawRecordOf(const RecordField& period, const RecordField& digits, std::int32_t drawsPerDay,
             std::string_view periodName, std::string_view digitsName);

// Text of a source shown in a message: at most `limit` bytes, runs of white space as one
// blank, any other byte outside printable ASCII as '?', "..." when cut.
std::string shownText(std::string_view text, std::size_t limit = 40);

} // namespace kestrum
