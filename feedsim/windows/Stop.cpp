#include "feedsim/Stop.h"

#include <windows.h>

namespace feedsim {

namespace {

HANDLE stopEvent = nullptr;

BOOL WINAPI onConsoleEvent(DWORD) {
    SetEvent(stopEvent);
    return TRUE;
}

} // namespace

void takeStopRequests() {
    stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

void waitForStop(long everySeconds, const std::function<void()>& every) {
    const DWORD interval = everySeconds > 0 ? static_cast<DWORD>(everySeconds * 1000) : INFINITE;
    while (WaitForSingleObject(stopEvent, interval) == WAIT_TIMEOUT) {
        every();
    }
}

void useExclusivePorts(httplib::Server&) {
    // cpp-httplib's default on Windows is SO_EXCLUSIVEADDRUSE: what is wanted.
}

} // namespace feedsim
