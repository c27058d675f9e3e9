#include "app/CPlanApp.h"

#include <QApplication>
#include <QByteArray>
#include <QQuickWindow>
#include <QSGRendererInterface>
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

    kestrum::CPlanApp app(argc, argv);
    return app.run();
}
