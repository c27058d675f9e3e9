#pragma once

// The fixed-files mode: a folder served as it stands on disk, DIR/web, DIR/feed1 and DIR/feed2
// for the three hosts, read again on every request.

#include "feedsim/Simulation.h"

#include <filesystem>
#include <string>

namespace feedsim {

class FixedFiles {
public:
    explicit FixedFiles(std::filesystem::path root);

    // What a host's folder holds at a request path.
    struct Answer {
        // 200 with the bytes; 403 for a path with ".." or a NUL, or one that leaves the folder
        // through a symbolic link; 404 for anything that names no regular file.
        int status = 404;
        std::string body;
        // The type by the extension of the request path.
        std::string contentType;
        // The file read, its symbolic links resolved.
        std::filesystem::path file;
    };
    // requestPath: decoded, as the request names it ("/ssckj/cq.txt").
    Answer read(Host host, const std::string& requestPath) const;

private:
    std::filesystem::path m_root;
};

} // namespace feedsim
