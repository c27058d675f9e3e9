// source check: how a lottery's draw source reads, once: how many records, how many became
// draws, which were left out and why, the newest draw lines and the periods they span.

#include "cli/CliCommand.h"
#include "cli/Console.h"
#include "cli/DrawsOptions.h"
#include "cli/FeedSource.h"
#include "cli/NetworkClient.h"
#include "cli/Program.h"
#include "draws/DrawSource.h"
#include "draws/LotterySources.h"
#include "report/Names.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <nlohmann/json.hpp>
#include <set>

namespace kestrum::cli {

namespace {

using json = nlohmann::ordered_json;

// The newest draw lines shown.
constexpr std::size_t kNewestShown = 5;

// A draw line's period: its day and its number in the day, from a code "20161210001".
struct LinePeriod {
    std::chrono::sys_days day;
    std::int32_t number = 0;
    std::string code;
};

std::optional<LinePeriod> periodOfLine(const std::string& line, const LotterySource& lottery) {
    const std::string code = line.substr(0, line.find(' '));
    if (code.size() != 8 + printedPeriodWidth(lottery.drawsPerDay) ||
        !std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{
        std::chrono::year(std::stoi(code.substr(0, 4))),
        std::chrono::month(static_cast<unsigned>(std::stoi(code.substr(4, 2)))),
        std::chrono::day(static_cast<unsigned>(std::stoi(code.substr(6, 2))))};
    const std::int32_t number = std::stoi(code.substr(8));
    if (!date.ok() || number < 1 || number > lottery.drawsPerDay) {
        return std::nullopt;
    }
    return LinePeriod{std::chrono::sys_days(date), number, code};
}

// The periods that the draw lines show, oldest to newest, and how many between them no line has.
struct PeriodSpan {
    std::string oldest;
    std::string newest;
    std::int64_t missing = 0;
};

std::optional<PeriodSpan> spanOf(const std::vector<std::string>& lines,
                                 const LotterySource& lottery) {
    const std::int32_t drawsPerDay = lottery.drawsPerDay;
    std::set<std::int64_t> seen;
    std::optional<LinePeriod> oldest;
    std::optional<LinePeriod> newest;
    auto indexOf = [drawsPerDay](const LinePeriod& period) {
        return std::int64_t{period.day.time_since_epoch().count()} * drawsPerDay + period.number -
               1;
    };
    for (const std::string& line : lines) {
        const std::optional<LinePeriod> period = periodOfLine(line, lottery);
        if (!period) {
            continue;
        }
        const std::int64_t index = indexOf(*period);
        seen.insert(index);
        if (!oldest || index < indexOf(*oldest)) {
            oldest = period;
        }
        if (!newest || index > indexOf(*newest)) {
            newest = period;
        }
    }
    if (!oldest) {
        return std::nullopt;
    }
    const std::int64_t periods = indexOf(*newest) - indexOf(*oldest) + 1;
    return PeriodSpan{oldest->code, newest->code, periods - static_cast<std::int64_t>(seen.size())};
}

// What the check found, for either output.
struct SourceCheck {
    std::int32_t lottery = 1;
    std::string name;
    SourceFormat format = SourceFormat::Lines;
    // The address fetched, or the file read ("-" for standard input).
    std::string place;
    bool fromFile = false;
    SourceRead read;
    // The draw lines that came through: every line of a mapped source; for the lines format,
    // the lines of the form "20161210001 1,2,3,4,5" (the feed's other lines are kept too, but
    // are no draws).
    std::int64_t draws = 0;
    std::optional<PeriodSpan> span;
    // What came instead of draws; empty when draws came.
    std::string notDraws;
};

SourceCheck checked(SourceCheck check) {
    const SourceRead& read = check.read;
    if (read.notDraws) {
        check.notDraws = *read.notDraws;
        return check;
    }
    check.draws = static_cast<std::int64_t>(
        std::count_if(read.lines.begin(), read.lines.end(),
                      [](const std::string& line) { return looksLikeDrawLine(line); }));
    check.span = spanOf(read.lines, lotteryByNumber(check.lottery));
    if (check.draws == 0) {
        check.notDraws = read.lines.empty() ? "an empty body"
                                            : "no line is a draw line (" +
                                                  std::to_string(read.lines.size()) + " lines)";
    }
    return check;
}

std::string checkText(const SourceCheck& check) {
    const SourceRead& read = check.read;
    std::string text = "source: " + check.name + ", format " +
                       std::string(sourceFormatName(check.format)) + ", " +
                       (check.fromFile ? "file " : "address ") + check.place + "\n";
    if (!check.notDraws.empty()) {
        return text + "not draws: " + check.notDraws + "\n";
    }
    text += "records: " + std::to_string(read.records) + ", draws: " + std::to_string(check.draws) +
            ", left out: " + std::to_string(read.refused) +
            ", repeated periods dropped: " + std::to_string(read.repeated) + "\n";
    text += "newest draws:\n";
    for (std::size_t i = 0; i < std::min(kNewestShown, read.lines.size()); ++i) {
        text += "  " + read.lines[i] + "\n";
    }
    if (!read.refusals.empty()) {
        text += "left out:\n";
        for (const SourceRead::Refusal& refusal : read.refusals) {
            text += "  record " + std::to_string(refusal.record) + ": " + refusal.reason + "\n";
        }
        const std::int64_t more = read.refused - static_cast<std::int64_t>(read.refusals.size());
        if (more > 0) {
            text += "  and " + std::to_string(more) + " more\n";
        }
    }
    if (check.span) {
        text += "periods: " + check.span->oldest + " to " + check.span->newest + ", " +
                std::to_string(check.span->missing) + " missing\n";
    }
    return text;
}

std::string checkJson(const SourceCheck& check) {
    const SourceRead& read = check.read;
    const LotterySource& lottery = lotteryByNumber(check.lottery);
    json refusals = json::array();
    for (const SourceRead::Refusal& refusal : read.refusals) {
        refusals.push_back({{"record", refusal.record}, {"reason", refusal.reason}});
    }
    const std::size_t shown = std::min(kNewestShown, read.lines.size());
    json span = nullptr;
    if (check.span) {
        span = {{"oldest", check.span->oldest},
                {"newest", check.span->newest},
                {"missing", check.span->missing}};
    }
    const json answer = {
        {"lottery",
         {{"number", check.lottery}, {"feed", feedName(lottery)}, {"caption", lottery.label}}},
        {"source",
         {{"name", check.name},
          {"format", sourceFormatName(check.format)},
          {check.fromFile ? "file" : "address", check.place}}},
        {"records", read.records},
        {"draws", check.draws},
        {"refused", read.refused},
        {"repeated", read.repeated},
        {"newest",
         std::vector<std::string>(read.lines.begin(),
                                  read.lines.begin() + static_cast<std::ptrdiff_t>(shown))},
        {"refusals", refusals},
        {"more_refusals", read.refused - static_cast<std::int64_t>(read.refusals.size())},
        {"span", span},
        {"not_draws", check.notDraws.empty() ? json(nullptr) : json(check.notDraws)},
        {"warning", sourceWarning(read)},
    };
    return answer.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

class SourceCheckCommand final : public CliCommand {
public:
    CLI::App* addTo(CLI::App& program) override {
        CLI::App* source =
            program.add_subcommand("source", "Look at a lottery's draw source (source check).");
        source->require_subcommand(1);
        source->fallthrough();
        CLI::App* check = source->add_subcommand(
            "check", "Fetch a lottery's draw source once and print how it reads: its records, "
                     "the draws they make, the records left out and why, the newest draws and "
                     "the periods they span. Exit status 0 when at least two draws came.");
        check
            ->add_option("--lottery", m_lottery,
                         "The lottery: 1 to 10, its feed name (cq, jx, ...) or its caption; 1 "
                         "when not given.")
            ->type_name("L");
        check
            ->add_option("--feed", m_feed,
                         "Read SOURCE instead of the source's address, in the source's format: "
                         "a file, - for standard input, or an http or https address.")
            ->type_name("SOURCE");
        check->add_option("--format", m_format, "text (the default) or json.")->type_name("FORMAT");
        return check;
    }

    std::optional<std::string> take(const CLI::App& parsed, Request& request) const override {
        if (auto error = takeLotteryAndFeed(parsed, m_lottery, m_feed, request)) {
            return error;
        }
        if (m_format == "json") {
            request.format = OutputFormat::Json;
        } else if (m_format != "text") {
            return "--format: \"" + m_format + "\" is neither text nor json";
        }
        return std::nullopt;
    }

    int run(const Request& request, const RunSettings& settings,
            const std::string& /*siteUrl*/) const override {
        const std::int32_t number = request.lotteries.front();
        const LotterySource& lottery = lotteryByNumber(number);
        DrawSourceEntry entry;
        if (std::optional<DrawSourceEntry> mapped =
                drawSourceOf(number, settings.app.sources, settings.app.feedHosts)) {
            entry = std::move(*mapped);
        } else {
            // No table: the lottery's plain feed, read by the feed's own rule.
            entry.feedUrl = feedUrlOf(lottery, settings.app.feedHosts);
            entry.url = entry.feedUrl;
            entry.drawsPerDay = lottery.drawsPerDay;
            entry.name = "the plain feed of " + feedName(lottery);
        }
        SourceCheck check;
        check.lottery = number;
        check.name = entry.name;
        check.format = entry.mapping.format;
        NetworkClient network;
        if (request.feed) {
            const FeedSource& feed = *request.feed;
            check.place = feed.kind == FeedSource::Kind::StandardInput ? "-" : feed.text;
            check.fromFile = feed.kind != FeedSource::Kind::Address;
            std::string body;
            if (entry.mapping.format == SourceFormat::Lines) {
                SourceLines read = readSourceLines(feed, network);
                if (!read.error.empty()) {
                    complain("the source cannot be read: " + read.error);
                    return kExitFailed;
                }
                for (const std::string& line : read.lines) {
                    body += line + "\n";
                }
            } else {
                SourceBody read = readSourceBody(feed, network, entry.headers);
                if (!read.error.empty()) {
                    complain("the source cannot be read: " + read.error);
                    return kExitFailed;
                }
                body = std::move(read.body);
            }
            check.read = readDrawSource(body, entry.mapping, entry.drawsPerDay);
        } else {
            check.place = entry.url;
            SourceFetch fetch = fetchDrawSource(network, entry);
            if (!fetch.fetched.ok()) {
                complain(entry.name + ": " + entry.url +
                         " cannot be fetched: " + fetch.fetched.error);
                return kExitFailed;
            }
            check.read = std::move(fetch.read);
        }
        check = checked(std::move(check));
        const int status =
            printed(request.format == OutputFormat::Json ? checkJson(check) : checkText(check));
        if (status != kExitDone) {
            return status;
        }
        return check.notDraws.empty() && check.draws >= 2 ? kExitDone : kExitFailed;
    }

private:
    std::string m_lottery = "1";
    std::string m_feed;
    std::string m_format = "text";
};

} // namespace

std::unique_ptr<CliCommand> makeSourceCheckCommand() {
    return std::make_unique<SourceCheckCommand>();
}

} // namespace kestrum::cli
