#include "app/Program.h"

#include "BuildSettings.h"
#include "app/StartupFlow.h"
#include "app/UpdateCheckThread.h"
#include "commands/Updates.h"
#include "platform/CurlHttpClient.h"
#include "ui/AppIcon.h"
#include "ui/EventLoopWatch.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QByteArray>
#include <QDesktopServices>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QUrl>
#include <memory>
#include <unistd.h>

namespace kestrum {

namespace {

// Web addresses go to the desktop's opener only when they are http or https addresses.
void openWebAddress(const QUrl& url) {
    if (isWebAddress(url.toString().toStdString())) {
        QDesktopServices::openUrl(url);
    }
}

MainWindowSetup compiledInSetup() {
    MainWindowSetup setup;
    setup.settings.feedHosts = {std::string(build::kFeedHost1), std::string(build::kFeedHost2)};
    setup.settings.webHost = std::string(build::kWebHost);
    setup.settings.dataDirectory = ".";
    setup.siteUrl = std::string(build::kSiteUrl);
    setup.makeClient = [](const std::atomic<bool>& cancelled) -> std::unique_ptr<HttpClient> {
        return std::make_unique<CurlHttpClient>(HttpLimits{}, &cancelled);
    };
    setup.openUrl = openWebAddress;
    setup.webPanels = true;
    return setup;
}

StartupSetup compiledInStartup() {
    StartupSetup setup;
    setup.makeMainWindow = [] { return std::make_unique<MainWindow>(compiledInSetup()); };
    setup.openUrl = openWebAddress;
    return setup;
}

} // namespace

void prepareProcess() {
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
}

std::unique_ptr<UpdateCheckThread> startUpdateCheck() {
    return std::make_unique<UpdateCheckThread>(
        [](const std::atomic<bool>& cancelled) -> std::unique_ptr<HttpClient> {
            return std::make_unique<CurlHttpClient>(HttpLimits{}, &cancelled);
        },
        std::string(build::kWebHost));
}

int runProgram(QApplication& app, std::unique_ptr<UpdateCheckThread> updateCheck) {
    QApplication::setApplicationName(QStringLiteral("Kestrum"));
    QApplication::setWindowIcon(appIcon());
    // The flow says when the program ends: the checking window gives way to the main window or
    // to the update message, and closing it then is no reason to quit.
    QApplication::setQuitOnLastWindowClosed(false);
    StartupFlow flow(compiledInStartup());
    QObject::connect(&flow, &StartupFlow::finished, &app, &QCoreApplication::quit);
    // The watch measures the main window's loop, from its first showing on; it goes (and logs
    // its record) before the window does. It runs only when asked, for the scripts that measure
    // the running program.
    std::unique_ptr<EventLoopWatch> watch;
    if (qEnvironmentVariableIntValue("KESTRUM_LOOP_WATCH") != 0) {
        QObject::connect(&flow, &StartupFlow::mainWindowOpened, &app,
                         [&watch] { watch = std::make_unique<EventLoopWatch>(); });
    }
    flow.start(std::move(updateCheck));
    return QApplication::exec();
}

} // namespace kestrum
