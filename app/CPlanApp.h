#pragma once

// The application: it opens the main window and ends when the window closes.

#include <QApplication>

namespace kestrum {

class CPlanApp : public QApplication {
    Q_OBJECT

public:
    CPlanApp(int& argc, char** argv);

    // Runs the program; returns its exit code.
    int run();
};

} // namespace kestrum
