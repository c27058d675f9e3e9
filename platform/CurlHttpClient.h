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

#include "platform/HttpClient.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace kestrum {

class CurlHttpClient final : public HttpClient {
public:
    // A transfer under way ends soon after *cancelled becomes true (the program is closing).
    explicit CurlHttpClient(HttpLimits limits = {}, const std::atomic<bool>* cancelled = nullptr);

    FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override;
    FetchedBody fetchBody(const std::string& url, const RequestHeaders& headers) override;

private:
    // The last answer of an address that carried a validator.
    struct Remembered {
        std::string etag;
        std::string lastModified;
        std::vector<std::string> lines;
        // The lines asked for (<= 0: the whole body), and whether the body had no more.
        std::int32_t maxLines = 0;
        bool whole = false;
    };

    // Keeps the validators of an answer (forgets the address when it had none).
    void remember(const std::string& url, std::string etag, std::string lastModified,
                  const std::vector<std::string>& lines, std::int32_t maxLines, bool whole);

    struct RememberedBody {
        std::string etag;
        std::string lastModified;
        std::string body;
    };

    HttpLimits m_limits;
    const std::atomic<bool>* m_cancelled;
    std::mutex m_mutex;
    std::map<std::string, Remembered> m_remembered;
    // By address and request headers: the last body read whole that carried a validator.
    std::map<std::string, RememberedBody> m_rememberedBodies;
};

} // namespace kestrum
