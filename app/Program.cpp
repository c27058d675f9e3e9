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
#include <QDesktopServices>
#include <QUrl>
#include <memory>

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
    // its record) before the window does.
    std::unique_ptr<EventLoopWatch> watch;
    QObject::connect(&flow, &StartupFlow::mainWindowOpened, &app,
                     [&watch] { watch = std::make_unique<EventLoopWatch>(); });
    flow.start(std::move(updateCheck));
    return QApplication::exec();
}

} // namespace kestrum
