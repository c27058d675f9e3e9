#include "app/Program.h"
#include "app/UpdateCheckThread.h"

#include <QApplication>
#include <QByteArray>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <memory>
#include <unistd.h>

int main(int argc, char** argv) {
    // The web panels' browser engine: it refuses its sandbox when run as root, and draws
    // without a GPU (a virtual display has none).
    if (geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags.append(" --disable-gpu");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The pages come from the engine as pictures drawn without a GPU, and the panels put them on
    // the window the same way: an OpenGL context for them would cost the window's first paint
    // about 100 ms on a software renderer, and gain nothing.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);

    // The check for a newer version runs while the application object is built (the window
    // system and the browser engine's GL context take well over 100 ms): a quick answer is in
    // by the time a window could show, and a slow one lets its window show sooner. It starts
    // after the environment is set above, which its thread reads.
    std::unique_ptr<kestrum::UpdateCheckThread> updateCheck = kestrum::startUpdateCheck();
    QApplication app(argc, argv);
    return kestrum::runProgram(app, std::move(updateCheck));
}
