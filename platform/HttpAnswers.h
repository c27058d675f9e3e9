#pragma once

// What both HTTP clients keep of the answers they read: a body whole up to its cap, and the last
// answer of an address that carried a validator (an ETag or a Last-Modified), so that the next
// request for it asks conditionally and a 304 delivers that answer again.

#include "platform/HttpClient.h"
#include "platform/LineReader.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kestrum {

// A body kept whole, up to its cap.
class BodyReader {
public:
    explicit BodyReader(std::size_t maxBytes) : m_maxBytes(maxBytes) {}

    // Takes the next piece of the body; false once the cap is passed (the rest is not wanted).
    bool take(const char* data, std::size_t size);
    bool cut() const { return m_cut; }
    std::string finish() { return std::move(m_body); }

private:
    std::size_t m_maxBytes;
    std::string m_body;
    bool m_cut = false;
};

// How a transfer ended: no answer (a network failure, with its words), or a status with the
// answer's validators.
struct TransferEnd {
    bool noAnswer = false;
    std::string error;
    long httpStatus = 0;
    std::string etag;
    std::string lastModified;
};

// The remembered answers, by address (lines) and by address and request headers (bodies).
// Shared by the threads that use one client.
class RememberedAnswers {
public:
    struct Lines {
        std::string etag;
        std::string lastModified;
        std::vector<std::string> lines;
        // The lines asked for (<= 0: the whole body), and whether the body had no more.
        std::int32_t maxLines = 0;
        bool whole = false;
    };
    struct Body {
        std::string etag;
        std::string lastModified;
        std::string body;
    };

    // The last lines of `url`, when they hold what a request for maxLines lines would read.
    std::optional<Lines> lines(const std::string& url, std::int32_t maxLines);
    // Completes `result` from a transfer of url's lines, asked with `remembered`'s validators:
    // a failure as such, a 304 as the remembered lines (at most maxLines > 0 of them), an
    // answer as the reader's lines, which are kept when they carried a validator.
    void finishLines(const std::string& url, std::int32_t maxLines,
                     const std::optional<Lines>& remembered, const TransferEnd& end,
                     LineReader& reader, FetchResult& result);

    // Bodies are remembered by address and headers: other headers may get another body.
    static std::string bodyKey(const std::string& url, const RequestHeaders& headers);
    std::optional<Body> body(const std::string& key);
    // As finishLines, for a body: one read whole that carried a validator is kept.
    void finishBody(const std::string& key, const std::optional<Body>& remembered,
                    const TransferEnd& end, BodyReader& reader, FetchedBody& result);

private:
    std::mutex m_mutex;
    std::map<std::string, Lines> m_lines;
    std::map<std::string, Body> m_bodies;
};

} // namespace kestrum
