#include "feedsim/CommandLine.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdint>
#include <system_error>

namespace feedsim {

namespace {

constexpr const char* kUsage =
    "usage: feedsim [--files DIR] [--fault slow|error|garbage] [--web-delay SECONDS]"
    " [--web-port N] [--feed1-port N] [--feed2-port N] [--hostile] [--publish-lag SECONDS]"
    " [--publish-jitter SECONDS] [--seed N] [--announce] [--count-every SECONDS]\n";

constexpr const char* kExitStatuses =
    "Exit status: 0 when stopped by SIGINT or SIGTERM; 1 when a port is taken, the --files\n"
    "folder is not a folder or the server did not start; 2 for a bad command line.";

// Digits alone, the whole text, as a number of at most `most`; nothing for anything else,
// a sign, a space or an overflow included.
std::optional<std::uint64_t> digitsValue(std::string_view text, std::uint64_t most) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || at != end || value > most) {
        return std::nullopt;
    }
    return value;
}

// A whole number in decimal from least to most. CLI11 itself would read "010" as octal, "0x10"
// as hex and "-1" as a huge unsigned number, so the number goes on to it as plain digits.
CLI::Validator decimal(std::uint64_t least, std::uint64_t most) {
    return CLI::Validator(
        [least, most](std::string& text) -> std::string {
            const std::optional<std::uint64_t> value = digitsValue(text, most);
            if (!value || *value < least) {
                return "not a whole number from " + std::to_string(least) + " to " +
                       std::to_string(most) + ": " + text;
            }
            text = std::to_string(*value);
            return {};
        },
        "");
}

// Seconds with at most three decimals, "2" or "2.5", from 0 to `most`; the number goes on as
// whole milliseconds.
CLI::Validator seconds(std::chrono::milliseconds most) {
    return CLI::Validator(
        [most](std::string& text) -> std::string {
            const auto limit = static_cast<std::uint64_t>(most.count());
            const std::size_t point = text.find('.');
            const std::string_view whole = std::string_view(text).substr(0, point);
            const std::string_view decimals = point == std::string::npos
                                                  ? std::string_view{}
                                                  : std::string_view(text).substr(point + 1);
            const std::optional<std::uint64_t> wholeSeconds = digitsValue(whole, limit / 1000);
            std::optional<std::uint64_t> fraction = 0;
            if (point != std::string::npos) {
                fraction = decimals.size() <= 3 ? digitsValue(decimals, 999) : std::nullopt;
            }
            std::uint64_t millis = 0;
            if (wholeSeconds && fraction) {
                for (std::size_t i = decimals.size(); i < 3; ++i) {
                    *fraction *= 10;
                }
                millis = *wholeSeconds * 1000 + *fraction;
            }
            if (!wholeSeconds || !fraction || millis > limit) {
                return "not a number of seconds from 0 to " + std::to_string(limit / 1000) +
                       " with at most three decimals: " + text;
            }
            text = std::to_string(millis);
            return {};
        },
        "");
}

} // namespace

std::variant<Arguments, Exit> parseCommandLine(int argc, const char* const* argv) {
    CLI::App app("kestrum-feedsim: the local feed server of Kestrum, on 127.0.0.1 only, until "
                 "SIGINT or SIGTERM. It simulates the draws, or serves a folder with --files.",
                 "kestrum-feedsim");
    app.footer(kExitStatuses);
    // As before CLI11 read the command line: an option given again takes the last value.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    Arguments arguments;
    ServerOptions& options = arguments.options;
    std::string files;
    std::string fault;
    app.add_option("--files", files,
                   "Serve the folder DIR as it stands on disk, read again on every request, "
                   "instead of simulating: DIR/web, DIR/feed1 and DIR/feed2 for the three hosts.")
        ->type_name("DIR");
    app.add_option("--fault", fault,
                   "Make the feeds misbehave: slow answers after 40 seconds, error with status "
                   "500, garbage with bytes that are no draw lines.")
        ->type_name("slow|error|garbage")
        ->check(CLI::IsMember({"slow", "error", "garbage"}).description(""));
    app.add_option_function<int>(
           "--web-delay",
           [&options](const int& delay) { options.webDelay = std::chrono::seconds(delay); },
           "Make the maker's web host answer that many seconds later (whole seconds, 0 to "
           "86400; default 0).")
        ->type_name("SECONDS")
        ->transform(decimal(0, 86400));
    const std::pair<const char*, int*> ports[] = {{"--web-port", &options.webPort},
                                                  {"--feed1-port", &options.feed1Port},
                                                  {"--feed2-port", &options.feed2Port}};
    const char* const portHosts[] = {"the maker's web host", "the first draw-feed host",
                                     "the second draw-feed host"};
    for (std::size_t i = 0; i < std::size(ports); ++i) {
        app.add_option(ports[i].first, *ports[i].second,
                       "The port of " + std::string(portHosts[i]) +
                           ", 0 for any free one "
                           "(default " +
                           std::to_string(*ports[i].second) + ").")
            ->type_name("N")
            ->transform(decimal(0, 65535));
    }
    app.add_flag("--hostile", options.hostile,
                 "Make the web host's panel pages hostile ones, for trying the program's web "
                 "panels against them.");
    CLI::Option* lag =
        app.add_option_function<std::int64_t>(
               "--publish-lag",
               [&options](const std::int64_t& millis) {
                   options.publication.lag = std::chrono::milliseconds(millis);
               },
               "Publish each simulated draw that long after it is drawn (0 to 3600, to the "
               "millisecond, such as 2.5; default 0).")
            ->type_name("SECONDS")
            ->transform(seconds(std::chrono::hours(1)));
    CLI::Option* jitter =
        app.add_option_function<std::int64_t>(
               "--publish-jitter",
               [&options](const std::int64_t& millis) {
                   options.publication.jitter = std::chrono::milliseconds(millis);
               },
               "Publish each simulated draw later still by a jitter of its own, from 0 up to "
               "less than SECONDS (0 to 30, to the millisecond; default 0), fixed by the seed, "
               "the lottery, the date and the period.")
            ->type_name("SECONDS")
            ->transform(seconds(kMaxPublishJitter));
    CLI::Option* seed =
        app.add_option("--seed", options.publication.seed,
                       "The seed of the jitter, 0 to 18446744073709551615 (default 1).")
            ->type_name("N")
            ->transform(decimal(0, UINT64_MAX));
    app.add_flag("--announce", arguments.announce,
                 "Print on stdout one line per simulated draw at the moment it is "
                 "published: \"feedsim: published /dbffc.txt 202612100123 at "
                 "1765331234.567\".");
    app.add_option("--count-every", arguments.countEvery,
                   "Also print the request counts on stderr every SECONDS (whole seconds, 1 to "
                   "86400), counted since the start, as on stopping: \"feedsim: requests "
                   "/dbffc.txt 360 (304: 300)\".")
        ->type_name("SECONDS")
        ->transform(decimal(1, 86400));

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        return Exit{0, app.help(), {}};
    } catch (const CLI::ParseError& error) {
        return Exit{2, {}, "feedsim: " + std::string(error.what()) + "\n" + kUsage};
    }

    if (app.count("--files") > 0) {
        options.files = files;
    }
    if (fault == "slow") {
        options.fault = Fault::Slow;
    } else if (fault == "error") {
        options.fault = Fault::Error;
    } else if (fault == "garbage") {
        options.fault = Fault::Garbage;
    }
    const bool publication = lag->count() + jitter->count() + seed->count() > 0;
    if (options.files && (arguments.announce || publication)) {
        return Exit{2,
                    {},
                    std::string("feedsim: --publish-lag, --publish-jitter, --seed and --announce"
                                " are for the simulated draws, not --files\n") +
                        kUsage};
    }
    return arguments;
}

} // namespace feedsim
