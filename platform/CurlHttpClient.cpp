#include "platform/CurlHttpClient.h"

#include "platform/LineReader.h"

#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace kestrum {

namespace {

std::size_t writeBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* collector = static_cast<LineReader*>(user);
    const std::size_t bytes = size * count;
    // Returning less than was given ends the transfer.
    return collector->take(data, bytes) ? bytes : 0;
}

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

int checkCancelled(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancelled = static_cast<const std::atomic<bool>*>(user);
    // Non-zero ends the transfer.
    return cancelled->load() ? 1 : 0;
}

} // namespace

CurlHttpClient::CurlHttpClient(HttpLimits limits, const std::atomic<bool>* cancelled)
    : m_limits(limits), m_cancelled(cancelled) {
    initialiseCurlOnce();
}

FetchResult CurlHttpClient::fetchLines(const std::string& url, std::int32_t maxLines) {
    FetchResult result;
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        result.error = "cannot start a transfer";
        return result;
    }
    LineReader collector({m_limits.maxLineBytes, m_limits.maxBodyBytes}, maxLines);
    char errorText[CURL_ERROR_SIZE] = {};
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, m_limits.connectTimeoutMs);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, m_limits.totalTimeoutMs);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &collector);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
    if (m_cancelled != nullptr) {
        curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, checkCancelled);
        curl_easy_setopt(handle, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(m_cancelled));
        curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    }

    const CURLcode code = curl_easy_perform(handle);
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &result.httpStatus);
    // A transfer that we stopped ourselves, having read enough, is a success.
    const bool stoppedByUs =
        code == CURLE_WRITE_ERROR && (collector.enough() || collector.capped());
    if (code != CURLE_OK && !stoppedByUs) {
        result.status = FetchStatus::NetworkError;
        result.error = errorText[0] != '\0' ? errorText : curl_easy_strerror(code);
        return result;
    }
    if (result.httpStatus < 200 || result.httpStatus > 299) {
        result.status = FetchStatus::HttpError;
        result.error = "HTTP status " + std::to_string(result.httpStatus);
        return result;
    }
    result.status = FetchStatus::Ok;
    result.lines = collector.finish();
    return result;
}

} // namespace kestrum
