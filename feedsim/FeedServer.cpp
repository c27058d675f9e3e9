#include "feedsim/FeedServer.h"

#include "feedsim/FeedForms.h"
#include "feedsim/HostilePages.h"
#include "feedsim/Stop.h"
#include "feedsim/Validators.h"

#include <chrono>
#include <httplib.h>
#include <utility>

namespace feedsim {

namespace {

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

void serve(const Page& page, httplib::Response& response) {
    if (!page.disposition.empty()) {
        response.set_header("Content-Disposition", page.disposition);
    }
    response.set_content(page.body, page.contentType);
}

} // namespace

FeedServer::FeedServer(ServerOptions options)
    : m_options(std::move(options)),
      m_endpoints{{Host::Web, m_options.webPort, std::make_unique<httplib::Server>(), {}},
                  {Host::Feed1, m_options.feed1Port, std::make_unique<httplib::Server>(), {}},
                  {Host::Feed2, m_options.feed2Port, std::make_unique<httplib::Server>(), {}}} {
    if (m_options.files) {
        m_files.emplace(*m_options.files);
    }
    if (!m_options.clock) {
        m_options.clock = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::system_clock::now().time_since_epoch());
        };
    }
    for (Endpoint& endpoint : m_endpoints) {
        useExclusivePorts(*endpoint.server);
        installHandlers(endpoint);
    }
}

FeedServer::~FeedServer() {
    stop();
}

void FeedServer::installHandlers(Endpoint& endpoint) {
    const Host host = endpoint.host;
    endpoint.server->Get(
        ".*", [this, host](const httplib::Request& request, httplib::Response& response) {
            if (host == Host::Web) {
                answerWeb(request, response);
            } else if (answerFeed(host, request, response)) {
                m_counter.count(request.path, response.status == 304);
            }
        });
}

void FeedServer::answerWeb(const httplib::Request& request, httplib::Response& response) {
    delayWebAnswer();
    if (m_options.hostile) {
        const Page page = hostilePage(request.path);
        if (!page.contentType.empty()) {
            serve(page, response);
            return;
        }
    }
    if (m_files) {
        FixedFiles::Answer answer = m_files->read(Host::Web, request.path);
        response.status = answer.status;
        if (answer.status == 200) {
            response.set_content(std::move(answer.body), answer.contentType);
        }
        return;
    }
    const Page page = webPage(request.path, ports());
    if (page.contentType.empty()) {
        response.status = 404;
        return;
    }
    serve(page, response);
}

bool FeedServer::answerFeed(Host host, const httplib::Request& request,
                            httplib::Response& response) {
    if (m_files) {
        const FixedFiles::Answer answer = m_files->read(host, request.path);
        response.status = answer.status;
        if (answer.status != 200) {
            return false;
        }
        answerConditionally(request, response, answer.body, answer.contentType,
                            lastModified(answer.file));
        return true;
    }
    const std::optional<FeedAtPath> feed = findFeedForm(host, request.path);
    if (!feed) {
        response.status = 404;
        return false;
    }
    switch (m_options.fault) {
    case Fault::Slow:
        std::this_thread::sleep_for(std::chrono::seconds(40));
        break;
    case Fault::Error:
        response.status = 500;
        response.set_content("<html><body>500 Internal Server Error 2015</body></html>\n",
                             "text/html");
        return true;
    case Fault::Garbage:
        answerConditionally(request, response, garbage(m_requests++), "application/octet-stream");
        return true;
    case Fault::None:
        break;
    }
    answerConditionally(request, response,
                        feedBody(*feed->feed, feed->form, m_options.clock(), m_options.publication),
                        std::string(contentType(feed->form)));
    return true;
}

std::vector<RequestCount> FeedServer::requestCounts() const {
    return m_counter.counts();
}

void FeedServer::delayWebAnswer() {
    if (m_options.webDelay <= std::chrono::milliseconds::zero()) {
        return;
    }
    std::unique_lock lock(m_stopMutex);
    m_stopped.wait_for(lock, m_options.webDelay, [this] { return m_stopping.load(); });
}

bool FeedServer::bind(std::string& error) {
    for (Endpoint& endpoint : m_endpoints) {
        const int asked = endpoint.port;
        if (asked == 0) {
            endpoint.port = endpoint.server->bind_to_any_port("127.0.0.1");
        } else if (!endpoint.server->bind_to_port("127.0.0.1", asked)) {
            endpoint.port = -1;
        }
        if (endpoint.port <= 0) {
            error = "cannot listen on 127.0.0.1:" + std::to_string(asked) +
                    (asked == 0 ? "" : " (is the port taken?)");
            return false;
        }
    }
    return true;
}

bool FeedServer::start() {
    for (Endpoint& endpoint : m_endpoints) {
        httplib::Server* server = endpoint.server.get();
        std::atomic<bool>* finished = &endpoint.finished;
        endpoint.thread = std::thread([server, finished] {
            server->listen_after_bind();
            finished->store(true);
        });
    }
    // A server that fails at once never reports running: watch its thread as well. stop()
    // only reaches a server that runs, so all must run or have ended before it is called.
    bool allRunning = true;
    for (Endpoint& endpoint : m_endpoints) {
        while (!endpoint.server->is_running() && !endpoint.finished.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        allRunning = allRunning && !endpoint.finished.load();
    }
    if (!allRunning) {
        stop();
        return false;
    }
    if (m_options.onPublished && !m_options.files) {
        m_announcer.start(m_options.clock, m_options.publication, m_options.onPublished);
    }
    return true;
}

void FeedServer::stop() {
    {
        // A delayed answer would hold its server's thread pool, and so this stop, until its
        // time is up.
        const std::lock_guard lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopped.notify_all();
    m_announcer.stop();
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

Ports FeedServer::ports() const {
    return {port(Host::Web), port(Host::Feed1), port(Host::Feed2)};
}

} // namespace feedsim
