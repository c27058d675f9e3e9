#include "feedsim/FeedForms.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <vector>

namespace feedsim {

namespace {

constexpr std::string_view kLinesSuffix = ".txt";

std::string_view suffix(FeedForm form) {
    switch (form) {
    case FeedForm::Json:
        return ".json";
    case FeedForm::Csv:
        return ".csv";
    case FeedForm::Lines:
        break;
    }
    return kLinesSuffix;
}

// "1,2,3,4,5", or without the commas "12345".
std::string digitText(const FeedInfo& feed, Draw draw, bool commas) {
    std::string text;
    for (const int digit : drawDigits(feed.number, draw)) {
        if (commas && !text.empty()) {
            text += ',';
        }
        text += static_cast<char>('0' + digit);
    }
    return text;
}

std::string jsonBody(const FeedInfo& feed, const std::vector<Draw>& newestFirst) {
    nlohmann::json records = nlohmann::json::array();
    for (auto draw = newestFirst.rbegin(); draw != newestFirst.rend(); ++draw) {
        records.push_back(
            {{"expect", expectCode(feed, *draw)}, {"opencode", digitText(feed, *draw, true)}});
    }
    return nlohmann::json{{"data", std::move(records)}}.dump() + "\n";
}

std::string csvBody(const FeedInfo& feed, const std::vector<Draw>& newestFirst) {
    std::string body = "issue,code\n";
    for (auto draw = newestFirst.rbegin(); draw != newestFirst.rend(); ++draw) {
        body += issueCode(feed, *draw) + "," + digitText(feed, *draw, false) + "\n";
    }
    return body;
}

} // namespace

std::optional<FeedAtPath> findFeedForm(Host host, std::string_view path) {
    for (const FeedForm form : {FeedForm::Lines, FeedForm::Json, FeedForm::Csv}) {
        const std::string_view end = suffix(form);
        if (path.size() <= end.size() || !path.ends_with(end)) {
            continue;
        }
        const std::string linesPath =
            std::string(path.substr(0, path.size() - end.size())) + std::string(kLinesSuffix);
        if (const FeedInfo* feed = findFeed(host, linesPath)) {
            return FeedAtPath{feed, form};
        }
    }
    return std::nullopt;
}

std::string feedPath(const FeedInfo& feed, FeedForm form) {
    // Every feed's own path ends in ".txt".
    const std::string_view stem = feed.path.substr(0, feed.path.size() - kLinesSuffix.size());
    return std::string(stem) + std::string(suffix(form));
}

std::string_view contentType(FeedForm form) {
    switch (form) {
    case FeedForm::Json:
        return "application/json";
    case FeedForm::Csv:
        return "text/csv";
    case FeedForm::Lines:
        break;
    }
    return "text/plain";
}

std::string feedBody(const FeedInfo& feed, FeedForm form, std::chrono::milliseconds now,
                     const Publication& publication, int count) {
    if (form == FeedForm::Lines) {
        return feedText(feed, now, publication, count);
    }
    const std::vector<Draw> draws = feedDraws(feed, now, publication, count);
    return form == FeedForm::Json ? jsonBody(feed, draws) : csvBody(feed, draws);
}

std::string expectCode(const FeedInfo& feed, Draw draw) {
    char code[32];
    std::snprintf(code, sizeof code, feed.periodDigits == 4 ? "%08d-%04d" : "%08d-%03d", draw.date,
                  draw.period);
    return code;
}

std::string issueCode(const FeedInfo& feed, Draw draw) {
    char code[32];
    std::snprintf(code, sizeof code, feed.periodDigits == 4 ? "%06d%04d" : "%06d%03d",
                  draw.date % 1000000, draw.period);
    return code;
}

} // namespace feedsim
