#include "base/Text.h"
#include "commands/EngineThread.h"
#include "draws/LotteryTable.h"
#include "ui/FormulaListDialog.h"
#include "ui/MainWindow.h"
#include "ui/QtView.h"
#include "ui/WebPanel.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <exception>
#include <vector>

namespace kestrum {

void MainWindow::submit(std::string name, std::function<void(CommandContext&)> command) {
    const std::uint64_t epoch = m_lotteryEpoch;
    m_engineThread->submit(std::move(name),
                           [this, epoch, command = std::move(command)](Engine& engine) {
                               m_view->beginCommand(epoch);
                               CommandContext context{engine,
                                                      *m_view,
                                                      *m_client,
                                                      m_setup.settings,
                                                      [this](std::chrono::milliseconds pause) {
                                                          return m_engineThread->wait(pause);
                                                      },
                                                      m_setup.pacing};
                               command(context);
                           });
}

void MainWindow::submitUserCommand(std::string name, std::function<void(CommandContext&)> command) {
    if (m_busyCommands++ == 0) {
        setStartersEnabled(false);
        QApplication::setOverrideCursor(Qt::BusyCursor);
    }
    submit(std::move(name), [command = std::move(command)](CommandContext& context) {
        // A command that throws still ends: the controls it disabled come back.
        struct DoneOnThrow {
            View& view;
            int uncaught = std::uncaught_exceptions();
            ~DoneOnThrow() {
                if (std::uncaught_exceptions() > uncaught) {
                    view.commandDone();
                }
            }
        } doneOnThrow{context.view};
        command(context);
    });
}

void MainWindow::setStartersEnabled(bool enabled) {
    std::vector<QWidget*> starters{control(ControlId::Search), control(ControlId::UseFormula)};
    for (const ControlRow& row : controlRows()) {
        if (row.kind == ControlKind::LotteryOption) {
            starters.push_back(control(row.id));
        }
    }
    for (QWidget* starter : starters) {
        if (!enabled && starter == focusWidget()) {
            // Disabled, the focused control would pass the focus on down the tab order, as
            // far as a web panel, which keeps Escape and Tab to itself: the window holds the
            // focus meanwhile.
            m_parkedFocus = starter;
            setFocus(Qt::OtherFocusReason);
        }
        starter->setEnabled(enabled);
    }
    if (enabled) {
        if (m_parkedFocus != nullptr && focusWidget() == this) {
            m_parkedFocus->setFocus(Qt::OtherFocusReason);
        }
        m_parkedFocus.clear();
    }
}

void MainWindow::applyCommandDone() {
    if (m_busyCommands == 0 || --m_busyCommands > 0) {
        return;
    }
    setStartersEnabled(true);
    QApplication::restoreOverrideCursor();
    if (m_pendingLottery) {
        const LotterySource& lottery = lotteryByNumber(*m_pendingLottery);
        m_pendingLottery.reset();
        startRefreshTimer(lottery);
        if (!lottery.panelFirst) {
            navigateTopPanel(lottery.panelPage);
        }
    }
}

void MainWindow::onSearchFormulas() {
    const std::optional<PlanShape> shape = parseSearchInput(m_codeCountBox->text().toStdString(),
                                                            m_planPeriodsBox->text().toStdString());
    const std::optional<PlayType> type = checkedPlayType();
    // Nothing to search; the plans are recomputed all the same.
    const auto recompute = [this] {
        submitUserCommand(
            "搜索公式", [](CommandContext& context) { runStoreFormula(context, std::nullopt, 0); });
    };
    if (!shape) {
        // Window-modal, without a loop of its own: the recompute follows once it is closed.
        auto* message =
            new QMessageBox(QMessageBox::Information, QString(),
                            QString::fromUtf8(kBadSearchInputText), QMessageBox::Ok, this);
        message->setAttribute(Qt::WA_DeleteOnClose);
        connect(message, &QDialog::finished, this, recompute);
        message->open();
        return;
    }
    if (!type) {
        recompute();
        return;
    }
    submitUserCommand("搜索公式", [type = *type, shape = *shape](CommandContext& context) {
        runSearch(context, type, shape);
    });
}

void MainWindow::applyCandidates(PlayType type, const CandidateRows& candidates) {
    m_formulaList = new FormulaListDialog(candidates, this);
    m_formulaList->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_formulaList, &QDialog::finished, this, [this, type, candidates] {
        const std::int32_t chosen = m_formulaList->chosenFormula();
        m_formulaList = nullptr;
        // Closed without a choice: the best candidate.
        const std::int32_t formula = chosen >= 0 ? chosen : candidates.formula[0];
        m_formulaBox->setText(QString::fromStdString(formatText("%d", formula)));
        submitUserCommand("选定公式", [type, formula](CommandContext& context) {
            runStoreFormula(context, type, formula);
        });
    });
    m_formulaList->open();
}

void MainWindow::useCurrentFormula() {
    submitUserCommand("使用已有公式",
                      [type = checkedPlayType(), text = m_formulaBox->text().toStdString()](
                          CommandContext& context) { runUseFormula(context, type, text); });
}

void MainWindow::selectLottery(std::int32_t number) {
    const LotterySource& lottery = lotteryByNumber(number);
    if (number != 1) {
        m_timer->stop();
        if (lottery.panelFirst) {
            navigateTopPanel(lottery.panelPage);
        }
    }
    // From here on the window shows only the chosen lottery: what the commands submitted before
    // show of the previous one is dropped when it arrives, and its plans are gone.
    ++m_lotteryEpoch;
    m_lottery = number;
    m_plans.reset();
    m_formulasKnown = true;
    applyCheckedOptions(PlayType::Hou1, number);
    applyStatus(kPreparingText);
    writePlanReport();
    m_pendingLottery = number;
    submitUserCommand("切换彩种",
                      [number](CommandContext& context) { runSelectLottery(context, number); });
}

} // namespace kestrum
