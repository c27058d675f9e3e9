#include "cli/FeedSource.h"

#include "base/Utf8Path.h"
#include "base/WebAddress.h"
#include "platform/ProgramStart.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace kestrum::cli {

namespace {

// Closes a file that this file opened.
struct OwnedFile {
    std::FILE* file;
    ~OwnedFile() {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
};

// A file or standard input read by `read` (a function of the open stream), with the place
// put before its error; nothing for an address.
template <class Result, class Read>
std::optional<Result> readLocally(const FeedSource& source, const Read& read) {
    if (source.kind == FeedSource::Kind::Address) {
        return std::nullopt;
    }
    const bool standardInput = source.kind == FeedSource::Kind::StandardInput;
    const std::string place = standardInput ? "standard input" : source.text;
    errno = 0;
    const OwnedFile file{standardInput ? nullptr : openFile(pathFromUtf8(source.text), "rb")};
    if (!standardInput && file.file == nullptr) {
        return Result{{}, place + ": " + std::strerror(errno != 0 ? errno : ENOENT)};
    }
    Result result = read(standardInput ? stdin : file.file);
    if (!result.error.empty()) {
        result.error = place + ": " + result.error;
    }
    return result;
}

} // namespace

std::variant<FeedSource, std::string> parseFeedSource(std::string_view text) {
    if (text.empty()) {
        return std::string("--feed must name a file, - or an http or https address");
    }
    if (text == "-") {
        return FeedSource{FeedSource::Kind::StandardInput, std::string(text)};
    }
    if (isWebAddress(text)) {
        return FeedSource{FeedSource::Kind::Address, std::string(text)};
    }
    if (text.find("://") != std::string_view::npos) {
        return "--feed: \"" + std::string(text) +
               "\" is neither an http or https address with a host, nor a file, nor -";
    }
    return FeedSource{FeedSource::Kind::File, std::string(text)};
}

SourceLines readLinesFrom(std::FILE* stream, LineLimits limits) {
    SourceLines read;
    LineReader reader(limits, 0);
    std::array<char, 64 * 1024> buffer{};
    for (;;) {
        errno = 0;
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), stream);
        if (got > 0 && !reader.take(buffer.data(), got)) {
            break;
        }
        if (got < buffer.size()) {
            if (std::ferror(stream) != 0) {
                if (errno == EINTR) {
                    std::clearerr(stream);
                    continue;
                }
                read.error = std::strerror(errno != 0 ? errno : EIO);
                return read;
            }
            break;
        }
    }
    read.lines = reader.finish();
    return read;
}

SourceLines readSourceLines(const FeedSource& source, HttpClient& client) {
    if (auto read =
            readLocally<SourceLines>(source, [](std::FILE* s) { return readLinesFrom(s); })) {
        return std::move(*read);
    }
    FetchResult fetched = client.fetchLines(source.text, 0);
    if (!fetched.ok()) {
        return {{}, source.text + ": " + fetched.error};
    }
    return {std::move(fetched.lines), {}};
}

SourceBody readBodyFrom(std::FILE* stream, std::size_t maxBytes) {
    SourceBody read;
    std::array<char, 64 * 1024> buffer{};
    for (;;) {
        errno = 0;
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), stream);
        if (got > maxBytes - read.body.size()) {
            return {{}, "more than " + std::to_string(maxBytes / (1024 * 1024)) + " MiB"};
        }
        read.body.append(buffer.data(), got);
        if (got < buffer.size()) {
            if (std::ferror(stream) != 0) {
                if (errno == EINTR) {
                    std::clearerr(stream);
                    continue;
                }
                return {{}, std::strerror(errno != 0 ? errno : EIO)};
            }
            break;
        }
    }
    return read;
}

SourceBody readSourceBody(const FeedSource& source, HttpClient& client,
                          const RequestHeaders& headers) {
    if (auto read = readLocally<SourceBody>(
            source, [](std::FILE* s) { return readBodyFrom(s, kMaxFeedFileBytes); })) {
        return std::move(*read);
    }
    FetchedBody fetched = client.fetchBody(source.text, headers);
    if (!fetched.ok()) {
        return {{}, source.text + ": " + fetched.error};
    }
    if (fetched.cut) {
        return {{},
                source.text + ": the body is longer than the client reads (" +
                    std::to_string(fetched.body.size() / (1024 * 1024)) + " MiB)"};
    }
    return {std::move(fetched.body), {}};
}

bool looksLikeDrawLine(std::string_view line) {
    constexpr std::string_view kShape = "0,0,0,0,0";
    if (line.size() < kShape.size()) {
        return false;
    }
    const std::string_view tail = line.substr(line.size() - kShape.size());
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = tail[i] >= '0' && tail[i] <= '9';
        if (kShape[i] == ',' ? tail[i] != ',' : !digit) {
            return false;
        }
    }
    return true;
}

SourceHttpClient::SourceHttpClient(HttpClient& inner, std::string feedUrl,
                                   std::vector<std::string> lines)
    : m_inner(inner), m_feedUrl(std::move(feedUrl)), m_lines(std::move(lines)) {}

SourceHttpClient::SourceHttpClient(HttpClient& inner, std::string feedUrl, std::string sourceUrl)
    : m_inner(inner), m_feedUrl(std::move(feedUrl)), m_sourceUrl(std::move(sourceUrl)) {}

FetchResult SourceHttpClient::fetchLines(const std::string& url, std::int32_t maxLines) {
    if (url != m_feedUrl) {
        return m_inner.fetchLines(url, maxLines);
    }
    if (m_sourceUrl) {
        return m_inner.fetchLines(*m_sourceUrl, maxLines);
    }
    // All lines were split at once: the first maxLines of them are the lines a reader asked
    // for maxLines would have split, since it splits the same bytes the same way and stops.
    FetchResult result;
    result.status = FetchStatus::Ok;
    result.httpStatus = 200;
    const std::size_t first = std::min(m_first, m_lines.size());
    std::size_t end = m_lines.size();
    if (maxLines > 0) {
        end = std::min(end, first + static_cast<std::size_t>(maxLines));
    }
    const auto begin = m_lines.begin() + static_cast<std::ptrdiff_t>(first);
    result.lines.assign(begin, m_lines.begin() + static_cast<std::ptrdiff_t>(end));
    return result;
}

FetchedBody SourceHttpClient::fetchBody(const std::string& url, const RequestHeaders& headers) {
    if (url != m_feedUrl) {
        return m_inner.fetchBody(url, headers);
    }
    return HttpClient::fetchBody(url, headers);
}

void SourceHttpClient::showFrom(std::size_t first) {
    m_first = first;
}

} // namespace kestrum::cli
