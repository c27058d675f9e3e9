#include "platform/CurlHttpClient.h"

#include "base/WebAddress.h"
#include "platform/HttpAnswers.h"
#include "platform/LineReader.h"

#include <algorithm>
#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <optional>

namespace kestrum {

namespace {

template <class Collector>
std::size_t writeBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* collector = static_cast<Collector*>(user);
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

struct CurlListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// The value of a header of the last response, or empty.
std::string lastHeader(CURL* handle, const char* name) {
    curl_header* header = nullptr;
    if (curl_easy_header(handle, name, 0, CURLH_HEADER, -1, &header) != CURLHE_OK ||
        header == nullptr || header->value == nullptr) {
        return {};
    }
    return header->value;
}

int checkCancelled(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancelled = static_cast<const std::atomic<bool>*>(user);
    // Non-zero ends the transfer.
    return cancelled->load() ? 1 : 0;
}

// One GET of url into `collector`, with the headers given and the conditional ones of a
// remembered answer.
struct Transfer {
    CURLcode code = CURLE_OK;
    long httpStatus = 0;
    std::string error;
    std::string etag;
    std::string lastModified;
};

template <class Collector>
Transfer transfer(const std::string& url, const HttpLimits& limits,
                  const std::atomic<bool>* cancelled, const RequestHeaders& headers,
                  const std::string& etag, const std::string& lastModified, Collector& collector) {
    Transfer result;
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        result.code = CURLE_FAILED_INIT;
        result.error = "cannot start a transfer";
        return result;
    }
    char errorText[CURL_ERROR_SIZE] = {};
    CURL* handle = curl.get();
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    // An https address never follows a redirect to plain http, where the request's headers (a
    // source's key among them) would travel in clear text.
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR,
                     isSecureWebAddress(url) ? "https" : "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, limits.connectTimeoutMs);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, limits.totalTimeoutMs);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, writeBody<Collector>);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &collector);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
    if (cancelled != nullptr) {
        curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, checkCancelled);
        curl_easy_setopt(handle, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(cancelled));
        curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    }
    curl_slist* list = nullptr;
    for (const auto& [name, value] : headers) {
        // "Name;" sends a header with an empty value; "Name:" would drop it.
        list = curl_slist_append(list, (value.empty() ? name + ";" : name + ": " + value).c_str());
    }
    // A validator of the last answer makes the request conditional.
    if (!etag.empty()) {
        list = curl_slist_append(list, ("If-None-Match: " + etag).c_str());
    }
    if (!lastModified.empty()) {
        list = curl_slist_append(list, ("If-Modified-Since: " + lastModified).c_str());
    }
    const std::unique_ptr<curl_slist, CurlListDeleter> requestHeaders(list);
    if (list != nullptr) {
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, list);
    }

    result.code = curl_easy_perform(handle);
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &result.httpStatus);
    if (result.code != CURLE_OK) {
        result.error = errorText[0] != '\0' ? errorText : curl_easy_strerror(result.code);
    }
    result.etag = lastHeader(handle, "ETag");
    result.lastModified = lastHeader(handle, "Last-Modified");
    return result;
}

// A transfer that we stopped ourselves, having read enough, has an answer.
TransferEnd endOf(const Transfer& done, bool stoppedByUs) {
    return {done.code != CURLE_OK && !stoppedByUs, done.error, done.httpStatus, done.etag,
            done.lastModified};
}

} // namespace

CurlHttpClient::CurlHttpClient(HttpLimits limits, const std::atomic<bool>* cancelled)
    : m_limits(limits), m_cancelled(cancelled) {
    initialiseCurlOnce();
}

FetchResult CurlHttpClient::fetchLines(const std::string& url, std::int32_t maxLines) {
    FetchResult result;
    const std::optional<RememberedAnswers::Lines> remembered = m_answers.lines(url, maxLines);
    LineReader collector({m_limits.maxLineBytes, m_limits.maxBodyBytes}, maxLines);
    const Transfer done =
        transfer(url, m_limits, m_cancelled, {}, remembered ? remembered->etag : std::string(),
                 remembered ? remembered->lastModified : std::string(), collector);
    // A transfer that we stopped ourselves, having read enough, is a success.
    const bool stoppedByUs =
        done.code == CURLE_WRITE_ERROR && (collector.enough() || collector.capped());
    m_answers.finishLines(url, maxLines, remembered, endOf(done, stoppedByUs), collector, result);
    return result;
}

FetchedBody CurlHttpClient::fetchBody(const std::string& url, const RequestHeaders& headers) {
    FetchedBody result;
    const std::string key = RememberedAnswers::bodyKey(url, headers);
    const std::optional<RememberedAnswers::Body> remembered = m_answers.body(key);
    BodyReader collector(m_limits.maxWholeBodyBytes);
    const Transfer done =
        transfer(url, m_limits, m_cancelled, headers, remembered ? remembered->etag : std::string(),
                 remembered ? remembered->lastModified : std::string(), collector);
    const bool stoppedByUs = done.code == CURLE_WRITE_ERROR && collector.cut();
    m_answers.finishBody(key, remembered, endOf(done, stoppedByUs), collector, result);
    return result;
}

} // namespace kestrum

namespace kestrum {

std::unique_ptr<HttpClient> makeHttpClient(HttpLimits limits, const std::atomic<bool>* cancelled) {
    return std::make_unique<CurlHttpClient>(limits, cancelled);
}

} // namespace kestrum
