#pragma once

// How the feed server is asked to stop, and which ports it may share: the system's part of it.

#include <functional>
#include <httplib.h>

namespace feedsim {

// From now on the stop requests (SIGINT and SIGTERM; Ctrl+C, Ctrl+Break and closing the
// console on Windows) are kept for waitForStop. Called before any thread is started.
void takeStopRequests();

// Returns once a stop is requested, calling `every` each `everySeconds` meanwhile (when > 0).
void waitForStop(long everySeconds, const std::function<void()>& every);

// A port is this server's alone: a second server never binds one that is listening, while a
// restart may take over one that is closing.
void useExclusivePorts(httplib::Server& server);

} // namespace feedsim
