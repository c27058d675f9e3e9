#pragma once

// Who may use the web interface, and how: every request passes here before its handler.
// - The Host header must name this server (a name that a foreign site's address could resolve
//   to is refused: DNS rebinding).
// - A request that changes state must come from this server's own pages: its Origin header
//   (or Sec-Fetch-Site) says so; cross-site requests are refused.
// - Beyond this machine a password is needed: a login makes a session, a random token in a
//   cookie that ends after a time without use; five failed logins from one address refuse that
//   address for ten minutes.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kestrum::web {

// What a request brings that the guard looks at.
struct GuardRequest {
    std::string method;
    std::string path;
    // Headers; empty when absent.
    std::string host;
    std::string origin;
    std::string fetchSite; // Sec-Fetch-Site
    std::string cookie;
    std::string remoteAddress;
};

// A refusal: the status and its reason, for a JSON error.
struct Refusal {
    int status = 403;
    std::string error;
};

class Guard {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    struct Options {
        // "http" or "https": the scheme the pages are served with.
        std::string scheme = "http";
        // The port the server listens on.
        std::int32_t port = 0;
        // The host names the server answers to besides IP addresses and "localhost" (the
        // machine's name, names given in the settings).
        std::vector<std::string> names;
        // The password's hash; none: no login (the server listens on loopback only).
        std::optional<std::string> passwordHash;
        std::chrono::minutes idle{30};
        std::int32_t maxFailures = 5;
        std::chrono::minutes ban{10};
    };

    Guard(Options options, Clock clock);

    bool loginRequired() const { return m_options.passwordHash.has_value(); }

    // Whether the request may go on to its handler; a refusal otherwise. The login, the log-out,
    // the session's state and the page's own files are open without a session (the page asks
    // for the login).
    std::optional<Refusal> check(const GuardRequest& request);

    // The cookie that makes a session after a right password; a refusal after a wrong one,
    // or while the address is refused.
    struct Login {
        std::optional<std::string> setCookie;
        std::optional<Refusal> refusal;
    };
    Login login(const std::string& remoteAddress, const std::string& password);

    // Ends the request's session; the cookie that clears it.
    std::string logout(const std::string& cookieHeader);

    // Whether the cookie header holds a live session (and marks it used).
    bool sessionLive(const std::string& cookieHeader);

    static constexpr const char* kCookieName = "kestrum_session";

private:
    bool hostAllowed(const std::string& host) const;
    bool sameOrigin(const GuardRequest& request) const;
    std::string cookieAttributes() const;

    Options m_options;
    Clock m_clock;
    std::mutex m_mutex;
    // Session token → last use.
    std::map<std::string, std::chrono::steady_clock::time_point> m_sessions;
    struct Failures {
        std::int32_t count = 0;
        std::chrono::steady_clock::time_point refusedUntil{};
    };
    std::map<std::string, Failures> m_failures;
};

// Whether an address is a loopback one: 127.0.0.0/8, ::1, or localhost.
bool isLoopbackHost(const std::string& host);

} // namespace kestrum::web
