#include "platform/LocalFeedServer.h"

#include "base/Utf8Path.h"

#include <cstdio>

namespace kestrum {

std::optional<std::filesystem::path> findFeedServer(const std::filesystem::path& ownExecutable,
                                                    const EnvironmentLookup& environment) {
    const std::filesystem::path name = pathFromUtf8(kFeedServerName);
    if (!ownExecutable.empty() && isRunnableProgram(ownExecutable.parent_path() / name)) {
        return ownExecutable.parent_path() / name;
    }
    const std::optional<std::string> path = environment("PATH");
    if (!path) {
        return std::nullopt;
    }
    // The folders of PATH are apart by ";" on Windows, whose paths hold ":" after a drive.
    const char separator = std::filesystem::path::preferred_separator == '\\' ? ';' : ':';
    std::size_t begin = 0;
    while (begin <= path->size()) {
        std::size_t end = path->find(separator, begin);
        if (end == std::string::npos) {
            end = path->size();
        }
        const std::string folder = path->substr(begin, end - begin);
        // An empty entry is the working directory, which is no place to look for a program.
        if (!folder.empty() && isRunnableProgram(pathFromUtf8(folder) / name)) {
            return pathFromUtf8(folder) / name;
        }
        begin = end + 1;
    }
    return std::nullopt;
}

std::optional<LocalFeedServer::Hosts> LocalFeedServer::listeningHosts(std::string_view line) {
    int web = 0;
    int feed1 = 0;
    int feed2 = 0;
    const std::string text(line);
    if (std::sscanf(text.c_str(), "feedsim: listening on 127.0.0.1:%d, %d, %d", &web, &feed1,
                    &feed2) != 3 ||
        web <= 0 || feed1 <= 0 || feed2 <= 0) {
        return std::nullopt;
    }
    const auto loopback = [](int port) { return "http://127.0.0.1:" + std::to_string(port); };
    return Hosts{loopback(web), loopback(feed1), loopback(feed2)};
}

} // namespace kestrum
