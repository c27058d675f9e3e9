#pragma once

// kestrum-cli: the command line, the settings it runs with (those of the window program), and
// the commands plan, search, export and watch over the core's commands.

namespace kestrum::cli {

// The exit statuses.
inline constexpr int kExitDone = 0;
// The draws or the web host cannot be reached, a feed cannot be read or holds no line, the
// files cannot be written, the local feed server does not start.
inline constexpr int kExitFailed = 1;
// A bad command line or bad settings.
inline constexpr int kExitUsage = 2;

// Runs the command that the arguments (the program's name first) name; returns the exit
// status. Output goes to standard output, every problem to standard error as
// "kestrum-cli: ...". watch runs until SIGINT or SIGTERM, which end it as it ends on its own.
int runProgram(int argc, const char* const* argv);

} // namespace kestrum::cli
