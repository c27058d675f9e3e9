#include "feedsim/FeedServer.h"

#include <chrono>
#include <fstream>
#include <httplib.h>
#include <iterator>

namespace feedsim {

namespace {

std::string folderOf(Host host) {
    switch (host) {
    case Host::Web:
        return "web";
    case Host::Feed1:
        return "feed1";
    case Host::Feed2:
        break;
    }
    return "feed2";
}

std::string contentTypeOf(const std::filesystem::path& path) {
    const std::string extension = path.extension().string();
    if (extension == ".html" || extension == ".htm") {
        return "text/html; charset=utf-8";
    }
    if (extension == ".txt") {
        return "text/plain";
    }
    return "application/octet-stream";
}

// The file under root that a request path names, or nothing when the path leaves the folder.
std::optional<std::filesystem::path> fileUnder(const std::filesystem::path& root,
                                               const std::string& requestPath) {
    const std::filesystem::path relative =
        std::filesystem::path(requestPath).relative_path().lexically_normal();
    if (relative.empty()) {
        return root; // a folder: not found
    }
    for (const auto& part : relative) {
        if (part == "..") {
            return std::nullopt;
        }
    }
    return root / relative;
}

// Bytes that are no draw lines: line breaks, commas, digits, high bytes and NULs mixed.
std::string garbage(std::uint64_t seed) {
    std::string bytes;
    std::uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
    for (int i = 0; i < 2048; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        bytes.push_back(static_cast<char>(state & 0xFF));
    }
    return bytes;
}

} // namespace

FeedServer::FeedServer(ServerOptions options)
    : m_options(std::move(options)),
      m_endpoints{{Host::Web, m_options.webPort, std::make_unique<httplib::Server>(), {}},
                  {Host::Feed1, m_options.feed1Port, std::make_unique<httplib::Server>(), {}},
                  {Host::Feed2, m_options.feed2Port, std::make_unique<httplib::Server>(), {}}} {
    if (!m_options.clock) {
        m_options.clock = [] {
            return static_cast<std::int64_t>(
                std::chrono::duration_cast<std::chrono::seconds>(
                    std::chrono::system_clock::now().time_since_epoch())
                    .count());
        };
    }
    for (Endpoint& endpoint : m_endpoints) {
        installHandlers(endpoint);
    }
}

FeedServer::~FeedServer() {
    stop();
}

void FeedServer::installHandlers(Endpoint& endpoint) {
    const Host host = endpoint.host;
    endpoint.server->Get(".*", [this, host](const httplib::Request& request,
                                            httplib::Response& response) {
        if (m_options.files) {
            const auto file = fileUnder(*m_options.files / folderOf(host), request.path);
            if (!file) {
                response.status = 403;
                return;
            }
            std::ifstream in(*file, std::ios::binary);
            if (!in || std::filesystem::is_directory(*file)) {
                response.status = 404;
                return;
            }
            std::string body{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            response.set_content(body, contentTypeOf(*file));
            return;
        }
        if (host == Host::Web) {
            Page page = webPage(request.path, port(Host::Web));
            if (page.contentType.empty()) {
                response.status = 404;
                return;
            }
            response.set_content(page.body, page.contentType);
            return;
        }
        const FeedInfo* feed = findFeed(host, request.path);
        if (feed == nullptr) {
            response.status = 404;
            return;
        }
        switch (m_options.fault) {
        case Fault::Slow:
            std::this_thread::sleep_for(std::chrono::seconds(40));
            break;
        case Fault::Error:
            response.status = 500;
            response.set_content("<html><body>500 Internal Server Error 2015</body></html>\n",
                                 "text/html");
            return;
        case Fault::Garbage:
            response.set_content(garbage(m_requests++), "application/octet-stream");
            return;
        case Fault::None:
            break;
        }
        response.set_content(feedText(*feed, m_options.clock()), "text/plain");
    });
}

bool FeedServer::bind(std::string& error) {
    for (Endpoint& endpoint : m_endpoints) {
        if (endpoint.port == 0) {
            endpoint.port = endpoint.server->bind_to_any_port("127.0.0.1");
        } else if (!endpoint.server->bind_to_port("127.0.0.1", endpoint.port)) {
            endpoint.port = -1;
        }
        if (endpoint.port <= 0) {
            error = "cannot listen on 127.0.0.1:" +
                    std::to_string(endpoint.host == Host::Web     ? m_options.webPort
                                   : endpoint.host == Host::Feed1 ? m_options.feed1Port
                                                                  : m_options.feed2Port);
            return false;
        }
    }
    return true;
}

void FeedServer::start() {
    for (Endpoint& endpoint : m_endpoints) {
        httplib::Server* server = endpoint.server.get();
        endpoint.thread = std::thread([server] { server->listen_after_bind(); });
    }
    for (Endpoint& endpoint : m_endpoints) {
        while (!endpoint.server->is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

void FeedServer::stop() {
    for (Endpoint& endpoint : m_endpoints) {
        endpoint.server->stop();
        if (endpoint.thread.joinable()) {
            endpoint.thread.join();
        }
    }
}

int FeedServer::port(Host host) const {
    for (const Endpoint& endpoint : m_endpoints) {
        if (endpoint.host == host) {
            return endpoint.port;
        }
    }
    return -1;
}

} // namespace feedsim
