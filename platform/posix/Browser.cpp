#include "platform/Browser.h"

#include "base/WebAddress.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace kestrum {

bool openInBrowser(const std::string& url) {
    if (!isWebAddress(url)) {
        return false;
    }
    // A shell that starts the opener in the background and ends at once, so that the opener
    // (and the browser it may become) is no child of ours to wait for. The address is an
    // argument of the shell, never part of its command text.
    const char* const arguments[] = {"sh", "-c",        "xdg-open \"$1\" > /dev/null 2>&1 &",
                                     "sh", url.c_str(), nullptr};
    pid_t shell = 0;
    // posix_spawn takes the arguments as char* const[]; it does not change them.
    if (posix_spawnp(&shell, "sh", nullptr, nullptr, const_cast<char* const*>(arguments),
                     environ) != 0) {
        return false;
    }
    int status = 0;
    while (waitpid(shell, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace kestrum
