#pragma once

// The application: it checks for a newer version, opens the main window and ends when the
// window closes.

#include <QApplication>
#include <memory>

namespace kestrum {

class UpdateCheckThread;

class CPlanApp : public QApplication {
    Q_OBJECT

public:
    CPlanApp(int& argc, char** argv);

    // Starts the check for a newer version against the compiled-in web host. Called before the
    // application object is built, which takes a while, so that the two overlap.
    static std::unique_ptr<UpdateCheckThread> startUpdateCheck();

    // Runs the program on the check's outcome; returns its exit code.
    int run(std::unique_ptr<UpdateCheckThread> updateCheck);
};

} // namespace kestrum
