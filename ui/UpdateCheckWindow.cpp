#include "ui/UpdateCheckWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrum {

UpdateCheckWindow::UpdateCheckWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("软件更新"));
    auto* text = new QLabel(QStringLiteral("正在检查软件更新，请稍候……"), this);
    m_skip = new QPushButton(QStringLiteral("跳过"), this);
    m_skip->setAccessibleName(m_skip->text());
    // Return on the button skips too, as in a dialog.
    m_skip->setAutoDefault(true);
    connect(m_skip, &QPushButton::clicked, this, &UpdateCheckWindow::skipRequested);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_skip);
    auto* column = new QVBoxLayout;
    column->addWidget(text);
    column->addLayout(buttons);
    setLayout(column);
    setFixedSize(sizeHint());
    m_skip->setFocus();
}

void UpdateCheckWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closeRequested();
}

} // namespace kestrum
