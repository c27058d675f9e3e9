#include "draws/SourceRecords.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <vector>

namespace kestrum {

namespace {

using Json = nlohmann::json;

// Reads the records under a pointer as the parser meets them, without building the document:
// a year of a busy lottery's draws stays of the order of the body's size in memory.
class RecordCollector final : public nlohmann::json_sax<Json> {
public:
    RecordCollector(std::vector<std::string> tokens, const SourceMapping& mapping,
                    const RecordSink& sink, std::size_t bodySize)
        : m_tokens(std::move(tokens)), m_mapping(mapping), m_sink(sink), m_bodySize(bodySize) {}

    bool null() override { return scalar(RecordField::Kind::Other, "null"); }
    bool boolean(bool value) override {
        return scalar(RecordField::Kind::Other, value ? "true" : "false");
    }
    bool number_integer(number_integer_t value) override {
        if (value < 0) {
            return scalar(RecordField::Kind::Other, "a negative number");
        }
        m_number = std::to_string(value);
        return scalar(RecordField::Kind::Integer, m_number);
    }
    bool number_unsigned(number_unsigned_t value) override {
        m_number = std::to_string(value);
        return scalar(RecordField::Kind::Integer, m_number);
    }
    bool number_float(number_float_t, const string_t&) override {
        return scalar(RecordField::Kind::Other, "a fraction");
    }
    bool string(string_t& value) override { return scalar(RecordField::Kind::Text, value); }
    bool binary(binary_t&) override { return scalar(RecordField::Kind::Other, "binary data"); }
    bool start_object(std::size_t) override { return open(true); }
    bool end_object() override { return close(); }
    bool start_array(std::size_t) override { return open(false); }
    bool end_array() override { return close(); }

    bool key(string_t& name) override {
        Level& level = m_stack.back();
        if (isRecordLevel()) {
            level.field = Field::None;
            if (name == m_mapping.period && !m_period.seen) {
                level.field = Field::Period;
            } else if (name == m_mapping.digits && !m_digits.seen) {
                level.field = Field::Digits;
            }
        } else if (level.onPath) {
            level.key = name;
        }
        return true;
    }

    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& error) override {
        m_errorAt = position;
        // Cut short: the body ended inside the document (not after it, nor in a lone value).
        m_cutShort =
            !m_stack.empty() && (position >= m_bodySize ||
                                 std::string_view(error.what()).find("unexpected end of input") !=
                                     std::string_view::npos);
        return false;
    }

    bool cutShort() const { return m_cutShort; }

    std::optional<std::size_t> errorAt() const { return m_errorAt; }
    bool targetSeen() const { return m_targetSeen; }
    const std::string& targetKind() const { return m_targetKind; }
    std::int64_t recordCount() const { return m_recordCount; }

private:
    enum class Field { None, Period, Digits };
    enum class Role { None, OnPath, Target, Record, Field };

    struct Level {
        bool object = false;
        bool onPath = false;
        std::size_t index = 0; // arrays: the number of elements begun
        std::string key;       // objects on the pointer's path: the current key
        Field field = Field::None;
    };

    struct Slot {
        bool seen = false;
        RecordField::Kind kind = RecordField::Kind::Missing;
        std::string text;
        RecordField field() const { return {kind, text}; }
    };

    bool isRecordLevel() const { return m_records && m_stack.size() == *m_records + 2; }

    // What the value that begins now is to the pointer and the records.
    Role roleOfNext() {
        const std::size_t depth = m_stack.size();
        if (depth == 0) {
            return m_tokens.empty() ? Role::Target : Role::OnPath;
        }
        Level& parent = m_stack.back();
        const std::size_t index = parent.index;
        if (!parent.object) {
            ++parent.index;
        }
        if (m_records && depth == *m_records + 1) {
            return Role::Record;
        }
        if (isRecordLevel()) {
            return parent.field == Field::None ? Role::None : Role::Field;
        }
        if (!parent.onPath || m_targetSeen) {
            return Role::None;
        }
        const std::string& token = m_tokens[depth - 1];
        const bool match = parent.object ? parent.key == token : std::to_string(index) == token;
        if (!match) {
            return Role::None;
        }
        return depth == m_tokens.size() ? Role::Target : Role::OnPath;
    }

    void fill(Field field, RecordField::Kind kind, std::string_view text) {
        Slot& slot = field == Field::Period ? m_period : m_digits;
        slot.seen = true;
        slot.kind = kind;
        slot.text.assign(text);
    }

    void emit() {
        ++m_recordCount;
        m_sink(m_period.field(), m_digits.field());
        m_period = {};
        m_digits = {};
    }

    void emitNotObject(std::string_view kind) {
        m_notObject = "absent: the record is " + std::string(kind) + ", not an object";
        m_period.kind = RecordField::Kind::Other;
        m_period.text = m_notObject;
        m_digits = m_period;
        emit();
    }

    bool scalar(RecordField::Kind kind, std::string_view text) {
        const std::string_view shown = kind == RecordField::Kind::Text ? "a string" : "a number";
        switch (roleOfNext()) {
        case Role::Field:
            fill(m_stack.back().field, kind, text);
            break;
        case Role::Record:
            emitNotObject(kind == RecordField::Kind::Other ? text : shown);
            break;
        case Role::Target:
            m_targetSeen = true;
            m_targetKind =
                kind == RecordField::Kind::Other ? std::string(text) : std::string(shown);
            break;
        case Role::None:
        case Role::OnPath:
            break;
        }
        return true;
    }

    bool open(bool object) {
        const Role role = roleOfNext();
        const std::string_view kind = object ? "an object" : "an array";
        Level level;
        level.object = object;
        switch (role) {
        case Role::OnPath:
            level.onPath = true;
            break;
        case Role::Target:
            m_targetSeen = true;
            m_targetKind = kind;
            if (!object) {
                m_records = m_stack.size();
            }
            break;
        case Role::Record:
            if (!object) {
                emitNotObject(kind);
            }
            break;
        case Role::Field:
            fill(m_stack.back().field, RecordField::Kind::Other, kind);
            break;
        case Role::None:
            break;
        }
        m_stack.push_back(std::move(level));
        return true;
    }

    bool close() {
        const bool recordObject = isRecordLevel() && m_stack.back().object;
        m_stack.pop_back();
        if (recordObject) {
            emit();
        } else if (m_records && m_stack.size() == *m_records) {
            m_records.reset();
        }
        return true;
    }

    std::vector<std::string> m_tokens;
    const SourceMapping& m_mapping;
    const RecordSink& m_sink;
    std::size_t m_bodySize;
    std::vector<Level> m_stack;
    // The stack depth of the array of records while it is being read.
    std::optional<std::size_t> m_records;
    bool m_targetSeen = false;
    std::string m_targetKind;
    Slot m_period;
    Slot m_digits;
    std::string m_number;
    std::string m_notObject;
    std::int64_t m_recordCount = 0;
    std::optional<std::size_t> m_errorAt;
    bool m_cutShort = false;
};

std::string bodyBegins(std::string_view body) {
    return "; the body begins: " + shownText(body, 80);
}

} // namespace

std::string recordsName(const SourceMapping& mapping) {
    return mapping.records.empty() ? std::string("the top level") : "\"" + mapping.records + "\"";
}

std::optional<std::string> readJsonRecords(std::string_view body, const SourceMapping& mapping,
                                           const RecordSink& sink) {
    std::vector<std::string> tokens;
    try {
        Json::json_pointer pointer(mapping.records);
        while (!pointer.empty()) {
            tokens.push_back(pointer.back());
            pointer.pop_back();
        }
    } catch (const Json::exception&) {
        return "records " + recordsName(mapping) + " is not a JSON Pointer";
    }
    std::reverse(tokens.begin(), tokens.end());
    RecordCollector collector(std::move(tokens), mapping, sink, body.size());
    Json::sax_parse(body.begin(), body.end(), &collector);
    if (const auto at = collector.errorAt()) {
        if (collector.cutShort()) {
            return "JSON cut short (it ends at byte " + std::to_string(body.size()) + ")";
        }
        return "not JSON (an error at byte " + std::to_string(*at) + ")" + bodyBegins(body);
    }
    if (!collector.targetSeen()) {
        return "JSON without " + recordsName(mapping) + bodyBegins(body);
    }
    if (collector.targetKind() != "an array") {
        return "JSON whose " + recordsName(mapping) + " is " + collector.targetKind() +
               ", not an array of records" + bodyBegins(body);
    }
    if (collector.recordCount() == 0) {
        return "an empty array at " + recordsName(mapping);
    }
    return std::nullopt;
}

} // namespace kestrum
