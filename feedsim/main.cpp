// kestrum-feedsim: the local feed server, on 127.0.0.1 only, until SIGINT or SIGTERM. Its
// options are read in feedsim/CommandLine.cpp; --help lists them.
// Once it listens, one line on stdout names the three ports:
// "feedsim: listening on 127.0.0.1:47800, 47801, 47802 (simulated draws)".
// --announce: one line on stdout per draw as it is published, with the moment it appeared:
// "feedsim: published /dbffc.txt 202612100123 at 1765331234.567".
// On stopping, and every --count-every seconds when given, one line on stderr per feed that
// was requested, counted since the start: "feedsim: requests /dbffc.txt 360 (304: 300)".

#include "feedsim/CommandLine.h"
#include "feedsim/FeedServer.h"
#include "feedsim/Stop.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <variant>

namespace {

void printCounts(const feedsim::FeedServer& server) {
    for (const feedsim::RequestCount& count : server.requestCounts()) {
        std::fprintf(stderr, "%s\n", feedsim::requestCountLine(count).c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::variant<feedsim::Arguments, feedsim::Exit> parsed =
        feedsim::parseCommandLine(argc, argv);
    if (const auto* exit = std::get_if<feedsim::Exit>(&parsed)) {
        std::fputs(exit->out.c_str(), stdout);
        std::fputs(exit->err.c_str(), stderr);
        return exit->status;
    }
    feedsim::Arguments arguments = std::get<feedsim::Arguments>(parsed);
    feedsim::ServerOptions& options = arguments.options;

    if (options.files && !std::filesystem::is_directory(*options.files)) {
        std::fprintf(stderr, "feedsim: %s is not a folder\n", options.files->string().c_str());
        return 1;
    }

    feedsim::takeStopRequests();

    // The "listening" line comes first on stdout, whatever is published meanwhile.
    std::mutex output;
    std::unique_lock listening(output);
    if (arguments.announce) {
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
    feedsim::waitForStop(arguments.countEvery, [&server] { printCounts(server); });
    server.stop();
    printCounts(server);
    return 0;
}
