#include "platform/StopSignals.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace kestrum {

namespace {

// The handler may only touch lock-free atomics and write(): it sets the flag and writes a byte
// into a pipe that wait() reads.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler stores into it");
std::atomic<bool> woken{false};
int wakePipe[2] = {-1, -1};

void onStopSignal(int) {
    const int saved = errno;
    stopRequested.store(true);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &byte, 1);
    errno = saved;
}

void setAction(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

} // namespace

StopSignals::StopSignals() {
    // Without the pipe the flag still works, and wait() looks at it ten times a second.
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        wakePipe[0] = wakePipe[1] = -1;
    }
    stopRequested.store(false);
    woken.store(false);
    setAction(onStopSignal);
}

StopSignals::~StopSignals() {
    setAction(SIG_DFL);
    for (int& end : wakePipe) {
        if (end >= 0) {
            ::close(end);
            end = -1;
        }
    }
}

const std::atomic<bool>& StopSignals::requested() const {
    return stopRequested;
}

bool StopSignals::wait() {
    while (!stopRequested.load() && !woken.load()) {
        if (wakePipe[0] < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        pollfd ready{wakePipe[0], POLLIN, 0};
        if (::poll(&ready, 1, -1) > 0) {
            char bytes[16];
            while (::read(wakePipe[0], bytes, sizeof bytes) > 0) {
            }
        }
    }
    return stopRequested.load();
}

void StopSignals::wake() {
    woken.store(true);
    if (wakePipe[1] >= 0) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &byte, 1);
    }
}

} // namespace kestrum
