#pragma once

// kestrum-cli: the command line, the settings it runs with (those of the window program), and
// the commands plan, search, export and watch over the core's commands.

#include <atomic>
#include <functional>

namespace kestrum::cli {

// The exit statuses.
inline constexpr int kExitDone = 0;
// The draws or the web host cannot be reached, a feed cannot be read or holds no line, the
// files cannot be written, the local feed server does not start.
inline constexpr int kExitFailed = 1;
// A bad command line or bad settings.
inline constexpr int kExitUsage = 2;

// What only the program's entry point can do.
struct ProgramHooks {
    // Set by SIGINT and SIGTERM once the handlers are in; watch runs until then.
    const std::atomic<bool>* stop = nullptr;
    // Installs those handlers; called just before watch starts, and for no other command.
    std::function<void()> stopOnSignals;
};

// Runs the command that the arguments (the program's name first) name; returns the exit
// status. Output goes to standard output, every problem to standard error as
// "kestrum-cli: ...".
int runProgram(int argc, const char* const* argv, const ProgramHooks& hooks);

} // namespace kestrum::cli
