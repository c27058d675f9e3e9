#include "platform/CurlHttpClient.h"

#include "platform/LineReader.h"

#include <curl/curl.h>
#include <memory>
#include <mutex>
#include <optional>

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

// Whether a remembered answer holds what a request for maxLines lines would read.
bool covers(std::int32_t rememberedMax, bool whole, std::int32_t maxLines) {
    if (whole) {
        return true;
    }
    return rememberedMax > 0 && maxLines > 0 && maxLines <= rememberedMax;
}

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

    // A validator of the last answer makes the request conditional.
    std::optional<Remembered> remembered;
    {
        const std::lock_guard lock(m_mutex);
        const auto found = m_remembered.find(url);
        if (found != m_remembered.end() &&
            covers(found->second.maxLines, found->second.whole, maxLines)) {
            remembered = found->second;
        }
    }
    std::unique_ptr<curl_slist, CurlListDeleter> headers;
    if (remembered) {
        curl_slist* list = nullptr;
        if (!remembered->etag.empty()) {
            list = curl_slist_append(list, ("If-None-Match: " + remembered->etag).c_str());
        }
        if (!remembered->lastModified.empty()) {
            list =
                curl_slist_append(list, ("If-Modified-Since: " + remembered->lastModified).c_str());
        }
        headers.reset(list);
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());
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
    if (result.httpStatus == 304 && remembered) {
        result.status = FetchStatus::Ok;
        result.notModified = true;
        result.lines = remembered->lines;
        if (maxLines > 0 && result.lines.size() > static_cast<std::size_t>(maxLines)) {
            result.lines.resize(static_cast<std::size_t>(maxLines));
        }
        return result;
    }
    if (result.httpStatus < 200 || result.httpStatus > 299) {
        result.status = FetchStatus::HttpError;
        result.error = "HTTP status " + std::to_string(result.httpStatus);
        return result;
    }
    result.status = FetchStatus::Ok;
    const bool whole = !collector.enough() && !collector.capped();
    result.lines = collector.finish();
    remember(url, lastHeader(handle, "ETag"), lastHeader(handle, "Last-Modified"), result.lines,
             maxLines, whole);
    return result;
}

void CurlHttpClient::remember(const std::string& url, std::string etag, std::string lastModified,
                              const std::vector<std::string>& lines, std::int32_t maxLines,
                              bool whole) {
    const std::lock_guard lock(m_mutex);
    if (etag.empty() && lastModified.empty()) {
        // Nothing to ask with next time.
        m_remembered.erase(url);
        return;
    }
    // An ETag goes back as it came, weak or strong: If-None-Match takes both.
    m_remembered[url] = {std::move(etag), std::move(lastModified), lines, maxLines, whole};
}

} // namespace kestrum
