#include "draws/DrawRecord.h"

#include "draws/LotteryTable.h"

#include <array>
#include <chrono>
#include <optional>

namespace kestrum {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The runs of digits of a text, at most kMaxRuns of them (more count as kMaxRuns + 1).
struct DigitRuns {
    static constexpr std::size_t kMaxRuns = 8;
    std::array<std::string_view, kMaxRuns> runs{};
    std::size_t count = 0;
    std::size_t digits = 0;
    bool letter = false;
};

DigitRuns digitRunsOf(std::string_view text) {
    DigitRuns result;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!isDigit(text[i])) {
            result.letter = result.letter || isLetter(text[i]);
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
        }
        if (result.count < DigitRuns::kMaxRuns) {
            result.runs[result.count] = text.substr(start, i - start);
        }
        ++result.count;
        result.digits += i - start;
    }
    return result;
}

std::int64_t valueOf(std::string_view digits) {
    std::int64_t value = 0;
    for (const char c : digits) {
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string quoted(std::string_view text) {
    std::string out(1, '"');
    out += shownText(text);
    out += '"';
    return out;
}

// A period read as a date and a number, or why it is none.
struct Period {
    std::int64_t date = 0; // YYYYMMDD
    std::int64_t number = 0;
};

std::variant<Period, std::string> periodOf(std::string_view date, std::string_view number,
                                           std::int32_t drawsPerDay) {
    if (date.size() != 8 && date.size() != 6) {
        return "a date of " + std::to_string(date.size()) + " digits";
    }
    if (number.size() < 2 || number.size() > 4) {
        return "a number of " + std::to_string(number.size()) + " digits";
    }
    std::int64_t full = valueOf(date);
    if (date.size() == 6) {
        full += 20000000;
    }
    const std::chrono::year_month_day day{
        std::chrono::year{static_cast<int>(full / 10000)},
        std::chrono::month{static_cast<unsigned>(full / 100 % 100)},
        std::chrono::day{static_cast<unsigned>(full % 100)}};
    if (!day.ok()) {
        return "date " + std::to_string(full) + " does not exist";
    }
    const std::int64_t value = valueOf(number);
    if (value == 0) {
        return "number 0";
    }
    if (value > drawsPerDay) {
        return "number " + std::to_string(value) + " is past " + std::to_string(drawsPerDay) +
               " draws a day";
    }
    return Period{full, value};
}

std::variant<Period, std::string> periodOfCode(std::string_view code, std::int32_t drawsPerDay) {
    const DigitRuns runs = digitRunsOf(code);
    if (runs.count == 0) {
        return std::string("no digits");
    }
    if (runs.count > DigitRuns::kMaxRuns) {
        return std::string("too many parts");
    }
    if (runs.count > 1) {
        std::string date;
        for (std::size_t i = 0; i + 1 < runs.count; ++i) {
            date += runs.runs[i];
        }
        return periodOf(date, runs.runs[runs.count - 1], drawsPerDay);
    }
    const std::string_view digits = runs.runs[0];
    const std::size_t width = printedPeriodWidth(drawsPerDay);
    std::optional<std::string> firstReason;
    std::optional<std::string> widthReason;
    // The reading whose number has the lottery's width goes first.
    std::array<std::size_t, 2> dateLengths{8, 6};
    if (digits.size() == 6 + width) {
        dateLengths = {6, 8};
    }
    for (const std::size_t dateLength : dateLengths) {
        if (digits.size() < dateLength + 2 || digits.size() > dateLength + 4) {
            continue;
        }
        auto read = periodOf(digits.substr(0, dateLength), digits.substr(dateLength), drawsPerDay);
        if (std::holds_alternative<Period>(read)) {
            return read;
        }
        std::string& reason = std::get<std::string>(read);
        if (digits.size() - dateLength == width && !widthReason) {
            widthReason = reason;
        }
        if (!firstReason) {
            firstReason = std::move(reason);
        }
    }
    if (widthReason) {
        return *widthReason;
    }
    if (firstReason) {
        return *firstReason;
    }
    return std::to_string(digits.size()) + " digits, not a date and a number";
}

// The five digits as "d,d,d,d,d" in `out`, or false and why not in `out`.
bool digitsOf(const RecordField& field, std::string& out) {
    const DigitRuns runs = digitRunsOf(field.text);
    out.clear();
    if (runs.letter) {
        out = "a letter";
        return false;
    }
    if ((runs.count == 1 || runs.count == 5) && runs.digits == 5) {
        for (std::size_t i = 0; i < runs.count; ++i) {
            for (const char c : runs.runs[i]) {
                if (!out.empty()) {
                    out += ',';
                }
                out += c;
            }
        }
        return true;
    }
    if (field.kind == RecordField::Kind::Integer) {
        out = std::to_string(runs.digits) + " digits, not 5 (a number is not padded)";
    } else if (runs.count == 1 || runs.count == runs.digits) {
        out = std::to_string(runs.digits) + " digits, not 5";
    } else {
        out = "not five digits 0 to 9";
    }
    return false;
}

std::string fieldTrouble(const RecordField& field, std::string_view name) {
    if (field.kind == RecordField::Kind::Missing) {
        return "no " + std::string(name);
    }
    return std::string(name) + " is " + std::string(field.text);
}

} // namespace

std::string shownText(std::string_view text, std::size_t limit) {
    std::string out;
    bool blank = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = true;
            continue;
        }
        if (blank && !out.empty()) {
            out += ' ';
        }
        blank = false;
        if (out.size() >= limit) {
            out += "...";
            return out;
        }
        out += c >= 0x20 && c < 0x7f ? static_cast<char>(c) : '?';
    }
    return out;
}

std::variant<DrawRecord, std::string>
drawRecordOf(const RecordField& period, const RecordField& digits, std::int32_t drawsPerDay,
             std::string_view periodName, std::string_view digitsName) {
    using Kind = RecordField::Kind;
    if (period.kind != Kind::Text && period.kind != Kind::Integer) {
        return fieldTrouble(period, periodName);
    }
    if (digits.kind != Kind::Text && digits.kind != Kind::Integer) {
        return fieldTrouble(digits, digitsName);
    }
    auto read = periodOfCode(period.text, drawsPerDay);
    if (auto* reason = std::get_if<std::string>(&read)) {
        return "period " + quoted(period.text) + ": " + *reason;
    }
    std::string five;
    if (!digitsOf(digits, five)) {
        return "digits " + quoted(digits.text) + ": " + five;
    }
    const Period& p = std::get<Period>(read);
    // The number is 1 to drawsPerDay, so it fits.
    const std::string number = formatPeriod(static_cast<std::int32_t>(p.number), drawsPerDay);
    DrawRecord record;
    record.order = p.date * 10000 + p.number;
    record.line.reserve(8 + number.size() + 10);
    std::string date = std::to_string(p.date);
    if (date.size() < 8) {
        date.insert(0, 8 - date.size(), '0');
    }
    record.line += date;
    record.line += number;
    record.line += ' ';
    record.line += five;
    return record;
}

} // namespace kestrum
