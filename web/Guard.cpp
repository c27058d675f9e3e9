#include "web/Guard.h"

#include "platform/PasswordHash.h"

#include <algorithm>
#include <cctype>

namespace kestrum::web {

namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The host of a Host header or of an origin's authority, without its port; an IPv6 address
// keeps its brackets.
std::pair<std::string, std::string> hostAndPort(const std::string& authority) {
    if (authority.starts_with("[")) {
        const std::size_t close = authority.find(']');
        if (close == std::string::npos) {
            return {authority, ""};
        }
        const std::string rest = authority.substr(close + 1);
        return {authority.substr(0, close + 1), rest.starts_with(":") ? rest.substr(1) : ""};
    }
    const std::size_t colon = authority.rfind(':');
    if (colon == std::string::npos) {
        return {authority, ""};
    }
    return {authority.substr(0, colon), authority.substr(colon + 1)};
}

bool isIpv4(const std::string& host) {
    std::int32_t parts = 0;
    std::int32_t digits = 0;
    for (const char c : host) {
        if (c == '.') {
            if (digits == 0) {
                return false;
            }
            ++parts;
            digits = 0;
        } else if (c >= '0' && c <= '9' && digits < 3) {
            ++digits;
        } else {
            return false;
        }
    }
    return parts == 3 && digits > 0;
}

bool isIpLiteral(const std::string& host) {
    return isIpv4(host) || (host.starts_with("[") && host.ends_with("]"));
}

// The value of cookie `name` in a Cookie header.
std::string cookieValue(const std::string& header, const std::string& name) {
    std::size_t at = 0;
    while (at < header.size()) {
        std::size_t end = header.find(';', at);
        if (end == std::string::npos) {
            end = header.size();
        }
        std::string pair = header.substr(at, end - at);
        const std::size_t first = pair.find_first_not_of(' ');
        pair = first == std::string::npos ? "" : pair.substr(first);
        if (pair.starts_with(name + "=")) {
            return pair.substr(name.size() + 1);
        }
        at = end + 1;
    }
    return {};
}

} // namespace

bool isLoopbackHost(const std::string& host) {
    const std::string name = lowered(host);
    return name == "localhost" || name == "::1" || name == "[::1]" ||
           (isIpv4(name) && name.starts_with("127."));
}

Guard::Guard(Options options, Clock clock)
    : m_options(std::move(options)), m_clock(std::move(clock)) {
    for (std::string& name : m_options.names) {
        name = lowered(name);
    }
}

bool Guard::hostAllowed(const std::string& host) const {
    if (host.empty()) {
        return false;
    }
    const auto [name, port] = hostAndPort(lowered(host));
    if (!port.empty() && port != std::to_string(m_options.port)) {
        return false;
    }
    if (isLoopbackHost(name)) {
        return true;
    }
    // Beyond loopback: an address typed as such, or a name the server knows as its own. A
    // foreign name that resolves here is a rebinding attack, and is refused.
    if (!loginRequired()) {
        return false;
    }
    return isIpLiteral(name) ||
           std::find(m_options.names.begin(), m_options.names.end(), name) != m_options.names.end();
}

bool Guard::sameOrigin(const GuardRequest& request) const {
    if (request.fetchSite == "cross-site" || request.fetchSite == "same-site") {
        return false;
    }
    if (request.origin.empty()) {
        // A browser always sends Origin with a POST; a request without it is no page's.
        return false;
    }
    return lowered(request.origin) == m_options.scheme + "://" + lowered(request.host);
}

std::optional<Refusal> Guard::check(const GuardRequest& request) {
    if (!hostAllowed(request.host)) {
        return Refusal{421, "the Host header names no address of this server"};
    }
    const bool changes = request.method != "GET" && request.method != "HEAD";
    if (changes && !sameOrigin(request)) {
        return Refusal{403, "a request from another site is refused"};
    }
    if (!loginRequired()) {
        return std::nullopt;
    }
    // The session's state is open too: it is how the page learns that it must ask for the
    // password.
    const bool open = request.path == "/api/login" || request.path == "/api/logout" ||
                      request.path == "/api/session" || !request.path.starts_with("/api/");
    if (open || sessionLive(request.cookie)) {
        return std::nullopt;
    }
    return Refusal{401, "log in first"};
}

bool Guard::sessionLive(const std::string& cookieHeader) {
    const std::string token = cookieValue(cookieHeader, kCookieName);
    if (token.empty()) {
        return false;
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto session = m_sessions.find(token);
    if (session == m_sessions.end()) {
        return false;
    }
    const auto now = m_clock();
    if (now - session->second > m_options.idle) {
        m_sessions.erase(session);
        return false;
    }
    session->second = now;
    return true;
}

std::string Guard::cookieAttributes() const {
    // Secure: the cookie never travels without TLS, which a password needs.
    return "; Path=/; HttpOnly; SameSite=Strict; Secure";
}

Guard::Login Guard::login(const std::string& remoteAddress, const std::string& password) {
    if (!loginRequired()) {
        return {std::nullopt, Refusal{404, "this server needs no login"}};
    }
    const auto now = m_clock();
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const Failures& failures = m_failures[remoteAddress];
        if (failures.count >= m_options.maxFailures && now < failures.refusedUntil) {
            return {std::nullopt, Refusal{429, "too many failed logins: try again later"}};
        }
    }
    // Outside the lock: the hash is meant to take its time.
    const bool right = passwordMatches(password, *m_options.passwordHash);
    const std::lock_guard<std::mutex> lock(m_mutex);
    Failures& failures = m_failures[remoteAddress];
    if (!right) {
        if (failures.count >= m_options.maxFailures) {
            failures.count = 0; // a ban that ran out starts the count again
        }
        if (++failures.count >= m_options.maxFailures) {
            failures.refusedUntil = now + m_options.ban;
        }
        return {std::nullopt, Refusal{401, "wrong password"}};
    }
    m_failures.erase(remoteAddress);
    const std::string token = randomToken();
    if (token.empty()) {
        return {std::nullopt, Refusal{500, "no random source for a session"}};
    }
    for (auto session = m_sessions.begin(); session != m_sessions.end();) {
        session =
            now - session->second > m_options.idle ? m_sessions.erase(session) : std::next(session);
    }
    m_sessions[token] = now;
    return {std::string(kCookieName) + "=" + token + cookieAttributes(), std::nullopt};
}

std::string Guard::logout(const std::string& cookieHeader) {
    const std::string token = cookieValue(cookieHeader, kCookieName);
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_sessions.erase(token);
    return std::string(kCookieName) + "=" + cookieAttributes() + "; Max-Age=0";
}

} // namespace kestrum::web
