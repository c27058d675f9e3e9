#pragma once

// The HTTP client on WinHTTP.

#include "platform/HttpClient.h"

namespace kestrum {

class WinHttpClient final : public HttpClient {
public:
    explicit WinHttpClient(HttpLimits limits = {}, const std::atomic<bool>* cancelled = nullptr);

    FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override;
    FetchedBody fetchBody(const std::string& url, const RequestHeaders& headers) override;

private:
    HttpLimits m_limits;
    const std::atomic<bool>* m_cancelled;
};

} // namespace kestrum
