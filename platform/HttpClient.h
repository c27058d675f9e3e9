#pragma once

// Reading a web address: a plain GET of the whole address, the body split into lines at LF with
// every CR dropped, or the body whole, as bytes, with request headers of the caller's. Behind an
// interface, so that tests can stand in for the network.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kestrum {

enum class FetchStatus {
    Ok,
    // The server answered with a status other than 2xx; its body is not delivered.
    HttpError,
    // No answer: the name did not resolve, the connection was refused or lost, a time-out.
    NetworkError,
    // An answer, but not of draws (a page, an error object, a body cut short): a draw source
    // says so rather than hand on what would replace the draws.
    NotDraws,
};

struct FetchResult {
    FetchStatus status = FetchStatus::NetworkError;
    // The status code of the last response, 0 when none arrived.
    long httpStatus = 0;
    // What went wrong, in a few words for the log; empty on success.
    std::string error;
    // The body's lines, as received (bytes), without LF and without any CR. A last line
    // without LF is a line like the others; blank lines are kept.
    std::vector<std::string> lines;
    // The server answered 304 to a conditional request: the body is unchanged since the last
    // fetch, and `lines` are that fetch's (the status is Ok).
    bool notModified = false;

    bool ok() const { return status == FetchStatus::Ok; }
};

// Request headers, name and value, sent as given (the settings reader checks them).
using RequestHeaders = std::vector<std::pair<std::string, std::string>>;

struct FetchedBody {
    FetchStatus status = FetchStatus::NetworkError;
    long httpStatus = 0;
    std::string error;
    // The body's bytes as received, CR and all.
    std::string body;
    // The body went past the client's cap: `body` holds what came before it, and is not whole.
    bool cut = false;
    // The server answered 304: `body` is that of the last answer read whole.
    bool notModified = false;

    bool ok() const { return status == FetchStatus::Ok; }
};

class HttpClient {
public:
    virtual ~HttpClient() = default;

    // Fetches url and returns at most maxLines lines of its body (the rest is not read).
    // maxLines <= 0 reads the whole body, within the client's caps.
    virtual FetchResult fetchLines(const std::string& url, std::int32_t maxLines) = 0;

    // Fetches url, sending `headers`, and returns its body whole, within the client's cap.
    // A client that only has lines (a stand-in of a test) answers with its lines, each ended
    // by LF, and has no use for headers.
    virtual FetchedBody fetchBody(const std::string& url, const RequestHeaders& headers);
};

struct HttpLimits {
    // Longest wait for a connection, and for the whole transfer, in milliseconds.
    long connectTimeoutMs = 5000;
    long totalTimeoutMs = 30000;
    // A longer line is cut there; the rest of it, up to its LF, is dropped.
    std::size_t maxLineBytes = 64 * 1024;
    // At most this much of a body is read; the lines so far are delivered.
    std::size_t maxBodyBytes = 1024 * 1024;
    // A body fetched whole (a draw source's records) is cut here, and the answer says so: a
    // year of a 1440-a-day lottery in JSON is about 40 MB.
    std::size_t maxWholeBodyBytes = 64 * 1024 * 1024;
};

// The system's HTTP client: libcurl on Linux, WinHTTP on Windows. Proxies are the system's;
// redirects are followed; only http and https are spoken. Conditional requests: when the last
// answer for an address carried an ETag or a Last-Modified, the next request for it sends
// If-None-Match or If-Modified-Since, and a 304 delivers that last answer again. A transfer
// under way ends soon after *cancelled becomes true (the program is closing).
std::unique_ptr<HttpClient> makeHttpClient(HttpLimits limits = {},
                                           const std::atomic<bool>* cancelled = nullptr);

} // namespace kestrum
