#pragma once

// A lottery's feed read from somewhere other than its host (--feed SOURCE): a file, standard
// input or a web address. The download still reads it: an HTTP client answers the lottery's
// feed address with SOURCE's lines, split as the real client splits a body, and hands every
// other address to the real client. For a replay it shows the lines as the feed would have
// shown them over time, one draw more at each refresh.

#include "platform/HttpClient.h"
#include "platform/LineReader.h"

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kestrum::cli {

struct FeedSource {
    enum class Kind { File, StandardInput, Address };
    Kind kind = Kind::File;
    // The file's path or the address, as given.
    std::string text;
};

// "-" is standard input, an http or https address is read over the network, anything else is
// a file. An error in words for an address of another scheme ("ftp://...").
std::variant<FeedSource, std::string> parseFeedSource(std::string_view text);

struct SourceLines {
    // The lines as the HTTP client delivers a body (bytes, without CR or LF).
    std::vector<std::string> lines;
    // Why nothing could be read; empty when the lines were read.
    std::string error;
};

// Reads a whole file or standard input, or fetches an address through `client`, and splits it
// into lines within the client's caps (the rest of a bigger body is not read).
SourceLines readSourceLines(const FeedSource& source, HttpClient& client);

// The lines of the bytes of an open stream, read until its end or until `limits` stop the
// reader. An error text (with the system's reason) when reading fails.
SourceLines readLinesFrom(std::FILE* stream, LineLimits limits = {});

struct SourceBody {
    // The bytes as they came.
    std::string body;
    // Why nothing could be read; empty when the body was read whole.
    std::string error;
};

// A file or standard input is read to its end (up to kMaxFeedFileBytes), an address fetched
// through `client` with `headers` (a body cut at the client's cap is an error): for a source
// whose records are mapped to draws, which needs the body whole.
SourceBody readSourceBody(const FeedSource& source, HttpClient& client,
                          const RequestHeaders& headers);

// Bytes of an open stream, to its end; an error past `maxBytes` or when reading fails.
SourceBody readBodyFrom(std::FILE* stream, std::size_t maxBytes);

// The largest feed file read whole: some years of the busiest lottery in JSON.
inline constexpr std::size_t kMaxFeedFileBytes = std::size_t{512} * 1024 * 1024;

// Whether a stored line has the shape of a draw line: it ends with the five digits 万位 to 个位
// separated by commas ("20150101001 1,2,3,4,5"). The download stores any line; this only says
// what was stored.
bool looksLikeDrawLine(std::string_view line);

class SourceHttpClient final : public HttpClient {
public:
    // Answers `feedUrl` with `lines`, every other address through `inner`.
    SourceHttpClient(HttpClient& inner, std::string feedUrl, std::vector<std::string> lines);
    // Answers `feedUrl` with what `sourceUrl` answers through `inner`, the caps and all.
    SourceHttpClient(HttpClient& inner, std::string feedUrl, std::string sourceUrl);

    FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override;
    // Other addresses only: the feed address is read as lines.
    FetchedBody fetchBody(const std::string& url, const RequestHeaders& headers) override;

    // The feed begins at line `first` of the lines (newest first): the lines before it are the
    // draws still to come. 0 at the start.
    void showFrom(std::size_t first);

    std::size_t lineCount() const { return m_lines.size(); }

private:
    HttpClient& m_inner;
    std::string m_feedUrl;
    std::optional<std::string> m_sourceUrl;
    std::vector<std::string> m_lines;
    std::size_t m_first = 0;
};

} // namespace kestrum::cli
