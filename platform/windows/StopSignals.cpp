#include "platform/StopSignals.h"

#include <windows.h>

namespace kestrum {

namespace {

// Ctrl+C and Ctrl+Break set the flag and wake wait(). Closing the console, logging off and
// shutting down end the process once the handler returns, so the handler waits there until the
// program has finished its work and dropped its StopSignals (at most a few seconds: the system
// ends the process after five).
std::atomic<bool> stopRequested{false};
std::atomic<bool> woken{false};
HANDLE wakeEvent = nullptr;
HANDLE finishedEvent = nullptr;

BOOL WINAPI onConsoleEvent(DWORD event) {
    stopRequested.store(true);
    if (wakeEvent != nullptr) {
        SetEvent(wakeEvent);
    }
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        if (finishedEvent != nullptr) {
            WaitForSingleObject(finishedEvent, 4500);
        }
    }
    return TRUE;
}

} // namespace

StopSignals::StopSignals() {
    // Made once and kept. Without them the flag still works, and wait() looks at it ten times
    // a second.
    if (wakeEvent == nullptr) {
        wakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        finishedEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    if (wakeEvent != nullptr) {
        ResetEvent(wakeEvent);
        ResetEvent(finishedEvent);
    }
    stopRequested.store(false);
    woken.store(false);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

StopSignals::~StopSignals() {
    if (finishedEvent != nullptr) {
        SetEvent(finishedEvent);
    }
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    // A handler that still waits has been released. The events stay, so that no handler ever
    // waits on a closed one.
}

const std::atomic<bool>& StopSignals::requested() const {
    return stopRequested;
}

bool StopSignals::wait() {
    while (!stopRequested.load() && !woken.load()) {
        if (wakeEvent != nullptr) {
            WaitForSingleObject(wakeEvent, INFINITE);
        } else {
            Sleep(100);
        }
    }
    return stopRequested.load();
}

void StopSignals::wake() {
    woken.store(true);
    if (wakeEvent != nullptr) {
        SetEvent(wakeEvent);
    }
}

} // namespace kestrum
