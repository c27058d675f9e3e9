#pragma once

// The HTTP client on libcurl. Proxies come from the standard http_proxy, https_proxy and
// no_proxy variables; redirects are followed; only http and https are spoken. Time-outs and
// caps keep a bad server from hanging or flooding the caller.
//
// Conditional requests: when the last answer for an address carried an ETag or a
// Last-Modified, the next request for it sends If-None-Match or If-Modified-Since, and a 304
// answer delivers the lines of that last answer again. A server without validators gets plain
// requests. Only answers read whole, or read as far as the caller now asks, are reused. A body
// fetched whole is cut at the body cap, and says so.

#include "platform/HttpAnswers.h"
#include "platform/HttpClient.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace kestrum {

class CurlHttpClient final : public HttpClient {
public:
    // A transfer under way ends soon after *cancelled becomes true (the program is closing).
    explicit CurlHttpClient(HttpLimits limits = {}, const std::atomic<bool>* cancelled = nullptr);

    FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override;
    FetchedBody fetchBody(const std::string& url, const RequestHeaders& headers) override;

private:
    HttpLimits m_limits;
    const std::atomic<bool>* m_cancelled;
    RememberedAnswers m_answers;
};

} // namespace kestrum
