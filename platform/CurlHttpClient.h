#pragma once

// The HTTP client on libcurl. Proxies come from the standard http_proxy, https_proxy and
// no_proxy variables; redirects are followed; only http and https are spoken. Time-outs and
// caps keep a bad server from hanging or flooding the caller.

#include "platform/HttpClient.h"

#include <atomic>
#include <cstdint>

namespace kestrum {

struct HttpLimits {
    // Longest wait for a connection, and for the whole transfer, in milliseconds.
    long connectTimeoutMs = 5000;
    long totalTimeoutMs = 30000;
    // A longer line is cut there; the rest of it, up to its LF, is dropped.
    std::size_t maxLineBytes = 64 * 1024;
    // At most this much of a body is read; the lines so far are delivered.
    std::size_t maxBodyBytes = 1024 * 1024;
};

class CurlHttpClient final : public HttpClient {
public:
    // A transfer under way ends soon after *cancelled becomes true (the program is closing).
    explicit CurlHttpClient(HttpLimits limits = {}, const std::atomic<bool>* cancelled = nullptr);

    FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override;

private:
    HttpLimits m_limits;
    const std::atomic<bool>* m_cancelled;
};

} // namespace kestrum
