#include "feedsim/FeedServer.h"

#include "feedsim/HostilePages.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <httplib.h>
#include <iterator>
#include <sys/socket.h>
#include <sys/stat.h>

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

// The type by the file's extension. The bytes are sent as they stand, so no charset is claimed:
// a page's own charset meta decides.
std::string contentTypeOf(const std::filesystem::path& path) {
    const std::string extension = path.extension().string();
    if (extension == ".html" || extension == ".htm") {
        return "text/html";
    }
    if (extension == ".txt") {
        return "text/plain";
    }
    return "application/octet-stream";
}

bool isWithin(const std::filesystem::path& root, const std::filesystem::path& path) {
    auto rootPart = root.begin();
    auto part = path.begin();
    for (; rootPart != root.end(); ++rootPart, ++part) {
        if (part == path.end() || *part != *rootPart) {
            return false;
        }
    }
    return true;
}

enum class Lookup { Found, Missing, Refused };

// The regular file under root that a (decoded) request path names. Refused: a path with ".."
// or a NUL, or one that leaves the folder through a symbolic link.
Lookup fileUnder(const std::filesystem::path& root, const std::string& requestPath,
                 std::filesystem::path& file) {
    if (requestPath.find('\0') != std::string::npos) {
        return Lookup::Refused;
    }
    const std::filesystem::path relative = std::filesystem::path(requestPath).relative_path();
    for (const auto& part : relative) {
        if (part == "..") {
            return Lookup::Refused;
        }
    }
    std::error_code error;
    const std::filesystem::path realRoot = std::filesystem::canonical(root, error);
    if (error) {
        return Lookup::Missing;
    }
    file = std::filesystem::canonical(root / relative, error);
    if (error) {
        return Lookup::Missing;
    }
    if (!isWithin(realRoot, file)) {
        return Lookup::Refused;
    }
    return std::filesystem::is_regular_file(file, error) ? Lookup::Found : Lookup::Missing;
}

// The bytes of the file at a (decoded) request path under root, with the file; otherwise the
// status to answer, 403 or 404.
int readFile(const std::filesystem::path& root, const std::string& requestPath,
             std::filesystem::path& file, std::string& body) {
    switch (fileUnder(root, requestPath, file)) {
    case Lookup::Refused:
        return 403;
    case Lookup::Missing:
        return 404;
    case Lookup::Found:
        break;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return 404;
    }
    body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return 200;
}

// The file's modification time as an HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT"); empty when
// it cannot be read.
std::string lastModified(const std::filesystem::path& file) {
    struct stat status {};
    std::tm utc{};
    if (::stat(file.c_str(), &status) != 0 || ::gmtime_r(&status.st_mtime, &utc) == nullptr) {
        return {};
    }
    // Spelled out: strftime's names follow the locale.
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char date[40];
    std::snprintf(date, sizeof date, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[utc.tm_wday],
                  utc.tm_mday, kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min,
                  utc.tm_sec);
    return date;
}

// A strong validator of the body: its 64-bit FNV-1a hash and its length, quoted.
std::string entityTag(const std::string& body) {
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const char byte : body) {
        hash = (hash ^ static_cast<unsigned char>(byte)) * 0x100000001B3ull;
    }
    char tag[48];
    std::snprintf(tag, sizeof tag, "\"%016llx-%zx\"", static_cast<unsigned long long>(hash),
                  body.size());
    return tag;
}

// Whether one If-None-Match field value names `tag` (quoted) or is "*". The comparison is the
// weak one the field calls for: W/"x" names "x" as well. The value is read up to anything
// malformed in it.
bool namesTag(std::string_view value, std::string_view tag) {
    std::size_t at = 0;
    const auto skipSeparators = [&] {
        while (at < value.size() && (value[at] == ' ' || value[at] == '\t' || value[at] == ',')) {
            ++at;
        }
    };
    for (skipSeparators(); at < value.size(); skipSeparators()) {
        if (value[at] == '*') {
            return true;
        }
        if (value.substr(at, 2) == "W/") {
            at += 2;
        }
        // Within the quotes, a tag may hold any byte but '"', commas and spaces too.
        const std::size_t end = value.find('"', at + 1);
        if (at >= value.size() || value[at] != '"' || end == std::string_view::npos) {
            return false;
        }
        if (value.substr(at, end + 1 - at) == tag) {
            return true;
        }
        at = end + 1;
    }
    return false;
}

// Answers with the body and its ETag, or with 304, the ETag and no body when the request's
// If-None-Match names it: for a GET that is the answer to send.
void answerConditionally(const httplib::Request& request, httplib::Response& response,
                         const std::string& body, const std::string& contentType,
                         const std::string& modified = {}) {
    const std::string tag = entityTag(body);
    response.set_header("ETag", tag);
    if (!modified.empty()) {
        response.set_header("Last-Modified", modified);
    }
    // The field may come as several header lines: together they are one list.
    const std::size_t fields = request.get_header_value_count("If-None-Match");
    for (std::size_t i = 0; i < fields; ++i) {
        if (namesTag(request.get_header_value("If-None-Match", i), tag)) {
            // With no content set, cpp-httplib writes no body and no Content-Type; the
            // "Content-Length: 0" it adds changes nothing for a 304, which never has a body.
            response.status = 304;
            return;
        }
    }
    response.set_content(body, contentType);
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
    if (!m_options.clock) {
        m_options.clock = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::system_clock::now().time_since_epoch());
        };
    }
    for (Endpoint& endpoint : m_endpoints) {
        // cpp-httplib's default sets SO_REUSEPORT, with which a second server binds a port that
        // is already listening and the kernel splits the connections between the two. Only
        // SO_REUSEADDR: a restart may take over a port in TIME_WAIT, never one in use.
        endpoint.server->set_socket_options([](socket_t socket) {
            int yes = 1;
            setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        });
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
                countRequest(request.path, response.status == 304);
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
    if (m_options.files) {
        std::filesystem::path file;
        std::string body;
        response.status =
            readFile(*m_options.files / folderOf(Host::Web), request.path, file, body);
        if (response.status == 200) {
            response.set_content(body, contentTypeOf(std::filesystem::path(request.path)));
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
    if (m_options.files) {
        std::filesystem::path file;
        std::string body;
        response.status = readFile(*m_options.files / folderOf(host), request.path, file, body);
        if (response.status != 200) {
            return false;
        }
        answerConditionally(request, response, body,
                            contentTypeOf(std::filesystem::path(request.path)), lastModified(file));
        return true;
    }
    const FeedInfo* feed = findFeed(host, request.path);
    if (feed == nullptr) {
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
                        feedText(*feed, m_options.clock(), m_options.publication), "text/plain");
    return true;
}

void FeedServer::countRequest(const std::string& path, bool notModified) {
    const std::lock_guard lock(m_countsMutex);
    Counts& counts = m_counts[path];
    ++counts.requests;
    counts.notModified += notModified ? 1 : 0;
}

std::vector<RequestCount> FeedServer::requestCounts() const {
    const std::lock_guard lock(m_countsMutex);
    std::vector<RequestCount> counts;
    for (const auto& [path, count] : m_counts) {
        counts.push_back({path, count.requests, count.notModified});
    }
    return counts;
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
        // Read here, so that whatever is published once start() has returned is announced.
        const std::chrono::milliseconds from = m_options.clock();
        m_announcer = std::thread([this, from] { announce(from); });
    }
    return true;
}

void FeedServer::announce(std::chrono::milliseconds from) {
    using std::chrono::milliseconds;
    // The clock is read again at least this often, so that a jump of the system's clock, or a
    // test's clock that moves by itself, is followed.
    constexpr milliseconds kRecheck{250};
    struct Pending {
        const FeedInfo* feed;
        Draw draw;
        milliseconds at;
    };
    const Publication& publication = m_options.publication;
    std::vector<Pending> pending;
    for (const FeedInfo& feed : feeds()) {
        const Draw draw = nextDraw(feed, newestPublished(feed, from, publication));
        pending.push_back({&feed, draw, publishedAt(feed, draw, publication)});
    }
    const auto soonest = [&] {
        return std::min_element(pending.begin(), pending.end(),
                                [](const Pending& a, const Pending& b) { return a.at < b.at; });
    };
    while (!m_stopping) {
        const milliseconds now = m_options.clock();
        // Each draw published by now, the earliest first, across the feeds.
        for (auto next = soonest(); next->at <= now && !m_stopping; next = soonest()) {
            m_options.onPublished(*next->feed, next->draw, next->at);
            next->draw = nextDraw(*next->feed, next->draw);
            next->at = publishedAt(*next->feed, next->draw, publication);
        }
        std::unique_lock lock(m_stopMutex);
        m_stopped.wait_for(lock, std::clamp(soonest()->at - now, milliseconds{1}, kRecheck),
                           [this] { return m_stopping.load(); });
    }
}

void FeedServer::stop() {
    {
        // A delayed answer would hold its server's thread pool, and so this stop, until its
        // time is up.
        const std::lock_guard lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopped.notify_all();
    if (m_announcer.joinable()) {
        m_announcer.join();
    }
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

std::string requestCountLine(const RequestCount& count) {
    return "feedsim: requests " + count.path + " " + std::to_string(count.requests) +
           " (304: " + std::to_string(count.notModified) + ")";
}

std::string publishedLine(const FeedInfo& feed, Draw draw, std::chrono::milliseconds publishedAt) {
    const auto seconds = std::chrono::floor<std::chrono::seconds>(publishedAt);
    char moment[48];
    std::snprintf(moment, sizeof moment, "%lld.%03lld", static_cast<long long>(seconds.count()),
                  static_cast<long long>((publishedAt - seconds).count()));
    return "feedsim: published " + std::string(feed.path) + " " + periodCode(feed, draw) + " at " +
           moment;
}

} // namespace feedsim
