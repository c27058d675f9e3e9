#pragma once

// The HTTP client of one watched lottery: the transfers of the client it goes through, with the
// reason of the last failure kept for the line that announces the next attempt.

#include "platform/HttpClient.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kestrum::cli {

class RememberingClient final : public HttpClient {
public:
    explicit RememberingClient(std::unique_ptr<HttpClient> inner);

    FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override;
    FetchedBody fetchBody(const std::string& url, const RequestHeaders& headers) override;

    const std::string& lastError() const { return m_lastError; }
    // Requests sent, and how many of them the host answered 304 (nothing new).
    std::int64_t requests() const { return m_requests; }
    std::int64_t notModified() const { return m_notModified; }

private:
    std::unique_ptr<HttpClient> m_inner;
    std::string m_lastError;
    std::int64_t m_requests = 0;
    std::int64_t m_notModified = 0;
};

} // namespace kestrum::cli
