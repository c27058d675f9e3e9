#pragma once

// An HTTP server on 127.0.0.1 and a free port, in the test's own process, for as long as the
// object lives; or an https one, on cpp-httplib's SSLServer.

#include <atomic>
#include <chrono>
#include <httplib.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>

namespace kestrum::test {

template <class Server>
class BasicLocalServer {
public:
    // Throws std::runtime_error when no port can be bound or the server stops at once, rather
    // than waiting for a server that will never run. The arguments are the server's.
    template <class... Arguments>
    explicit BasicLocalServer(Arguments&&... arguments)
        : m_server(std::forward<Arguments>(arguments)...) {
        m_port = m_server.bind_to_any_port("127.0.0.1");
        if (m_port < 0) {
            throw std::runtime_error("LocalServer: no free port on 127.0.0.1 could be bound");
        }
        m_thread = std::thread([this] {
            m_server.listen_after_bind();
            m_listenEnded = true;
        });
        while (!m_server.is_running()) {
            if (m_listenEnded) {
                m_thread.join();
                throw std::runtime_error("LocalServer: the server on port " +
                                         std::to_string(m_port) + " stopped before it ran");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~BasicLocalServer() {
        m_server.stop();
        m_thread.join();
    }
    BasicLocalServer(const BasicLocalServer&) = delete;
    BasicLocalServer& operator=(const BasicLocalServer&) = delete;

    Server& server() { return m_server; }
    std::string url(const std::string& path) const {
        return std::string(std::is_same_v<Server, httplib::Server> ? "http" : "https") +
               "://127.0.0.1:" + std::to_string(m_port) + path;
    }

    // Answers GET path with a plain-text body.
    void serve(const std::string& path, const std::string& body, int status = 200) {
        m_server.Get(path, [body, status](const httplib::Request&, httplib::Response& response) {
            response.status = status;
            response.set_content(body, "text/plain");
        });
    }

private:
    Server m_server;
    int m_port = 0;
    std::atomic<bool> m_listenEnded{false};
    std::thread m_thread;
};

using LocalServer = BasicLocalServer<httplib::Server>;

} // namespace kestrum::test
