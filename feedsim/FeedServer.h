#pragma once

// The local feed server: the maker's web host and the two draw-feed hosts, each on its own
// port of 127.0.0.1. It either simulates the draws or serves a folder as it stands on disk.

#include "feedsim/Simulation.h"
#include "feedsim/WebPages.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
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
    // The maker's web host answers every request only after this long (0: at once), in either
    // mode; stop() cuts the waits short.
    std::chrono::milliseconds webDelay{0};
    // The web host's panel pages are hostile ones (feedsim/HostilePages.h), in either mode.
    bool hostile = false;
};

class FeedServer {
public:
    explicit FeedServer(ServerOptions options);
    ~FeedServer();
    FeedServer(const FeedServer&) = delete;
    FeedServer& operator=(const FeedServer&) = delete;

    // Binds the three ports of 127.0.0.1; on failure says which port in `error`.
    bool bind(std::string& error);
    // Serves on background threads until stop(); returns once all three accept connections,
    // or false when one of them could not start.
    bool start();
    // Stops serving and waits for the threads; may be called more than once.
    void stop();

    // The port the host listens on (the chosen one after bind() when 0 was asked for).
    int port(Host host) const;
    Ports ports() const;

private:
    struct Endpoint {
        Host host;
        int port;
        std::unique_ptr<httplib::Server> server;
        std::thread thread;
        std::atomic<bool> finished{false}; // the thread has left listen_after_bind()
    };

    void installHandlers(Endpoint& endpoint);
    // Waits for the web host's delay, or until stop().
    void delayWebAnswer();

    ServerOptions m_options;
    Endpoint m_endpoints[3];
    std::atomic<std::uint64_t> m_requests{0};
    std::mutex m_stopMutex;
    std::condition_variable m_stopped;
    bool m_stopping = false;
};

} // namespace feedsim
