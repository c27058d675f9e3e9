#include "platform/HttpAnswers.h"

#include <algorithm>

namespace kestrum {

namespace {

// Sets the status of `result` from how its transfer ended; false when it failed.
template <class Result>
bool answered(const TransferEnd& end, bool conditional, Result& result) {
    result.httpStatus = end.httpStatus;
    if (end.noAnswer) {
        result.status = FetchStatus::NetworkError;
        result.error = end.error;
        return false;
    }
    if (end.httpStatus == 304 && conditional) {
        result.status = FetchStatus::Ok;
        result.notModified = true;
        return true;
    }
    if (end.httpStatus < 200 || end.httpStatus > 299) {
        result.status = FetchStatus::HttpError;
        result.error = "HTTP status " + std::to_string(end.httpStatus);
        return false;
    }
    result.status = FetchStatus::Ok;
    return true;
}

} // namespace

bool BodyReader::take(const char* data, std::size_t size) {
    const std::size_t room = m_maxBytes - m_body.size();
    m_body.append(data, std::min(size, room));
    m_cut = size > room;
    return !m_cut;
}

std::optional<RememberedAnswers::Lines> RememberedAnswers::lines(const std::string& url,
                                                                 std::int32_t maxLines) {
    const std::lock_guard lock(m_mutex);
    const auto found = m_lines.find(url);
    if (found == m_lines.end()) {
        return std::nullopt;
    }
    const Lines& answer = found->second;
    const bool covers =
        answer.whole || (answer.maxLines > 0 && maxLines > 0 && maxLines <= answer.maxLines);
    return covers ? std::optional(answer) : std::nullopt;
}

void RememberedAnswers::finishLines(const std::string& url, std::int32_t maxLines,
                                    const std::optional<Lines>& remembered, const TransferEnd& end,
                                    LineReader& reader, FetchResult& result) {
    if (!answered(end, remembered.has_value(), result)) {
        return;
    }
    if (result.notModified) {
        result.lines = remembered->lines;
        if (maxLines > 0 && result.lines.size() > static_cast<std::size_t>(maxLines)) {
            result.lines.resize(static_cast<std::size_t>(maxLines));
        }
        return;
    }
    const bool whole = !reader.enough() && !reader.capped();
    result.lines = reader.finish();
    const std::lock_guard lock(m_mutex);
    if (end.etag.empty() && end.lastModified.empty()) {
        // Nothing to ask with next time.
        m_lines.erase(url);
        return;
    }
    // An ETag goes back as it came, weak or strong: If-None-Match takes both.
    m_lines[url] = {end.etag, end.lastModified, result.lines, maxLines, whole};
}

std::string RememberedAnswers::bodyKey(const std::string& url, const RequestHeaders& headers) {
    std::string key = url;
    for (const auto& [name, value] : headers) {
        key += '\n' + name + ':' + value;
    }
    return key;
}

std::optional<RememberedAnswers::Body> RememberedAnswers::body(const std::string& key) {
    const std::lock_guard lock(m_mutex);
    const auto found = m_bodies.find(key);
    return found == m_bodies.end() ? std::nullopt : std::optional(found->second);
}

void RememberedAnswers::finishBody(const std::string& key, const std::optional<Body>& remembered,
                                   const TransferEnd& end, BodyReader& reader,
                                   FetchedBody& result) {
    if (!answered(end, remembered.has_value(), result)) {
        return;
    }
    if (result.notModified) {
        result.body = remembered->body;
        return;
    }
    result.cut = reader.cut();
    result.body = reader.finish();
    const std::lock_guard lock(m_mutex);
    if (result.cut || (end.etag.empty() && end.lastModified.empty())) {
        // Only a body read whole may stand for the next answer.
        m_bodies.erase(key);
    } else {
        m_bodies[key] = {end.etag, end.lastModified, result.body};
    }
}

} // namespace kestrum
