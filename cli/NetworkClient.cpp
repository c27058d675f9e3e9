#include "cli/NetworkClient.h"

namespace kestrum::cli {

FetchResult NetworkClient::fetchLines(const std::string& url, std::int32_t maxLines) {
    if (!m_client) {
        m_client = std::make_unique<CurlHttpClient>();
    }
    return m_client->fetchLines(url, maxLines);
}

} // namespace kestrum::cli
