#pragma once

// The local feed server: the maker's web host and the two draw-feed hosts, each on its own
// port of 127.0.0.1. It either simulates the draws or serves a folder as it stands on disk.

#include "feedsim/Simulation.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace feedsim {

// A fault of the feed hosts, for trying the program against a bad server.
enum class Fault {
    None,
    // Every feed answers only after 40 seconds.
    Slow,
    // Every feed answers with status 500 and an error page.
    Error,
    // Every feed answers with bytes that are no draw lines at all.
    Garbage,
};

struct ServerOptions {
    // Serve this folder instead of simulating: DIR/web, DIR/feed1 and DIR/feed2 for the three
    // hosts, re-read on every request.
    std::optional<std::filesystem::path> files;
    // 0 picks a free port.
    int webPort = 47800;
    int feed1Port = 47801;
    int feed2Port = 47802;
    // The time of the simulated feeds, in seconds since 1970 (UTC).
    std::function<std::int64_t()> clock;
    Fault fault = Fault::None;
};

class FeedServer {
public:
    explicit FeedServer(ServerOptions options);
    ~FeedServer();
    FeedServer(const FeedServer&) = delete;
    FeedServer& operator=(const FeedServer&) = delete;

    // Binds the three ports; on failure says which port in `error`.
    bool bind(std::string& error);
    // Serves on background threads until stop().
    void start();
    void stop();

    int port(Host host) const;

private:
    struct Endpoint {
        Host host;
        int port;
        std::unique_ptr<httplib::Server> server;
        std::thread thread;
    };

    void installHandlers(Endpoint& endpoint);

    ServerOptions m_options;
    Endpoint m_endpoints[3];
    std::atomic<std::uint64_t> m_requests{0};
};

} // namespace feedsim
