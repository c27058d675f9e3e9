#pragma once

// The small window that stands in for the program while the check for a newer version runs
// longer than a moment: it says what the program is doing and offers to skip the check.

#include <QWidget>

class QPushButton;

namespace kestrum {

class UpdateCheckWindow : public QWidget {
    Q_OBJECT

public:
    explicit UpdateCheckWindow(QWidget* parent = nullptr);

    QPushButton* skipButton() const { return m_skip; }

signals:
    // "跳过": the user would rather not wait for the check.
    void skipRequested();
    // The close box (or the window manager's close): the user wants no program at all.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* m_skip = nullptr;
};

} // namespace kestrum
