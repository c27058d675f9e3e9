#pragma once

// The HTTP client of plan, search and export, made on its first use: a command that reads its
// feed from a file and needs no host never starts the HTTP library (whose start, TLS and all,
// is a good part of such a command's time).

#include "platform/HttpClient.h"

#include <memory>

namespace kestrum::cli {

class NetworkClient final : public HttpClient {
public:
    FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override;
    FetchedBody fetchBody(const std::string& url, const RequestHeaders& headers) override;

private:
    HttpClient& client();

    std::unique_ptr<HttpClient> m_client;
};

} // namespace kestrum::cli
