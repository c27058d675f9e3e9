#include "commands/AccuracyCommand.h"
#include "commands/HonestFiguresCommand.h"
#include "draws/LotteryTable.h"
#include "ui/DrawTrendWindow.h"
#include "ui/MainWindow.h"
#include "ui/PlanStatsWindow.h"
#include "ui/WindowText.h"

#include <QPlainTextEdit>

namespace kestrum {

void MainWindow::showDrawTrend() {
    if (m_drawTrend == nullptr) {
        m_drawTrend = new DrawTrendWindow(this);
        updateDrawTrend();
    }
    m_drawTrend->present();
}

void MainWindow::showPlanStats() {
    if (m_planStats == nullptr) {
        m_planStats = new PlanStatsWindow(this);
        connect(m_planStats, &PlanStatsWindow::accuraciesWanted, this,
                &MainWindow::computeAccuracies);
        updatePlanStats();
    }
    m_planStats->present();
}

void MainWindow::updateDrawTrend() {
    if (m_drawTrend != nullptr) {
        m_drawTrend->showDrawList(fromUtf8(lotteryByNumber(m_lottery).label),
                                  m_drawList->toPlainText());
    }
}

void MainWindow::updatePlanStats() {
    // Also while it is hidden, so that it opens again with the plans of the report; it asks for
    // the formulas' accuracies only while it is open.
    if (m_planStats == nullptr) {
        return;
    }
    const std::optional<PlayType> type = checkedPlayType();
    if (!m_plans) {
        m_planStats->showNoPlans(QStringLiteral("还没有计划：开奖数据载入、公式选定后显示。"));
    } else if (!type) {
        m_planStats->showNoPlans(QStringLiteral("请在主窗口中选择玩法。"));
    } else {
        const std::size_t slot = slotOf(*type);
        m_planStats->showPlans(fromUtf8(lotteryByNumber(m_lottery).label), *type,
                               m_plans->formulas[slot], m_planParams[slot],
                               m_plans->planRecords[slot]);
    }
}

void MainWindow::computeAccuracies(std::uint64_t ticket, PlayType type, PlanShape shape,
                                   std::int32_t formula) {
    submit("公式准确率", [ticket, type, shape, formula](CommandContext& context) {
        runFormulaAccuracies(context, ticket, type, shape, formula);
    });
    // After the accuracies, so that the histogram shows while the figures beside chance take
    // their seconds.
    if (m_figuresUnwanted) {
        m_figuresUnwanted->store(true);
    }
    m_figuresUnwanted = std::make_shared<std::atomic<bool>>(false);
    submit("随机基准",
           [ticket, type, shape, formula, unwanted = m_figuresUnwanted](CommandContext& context) {
               runHonestFigures(context, ticket, type, shape, formula, unwanted.get());
           });
}

void MainWindow::applyAccuracies(std::uint64_t ticket, const FormulaAccuracies& accuracies) {
    if (m_planStats != nullptr) {
        m_planStats->showAccuracies(ticket, accuracies);
    }
}

void MainWindow::applyHonestFigures(std::uint64_t ticket, const HonestFigures& figures) {
    if (m_planStats != nullptr) {
        m_planStats->showHonestFigures(ticket, figures);
    }
}

} // namespace kestrum
