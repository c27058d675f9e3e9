#include "app/Program.h"
#include "app/UpdateCheckThread.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv) {
    kestrum::prepareProcess();
    // The check for a newer version runs while the application object is built (the window
    // system and the browser engine's GL context take well over 100 ms): a quick answer is in
    // by the time a window could show, and a slow one lets its window show sooner.
    std::unique_ptr<kestrum::UpdateCheckThread> updateCheck = kestrum::startUpdateCheck();
    QApplication app(argc, argv);
    return kestrum::runProgram(app, std::move(updateCheck));
}
