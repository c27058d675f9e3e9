#include "app/CPlanApp.h"

#include "BuildSettings.h"
#include "platform/CurlHttpClient.h"
#include "ui/AppIcon.h"
#include "ui/CMainDlg.h"

namespace kestrum {

namespace {

MainDlgSetup compiledInSetup() {
    MainDlgSetup setup;
    setup.settings.feedHosts = {std::string(build::kFeedHost1), std::string(build::kFeedHost2)};
    setup.settings.webHost = std::string(build::kWebHost);
    setup.settings.dataDirectory = ".";
    setup.siteUrl = std::string(build::kSiteUrl);
    setup.makeClient = [](const std::atomic<bool>& cancelled) -> std::unique_ptr<HttpClient> {
        return std::make_unique<CurlHttpClient>(HttpLimits{}, &cancelled);
    };
    return setup;
}

} // namespace

CPlanApp::CPlanApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Kestrum"));
    setWindowIcon(appIcon());
}

int CPlanApp::run() {
    CMainDlg window(compiledInSetup());
    window.exec();
    return 0;
}

} // namespace kestrum
