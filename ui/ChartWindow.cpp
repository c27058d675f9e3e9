#include "ui/ChartWindow.h"

#include "ui/ChartWidget.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QKeySequence>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <algorithm>

namespace kestrum {

namespace {

// Room left on the screen for the window's frame and a panel of the desktop.
constexpr int kFrameRoom = 40;
constexpr int kPanelRoom = 60;

} // namespace

ChartWindow::ChartWindow(const QString& title, const QString& pictureName, ChartWidget* chart,
                         QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_chart(chart), m_pictureName(pictureName) {
    setWindowTitle(title);
    setAccessibleName(title);
    setModal(false);

    m_scroll = new QScrollArea(this);
    m_scroll->setWidget(chart);
    m_scroll->setWidgetResizable(false);
    m_scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_scroll->setBackgroundRole(QPalette::Base);
    // The arrow keys and Page Up/Down scroll the chart.
    m_scroll->setFocusPolicy(Qt::StrongFocus);
    m_scroll->setAccessibleName(title + QStringLiteral("滚动区"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_scroll);

    auto* save = new QAction(QStringLiteral("保存图片(&S)..."), this);
    save->setShortcut(QKeySequence::Save);
    connect(save, &QAction::triggered, this, &ChartWindow::askWhereToSave);
    addAction(save);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

bool ChartWindow::savePicture(const QString& path) const {
    return m_chart->picture().save(path, "PNG");
}

void ChartWindow::present() {
    if (!isVisible()) {
        // The chart with its scroll bars' room, within the screen (at most 1280 × 800).
        const QRect screenArea = screen()->availableGeometry();
        const int bar = m_scroll->verticalScrollBar()->sizeHint().width();
        const int frame = 2 * m_scroll->frameWidth();
        const QSize wanted = m_chart->size() + QSize(bar + frame, bar + frame);
        resize(std::min(wanted.width(), screenArea.width() - kFrameRoom),
               std::min(wanted.height(), screenArea.height() - kPanelRoom));
        move(screenArea.x() + std::max(0, (screenArea.width() - width()) / 2),
             screenArea.y() + std::max(0, (screenArea.height() - height() - kPanelRoom) / 2));
    }
    show();
    raise();
    activateWindow();
    m_scroll->setFocus(Qt::OtherFocusReason);
}

void ChartWindow::askWhereToSave() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) {
        folder = QDir::homePath();
    }
    auto* dialog = new QFileDialog(this, QStringLiteral("保存图片"), folder,
                                   QStringLiteral("PNG 图片 (*.png)"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("png"));
    dialog->selectFile(m_pictureName);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        if (!savePicture(path)) {
            auto* box =
                new QMessageBox(QMessageBox::Warning, QString(),
                                QStringLiteral("图片无法保存到 %1（没有写入权限或磁盘已满？）。")
                                    .arg(QDir::toNativeSeparators(path)),
                                QMessageBox::Ok, this);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->open();
        }
    });
    dialog->open();
}

} // namespace kestrum
