#include "app/StartupFlow.h"

#include "app/UpdateCheckThread.h"
#include "commands/Updates.h"
#include "ui/UpdateCheckWindow.h"

#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>

namespace kestrum {

StartupFlow::StartupFlow(StartupSetup setup, QObject* parent)
    : QObject(parent), m_setup(std::move(setup)) {}

StartupFlow::~StartupFlow() {
    m_check.reset();
    delete m_checkingWindow.data();
}

UpdateCheckWindow* StartupFlow::checkingWindow() const {
    return m_checkingWindow != nullptr && m_checkingWindow->isVisible() ? m_checkingWindow.data()
                                                                        : nullptr;
}

void StartupFlow::start(std::unique_ptr<UpdateCheckThread> check) {
    if (m_stage != Stage::Idle) {
        return;
    }
    m_stage = Stage::Checking;
    if (!check) {
        // No check (turned off): the main window at once.
        openMainWindow();
        return;
    }
    m_check = std::move(check);
    // Called on the check's thread, or here when the answer is in already; either way it is
    // queued ahead of the timer below when that timer is due at once.
    m_check->whenDone([this](const UpdateCheck& outcome) {
        QMetaObject::invokeMethod(
            this, [this, newer = outcome.newer] { checkDone(newer); }, Qt::QueuedConnection);
    });
    const std::chrono::milliseconds left =
        std::max(m_setup.checkingWindowDelay - m_check->elapsed(), std::chrono::milliseconds(0));
    QTimer::singleShot(left, this, &StartupFlow::showCheckingWindow);
}

void StartupFlow::showCheckingWindow() {
    if (m_stage != Stage::Checking) {
        return;
    }
    m_checkingWindow = new UpdateCheckWindow;
    connect(m_checkingWindow, &UpdateCheckWindow::skipRequested, this, &StartupFlow::skip);
    connect(m_checkingWindow, &UpdateCheckWindow::closeRequested, this,
            &StartupFlow::endFromCheckingWindow);
    m_checkingWindow->show();
}

void StartupFlow::checkDone(bool newer) {
    // The thread's last act was to report: this returns at once.
    m_check->join();
    if (m_stage != Stage::Checking) {
        // Skipped or closed meanwhile: the answer no longer matters.
        return;
    }
    if (newer) {
        showUpdateMessage();
    } else {
        openMainWindow();
    }
}

void StartupFlow::skip() {
    if (m_stage != Stage::Checking) {
        return;
    }
    // The check's thread is joined when it reports, soon after the cancel; the window's thread
    // does not wait for it.
    m_check->cancel();
    openMainWindow();
}

void StartupFlow::endFromCheckingWindow() {
    if (m_stage != Stage::Checking) {
        return;
    }
    m_check->cancel();
    m_stage = Stage::Ended;
    closeCheckingWindow();
    emit finished(0);
}

void StartupFlow::openMainWindow() {
    m_stage = Stage::MainWindow;
    m_mainWindow = m_setup.makeMainWindow();
    // The close box, Escape and the window's own accept() all finish the dialog.
    connect(m_mainWindow.get(), &QDialog::finished, this, [this](int result) {
        m_stage = Stage::Ended;
        // A window that closed on a failure (a result above Accepted) ends the program with 1.
        emit finished(result > QDialog::Accepted ? 1 : 0);
    });
    m_mainWindow->show();
    // Only now, so that the program is never without a window.
    closeCheckingWindow();
    emit mainWindowOpened();
}

void StartupFlow::showUpdateMessage() {
    m_stage = Stage::UpdateMessage;
    m_updateMessage = std::make_unique<QMessageBox>(
        QMessageBox::Information, QString(), QString::fromUtf8(kUpdateMessage), QMessageBox::Ok);
    connect(m_updateMessage.get(), &QDialog::finished, this, [this] {
        // The package is opened once the user has closed the message.
        if (m_setup.openUrl) {
            m_setup.openUrl(QUrl(QString::fromStdString(updatePackageUrl(m_check->webHost()))));
        }
        m_stage = Stage::Ended;
        emit finished(0);
    });
    m_updateMessage->open();
    closeCheckingWindow();
}

void StartupFlow::closeCheckingWindow() {
    if (m_checkingWindow != nullptr) {
        m_checkingWindow->hide();
        // Later: this may run inside one of the window's own signals.
        m_checkingWindow->deleteLater();
    }
}

} // namespace kestrum
