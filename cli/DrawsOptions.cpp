#include "cli/DrawsOptions.h"

#include "commands/Commands.h"
#include "report/Names.h"

#include <CLI/CLI.hpp>
#include <algorithm>

namespace kestrum::cli {

void DrawsOptions::addTo(CLI::App& command, bool withFormat) {
    command
        .add_option("--lottery", m_lottery,
                    "The lottery: 1 to 10, its feed name (cq, jx, ...) or its caption; 1 when "
                    "not given.")
        ->type_name("L");
    command
        .add_option("--feed", m_feed,
                    "Read the lottery's feed from SOURCE instead of its host: a file, - for "
                    "standard input, or an http or https address.")
        ->type_name("SOURCE");
    command.add_flag("--replay", m_replay,
                     "Replay SOURCE (newest line first) from its oldest 30 lines on, one refresh "
                     "per newer line, as the window would have seen it over time.");
    if (withFormat) {
        command.add_option("--format", m_format, "text (the default) or json.")
            ->type_name("FORMAT");
    }
}

std::optional<std::string> takeLotteryAndFeed(const CLI::App& parsed, const std::string& lottery,
                                              const std::string& feed, Request& request) {
    const std::optional<std::int32_t> number = lotteryNamed(lottery);
    if (!number) {
        return lotteryError(lottery);
    }
    request.lotteries = {*number};
    if (parsed.count("--feed") > 0) {
        std::variant<FeedSource, std::string> source = parseFeedSource(feed);
        if (const auto* error = std::get_if<std::string>(&source)) {
            return *error;
        }
        request.feed = std::get<FeedSource>(source);
    }
    return std::nullopt;
}

std::optional<std::string> DrawsOptions::take(const CLI::App& parsed, Request& request) const {
    if (auto error = takeLotteryAndFeed(parsed, m_lottery, m_feed, request)) {
        return error;
    }
    request.replay = m_replay;
    if (request.replay && !request.feed) {
        return "--replay needs --feed SOURCE: the lines to replay";
    }
    return takeFormat(m_format, request);
}

std::optional<std::string> takeLotteries(const std::vector<std::string>& texts, bool all,
                                         const std::vector<std::int32_t>& whenNone,
                                         Request& request) {
    request.lotteries.clear();
    if (all) {
        for (const LotterySource& lottery : lotteryTable()) {
            request.lotteries.push_back(lottery.number);
        }
    }
    for (const std::string& text : texts) {
        const std::optional<std::int32_t> number = lotteryNamed(text);
        if (!number) {
            return lotteryError(text);
        }
        if (std::find(request.lotteries.begin(), request.lotteries.end(), *number) !=
            request.lotteries.end()) {
            return "--lottery: " + text + " is named twice";
        }
        request.lotteries.push_back(*number);
    }
    if (request.lotteries.empty()) {
        request.lotteries = whenNone;
    }
    return std::nullopt;
}

void addPlayOrAllOption(CLI::App& command, std::string& play) {
    command
        .add_option("--play", play,
                    "The play type (h1, h2, h3, h3b, h5b, shi, bai, qian, wan, q3, or its "
                    "caption), or all (the default).")
        ->type_name("P");
}

std::optional<std::string> takePlayOrAll(const std::string& play, Request& request) {
    if (play == "all") {
        request.playTypes.assign(allPlayTypes().begin(), allPlayTypes().end());
    } else if (const std::optional<PlayType> type = playTypeNamed(play)) {
        request.playTypes = {*type};
    } else {
        return playTypeError(play, true);
    }
    return std::nullopt;
}

std::variant<PlanShape, std::string> takePlanShape(const std::string& codes,
                                                   const std::string& periods) {
    // The boxes' own rule: a leading number, 码数 1 to 9, 期数 1 or more.
    if (!parseSearchInput(codes, "1")) {
        return "--codes: \"" + codes + "\" is not a number of codes from 1 to 9";
    }
    const std::optional<PlanShape> shape = parseSearchInput(codes, periods);
    if (!shape) {
        return "--periods: \"" + periods + "\" is not a number of periods, 1 or more";
    }
    return *shape;
}

std::optional<std::string> takeFormat(const std::string& format, Request& request) {
    if (format == "json") {
        request.format = OutputFormat::Json;
    } else if (format != "text") {
        return "--format: \"" + format + "\" is neither text nor json";
    }
    return std::nullopt;
}

std::string lotteryError(const std::string& text) {
    return "--lottery: no lottery is called \"" + text +
           "\" (the lotteries: " + lotteryNamesText() + ")";
}

std::string playTypeError(const std::string& text, bool allowsAll) {
    return "--play: no play type is called \"" + text +
           "\" (the play types: " + playTypeNamesText() + (allowsAll ? ", or all" : "") + ")";
}

} // namespace kestrum::cli
