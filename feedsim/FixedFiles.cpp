#include "feedsim/FixedFiles.h"

#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

namespace feedsim {

namespace {

std::string folderOf(Host host) {
    switch (host) {
    case Host::Web:
        return "web";
    case Host::Feed1:
        return "feed1";
    case Host::Feed2:
        break;
    }
    return "feed2";
}

// The type by the file's extension. The bytes are sent as they stand, so no charset is claimed:
// a page's own charset meta decides.
std::string contentTypeOf(const std::filesystem::path& path) {
    const std::string extension = path.extension().string();
    if (extension == ".html" || extension == ".htm") {
        return "text/html";
    }
    if (extension == ".txt") {
        return "text/plain";
    }
    return "application/octet-stream";
}

bool isWithin(const std::filesystem::path& root, const std::filesystem::path& path) {
    auto rootPart = root.begin();
    auto part = path.begin();
    for (; rootPart != root.end(); ++rootPart, ++part) {
        if (part == path.end() || *part != *rootPart) {
            return false;
        }
    }
    return true;
}

enum class Lookup { Found, Missing, Refused };

// The regular file under root that a (decoded) request path names. Refused: a path with ".."
// or a NUL, or one that leaves the folder through a symbolic link.
Lookup fileUnder(const std::filesystem::path& root, const std::string& requestPath,
                 std::filesystem::path& file) {
    if (requestPath.find('\0') != std::string::npos) {
        return Lookup::Refused;
    }
    const std::filesystem::path relative = std::filesystem::path(requestPath).relative_path();
    for (const auto& part : relative) {
        if (part == "..") {
            return Lookup::Refused;
        }
    }
    std::error_code error;
    const std::filesystem::path realRoot = std::filesystem::canonical(root, error);
    if (error) {
        return Lookup::Missing;
    }
    file = std::filesystem::canonical(root / relative, error);
    if (error) {
        return Lookup::Missing;
    }
    if (!isWithin(realRoot, file)) {
        return Lookup::Refused;
    }
    return std::filesystem::is_regular_file(file, error) ? Lookup::Found : Lookup::Missing;
}

} // namespace

FixedFiles::FixedFiles(std::filesystem::path root) : m_root(std::move(root)) {}

FixedFiles::Answer FixedFiles::read(Host host, const std::string& requestPath) const {
    Answer answer;
    switch (fileUnder(m_root / folderOf(host), requestPath, answer.file)) {
    case Lookup::Refused:
        answer.status = 403;
        return answer;
    case Lookup::Missing:
        answer.status = 404;
        return answer;
    case Lookup::Found:
        break;
    }
    std::ifstream in(answer.file, std::ios::binary);
    if (!in) {
        answer.status = 404;
        return answer;
    }
    answer.body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    answer.contentType = contentTypeOf(std::filesystem::path(requestPath));
    answer.status = 200;
    return answer;
}

} // namespace feedsim
