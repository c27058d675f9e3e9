#pragma once

// The HTTP client of one watched lottery: the transfer of the program's client, with the reason
// of the last failure kept for the line that announces the next attempt.

#include "platform/CurlHttpClient.h"
#include "platform/HttpClient.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace kestrum::cli {

class RememberingClient final : public HttpClient {
public:
    explicit RememberingClient(const std::atomic<bool>& stop);

    FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override;

    const std::string& lastError() const { return m_lastError; }
    // Requests sent, and how many of them the host answered 304 (nothing new).
    std::int64_t requests() const { return m_requests; }
    std::int64_t notModified() const { return m_notModified; }

private:
    CurlHttpClient m_client;
    std::string m_lastError;
    std::int64_t m_requests = 0;
    std::int64_t m_notModified = 0;
};

} // namespace kestrum::cli
