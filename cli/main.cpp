// kestrum-cli: the plans of the window program, without a window.

#include "cli/Program.h"

#include <atomic>
#include <csignal>

namespace {

// Set by SIGINT and SIGTERM while watch runs.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler stores into it");

void onStopSignal(int) {
    stopRequested.store(true);
}

void stopOnSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    const kestrum::cli::ProgramHooks hooks{&stopRequested, stopOnSignals};
    return kestrum::cli::runProgram(argc, argv, hooks);
}
