#include "feedsim/Stop.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <sys/socket.h>

namespace feedsim {

namespace {

sigset_t stopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

} // namespace

void takeStopRequests() {
    // The signals are taken by sigwait, not by a handler; threads started later inherit the mask.
    const sigset_t signals = stopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void waitForStop(long everySeconds, const std::function<void()>& every) {
    const sigset_t signals = stopSignals();
    if (everySeconds > 0) {
        const timespec interval{everySeconds, 0};
        while (sigtimedwait(&signals, nullptr, &interval) < 0) {
            if (errno == EAGAIN) {
                every();
            }
        }
    } else {
        int received = 0;
        sigwait(&signals, &received);
    }
}

void useExclusivePorts(httplib::Server& server) {
    // cpp-httplib's default sets SO_REUSEPORT, with which a second server binds a port that is
    // already listening and the kernel splits the connections between the two. Only
    // SO_REUSEADDR: a restart may take over a port in TIME_WAIT, never one in use.
    server.set_socket_options([](socket_t socket) {
        int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
}

} // namespace feedsim
