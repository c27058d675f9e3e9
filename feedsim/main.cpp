// feedsim: the local feed server, on 127.0.0.1 only, until SIGINT or SIGTERM. Usage:
//   feedsim [--files DIR] [--fault slow|error|garbage] [--web-delay SECONDS] [--web-port N]
//           [--feed1-port N] [--feed2-port N] [--hostile] [--publish-lag SECONDS]
//           [--publish-jitter SECONDS] [--seed N] [--announce] [--count-every SECONDS]
// --hostile: the web host's panel pages are hostile ones (feedsim/HostilePages.h), for trying
// the program's web panels against them.
// --publish-lag, --publish-jitter: a simulated draw appears in its feed that long after it is
// drawn, plus a jitter of its own in [0, jitter), fixed by --seed (default 1), the feed, the
// date and the period. Seconds to the millisecond ("2.5"): lag 0 to 3600, jitter 0 to 30.
// --announce: one line on stdout per draw as it is published, with the moment it appeared:
// "feedsim: published /dbffc.txt 202612100123 at 1765331234.567".
// On stopping, and every --count-every seconds when given, one line on stderr per feed that
// was requested, counted since the start: "feedsim: requests /dbffc.txt 360 (304: 300)".

#include "feedsim/FeedServer.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <string>

namespace {

bool parsePort(const char* text, int& port) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 65535) {
        return false;
    }
    port = static_cast<int>(value);
    return true;
}

bool parseSeconds(const char* text, int& seconds) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 86400) {
        return false;
    }
    seconds = static_cast<int>(value);
    return true;
}

// Seconds with at most three decimals, "2" or "2.5", from 0 to `most`.
bool parseMilliseconds(const char* text, std::chrono::milliseconds most,
                       std::chrono::milliseconds& value) {
    long long millis = 0;
    const char* at = text;
    for (; *at >= '0' && *at <= '9'; ++at) {
        if (millis > most.count()) {
            return false;
        }
        millis = millis * 10 + (*at - '0') * 1000;
    }
    if (at == text) {
        return false;
    }
    if (*at == '.') {
        ++at;
        long long unit = 100;
        for (; *at >= '0' && *at <= '9' && unit > 0; ++at, unit /= 10) {
            millis += (*at - '0') * unit;
        }
        if (unit == 100) {
            return false; // no decimals after the point
        }
    }
    if (*at != '\0' || millis > most.count()) {
        return false;
    }
    value = std::chrono::milliseconds(millis);
    return true;
}

bool parseSeed(const char* text, std::uint64_t& seed) {
    if (*text < '0' || *text > '9') {
        return false; // strtoull would take a sign, and a minus would wrap around
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (*end != '\0' || errno == ERANGE) {
        return false;
    }
    seed = value;
    return true;
}

int usage() {
    std::fprintf(stderr, "usage: feedsim [--files DIR] [--fault slow|error|garbage]"
                         " [--web-delay SECONDS] [--web-port N] [--feed1-port N] [--feed2-port N]"
                         " [--hostile] [--publish-lag SECONDS] [--publish-jitter SECONDS]"
                         " [--seed N] [--announce] [--count-every SECONDS]\n");
    return 2;
}

void printCounts(const feedsim::FeedServer& server) {
    for (const feedsim::RequestCount& count : server.requestCounts()) {
        std::fprintf(stderr, "%s\n", feedsim::requestCountLine(count).c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    feedsim::ServerOptions options;
    bool announce = false;
    bool publication = false;
    int countEvery = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--hostile") {
            options.hostile = true;
            continue;
        }
        if (argument == "--announce") {
            announce = true;
            continue;
        }
        if (i + 1 >= argc) {
            return usage();
        }
        const char* value = argv[++i];
        if (argument == "--files") {
            options.files = value;
        } else if (argument == "--web-port") {
            if (!parsePort(value, options.webPort)) {
                return usage();
            }
        } else if (argument == "--feed1-port") {
            if (!parsePort(value, options.feed1Port)) {
                return usage();
            }
        } else if (argument == "--fault") {
            const std::string fault = value;
            if (fault == "slow") {
                options.fault = feedsim::Fault::Slow;
            } else if (fault == "error") {
                options.fault = feedsim::Fault::Error;
            } else if (fault == "garbage") {
                options.fault = feedsim::Fault::Garbage;
            } else {
                return usage();
            }
        } else if (argument == "--web-delay") {
            // Whole seconds, at most a day: the maker's web host answers that much later.
            int seconds = 0;
            if (!parseSeconds(value, seconds)) {
                return usage();
            }
            options.webDelay = std::chrono::seconds(seconds);
        } else if (argument == "--feed2-port") {
            if (!parsePort(value, options.feed2Port)) {
                return usage();
            }
        } else if (argument == "--publish-lag") {
            publication = true;
            if (!parseMilliseconds(value, std::chrono::hours(1), options.publication.lag)) {
                return usage();
            }
        } else if (argument == "--publish-jitter") {
            publication = true;
            if (!parseMilliseconds(value, feedsim::kMaxPublishJitter, options.publication.jitter)) {
                return usage();
            }
        } else if (argument == "--seed") {
            publication = true;
            if (!parseSeed(value, options.publication.seed)) {
                return usage();
            }
        } else if (argument == "--count-every") {
            if (!parseSeconds(value, countEvery) || countEvery == 0) {
                return usage();
            }
        } else {
            return usage();
        }
    }

    if (options.files && (announce || publication)) {
        std::fprintf(stderr, "feedsim: --publish-lag, --publish-jitter, --seed and --announce"
                             " are for the simulated draws, not --files\n");
        return usage();
    }
    if (options.files && !std::filesystem::is_directory(*options.files)) {
        std::fprintf(stderr, "feedsim: %s is not a folder\n", options.files->c_str());
        return 1;
    }

    // The signals are taken by sigwait below, not by a handler.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    // The "listening" line comes first on stdout, whatever is published meanwhile.
    std::mutex output;
    std::unique_lock listening(output);
    if (announce) {
        options.onPublished = [&output](const feedsim::FeedInfo& feed, feedsim::Draw draw,
                                        std::chrono::milliseconds at) {
            const std::lock_guard lock(output);
            std::printf("%s\n", feedsim::publishedLine(feed, draw, at).c_str());
            std::fflush(stdout);
        };
    }
    feedsim::FeedServer server(options);
    std::string error;
    if (!server.bind(error)) {
        std::fprintf(stderr, "feedsim: %s\n", error.c_str());
        return 1;
    }
    if (!server.start()) {
        std::fprintf(stderr, "feedsim: the server did not start\n");
        return 1;
    }
    std::printf("feedsim: listening on 127.0.0.1:%d, %d, %d%s%s\n", server.port(feedsim::Host::Web),
                server.port(feedsim::Host::Feed1), server.port(feedsim::Host::Feed2),
                options.files ? (" serving " + options.files->string()).c_str()
                              : " (simulated draws)",
                options.hostile ? ", hostile panel pages" : "");
    std::fflush(stdout);
    listening.unlock();
    if (countEvery > 0) {
        const timespec every{countEvery, 0};
        while (sigtimedwait(&signals, nullptr, &every) < 0) {
            if (errno == EAGAIN) {
                printCounts(server);
            }
        }
    } else {
        int received = 0;
        sigwait(&signals, &received);
    }
    server.stop();
    printCounts(server);
    return 0;
}
