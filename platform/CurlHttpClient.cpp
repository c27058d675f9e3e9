#include "platform/CurlHttpClient.h"

#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace kestrum {

namespace {

// Splits the body into lines as it arrives and stops the transfer once enough lines are in.
class LineCollector {
public:
    LineCollector(const HttpLimits& limits, std::int32_t maxLines)
        : m_limits(limits), m_maxLines(maxLines) {}

    // Takes one piece of the body; false stops the transfer.
    bool take(const char* data, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i) {
            if (m_bodyBytes == m_limits.maxBodyBytes) {
                m_capped = true;
                return false;
            }
            ++m_bodyBytes;
            const char c = data[i];
            if (c == '\n') {
                finishLine();
                if (enough()) {
                    return false;
                }
                continue;
            }
            m_lineStarted = true;
            if (c != '\r' && m_line.size() < m_limits.maxLineBytes) {
                m_line.push_back(c);
            }
        }
        return true;
    }

    // The body has ended (or was cut): a last line without LF counts.
    std::vector<std::string> finish() {
        if (m_lineStarted && !enough()) {
            finishLine();
        }
        return std::move(m_lines);
    }

    bool enough() const {
        return m_maxLines > 0 && static_cast<std::int32_t>(m_lines.size()) >= m_maxLines;
    }
    bool capped() const { return m_capped; }

private:
    void finishLine() {
        m_lines.push_back(std::move(m_line));
        m_line.clear();
        m_lineStarted = false;
    }

    const HttpLimits& m_limits;
    std::int32_t m_maxLines;
    std::vector<std::string> m_lines;
    std::string m_line;
    bool m_lineStarted = false;
    std::size_t m_bodyBytes = 0;
    bool m_capped = false;
};

std::size_t writeBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* collector = static_cast<LineCollector*>(user);
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
    LineCollector collector(m_limits, maxLines);
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
