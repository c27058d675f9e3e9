#include "platform/windows/WinHttpClient.h"

#include "base/WebAddress.h"
#include "platform/HttpAnswers.h"
#include "platform/LineReader.h"
#include "platform/windows/WideText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <windows.h>
#include <winhttp.h>

namespace kestrum {

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks at the cancel flag.
constexpr auto kCancelCheck = std::chrono::milliseconds(50);
// The most that one read takes from WinHTTP.
constexpr DWORD kReadBytes = 64 * 1024;
// How far off a deadline of "none" lies.
constexpr auto kNoDeadline = std::chrono::hours(24 * 365);

const wchar_t* const kAgent = L"Kestrum";

// An error of WinHTTP (or of the system under it) in a few words, with its number.
std::string describe(DWORD error) {
    const char* text = nullptr;
    switch (error) {
    case ERROR_WINHTTP_TIMEOUT:
        text = "timed out";
        break;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        text = "the host name did not resolve";
        break;
    case ERROR_WINHTTP_CANNOT_CONNECT:
        text = "no connection could be made";
        break;
    case ERROR_WINHTTP_CONNECTION_ERROR:
        text = "the connection was lost";
        break;
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
        text = "the answer was not HTTP";
        break;
    case ERROR_WINHTTP_REDIRECT_FAILED:
        text = "a redirect could not be followed";
        break;
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
        text = "not an http or https address";
        break;
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
        text = "the server's certificate was refused";
        break;
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
        text = "no secure connection could be made";
        break;
    default:
        return windows::lastErrorText(error);
    }
    return std::string(text) + " (" + std::to_string(error) + ")";
}

// Whether the caller's headers name one, in any case.
bool hasHeader(const RequestHeaders& headers, std::string_view name) {
    return std::any_of(headers.begin(), headers.end(), [name](const auto& header) {
        return std::equal(header.first.begin(), header.first.end(), name.begin(), name.end(),
                          [](char a, char b) {
                              return std::tolower(static_cast<unsigned char>(a)) ==
                                     std::tolower(static_cast<unsigned char>(b));
                          });
    });
}

// Why the certificate of a server was refused, from the flags of WinHTTP's report.
std::string describeCertificate(DWORD flags) {
    static const std::pair<DWORD, const char*> reasons[] = {
        {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA, "issued by no authority that is trusted"},
        {WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID, "made out to another host"},
        {WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID, "expired or not yet valid"},
        {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED, "revoked"},
        {WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED, "its revocation could not be checked"},
        {WINHTTP_CALLBACK_STATUS_FLAG_CERT_WRONG_USAGE, "not for a server"},
        {WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT, "not valid"},
    };
    std::string text;
    for (const auto& [flag, reason] : reasons) {
        if ((flags & flag) != 0) {
            text += (text.empty() ? "" : ", ") + std::string(reason);
        }
    }
    if (text.empty()) {
        return "no secure connection could be made";
    }
    return "the server's certificate was refused: " + text;
}

struct HandleCloser {
    void operator()(void* handle) const { WinHttpCloseHandle(handle); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// What WinHTTP's callbacks tell a request's caller. WinHTTP may still call back, and still
// write into `buffer`, after the caller has given up on a request (the deadline, a cancel):
// so the request's callbacks hold a share of it until the handle's last callback.
struct Exchange {
    std::mutex mutex;
    std::condition_variable changed;
    // A step (sending, the response's headers, a read) has ended and has not been taken.
    bool ended = false;
    // How it failed; 0 when it did not.
    DWORD error = 0;
    // What a read put into `buffer`.
    DWORD bytes = 0;
    // Why the secure connection failed, when it did (WINHTTP_CALLBACK_STATUS_FLAG_*).
    DWORD secureFailure = 0;
    std::vector<char> buffer = std::vector<char>(kReadBytes);
};

using ExchangeShare = std::shared_ptr<Exchange>;

void CALLBACK onStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD length) {
    auto* share = reinterpret_cast<ExchangeShare*>(context);
    if (share == nullptr) {
        return;
    }
    if (status == WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING) {
        // The handle's last callback.
        delete share;
        return;
    }
    if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE) {
        // The step's failure follows.
        if (info != nullptr && length >= sizeof(DWORD)) {
            const std::lock_guard lock((*share)->mutex);
            (*share)->secureFailure = *static_cast<const DWORD*>(info);
        }
        return;
    }
    DWORD error = 0;
    DWORD bytes = 0;
    switch (status) {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
        break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
        bytes = length;
        break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
        error = static_cast<const WINHTTP_ASYNC_RESULT*>(info)->dwError;
        if (error == 0) {
            error = ERROR_WINHTTP_INTERNAL_ERROR;
        }
        break;
    default:
        return;
    }
    Exchange& exchange = **share;
    {
        const std::lock_guard lock(exchange.mutex);
        exchange.ended = true;
        exchange.error = error;
        exchange.bytes = bytes;
    }
    exchange.changed.notify_all();
}

enum class Step { Ended, Failed, TimedOut, Cancelled };

// Waits for the step under way to end, until the deadline or until the caller cancels.
Step await(Exchange& exchange, Clock::time_point deadline, const std::atomic<bool>* cancelled,
           DWORD& error, DWORD& bytes) {
    std::unique_lock lock(exchange.mutex);
    while (!exchange.ended) {
        if (cancelled != nullptr && cancelled->load()) {
            return Step::Cancelled;
        }
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            return Step::TimedOut;
        }
        exchange.changed.wait_until(
            lock, cancelled != nullptr ? std::min(deadline, now + kCancelCheck) : deadline);
    }
    exchange.ended = false;
    error = exchange.error;
    bytes = exchange.bytes;
    return error == 0 ? Step::Ended : Step::Failed;
}

// A header of the response (of the last one, after redirects), or nothing.
std::optional<std::string> responseHeader(HINTERNET request, DWORD query) {
    DWORD size = 0;
    WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                        &size, WINHTTP_NO_HEADER_INDEX);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return std::nullopt;
    }
    std::wstring value(size / sizeof(wchar_t), L'\0');
    if (!WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, value.data(), &size,
                             WINHTTP_NO_HEADER_INDEX)) {
        return std::nullopt;
    }
    value.resize(size / sizeof(wchar_t));
    return windows::fromWide(value);
}

// A limit of milliseconds as WinHTTP takes it.
int asTimeout(long milliseconds) {
    return static_cast<int>(std::clamp<long>(milliseconds, 1, INT_MAX));
}

// One GET of url into `collector`, with the headers given and the conditional ones of a
// remembered answer. No answer, or one lost on the way, is `noAnswer`, and `error` says why.
template <class Collector>
TransferEnd transfer(HINTERNET session, const std::string& url, const HttpLimits& limits,
                     const std::atomic<bool>* cancelled, const RequestHeaders& headers,
                     const std::string& etag, const std::string& lastModified,
                     Collector& collector) {
    // As the libcurl client: the whole transfer within totalTimeoutMs, 0 meaning no limit.
    const Clock::time_point deadline =
        Clock::now() + (limits.totalTimeoutMs > 0
                            ? std::chrono::duration_cast<Clock::duration>(
                                  std::chrono::milliseconds(limits.totalTimeoutMs))
                            : std::chrono::duration_cast<Clock::duration>(kNoDeadline));
    TransferEnd result;
    const auto fail = [&result](std::string error) {
        result.noAnswer = true;
        result.error = std::move(error);
        return result;
    };
    if (!isWebAddress(url)) {
        return fail("not an http or https address");
    }

    const std::wstring wideUrl = windows::toWide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    // Lengths other than 0 ask for each part to be pointed out in wideUrl.
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wideUrl.c_str(), static_cast<DWORD>(wideUrl.size()), 0, &parts)) {
        return fail(describe(GetLastError()));
    }
    if ((parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) ||
        parts.dwHostNameLength == 0) {
        return fail("not an http or https address");
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring target;
    if (parts.lpszUrlPath != nullptr) {
        target.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
    }
    if (parts.lpszExtraInfo != nullptr) {
        target.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    }
    // The fragment is the client's own.
    target.erase(std::min(target.find(L'#'), target.size()));
    if (target.empty() || target.front() != L'/') {
        target.insert(target.begin(), L'/');
    }

    const Handle connection(WinHttpConnect(session, host.c_str(), parts.nPort, 0));
    if (!connection) {
        return fail(describe(GetLastError()));
    }
    // "Accept: */*", as libcurl sends it, unless the caller says what to accept.
    const wchar_t* anything[] = {L"*/*", nullptr};
    const Handle request(
        WinHttpOpenRequest(connection.get(), L"GET", target.c_str(), nullptr, WINHTTP_NO_REFERER,
                           hasHeader(headers, "Accept") ? WINHTTP_DEFAULT_ACCEPT_TYPES : anything,
                           parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (!request) {
        return fail(describe(GetLastError()));
    }

    // The callbacks' share of the exchange is WinHTTP's from the moment that the callback is
    // set: the handle's last callback lets it go.
    const auto exchange = std::make_shared<Exchange>();
    auto share = std::make_unique<ExchangeShare>(exchange);
    auto context = reinterpret_cast<DWORD_PTR>(share.get());
    if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context) ||
        WinHttpSetStatusCallback(request.get(), onStatus,
                                 WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS |
                                     WINHTTP_CALLBACK_FLAG_SECURE_FAILURE |
                                     WINHTTP_CALLBACK_FLAG_HANDLES,
                                 0) == WINHTTP_INVALID_STATUS_CALLBACK) {
        return fail(describe(GetLastError()));
    }
    share.release();

    // As with libcurl, each transfer is on its own: no cookies kept from the last one, and a
    // connection that ends with it. Were the option refused, cookies would go back only to the
    // server that set them, and an idle connection would stay open a while: not worth failing
    // for.
    DWORD features = WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_KEEP_ALIVE;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features);
    // Redirects: WinHTTP follows up to 10 of them, and none from https to http, by default.
    const int connectTimeout = limits.connectTimeoutMs > 0 ? asTimeout(limits.connectTimeoutMs)
                                                           : 300000; // libcurl's default
    const int totalTimeout = limits.totalTimeoutMs > 0 ? asTimeout(limits.totalTimeoutMs) : 0;
    if (!WinHttpSetTimeouts(request.get(), connectTimeout, connectTimeout, totalTimeout,
                            totalTimeout)) {
        return fail(describe(GetLastError()));
    }

    std::string lines;
    for (const auto& [name, value] : headers) {
        // A line break would end the header early and start another of the value's making.
        if ((name + value).find_first_of("\r\n") != std::string::npos) {
            return fail("a request header holds a line break");
        }
        // "Name:" alone is sent as it is, a header with an empty value.
        lines += name + ":" + (value.empty() ? "" : " " + value) + "\r\n";
    }
    // A validator of the last answer makes the request conditional.
    if (!etag.empty()) {
        lines += "If-None-Match: " + etag + "\r\n";
    }
    if (!lastModified.empty()) {
        lines += "If-Modified-Since: " + lastModified + "\r\n";
    }
    if (!lines.empty()) {
        const std::wstring wideLines = windows::toWide(lines);
        if (!WinHttpAddRequestHeaders(request.get(), wideLines.c_str(),
                                      static_cast<DWORD>(wideLines.size()),
                                      WINHTTP_ADDREQ_FLAG_ADD)) {
            return fail("a request header was refused: " + describe(GetLastError()));
        }
    }

    DWORD error = 0;
    DWORD bytes = 0;
    // Each step is started, then waited for; a step that the caller stops waiting for ends
    // with the request handle, as this function returns.
    const auto waitFor = [&]() -> bool {
        switch (await(*exchange, deadline, cancelled, error, bytes)) {
        case Step::Ended:
            return true;
        case Step::Failed:
            if (error == ERROR_WINHTTP_SECURE_FAILURE) {
                const std::lock_guard lock(exchange->mutex);
                fail(describeCertificate(exchange->secureFailure) + " (" + std::to_string(error) +
                     ")");
            } else {
                fail(describe(error));
            }
            return false;
        case Step::TimedOut:
            fail("timed out after " + std::to_string(limits.totalTimeoutMs) + " ms");
            return false;
        case Step::Cancelled:
            fail("cancelled");
            return false;
        }
        return false;
    };
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                            WINHTTP_NO_REQUEST_DATA, 0, 0, context)) {
        return fail(describe(GetLastError()));
    }
    if (!waitFor()) {
        return result;
    }
    if (!WinHttpReceiveResponse(request.get(), nullptr)) {
        return fail(describe(GetLastError()));
    }
    if (!waitFor()) {
        return result;
    }

    DWORD status = 0;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                             WINHTTP_NO_HEADER_INDEX)) {
        return fail(describe(GetLastError()));
    }
    result.httpStatus = static_cast<long>(status);
    result.etag = responseHeader(request.get(), WINHTTP_QUERY_ETAG).value_or("");
    result.lastModified = responseHeader(request.get(), WINHTTP_QUERY_LAST_MODIFIED).value_or("");
    if (status < 200 || status > 299) {
        // Another status's body is never delivered.
        return result;
    }

    // A body shorter than its Content-Length was cut off on the way (a chunked body has no
    // length: its last chunk says that it is whole).
    std::optional<std::uint64_t> announced;
    const auto length = responseHeader(request.get(), WINHTTP_QUERY_CONTENT_LENGTH);
    if (length && !responseHeader(request.get(), WINHTTP_QUERY_TRANSFER_ENCODING)) {
        std::uint64_t value = 0;
        const char* end = length->data() + length->size();
        if (std::from_chars(length->data(), end, value).ptr == end) {
            announced = value;
        }
    }
    std::uint64_t received = 0;
    for (;;) {
        if (!WinHttpReadData(request.get(), exchange->buffer.data(), kReadBytes, nullptr)) {
            return fail(describe(GetLastError()));
        }
        if (!waitFor()) {
            return result;
        }
        if (bytes == 0) {
            break;
        }
        received += bytes;
        if (!collector.take(exchange->buffer.data(), bytes)) {
            // Enough has been read: the rest is left unread.
            return result;
        }
    }
    if (announced && received != *announced) {
        return fail("the body ended after " + std::to_string(received) + " of " +
                    std::to_string(*announced) + " bytes");
    }
    return result;
}

} // namespace

WinHttpClient::WinHttpClient(HttpLimits limits, const std::atomic<bool>* cancelled)
    : m_limits(limits), m_cancelled(cancelled) {
    // The proxy settings of the system and the user, where WinHTTP can take them (Windows 8.1
    // and later); else WinHTTP's own, those that `netsh winhttp set proxy` sets.
    HINTERNET session =
        WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                    WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    if (session == nullptr) {
        session = WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                              WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
    }
    if (session == nullptr) {
        m_sessionError = "WinHTTP did not start: " + describe(GetLastError());
    }
    m_session = session;
}

WinHttpClient::~WinHttpClient() {
    if (m_session != nullptr) {
        WinHttpCloseHandle(m_session);
    }
}

FetchResult WinHttpClient::fetchLines(const std::string& url, std::int32_t maxLines) {
    FetchResult result;
    if (m_session == nullptr) {
        result.error = m_sessionError;
        return result;
    }
    const std::optional<RememberedAnswers::Lines> remembered = m_answers.lines(url, maxLines);
    LineReader collector({m_limits.maxLineBytes, m_limits.maxBodyBytes}, maxLines);
    const TransferEnd done = transfer(
        m_session, url, m_limits, m_cancelled, {}, remembered ? remembered->etag : std::string(),
        remembered ? remembered->lastModified : std::string(), collector);
    m_answers.finishLines(url, maxLines, remembered, done, collector, result);
    return result;
}

FetchedBody WinHttpClient::fetchBody(const std::string& url, const RequestHeaders& headers) {
    FetchedBody result;
    if (m_session == nullptr) {
        result.error = m_sessionError;
        return result;
    }
    const std::string key = RememberedAnswers::bodyKey(url, headers);
    const std::optional<RememberedAnswers::Body> remembered = m_answers.body(key);
    BodyReader collector(m_limits.maxWholeBodyBytes);
    const TransferEnd done =
        transfer(m_session, url, m_limits, m_cancelled, headers,
                 remembered ? remembered->etag : std::string(),
                 remembered ? remembered->lastModified : std::string(), collector);
    m_answers.finishBody(key, remembered, done, collector, result);
    return result;
}

std::unique_ptr<HttpClient> makeHttpClient(HttpLimits limits, const std::atomic<bool>* cancelled) {
    return std::make_unique<WinHttpClient>(limits, cancelled);
}

} // namespace kestrum
