#include "platform/Process.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/types.h>
#include <system_error>
#include <unistd.h>

namespace kestrum {

bool runningAsRoot() {
    return ::geteuid() == 0;
}

std::optional<std::filesystem::path> runningProgramPath() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::nullopt;
    }
    return self;
}

bool isRunnableProgram(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

void killProcess(ProcessId pid) {
    if (pid > 0) {
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
}

void lowerPriority(ProcessId pid, int steps) {
    if (pid > 0) {
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(pid), steps);
    }
}

} // namespace kestrum
