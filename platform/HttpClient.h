#pragma once

// Reading a web address line by line: a plain GET of the whole address, the body split into
// lines at LF with every CR dropped. Behind an interface, so that tests can stand in for the
// network.

#include <cstdint>
#include <string>
#include <vector>

namespace kestrum {

enum class FetchStatus {
    Ok,
    // The server answered with a status other than 2xx; its body is not delivered.
    HttpError,
    // No answer: the name did not resolve, the connection was refused or lost, a time-out.
    NetworkError,
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

class HttpClient {
public:
    virtual ~HttpClient() = default;

    // Fetches url and returns at most maxLines lines of its body (the rest is not read).
    // maxLines <= 0 reads the whole body, within the client's caps.
    virtual FetchResult fetchLines(const std::string& url, std::int32_t maxLines) = 0;
};

} // namespace kestrum
