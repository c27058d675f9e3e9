#pragma once

// The program's start: the check for a newer version, then the main window. The check runs on
// a thread of its own so that the window's thread never waits on the network; when it takes
// longer than a moment, a small window says so and lets the user skip it.

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>

class QDialog;
class QMessageBox;

namespace kestrum {

class UpdateCheckThread;
class UpdateCheckWindow;

struct StartupSetup {
    // Makes the main window, once the check lets the program go on.
    std::function<std::unique_ptr<QDialog>()> makeMainWindow;
    // Hands a web address to the desktop's opener.
    std::function<void(const QUrl&)> openUrl;
    // How long after its start the check may run before the checking window shows: a check
    // that answers sooner goes straight on to the main window, with no window flashing up
    // before it.
    std::chrono::milliseconds checkingWindowDelay{150};
};

class StartupFlow : public QObject {
    Q_OBJECT

public:
    explicit StartupFlow(StartupSetup setup, QObject* parent = nullptr);
    // Cancels a check still running and waits for its thread (see ~UpdateCheckThread); the
    // main window, if open, goes with the flow.
    ~StartupFlow() override;

    // Takes over the check, which may have started a while ago; everything after it happens on
    // the event loop.
    void start(std::unique_ptr<UpdateCheckThread> check);

    // The main window, once it is open; nullptr before and when it never opens.
    QDialog* mainWindow() const { return m_mainWindow.get(); }
    // The checking window while it is on screen, else nullptr.
    UpdateCheckWindow* checkingWindow() const;

signals:
    // The main window is on screen (not modal: the program runs on the application's loop).
    void mainWindowOpened();
    // The program should end: the main window was closed, the checking window was closed, or
    // the user was told of a newer version and sent to its package.
    // status: the program's exit status.
    void finished(int status);

private:
    enum class Stage { Idle, Checking, MainWindow, UpdateMessage, Ended };

    void showCheckingWindow();
    void checkDone(bool newer);
    void skip();
    void endFromCheckingWindow();
    void openMainWindow();
    void showUpdateMessage();
    void closeCheckingWindow();

    StartupSetup m_setup;
    Stage m_stage = Stage::Idle;
    std::unique_ptr<UpdateCheckThread> m_check;
    // Parentless; once closed it is deleted later, or with the flow if that comes first.
    QPointer<UpdateCheckWindow> m_checkingWindow;
    std::unique_ptr<QMessageBox> m_updateMessage;
    std::unique_ptr<QDialog> m_mainWindow;
};

} // namespace kestrum
