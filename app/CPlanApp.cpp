#include "app/CPlanApp.h"

#include "BuildSettings.h"
#include "commands/Updates.h"
#include "platform/CurlHttpClient.h"
#include "ui/AppIcon.h"
#include "ui/CMainDlg.h"
#include "ui/EventLoopWatch.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>
#include <thread>

namespace kestrum {

namespace {

// Web addresses go to the desktop's opener only when they are http or https addresses.
void openWebAddress(const QUrl& url) {
    if (isWebAddress(url.toString().toStdString())) {
        QDesktopServices::openUrl(url);
    }
}

MainDlgSetup compiledInSetup() {
    MainDlgSetup setup;
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

} // namespace

CPlanApp::CPlanApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Kestrum"));
    setWindowIcon(appIcon());
}

int CPlanApp::run() {
    const std::string webHost(build::kWebHost);
    CurlHttpClient client;
    const UpdateCheck update = checkForUpdate(client, webHost, [](std::chrono::milliseconds pause) {
        std::this_thread::sleep_for(pause);
        return true;
    });
    if (update.newer) {
        QMessageBox::information(nullptr, QString(), QString::fromUtf8(kUpdateMessage));
        openWebAddress(QUrl(QString::fromStdString(updatePackageUrl(webHost))));
        return 0;
    }
    CMainDlg window(compiledInSetup());
    const EventLoopWatch watch;
    window.exec();
    return 0;
}

} // namespace kestrum
