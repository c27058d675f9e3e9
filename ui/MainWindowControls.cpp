#include "ui/ControlTable.h"
#include "ui/DialogUnits.h"
#include "ui/MainWindow.h"
#include "ui/WebPanel.h"
#include "ui/WindowText.h"

#include <QButtonGroup>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <span>

namespace kestrum {

void MainWindow::createControls() {
    const DialogUnits units(font());
    m_playTypes = new QButtonGroup(this);
    m_lotteries = new QButtonGroup(this);
    for (const ControlRow& row : controlRows()) {
        QWidget* widget = createControl(row);
        widget->setGeometry(units.toPixels(row.x, row.y, row.width, row.height));
        if (row.id != ControlId::None) {
            const int id = static_cast<int>(row.id);
            widget->setObjectName(QStringLiteral("control%1").arg(id));
            widget->setProperty("controlId", id);
            m_controls.insert(id, widget);
        }
        if (row.kind == ControlKind::PlayTypeOption) {
            connect(static_cast<QRadioButton*>(widget), &QRadioButton::clicked, this,
                    [this, type = row.playType] { selectPlayType(type); });
        } else if (row.kind == ControlKind::LotteryOption) {
            connect(static_cast<QRadioButton*>(widget), &QRadioButton::clicked, this,
                    [this, number = row.lottery] { selectLottery(number); });
        }
    }
    m_codeCountBox = box(ControlId::CodeCount);
    m_planPeriodsBox = box(ControlId::PlanPeriods);
    m_formulaBox = box(ControlId::Formula);
    m_drawList = pane(ControlId::DrawList);
    m_report = pane(ControlId::Report);
    m_topPanel = panel(ControlId::TopPanel);
    m_rightPanel = panel(ControlId::RightPanel);
    // A link the user clicked in a panel that asks for a new window opens in the desktop's
    // browser.
    for (WebPanel* webPanel : {m_topPanel, m_rightPanel}) {
        connect(webPanel, &WebPanel::openRequested, this, [this](const QUrl& url) {
            if (m_setup.openUrl) {
                m_setup.openUrl(url);
            }
        });
    }
    connect(button(ControlId::Search), &QPushButton::clicked, this, &MainWindow::onSearchFormulas);
    connect(button(ControlId::UseFormula), &QPushButton::clicked, this,
            &MainWindow::useCurrentFormula);
}

QWidget* MainWindow::createControl(const ControlRow& row) {
    const QString text = fromUtf8(captionOf(row));
    QWidget* widget = nullptr;
    switch (row.kind) {
    case ControlKind::PlayTypeOption:
    case ControlKind::LotteryOption: {
        auto* option = new QRadioButton(text, this);
        option->setFocusPolicy(Qt::ClickFocus);
        QButtonGroup* group = row.kind == ControlKind::PlayTypeOption ? m_playTypes : m_lotteries;
        group->addButton(option, static_cast<int>(row.id));
        widget = option;
        break;
    }
    case ControlKind::Edit:
        widget = new QLineEdit(this);
        break;
    case ControlKind::Button: {
        auto* button = new QPushButton(text, this);
        // No default button: Return in a box neither searches nor closes the window.
        button->setAutoDefault(false);
        button->setDefault(false);
        widget = button;
        break;
    }
    case ControlKind::Label:
        widget = new QLabel(text, this);
        break;
    case ControlKind::Separator:
        widget = new QLabel(QString(57, QChar(0xFF1D)), this); // a row of "＝"
        break;
    case ControlKind::DrawList:
    case ControlKind::Report: {
        auto* pane = new QPlainTextEdit(this);
        pane->setReadOnly(true);
        pane->setTabChangesFocus(true);
        pane->setFocusPolicy(Qt::StrongFocus);
        pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        pane->setLineWrapMode(row.kind == ControlKind::Report ? QPlainTextEdit::WidgetWidth
                                                              : QPlainTextEdit::NoWrap);
        widget = pane;
        break;
    }
    case ControlKind::WebPanel:
        widget = new WebPanel(m_setup.webPanels, this);
        break;
    }
    widget->setAccessibleName(
        row.kind == ControlKind::Separator ? static_cast<QLabel*>(widget)->text() : text);
    return widget;
}

QWidget* MainWindow::control(ControlId id) const {
    return m_controls.value(static_cast<int>(id), nullptr);
}

QRadioButton* MainWindow::option(ControlId id) const {
    return qobject_cast<QRadioButton*>(control(id));
}

QLineEdit* MainWindow::box(ControlId id) const {
    return qobject_cast<QLineEdit*>(control(id));
}

QPushButton* MainWindow::button(ControlId id) const {
    return qobject_cast<QPushButton*>(control(id));
}

QPlainTextEdit* MainWindow::pane(ControlId id) const {
    return qobject_cast<QPlainTextEdit*>(control(id));
}

WebPanel* MainWindow::panel(ControlId id) const {
    return qobject_cast<WebPanel*>(control(id));
}

ControlId MainWindow::controlOf(const QWidget* widget) const {
    if (widget == nullptr || !isAncestorOf(widget)) {
        return ControlId::None;
    }
    for (; widget != this; widget = widget->parentWidget()) {
        if (const auto id = ControlId{widget->property("controlId").toInt()};
            id != ControlId::None) {
            return id;
        }
    }
    return ControlId::None;
}

std::optional<PlayType> MainWindow::checkedPlayType() const {
    for (const ControlRow& row : controlRows()) {
        if (row.kind == ControlKind::PlayTypeOption && option(row.id)->isChecked()) {
            return row.playType;
        }
    }
    return std::nullopt;
}

void MainWindow::checkPlayTypeOption(PlayType type) {
    // Each option explicitly, whatever the group does.
    for (const ControlRow& row : controlRows()) {
        if (row.kind == ControlKind::PlayTypeOption) {
            option(row.id)->setChecked(row.playType == type);
        }
    }
}

bool MainWindow::focusNextPrevChild(bool next) {
    const std::span<const ControlRow> rows = controlRows();
    const int count = static_cast<int>(rows.size());
    // The row of the control that has the focus; none: before the first or after the last.
    const ControlId focused = controlOf(focusWidget());
    const auto focusedRow = std::find_if(rows.begin(), rows.end(), [focused](const ControlRow& r) {
        return focused != ControlId::None && r.id == focused;
    });
    const int from = focusedRow != rows.end() ? static_cast<int>(focusedRow - rows.begin())
                     : next                   ? -1
                                              : count;
    for (int step = 1; step <= count; ++step) {
        const int index = ((from + (next ? step : -step)) % count + count) % count;
        const ControlRow& row = rows[static_cast<std::size_t>(index)];
        QWidget* widget = control(row.id);
        if (takesTabFocus(row.kind) && widget->isEnabled() && widget->isVisible()) {
            widget->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

} // namespace kestrum
