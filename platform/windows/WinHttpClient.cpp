#include "platform/windows/WinHttpClient.h"

#include <windows.h>
#include <winhttp.h>

namespace kestrum {

WinHttpClient::WinHttpClient(HttpLimits limits, const std::atomic<bool>* cancelled)
    : m_limits(limits), m_cancelled(cancelled) {}

FetchResult WinHttpClient::fetchLines(const std::string&, std::int32_t) {
    FetchResult result;
    result.error = "not built yet";
    return result;
}

FetchedBody WinHttpClient::fetchBody(const std::string&, const RequestHeaders&) {
    FetchedBody result;
    result.error = "not built yet";
    return result;
}

std::unique_ptr<HttpClient> makeHttpClient(HttpLimits limits, const std::atomic<bool>* cancelled) {
    return std::make_unique<WinHttpClient>(limits, cancelled);
}

} // namespace kestrum
