#pragma once

// The validators of the feed hosts' answers: a strong ETag made from the bytes of the body, a
// Last-Modified date for a file, and the 304 with no body to a request whose If-None-Match
// names the tag (or is "*").

#include <filesystem>
#include <string>
#include <string_view>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

namespace feedsim {

// The body's 64-bit FNV-1a hash and its length, quoted: "\"<16 hex digits>-<hex length>\"".
std::string entityTag(const std::string& body);

// Whether one If-None-Match field value names `tag` (quoted) or is "*". The comparison is the
// weak one the field calls for: W/"x" names "x" as well. The value is read up to anything
// malformed in it.
bool namesTag(std::string_view value, std::string_view tag);

// The file's modification time as an HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT"); empty when
// it cannot be read.
std::string lastModified(const std::filesystem::path& file);

// Answers a GET with the body and its ETag (and Last-Modified when `modified` is not empty), or
// with 304, the ETag and no body when the request's If-None-Match names the tag.
void answerConditionally(const httplib::Request& request, httplib::Response& response,
                         const std::string& body, const std::string& contentType,
                         const std::string& modified = {});

} // namespace feedsim
