#pragma once

// The web interface: the page's files, the JSON API and the event stream, over HTTP on
// loopback or HTTPS beyond it (cpp-httplib). Handlers read the board's pages and hand every
// change to the lottery's own engine thread; nothing here touches an Engine.

#include "web/Guard.h"
#include "web/LotteryDesk.h"
#include "web/PlanBoard.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace httplib {
class Server;
}

namespace kestrum::web {

struct WebServerOptions {
    // Where to listen: an address (127.0.0.1, ::1, 0.0.0.0, ...) and a port (0: any free one).
    std::string host = "127.0.0.1";
    std::int32_t port = 47880;
    // Both set: HTTPS with these PEM files.
    std::optional<std::string> tlsCert;
    std::optional<std::string> tlsKey;
    // Host names the server answers to besides addresses and localhost.
    std::vector<std::string> names;
    // Set: a login is needed.
    std::optional<std::string> passwordHash;
    // The address that ends every report's footer.
    std::string siteUrl;
};

class WebServer {
public:
    // The board and the desks (by lottery number) outlive the server.
    WebServer(PlanBoard& board, std::map<std::int32_t, LotteryDesk*> desks,
              WebServerOptions options);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Binds the address. An error in words when it cannot (a port taken, a certificate that
    // does not load).
    std::optional<std::string> bind();
    // The port bound.
    std::int32_t port() const { return m_port; }
    // The address the page is at: "http://127.0.0.1:47880/".
    std::string address() const;
    // Serves until stop(); call after bind().
    void run();
    // Ends run() and every event stream.
    void stop();

    // Event streams beyond this many are refused (503), so that the pool always keeps threads
    // for the page and the API.
    static constexpr std::int32_t kMaxStreams = 256;

    // The longest a handler waits for its lottery's engine thread.
    static constexpr std::chrono::seconds kJobWait{120};

private:
    void route();

    PlanBoard& m_board;
    std::map<std::int32_t, LotteryDesk*> m_desks;
    WebServerOptions m_options;
    std::unique_ptr<Guard> m_guard;
    std::unique_ptr<httplib::Server> m_server;
    std::int32_t m_port = 0;
    std::atomic<bool> m_stopping{false};
    // Event streams open now: each holds one of the pool's threads.
    std::shared_ptr<std::atomic<std::int32_t>> m_streams =
        std::make_shared<std::atomic<std::int32_t>>(0);
};

} // namespace kestrum::web
