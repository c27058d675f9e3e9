#include "feedsim/Validators.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <httplib.h>

namespace feedsim {

std::string entityTag(const std::string& body) {
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const char byte : body) {
        hash = (hash ^ static_cast<unsigned char>(byte)) * 0x100000001B3ull;
    }
    char tag[48];
    std::snprintf(tag, sizeof tag, "\"%016llx-%zx\"", static_cast<unsigned long long>(hash),
                  body.size());
    return tag;
}

bool namesTag(std::string_view value, std::string_view tag) {
    std::size_t at = 0;
    const auto skipSeparators = [&] {
        while (at < value.size() && (value[at] == ' ' || value[at] == '\t' || value[at] == ',')) {
            ++at;
        }
    };
    for (skipSeparators(); at < value.size(); skipSeparators()) {
        if (value[at] == '*') {
            return true;
        }
        if (value.substr(at, 2) == "W/") {
            at += 2;
        }
        // Within the quotes, a tag may hold any byte but '"', commas and spaces too.
        const std::size_t end = value.find('"', at + 1);
        if (at >= value.size() || value[at] != '"' || end == std::string_view::npos) {
            return false;
        }
        if (value.substr(at, end + 1 - at) == tag) {
            return true;
        }
        at = end + 1;
    }
    return false;
}

std::string lastModified(const std::filesystem::path& file) {
    using namespace std::chrono;
    std::error_code error;
    const std::filesystem::file_time_type written = std::filesystem::last_write_time(file, error);
    if (error) {
        return {};
    }
    const sys_seconds at = floor<seconds>(file_clock::to_sys(written));
    const sys_days day = floor<days>(at);
    const year_month_day date{day};
    const hh_mm_ss time{at - day};
    // Spelled out: strftime's names follow the locale.
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02u %s %04d %02d:%02d:%02lld GMT",
                  kDays[weekday{day}.c_encoding()], static_cast<unsigned>(date.day()),
                  kMonths[static_cast<unsigned>(date.month()) - 1], static_cast<int>(date.year()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<long long>(time.seconds().count()));
    return text;
}

void answerConditionally(const httplib::Request& request, httplib::Response& response,
                         const std::string& body, const std::string& contentType,
                         const std::string& modified) {
    const std::string tag = entityTag(body);
    response.set_header("ETag", tag);
    if (!modified.empty()) {
        response.set_header("Last-Modified", modified);
    }
    // The field may come as several header lines: together they are one list.
    const std::size_t fields = request.get_header_value_count("If-None-Match");
    for (std::size_t i = 0; i < fields; ++i) {
        if (namesTag(request.get_header_value("If-None-Match", i), tag)) {
            // With no content set, cpp-httplib writes no body and no Content-Type; the
            // "Content-Length: 0" it adds changes nothing for a 304, which never has a body.
            response.status = 304;
            return;
        }
    }
    response.set_content(body, contentType);
}

} // namespace feedsim
