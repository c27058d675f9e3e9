#pragma once

// The local feed server: the maker's web host and the two draw-feed hosts, each on its own
// port of 127.0.0.1. It either simulates the draws or serves a folder as it stands on disk.
//
// The feed hosts serve each simulated feed as lines, as JSON and as CSV (feedsim/FeedForms.h).
// They answer every feed with an ETag, a strong validator made from the bytes of the
// body, and answer 304 with no body to a request whose If-None-Match names it (or is "*"). They
// count the requests for each feed, and the 304s among them. The server can also announce each
// simulated draw at the moment it is published, as the publication rule (feedsim/Simulation.h)
// sets it rather than when a thread happens to notice.

#include "feedsim/Announcer.h"
#include "feedsim/FixedFiles.h"
#include "feedsim/RequestCounter.h"
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
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

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
    // The time of the simulated feeds, in milliseconds since 1970 (UTC); the system's clock
    // when empty.
    std::function<std::chrono::milliseconds()> clock;
    // When the simulated draws appear in their feeds.
    Publication publication;
    // Called for each simulated draw published after the start (the clock as start() reads it),
    // with the moment it is published, in the order of those moments, on a thread of the server
    // that stop() ends; a slow call delays the ones after it, never the moment they carry. It must
    // not call stop(). Not called when serving a folder.
    std::function<void(const FeedInfo&, Draw, std::chrono::milliseconds publishedAt)> onPublished;
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

    // Every feed requested so far, by path; a request counts once it is answered. Simulated:
    // the feeds' paths on their own hosts, each form at its own path. --files: any path of the feed
    // hosts that names a file.
    std::vector<RequestCount> requestCounts() const;

private:
    struct Endpoint {
        Host host;
        int port;
        std::unique_ptr<httplib::Server> server;
        std::thread thread;
        std::atomic<bool> finished{false}; // the thread has left listen_after_bind()
    };

    void installHandlers(Endpoint& endpoint);
    void answerWeb(const httplib::Request& request, httplib::Response& response);
    // True when the request was for a feed, whatever the answer.
    bool answerFeed(Host host, const httplib::Request& request, httplib::Response& response);
    // Waits for the web host's delay, or until stop().
    void delayWebAnswer();

    ServerOptions m_options;
    std::optional<FixedFiles> m_files;
    Endpoint m_endpoints[3];
    Announcer m_announcer;
    std::atomic<std::uint64_t> m_requests{0}; // the garbage fault's seed
    RequestCounter m_counter;
    std::mutex m_stopMutex;
    std::condition_variable m_stopped;
    std::atomic<bool> m_stopping{false}; // set under m_stopMutex
};

} // namespace feedsim
