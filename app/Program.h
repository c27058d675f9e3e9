#pragma once

// The program: its command line and settings, the check for a newer version, the main window;
// it ends when the window closes.

namespace kestrum {

// Runs the program; returns its exit status: 0, or 2 when the command line or the settings are
// refused (the reason on standard error, and in a message box when a window can be shown).
// --help and --version answer on standard output without a display. With KESTRUM_LOOP_WATCH
// set to a number other than 0 in the environment, an EventLoopWatch measures the main
// window's event loop and logs its stalls.
int runProgram(int& argc, char** argv);

} // namespace kestrum
