#pragma once

// The draw sources of the settings, put between the feed operations and the network: the
// download and the refresh still ask for a lottery's feed address, and a lottery with a source
// is answered from it, its body turned into draw lines, newest first, as the feed would give
// them. A body that is not draws is a failed fetch, so that it never replaces draws. What the
// reader warns of (records left out, a body that is not draws) goes to a sink, a line per fetch.
// Every other address goes through.

#include "draws/DrawSource.h"
#include "platform/HttpClient.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrum {

struct DrawSourceEntry {
    // The address the feed operations ask for: the lottery's own feed address.
    std::string feedUrl;
    // Where the source is fetched: the settings' url, or the feed address itself.
    std::string url;
    RequestHeaders headers;
    SourceMapping mapping;
    std::int32_t drawsPerDay = 0;
    // The source's name in messages, "sources.cq".
    std::string name;
};

// A warning of a source's reader, "sources.cq: ...". `fetchFailed`: the body was not draws, and
// the fetch fails with this same text as its error (a caller that reports failed fetches
// already says it).
using SourceWarningSink = std::function<void(const std::string& warning, bool fetchFailed)>;

class DrawSourceClient final : public HttpClient {
public:
    DrawSourceClient(HttpClient& inner, std::vector<DrawSourceEntry> sources,
                     SourceWarningSink warn = {});
    // The same, owning the client it goes through.
    DrawSourceClient(std::unique_ptr<HttpClient> inner, std::vector<DrawSourceEntry> sources,
                     SourceWarningSink warn = {});

    FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override;
    FetchedBody fetchBody(const std::string& url, const RequestHeaders& headers) override;

private:
    std::unique_ptr<HttpClient> m_owned;
    HttpClient& m_inner;
    std::vector<DrawSourceEntry> m_sources;
    SourceWarningSink m_warn;
};

// A source fetched once: the answer, and when it came, how it reads.
struct SourceFetch {
    FetchedBody fetched;
    SourceRead read;
};

// Fetches a source's body and reads it as its mapping says. A body cut at the client's cap is
// not draws (read.notDraws says so); a failed fetch leaves `read` empty.
SourceFetch fetchDrawSource(HttpClient& client, const DrawSourceEntry& source);

} // namespace kestrum
