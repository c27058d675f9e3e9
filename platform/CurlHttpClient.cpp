#include "platform/CurlHttpClient.h"

#include "base/WebAddress.h"
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

// A body kept whole, up to its cap.
class BodyCollector {
public:
    explicit BodyCollector(std::size_t maxBytes) : m_maxBytes(maxBytes) {}

    bool take(const char* data, std::size_t size) {
        const std::size_t room = m_maxBytes - m_body.size();
        m_body.append(data, std::min(size, room));
        m_cut = size > room;
        return !m_cut;
    }
    bool cut() const { return m_cut; }
    std::string finish() { return std::move(m_body); }

private:
    std::size_t m_maxBytes;
    std::string m_body;
    bool m_cut = false;
};

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

// How a transfer ended, set in `result`: a failure (no answer, unless we stopped the transfer
// ourselves, or a status outside 2xx), a 304 to a conditional request, or an answer to read.
enum class Ending { Failed, NotModified, Answered };

template <class Result>
Ending endingOf(const Transfer& done, bool stoppedByUs, bool conditional, Result& result) {
    result.httpStatus = done.httpStatus;
    if (done.code != CURLE_OK && !stoppedByUs) {
        result.status = FetchStatus::NetworkError;
        result.error = done.error;
        return Ending::Failed;
    }
    if (done.httpStatus == 304 && conditional) {
        result.status = FetchStatus::Ok;
        result.notModified = true;
        return Ending::NotModified;
    }
    if (done.httpStatus < 200 || done.httpStatus > 299) {
        result.status = FetchStatus::HttpError;
        result.error = "HTTP status " + std::to_string(done.httpStatus);
        return Ending::Failed;
    }
    result.status = FetchStatus::Ok;
    return Ending::Answered;
}

} // namespace

CurlHttpClient::CurlHttpClient(HttpLimits limits, const std::atomic<bool>* cancelled)
    : m_limits(limits), m_cancelled(cancelled) {
    initialiseCurlOnce();
}

FetchResult CurlHttpClient::fetchLines(const std::string& url, std::int32_t maxLines) {
    FetchResult result;
    std::optional<Remembered> remembered;
    {
        const std::lock_guard lock(m_mutex);
        const auto found = m_remembered.find(url);
        if (found != m_remembered.end() &&
            covers(found->second.maxLines, found->second.whole, maxLines)) {
            remembered = found->second;
        }
    }
    LineReader collector({m_limits.maxLineBytes, m_limits.maxBodyBytes}, maxLines);
    const Transfer done =
        transfer(url, m_limits, m_cancelled, {}, remembered ? remembered->etag : std::string(),
                 remembered ? remembered->lastModified : std::string(), collector);
    // A transfer that we stopped ourselves, having read enough, is a success.
    const bool stoppedByUs =
        done.code == CURLE_WRITE_ERROR && (collector.enough() || collector.capped());
    const Ending ending = endingOf(done, stoppedByUs, remembered.has_value(), result);
    if (ending == Ending::Failed) {
        return result;
    }
    if (ending == Ending::NotModified) {
        result.lines = remembered->lines;
        if (maxLines > 0 && result.lines.size() > static_cast<std::size_t>(maxLines)) {
            result.lines.resize(static_cast<std::size_t>(maxLines));
        }
        return result;
    }
    const bool whole = !collector.enough() && !collector.capped();
    result.lines = collector.finish();
    remember(url, done.etag, done.lastModified, result.lines, maxLines, whole);
    return result;
}

FetchedBody CurlHttpClient::fetchBody(const std::string& url, const RequestHeaders& headers) {
    FetchedBody result;
    // Answers are remembered by address and headers: other headers may get another body.
    std::string key = url;
    for (const auto& [name, value] : headers) {
        key += '\n' + name + ':' + value;
    }
    std::optional<RememberedBody> remembered;
    {
        const std::lock_guard lock(m_mutex);
        const auto found = m_rememberedBodies.find(key);
        if (found != m_rememberedBodies.end()) {
            remembered = found->second;
        }
    }
    BodyCollector collector(m_limits.maxWholeBodyBytes);
    const Transfer done =
        transfer(url, m_limits, m_cancelled, headers, remembered ? remembered->etag : std::string(),
                 remembered ? remembered->lastModified : std::string(), collector);
    const bool stoppedByUs = done.code == CURLE_WRITE_ERROR && collector.cut();
    const Ending ending = endingOf(done, stoppedByUs, remembered.has_value(), result);
    if (ending == Ending::Failed) {
        return result;
    }
    if (ending == Ending::NotModified) {
        result.body = remembered->body;
        return result;
    }
    result.cut = collector.cut();
    result.body = collector.finish();
    const std::lock_guard lock(m_mutex);
    if (result.cut || (done.etag.empty() && done.lastModified.empty())) {
        // Only a body read whole may stand for the next answer.
        m_rememberedBodies.erase(key);
    } else {
        m_rememberedBodies[key] = {done.etag, done.lastModified, result.body};
    }
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

namespace kestrum {

std::unique_ptr<HttpClient> makeHttpClient(HttpLimits limits, const std::atomic<bool>* cancelled) {
    return std::make_unique<CurlHttpClient>(limits, cancelled);
}

} // namespace kestrum
