#include "cli/DrawsOptions.h"

#include "report/Names.h"

#include <CLI/CLI.hpp>

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
    if (m_format == "json") {
        request.format = OutputFormat::Json;
    } else if (m_format != "text") {
        return "--format: \"" + m_format + "\" is neither text nor json";
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
