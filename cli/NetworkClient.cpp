#include "cli/NetworkClient.h"

namespace kestrum::cli {

HttpClient& NetworkClient::client() {
    if (!m_client) {
        m_client = makeHttpClient();
    }
    return *m_client;
}

FetchResult NetworkClient::fetchLines(const std::string& url, std::int32_t maxLines) {
    return client().fetchLines(url, maxLines);
}

FetchedBody NetworkClient::fetchBody(const std::string& url, const RequestHeaders& headers) {
    return client().fetchBody(url, headers);
}

} // namespace kestrum::cli
