#pragma once

// The program: it checks for a newer version, opens the main window and ends when the window
// closes.

#include <memory>

class QApplication;

namespace kestrum {

class UpdateCheckThread;

// Starts the check for a newer version against the compiled-in web host. Called before the
// application object is built, which takes a while, so that the two overlap.
std::unique_ptr<UpdateCheckThread> startUpdateCheck();

// Names the application and gives it its icon, then runs the program on the check's outcome;
// returns its exit code.
int runProgram(QApplication& app, std::unique_ptr<UpdateCheckThread> updateCheck);

} // namespace kestrum
