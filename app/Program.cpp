#include "app/Program.h"

#include "BuildSettings.h"
#include "app/CommandLine.h"
#include "app/QtTranslations.h"
#include "app/StartupFlow.h"
#include "app/UpdateCheckThread.h"
#include "commands/Updates.h"
#include "platform/DebugLog.h"
#include "platform/HttpClient.h"
#include "platform/LocalFeedServer.h"
#include "platform/Process.h"
#include "platform/StopSignals.h"
#include "ui/AppIcon.h"
#include "ui/EventLoopWatch.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QByteArray>
#include <QDesktopServices>
#include <QMessageBox>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QUrl>
#include <cstdio>
#include <memory>
#include <thread>
#include <variant>

namespace kestrum {

namespace {

// Web addresses go to the desktop's opener only when they are http or https addresses.
void openWebAddress(const QUrl& url) {
    if (isWebAddress(url.toString().toStdString())) {
        QDesktopServices::openUrl(url);
    }
}

// The HTTP client of the engine thread and of the update check; `cancelled` ends its transfer.
std::unique_ptr<HttpClient> makeSystemHttpClient(const std::atomic<bool>& cancelled) {
    return makeHttpClient(HttpLimits{}, &cancelled);
}

MainWindowSetup windowSetup(const RunSettings& settings) {
    MainWindowSetup setup;
    setup.settings = settings.app;
    setup.siteUrl = settings.siteUrl;
    setup.makeClient = makeSystemHttpClient;
    setup.openUrl = openWebAddress;
    setup.openFolder = [](const QUrl& folder) { QDesktopServices::openUrl(folder); };
    setup.webPanels = settings.webPanels;
    setup.followDraws = settings.followDraws;
    return setup;
}

// Whether a window can be shown: a display, or a platform chosen by hand.
bool haveDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// Says why the program does not start: on standard error, and in a message box when a window
// can be shown. The program then ends with status 2.
int refuseToStart(int& argc, char** argv, const std::string& message, int status = 2) {
    std::fprintf(stderr, "kestrum: %s\n", message.c_str());
    if (haveDisplay()) {
        // Shown by the application's own loop, which ends when the box is closed.
        QApplication app(argc, argv);
        installQtTranslations(app);
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Kestrum"),
                        QString::fromStdString(message), QMessageBox::Ok);
        QObject::connect(&box, &QMessageBox::finished, &app, &QCoreApplication::quit);
        box.open();
        QApplication::exec();
    }
    return status;
}

// Sets what the web panels' browser engine and the window's drawing need, in the environment
// and the application's attributes: before the update check's thread starts (it reads the
// environment) and before the application object is built.
void prepareProcess() {
    // The web panels' browser engine: it refuses its sandbox when run as root, and draws
    // without a GPU (a virtual display has none).
    if (runningAsRoot()) {
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

// SIGTERM (a session that ends, `kill`) and SIGINT (Ctrl+C in a terminal) end the program as
// closing its window does: the engine thread finishes its command, and the local feed server
// is stopped. A small thread waits for them and asks the event loop to end.
class QuitOnSignals {
public:
    QuitOnSignals()
        : m_waiter([this] {
              if (m_signals.wait()) {
                  QMetaObject::invokeMethod(
                      qApp,
                      [] {
                          debugLog("kestrum: asked to stop by a signal\n");
                          QCoreApplication::exit(0);
                      },
                      Qt::QueuedConnection);
              }
          }) {}
    ~QuitOnSignals() {
        m_signals.wake();
        m_waiter.join();
    }
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;

private:
    StopSignals m_signals;
    std::thread m_waiter;
};

} // namespace

int runProgram(int& argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    const std::variant<CommandLine, SettingsError> parsed = parseCommandLine(arguments);
    if (const auto* error = std::get_if<SettingsError>(&parsed)) {
        return refuseToStart(argc, argv, error->message);
    }
    const CommandLine& commandLine = std::get<CommandLine>(parsed);
    if (commandLine.answer) {
        // --help and --version answer without a display.
        std::fputs(commandLine.answer->c_str(), stdout);
        return 0;
    }
    const std::variant<RunSettings, SettingsError> resolved =
        resolveSettings(commandLine, processEnvironment);
    if (const auto* error = std::get_if<SettingsError>(&resolved)) {
        return refuseToStart(argc, argv, error->message);
    }
    RunSettings settings = std::get<RunSettings>(resolved);
    // Stopped when the program returns, and by the kernel when it dies.
    auto started =
        startLocalFeedsWhenNeeded(settings, processEnvironment, [](const std::string& note) {
            std::fprintf(stderr, "kestrum: %s\n", note.c_str());
        });
    if (const auto* error = std::get_if<std::string>(&started)) {
        return refuseToStart(argc, argv, *error, 1);
    }
    const std::unique_ptr<LocalFeedServer> localFeeds =
        std::move(std::get<std::unique_ptr<LocalFeedServer>>(started));

    // A program started from a menu has no terminal: the log also goes to a file.
    if (const auto logPath = defaultLogPath(processEnvironment)) {
        setDebugLogFile(*logPath);
    }
    prepareProcess();
    // The check for a newer version runs while the application object is built (the window
    // system and the browser engine's GL context take well over 100 ms): a quick answer is in
    // by the time a window could show, and a slow one lets its window show sooner.
    std::unique_ptr<UpdateCheckThread> updateCheck;
    if (settings.updateCheck) {
        updateCheck =
            std::make_unique<UpdateCheckThread>(makeSystemHttpClient, settings.app.webHost);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrum"));
    // The window's texts are Chinese: Qt's own ones too, whatever the desktop's language.
    installQtTranslations(app);
    // The installed desktop entry's id: the desktop matches the window to its entry and icon.
    QApplication::setDesktopFileName(QStringLiteral("org.kestrum.Kestrum"));
    QApplication::setWindowIcon(appIcon());
    // The flow says when the program ends: the checking window gives way to the main window or
    // to the update message, and closing it then is no reason to quit.
    QApplication::setQuitOnLastWindowClosed(false);
    StartupSetup startup;
    startup.makeMainWindow = [&settings] {
        return std::make_unique<MainWindow>(windowSetup(settings));
    };
    startup.openUrl = openWebAddress;
    StartupFlow flow(std::move(startup));
    QObject::connect(&flow, &StartupFlow::finished, &app, &QCoreApplication::exit);
    // The watch measures the main window's loop, from its first showing on; it goes (and logs
    // its record) before the window does. It runs only when asked, for the scripts that measure
    // the running program.
    std::unique_ptr<EventLoopWatch> watch;
    if (qEnvironmentVariableIntValue("KESTRUM_LOOP_WATCH") != 0) {
        QObject::connect(&flow, &StartupFlow::mainWindowOpened, &app,
                         [&watch] { watch = std::make_unique<EventLoopWatch>(); });
    }
    const QuitOnSignals quitOnSignals;
    flow.start(std::move(updateCheck));
    return QApplication::exec();
}

} // namespace kestrum
