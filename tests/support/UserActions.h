#pragma once

// What the window tests do as the user: type into a box, answer a dialog once it shows.

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QString>
#include <QTest>
#include <QWidget>

namespace kestrum::test {

// Types `text` into `box` over what it holds, key by key.
inline void typeInto(QLineEdit* box, const QString& text) {
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

// The dialog of type Dialog on show: the modal one if there is one, else a visible window.
template <typename Dialog>
Dialog* visibleDialog() {
    if (auto* modal = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
        return modal;
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<Dialog*>(widget);
            dialog != nullptr && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

// Waits until a dialog of type Dialog shows, the window's event loop running meanwhile, and lets
// `answer` read and close it. False when none showed within `timeoutMs`.
template <typename Dialog, typename Answer>
bool answerDialog(Answer answer, int timeoutMs = 20000) {
    Dialog* dialog = nullptr;
    if (!QTest::qWaitFor([&dialog] { return (dialog = visibleDialog<Dialog>()) != nullptr; },
                         timeoutMs)) {
        return false;
    }
    answer(*dialog);
    return true;
}

} // namespace kestrum::test
