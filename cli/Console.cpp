#include "cli/Console.h"

#include "cli/Program.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kestrum::cli {

void complain(const std::string& message) {
    std::fprintf(stderr, "kestrum-cli: %s\n", message.c_str());
}

int printed(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        complain(std::string("standard output cannot be written: ") + std::strerror(errno));
        return kExitFailed;
    }
    return kExitDone;
}

} // namespace kestrum::cli
