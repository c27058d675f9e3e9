#pragma once

// The options with which plan, search and export name their draws: --lottery, --feed,
// --replay and (plan and search) --format.

#include "cli/CommandLine.h"

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace CLI {
class App;
} // namespace CLI

namespace kestrum::cli {

class DrawsOptions {
public:
    // Adds the options to `command`; --format only `withFormat`.
    void addTo(CLI::App& command, bool withFormat);

    // Checks what they took (`parsed`: the command's parser) and fills the request's lottery,
    // feed, replay and format. What is wrong otherwise.
    std::optional<std::string> take(const CLI::App& parsed, Request& request) const;

private:
    std::string m_lottery = "1";
    std::string m_feed;
    bool m_replay = false;
    std::string m_format = "text";
};

// Fills the request's lottery from --lottery's text and its feed from --feed's, when --feed was
// given (`parsed`: the command's parser). What is wrong otherwise.
std::optional<std::string> takeLotteryAndFeed(const CLI::App& parsed, const std::string& lottery,
                                              const std::string& feed, Request& request);

// Fills the request's lotteries from the texts of --lottery, each once, in the order given: all
// ten with `all`, and `whenNone` when neither names any. What is wrong otherwise.
std::optional<std::string> takeLotteries(const std::vector<std::string>& texts, bool all,
                                         const std::vector<std::int32_t>& whenNone,
                                         Request& request);

// The option --play P|all, whose value goes into `play`.
void addPlayOrAllOption(CLI::App& command, std::string& play);

// Fills the request's play types from --play's text: one, or all ten for "all".
std::optional<std::string> takePlayOrAll(const std::string& play, Request& request);

// The plan shape of --codes and --periods, read as the window's boxes read them: 码数 1 to 9,
// 期数 1 or more. What is wrong otherwise.
std::variant<PlanShape, std::string> takePlanShape(const std::string& codes,
                                                   const std::string& periods);

// The request's output format from --format's text (text or json). What is wrong otherwise.
std::optional<std::string> takeFormat(const std::string& format, Request& request);

// The message for a lottery that --lottery names wrong.
std::string lotteryError(const std::string& text);

// The message for a play type that --play names wrong; `allowsAll`: "all" would have done.
std::string playTypeError(const std::string& text, bool allowsAll);

} // namespace kestrum::cli
