// feedsim: the local feed server, on 127.0.0.1 only, until SIGINT or SIGTERM. Usage:
//   feedsim [--files DIR] [--fault slow|error|garbage] [--web-delay SECONDS] [--web-port N]
//           [--feed1-port N] [--feed2-port N] [--hostile]
// --hostile: the web host's panel pages are hostile ones (feedsim/HostilePages.h), for trying
// the program's web panels against them.

#include "feedsim/FeedServer.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

int usage() {
    std::fprintf(stderr, "usage: feedsim [--files DIR] [--fault slow|error|garbage]"
                         " [--web-delay SECONDS] [--web-port N] [--feed1-port N] [--feed2-port N]"
                         " [--hostile]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    feedsim::ServerOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--hostile") {
            options.hostile = true;
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
        } else {
            return usage();
        }
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
    int received = 0;
    sigwait(&signals, &received);
    server.stop();
    return 0;
}
