#pragma once

// Reading a web address: a plain GET of the whole address, the body split into lines at LF with
// every CR dropped, or the body whole, as bytes, with request headers of the caller's. Behind an
// interface, so that tests can stand in for the network.

#include <cstdint>
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

} // namespace kestrum
