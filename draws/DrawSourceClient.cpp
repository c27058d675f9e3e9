#include "draws/DrawSourceClient.h"

#include <algorithm>
#include <utility>

namespace kestrum {

SourceFetch fetchDrawSource(HttpClient& client, const DrawSourceEntry& source) {
    SourceFetch answer;
    answer.fetched = client.fetchBody(source.url, source.headers);
    if (!answer.fetched.ok()) {
        return answer;
    }
    if (answer.fetched.cut && source.mapping.format != SourceFormat::Lines) {
        // The end of the records is missing: the newest of them, or the oldest, or both.
        answer.read.notDraws = "a body cut short at the client's cap of " +
                               std::to_string(answer.fetched.body.size()) + " bytes";
        return answer;
    }
    answer.read = readDrawSource(answer.fetched.body, source.mapping, source.drawsPerDay);
    return answer;
}

DrawSourceClient::DrawSourceClient(HttpClient& inner, std::vector<DrawSourceEntry> sources,
                                   SourceWarningSink warn)
    : m_inner(inner), m_sources(std::move(sources)), m_warn(std::move(warn)) {}

DrawSourceClient::DrawSourceClient(std::unique_ptr<HttpClient> inner,
                                   std::vector<DrawSourceEntry> sources, SourceWarningSink warn)
    : m_owned(std::move(inner)), m_inner(*m_owned), m_sources(std::move(sources)),
      m_warn(std::move(warn)) {}

FetchResult DrawSourceClient::fetchLines(const std::string& url, std::int32_t maxLines) {
    const auto source = std::find_if(m_sources.begin(), m_sources.end(),
                                     [&](const DrawSourceEntry& s) { return s.feedUrl == url; });
    if (source == m_sources.end()) {
        return m_inner.fetchLines(url, maxLines);
    }
    if (source->mapping.format == SourceFormat::Lines && source->headers.empty()) {
        // The feed's own lines from another address: read as far as asked, as the feed is.
        return m_inner.fetchLines(source->url, maxLines);
    }
    SourceFetch fetch = fetchDrawSource(m_inner, *source);
    FetchResult result;
    result.status = fetch.fetched.status;
    result.httpStatus = fetch.fetched.httpStatus;
    result.error = std::move(fetch.fetched.error);
    result.notModified = fetch.fetched.notModified;
    if (!fetch.fetched.ok()) {
        return result;
    }
    const std::string warning = sourceWarning(fetch.read);
    if (!warning.empty() && m_warn) {
        m_warn(source->name + ": " + warning, fetch.read.notDraws.has_value());
    }
    if (fetch.read.notDraws) {
        result.status = FetchStatus::NotDraws;
        result.error = source->name + ": " + warning;
        return result;
    }
    result.lines = std::move(fetch.read.lines);
    if (maxLines > 0 && result.lines.size() > static_cast<std::size_t>(maxLines)) {
        result.lines.resize(static_cast<std::size_t>(maxLines));
    }
    return result;
}

FetchedBody DrawSourceClient::fetchBody(const std::string& url, const RequestHeaders& headers) {
    return m_inner.fetchBody(url, headers);
}

} // namespace kestrum
