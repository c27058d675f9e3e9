#pragma once

// The system's requests to stop (SIGINT from Ctrl+C in a terminal, SIGTERM from a session that
// ends or from `kill`), taken as a flag and as a wait that returns, so that a program ends as it
// would on its own: its threads finish what they do and its local feed server is stopped.

#include <atomic>

namespace kestrum {

class StopSignals {
public:
    // From now on a stop request sets the flag and wakes wait() instead of ending the process.
    // One object at a time in a process.
    StopSignals();
    // The requests end the process again, as before.
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Set once a stop was requested; stays set.
    const std::atomic<bool>& requested() const;

    // Blocks until a stop is requested (true) or wake() is called (false). Returns at once
    // when one came before.
    bool wait();

    // Makes wait() return false, from any thread: its caller has no more reason to wait.
    void wake();
};

} // namespace kestrum
