#pragma once

// The HTTP client on WinHTTP. Proxies are the system's; redirects are followed, though never
// from https down to http; only http and https are spoken. Time-outs and caps keep a bad
// server from hanging or flooding the caller. WinHTTP runs asynchronously underneath, so that
// the caller's wait can end at the deadline, or when the program is closing, whatever the
// server is doing.
//
// Conditional requests as the libcurl client has them: when the last answer for an address
// carried an ETag or a Last-Modified, the next request for it sends If-None-Match or
// If-Modified-Since, and a 304 answer delivers that last answer again. Only answers read
// whole, or read as far as the caller now asks, are reused. A body fetched whole is cut at the
// body cap, and says so.

#include "platform/HttpAnswers.h"
#include "platform/HttpClient.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace kestrum {

class WinHttpClient final : public HttpClient {
public:
    // A transfer under way ends soon after *cancelled becomes true (the program is closing).
    explicit WinHttpClient(HttpLimits limits = {}, const std::atomic<bool>* cancelled = nullptr);
    ~WinHttpClient() override;
    WinHttpClient(const WinHttpClient&) = delete;
    WinHttpClient& operator=(const WinHttpClient&) = delete;

    FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override;
    FetchedBody fetchBody(const std::string& url, const RequestHeaders& headers) override;

private:
    HttpLimits m_limits;
    const std::atomic<bool>* m_cancelled;
    // The WinHTTP session (an HINTERNET), shared by every request; null when it could not be
    // opened, and then m_sessionError says why.
    void* m_session = nullptr;
    std::string m_sessionError;
    RememberedAnswers m_answers;
};

} // namespace kestrum
