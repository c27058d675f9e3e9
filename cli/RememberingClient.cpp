#include "cli/RememberingClient.h"

namespace kestrum::cli {

RememberingClient::RememberingClient(std::unique_ptr<HttpClient> inner)
    : m_inner(std::move(inner)) {}

FetchResult RememberingClient::fetchLines(const std::string& url, std::int32_t maxLines) {
    FetchResult result = m_inner->fetchLines(url, maxLines);
    m_lastError = result.error;
    ++m_requests;
    m_notModified += result.notModified ? 1 : 0;
    return result;
}

FetchedBody RememberingClient::fetchBody(const std::string& url, const RequestHeaders& headers) {
    FetchedBody result = m_inner->fetchBody(url, headers);
    m_lastError = result.error;
    ++m_requests;
    m_notModified += result.notModified ? 1 : 0;
    return result;
}

} // namespace kestrum::cli
