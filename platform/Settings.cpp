#include "platform/Settings.h"

#include "base/DrawSchedule.h"
#include "base/Utf8Path.h"
#include "base/WebAddress.h"
#include "platform/PasswordHash.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <toml++/toml.h>

namespace kestrum {

namespace {

template <std::size_t N>
std::string listOf(const std::string_view (&words)[N]) {
    std::string list;
    for (std::string_view word : words) {
        list += list.empty() ? "" : ", ";
        list += word;
    }
    return list;
}

template <std::size_t N>
bool isOneOf(const std::string_view (&words)[N], std::string_view word) {
    return std::find(std::begin(words), std::end(words), word) != std::end(words);
}

std::string where(const std::filesystem::path& path, const toml::source_region& region) {
    return utf8FromPath(path) + ":" + std::to_string(region.begin.line) + ":" +
           std::to_string(region.begin.column);
}

// "" or "/..." with every "~" followed by 0 or 1, as the JSON reader takes a pointer.
bool isJsonPointer(const std::string& text) {
    try {
        const nlohmann::json::json_pointer pointer(text);
        return true;
    } catch (const nlohmann::json::exception&) {
        return false;
    }
}

// A header's name is an HTTP token.
bool isHeaderName(std::string_view name) {
    constexpr std::string_view kTokenMarks = "!#$%&'*+-.^_`|~";
    return !name.empty() && std::all_of(name.begin(), name.end(), [&](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               kTokenMarks.find(c) != std::string_view::npos;
    });
}

// A header's value holds no line break, nor any other control character but the tab, so that
// it cannot end the header and start another.
bool isHeaderValue(std::string_view value) {
    return std::none_of(value.begin(), value.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t') || byte == 0x7f;
    });
}

// A source's request headers: `key` names them in the messages.
std::optional<std::string> takeHeaders(std::map<std::string, std::string>& headers,
                                       const std::string& key, const toml::node& value,
                                       const std::filesystem::path& path) {
    const auto* table = value.as_table();
    if (table == nullptr) {
        return where(path, value.source()) + ": " + key +
               " must be a table of names and values, such as { \"X-Token\" = \"...\" }";
    }
    for (const auto& [name, header] : *table) {
        const std::string place = where(path, header.source());
        const std::string full = key + "." + std::string(name.str());
        if (!isHeaderName(name.str())) {
            return where(path, name.source()) + ": " + key + ": \"" + std::string(name.str()) +
                   "\" is not a header name";
        }
        const auto* text = header.as_string();
        if (text == nullptr) {
            return place + ": " + full + " must be a string in quotes";
        }
        if (!isHeaderValue(text->get())) {
            return place + ": " + full + " holds a line break or another control character";
        }
        headers.emplace(name.str(), text->get());
    }
    return std::nullopt;
}

// A source's spans of the day, kept as written once they read as a schedule.
std::optional<std::string> takeSchedule(std::vector<std::string>& schedule, const std::string& key,
                                        const toml::node& value,
                                        const std::filesystem::path& path) {
    const std::string wanted =
        " must be an array of strings in quotes, such as [\"10:00-22:00/10m\"]";
    const auto* spans = value.as_array();
    if (spans == nullptr) {
        return where(path, value.source()) + ": " + key + wanted;
    }
    for (const toml::node& span : *spans) {
        const auto* text = span.as_string();
        if (text == nullptr) {
            return where(path, span.source()) + ": " + key + wanted;
        }
        schedule.push_back(text->get());
    }
    const auto parsed = parseDrawSchedule(schedule);
    if (const auto* error = std::get_if<DrawScheduleError>(&parsed)) {
        return where(path, value.source()) + ": " + key + ": " + error->message;
    }
    return std::nullopt;
}

// Reads one [sources.NAME] table; an error message when it is not a source.
std::optional<std::string> takeSource(SourceSettings& source, const std::string& name,
                                      const toml::table& table, const std::filesystem::path& path) {
    const std::string prefix = "sources." + name;
    // Where the mapping keys stand, for the message that refuses them for the format.
    std::map<std::string_view, std::string> mapping;
    for (const auto& [key, value] : table) {
        const std::string_view word = key.str();
        const std::string full = prefix + "." + std::string(word);
        const std::string place = where(path, value.source());
        if (!isOneOf(kSourceKeys, word)) {
            return where(path, key.source()) + ": unknown key " + full +
                   " (the keys of a source are " + listOf(kSourceKeys) + ")";
        }
        if (word == "headers") {
            if (auto error = takeHeaders(source.headers, full, value, path)) {
                return error;
            }
            continue;
        }
        if (word == "schedule") {
            if (auto error = takeSchedule(source.schedule, full, value, path)) {
                return error;
            }
            continue;
        }
        const auto* string = value.as_string();
        if (string == nullptr) {
            return place + ": " + full + " must be a string in quotes";
        }
        const std::string& text = string->get();
        if (word == "url") {
            if (auto error = checkAddress(place + ": " + full, text)) {
                return error->message;
            }
            source.url = text;
        } else if (word == "format") {
            const std::optional<SourceFormat> format = sourceFormatNamed(text);
            if (!format) {
                return place + ": " + full + " must be \"lines\", \"json\" or \"csv\", not \"" +
                       text + "\"";
            }
            source.format = *format;
        } else if (word == "records") {
            if (!isJsonPointer(text)) {
                return place + ": " + full + ": \"" + text +
                       "\" is not a JSON Pointer (\"\" for the top level, else \"/\" before each "
                       "name, with \"~\" written \"~0\" and \"/\" in a name \"~1\")";
            }
            source.records = text;
            mapping.emplace(word, place);
        } else { // period, digits
            if (text.empty()) {
                return place + ": " + full + " must name a field or column";
            }
            (word == "period" ? source.period : source.digits) = text;
            mapping.emplace(word, place);
        }
    }
    const std::string formatName(sourceFormatName(source.format));
    if (source.format == SourceFormat::Lines || source.format == SourceFormat::Csv) {
        for (const auto& [word, place] : mapping) {
            if (word == "records" || source.format == SourceFormat::Lines) {
                return place + ": " + prefix + "." + std::string(word) + " is for format " +
                       (word == "records" ? "json" : "json or csv") +
                       ", and this source's format is " + formatName;
            }
        }
        if (source.format == SourceFormat::Lines) {
            return std::nullopt;
        }
    }
    std::string missing;
    for (const auto& [field, word] :
         {std::pair{&source.period, "period"}, std::pair{&source.digits, "digits"}}) {
        if (field->empty()) {
            missing += missing.empty() ? "" : " and ";
            missing += word;
        }
    }
    if (!missing.empty()) {
        return where(path, table.source()) + ": " + prefix + " has format " + formatName +
               " but no " + missing + " (the field or column of the period code and of the digits)";
    }
    return std::nullopt;
}

// Reads the sources table: one source per lottery, by feed name.
std::optional<std::string> takeSources(std::map<std::string, SourceSettings>& sources,
                                       const toml::node& value, const std::filesystem::path& path) {
    const auto* table = value.as_table();
    if (table == nullptr) {
        return where(path, value.source()) +
               ": sources must be a table of draw sources by feed name, such as [sources.cq]";
    }
    for (const auto& [key, source] : *table) {
        const std::string name(key.str());
        if (!isOneOf(kSourceFeedNames, name)) {
            return where(path, key.source()) + ": sources." + name +
                   ": no lottery has the feed name " + name + " (the feed names are " +
                   listOf(kSourceFeedNames) + ")";
        }
        const auto* fields = source.as_table();
        if (fields == nullptr) {
            return where(path, source.source()) + ": sources." + name +
                   " must be a table, such as [sources." + name + "]";
        }
        SourceSettings read;
        if (auto error = takeSource(read, name, *fields, path)) {
            return error;
        }
        sources.emplace(name, std::move(read));
    }
    return std::nullopt;
}

// Takes one key's value into the settings; an error message when it is of the wrong kind.
std::optional<std::string> take(Settings& settings, std::string_view key, const toml::node& value,
                                const std::string& place, const std::filesystem::path& path) {
    const auto text = [&](std::optional<std::string>& field) -> std::optional<std::string> {
        const auto* string = value.as_string();
        if (string == nullptr) {
            return place + ": " + std::string(key) + " must be a string in quotes";
        }
        field = string->get();
        return std::nullopt;
    };
    const auto flag = [&](std::optional<bool>& field) -> std::optional<std::string> {
        const auto* boolean = value.as_boolean();
        if (boolean == nullptr) {
            return place + ": " + std::string(key) + " must be true or false";
        }
        field = boolean->get();
        return std::nullopt;
    };
    const auto address = [&](std::optional<std::string>& field) -> std::optional<std::string> {
        if (auto error = text(field)) {
            return error;
        }
        if (auto error = checkAddress(place + ": " + std::string(key), *field)) {
            return error->message;
        }
        return std::nullopt;
    };
    if (key == "feed_host_1") {
        return address(settings.feedHost1);
    }
    if (key == "feed_host_2") {
        return address(settings.feedHost2);
    }
    if (key == "web_host") {
        return address(settings.webHost);
    }
    if (key == "site_url") {
        return address(settings.siteUrl);
    }
    if (key == "data_dir") {
        if (auto error = text(settings.dataDir)) {
            return error;
        }
        if (settings.dataDir->empty()) {
            return place + ": data_dir must name a folder";
        }
        return std::nullopt;
    }
    if (key == "web_panels") {
        return flag(settings.webPanels);
    }
    if (key == "update_check") {
        return flag(settings.updateCheck);
    }
    if (key == "follow_draws") {
        return flag(settings.followDraws);
    }
    if (key == "sources") {
        return takeSources(settings.sources, value, path);
    }
    if (key == "web_password_hash") {
        if (auto error = text(settings.webPasswordHash)) {
            return error;
        }
        if (!looksLikePasswordHash(*settings.webPasswordHash)) {
            return place +
                   ": web_password_hash is no password hash (kestrum-cli passwd writes one)";
        }
        return std::nullopt;
    }
    if (key == "web_tls_cert" || key == "web_tls_key") {
        std::optional<std::string>& file =
            key == "web_tls_cert" ? settings.webTlsCert : settings.webTlsKey;
        if (auto error = text(file)) {
            return error;
        }
        if (file->empty()) {
            return place + ": " + std::string(key) + " must name a file";
        }
        return std::nullopt;
    }
    return std::nullopt; // the keys were checked before
}

} // namespace

SettingsResult readSettingsFile(const std::filesystem::path& path, bool mustExist) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        if (!mustExist) {
            return Settings{};
        }
        return SettingsError{utf8FromPath(path) + ": no such settings file"};
    }
    std::ifstream in(path, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in && !in.eof()) {
        return SettingsError{utf8FromPath(path) + ": the settings file cannot be read"};
    }
    return parseSettingsText(text, path);
}

SettingsResult parseSettingsText(std::string_view text, const std::filesystem::path& path) {
    toml::table table;
    try {
        table = toml::parse(text, utf8FromPath(path));
    } catch (const toml::parse_error& parseError) {
        return SettingsError{where(path, parseError.source()) + ": " +
                             std::string(parseError.description())};
    }
    Settings settings;
    for (const auto& [key, value] : table) {
        if (!isOneOf(kSettingsKeys, key.str())) {
            return SettingsError{where(path, key.source()) + ": unknown key " +
                                 std::string(key.str()) + " (the keys are " +
                                 listOf(kSettingsKeys) + ")"};
        }
        const std::string place = where(path, value.source());
        if (auto message = take(settings, key.str(), value, place, path)) {
            return SettingsError{*message};
        }
    }
    return settings;
}

std::optional<SettingsError> checkAddress(std::string_view source, const std::string& address) {
    if (isWebAddress(address)) {
        return std::nullopt;
    }
    return SettingsError{std::string(source) + ": \"" + address +
                         "\" is not an http or https address with a host"};
}

Settings layered(const Settings& over, const Settings& under) {
    const auto pick = [](const auto& a, const auto& b) { return a ? a : b; };
    std::map<std::string, SourceSettings> sources = under.sources;
    for (const auto& [name, source] : over.sources) {
        sources.insert_or_assign(name, source);
    }
    return {pick(over.feedHost1, under.feedHost1),
            pick(over.feedHost2, under.feedHost2),
            pick(over.webHost, under.webHost),
            pick(over.siteUrl, under.siteUrl),
            pick(over.dataDir, under.dataDir),
            pick(over.webPanels, under.webPanels),
            pick(over.updateCheck, under.updateCheck),
            pick(over.followDraws, under.followDraws),
            std::move(sources),
            pick(over.webPasswordHash, under.webPasswordHash),
            pick(over.webTlsCert, under.webTlsCert),
            pick(over.webTlsKey, under.webTlsKey)};
}

bool namesAnAddress(const Settings& settings) {
    return settings.feedHost1 || settings.feedHost2 || settings.webHost || settings.siteUrl;
}

std::variant<Settings, SettingsError> completeAddresses(const Settings& settings) {
    std::string missing;
    const auto need = [&missing](const std::optional<std::string>& field, std::string_view key) {
        if (!field) {
            missing += missing.empty() ? "" : ", ";
            missing += key;
        }
    };
    need(settings.feedHost1, "feed_host_1");
    need(settings.feedHost2, "feed_host_2");
    need(settings.webHost, "web_host");
    if (!missing.empty()) {
        return SettingsError{"some addresses are set but not " + missing +
                             ": set feed_host_1, feed_host_2 and web_host (or the options "
                             "--feed-host-1, --feed-host-2 and --web-host), or no address at all "
                             "for the local simulated feeds"};
    }
    Settings complete = settings;
    if (!complete.siteUrl) {
        complete.siteUrl = *complete.webHost + "/";
    }
    return complete;
}

} // namespace kestrum
