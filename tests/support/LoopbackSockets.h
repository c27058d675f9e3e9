#pragma once

// Plain sockets on 127.0.0.1, on Windows and POSIX systems alike, for what an HTTP server
// library cannot stage: a port that refuses connections, and the bytes of a request as they
// came (the library drops what it would not parse).

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <atomic>
#include <chrono>
#include <cstddef>
#include <future>
#include <stdexcept>
#include <string>
#include <thread>

namespace kestrum::test {

namespace sockets {

#ifdef _WIN32
// cpp-httplib, which every test with a server includes, starts Winsock.
using Socket = SOCKET;
using AddressSize = int;
using SendSize = int;
inline const Socket kNone = INVALID_SOCKET;
inline const int kSendFlags = 0;
inline void closeSocket(Socket socket) {
    ::closesocket(socket);
}
#else
using Socket = int;
using AddressSize = socklen_t;
using SendSize = std::size_t;
inline const Socket kNone = -1;
// A client that has gone is no signal to end the test program.
inline const int kSendFlags = MSG_NOSIGNAL;
inline void closeSocket(Socket socket) {
    ::close(socket);
}
#endif

// A socket bound to 127.0.0.1 and a free port, which it sets; throws when there is none.
inline Socket bindLoopback(int& port) {
    const Socket socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    AddressSize size = sizeof address;
    if (socket == kNone || ::bind(socket, reinterpret_cast<const sockaddr*>(&address), size) != 0 ||
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (socket != kNone) {
            closeSocket(socket);
        }
        throw std::runtime_error("no port on 127.0.0.1 could be bound");
    }
    port = ntohs(address.sin_port);
    return socket;
}

// Whether `socket` has something to read within 50 ms.
inline bool readable(Socket socket) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval wait{0, 50000};
    return ::select(static_cast<int>(socket + 1), &set, nullptr, nullptr, &wait) > 0;
}

} // namespace sockets

// A port of 127.0.0.1 that refuses every connection for as long as the object lives: its
// socket is bound, so that no other process can take the port, and never listens.
class RefusingPort {
public:
    RefusingPort() : m_socket(sockets::bindLoopback(m_port)) {}
    ~RefusingPort() { sockets::closeSocket(m_socket); }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;

    int port() const { return m_port; }

private:
    int m_port = 0;
    sockets::Socket m_socket;
};

// Takes one connection, reads the head of its request, answers with `answer` as given and
// closes the connection.
class OneRequestServer {
public:
    explicit OneRequestServer(std::string answer) : m_socket(sockets::bindLoopback(m_port)) {
        if (::listen(m_socket, 1) != 0) {
            sockets::closeSocket(m_socket);
            throw std::runtime_error("OneRequestServer: cannot listen on 127.0.0.1");
        }
        m_thread = std::thread([this, answer = std::move(answer)] { serve(answer); });
    }
    ~OneRequestServer() {
        m_stop = true;
        m_thread.join();
        sockets::closeSocket(m_socket);
    }
    OneRequestServer(const OneRequestServer&) = delete;
    OneRequestServer& operator=(const OneRequestServer&) = delete;

    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

    // The head of the request, up to and with its blank line; empty when none came in 10 s.
    std::string request() {
        if (m_request.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            return {};
        }
        return m_request.get();
    }

private:
    void serve(const std::string& answer) {
        std::string head;
        while (!m_stop && !sockets::readable(m_socket)) {
        }
        const sockets::Socket connection =
            m_stop ? sockets::kNone : ::accept(m_socket, nullptr, nullptr);
        if (connection != sockets::kNone) {
            char buffer[4096];
            while (!m_stop && head.find("\r\n\r\n") == std::string::npos) {
                if (!sockets::readable(connection)) {
                    continue;
                }
                const auto got = ::recv(connection, buffer, sizeof buffer, 0);
                if (got <= 0) {
                    break;
                }
                head.append(buffer, static_cast<std::size_t>(got));
            }
            ::send(connection, answer.data(), static_cast<sockets::SendSize>(answer.size()),
                   sockets::kSendFlags);
            sockets::closeSocket(connection);
        }
        m_promise.set_value(head);
    }

    int m_port = 0;
    sockets::Socket m_socket;
    std::atomic<bool> m_stop{false};
    std::promise<std::string> m_promise;
    std::future<std::string> m_request = m_promise.get_future();
    std::thread m_thread;
};

} // namespace kestrum::test
