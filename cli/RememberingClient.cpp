#include "cli/RememberingClient.h"

namespace kestrum::cli {

RememberingClient::RememberingClient(const std::atomic<bool>& stop)
    : m_client(HttpLimits{}, &stop) {}

FetchResult RememberingClient::fetchLines(const std::string& url, std::int32_t maxLines) {
    FetchResult result = m_client.fetchLines(url, maxLines);
    m_lastError = result.error;
    ++m_requests;
    m_notModified += result.notModified ? 1 : 0;
    return result;
}

} // namespace kestrum::cli
