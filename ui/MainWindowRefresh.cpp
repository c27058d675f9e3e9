#include "commands/RefreshCommand.h"
#include "draws/LotterySources.h"
#include "draws/LotteryTable.h"
#include "ui/MainWindow.h"

#include <QTimer>
#include <chrono>

namespace kestrum {

void MainWindow::onRefreshTimer() {
    if (m_refreshBusy.exchange(true)) {
        // Following the draws, the refresh that runs sets the next moment when it ends.
        return;
    }
    // The window hears of every refresh, also one that throws, for following the draws it
    // sets the next moment then.
    submit("刷新开奖", [this](CommandContext& context) {
        runTimedRefresh(context, m_refreshBusy, m_setup.clock);
    });
}

void MainWindow::startRefreshTimer(const LotterySource& lottery) {
    m_scheduler.emplace(lottery.drawsPerDay, std::chrono::milliseconds(lottery.refreshPeriodMs),
                        m_setup.followDraws, m_setup.clock,
                        drawScheduleOf(lottery.number, m_setup.settings.sources));
    if (!m_scheduler->followsDraws()) {
        m_timer->start(static_cast<int>(m_scheduler->period().count()));
        return;
    }
    m_timer->setSingleShot(true);
    scheduleRefresh();
}

void MainWindow::scheduleRefresh() {
    m_timer->start(static_cast<int>(m_scheduler->untilNextRefresh().count()));
}

void MainWindow::applyRefreshDone(const RefreshRun& run) {
    if (!m_scheduler) {
        return;
    }
    m_scheduler->refreshDone(run);
    if (m_scheduler->followsDraws() && !m_pendingLottery) {
        scheduleRefresh();
    }
}

std::optional<RefreshScheduler::Moment> MainWindow::nextRefresh() const {
    if (!m_scheduler || !m_timer->isActive()) {
        return std::nullopt;
    }
    return m_scheduler->nextRefresh();
}

} // namespace kestrum
