#pragma once

// The program: it checks for a newer version, opens the main window and ends when the window
// closes.

#include <memory>

class QApplication;

namespace kestrum {

class UpdateCheckThread;

// Sets what the web panels' browser engine and the window's drawing need, in the environment
// and the application's attributes. Called first: before the update check's thread starts (it
// reads the environment) and before the application object is built.
void prepareProcess();

// Starts the check for a newer version against the compiled-in web host. Called before the
// application object is built, which takes a while, so that the two overlap.
std::unique_ptr<UpdateCheckThread> startUpdateCheck();

// Names the application and gives it its icon, then runs the program on the check's outcome;
// returns its exit code. With KESTRUM_LOOP_WATCH set to a number other than 0 in the
// environment, an EventLoopWatch measures the main window's event loop and logs its stalls.
int runProgram(QApplication& app, std::unique_ptr<UpdateCheckThread> updateCheck);

} // namespace kestrum
