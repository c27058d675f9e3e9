#include "ui/QtView.h"

#include "ui/MainWindow.h"

#include <QMetaObject>
#include <memory>

namespace kestrum {

void QtView::queue(Call call) {
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back({m_commandEpoch, std::move(call)});
    }
    // Qt drops the wake-up if the window is gone by then.
    QMetaObject::invokeMethod(
        m_window, [this] { runQueued(); }, Qt::QueuedConnection);
}

void QtView::runQueued() {
    for (;;) {
        Queued queued;
        {
            std::lock_guard lock(m_mutex);
            if (m_calls.empty()) {
                return;
            }
            queued = std::move(m_calls.front());
            m_calls.pop_front();
        }
        queued.call(*m_window, queued.epoch == m_window->lotteryEpoch());
    }
}

void QtView::showDrawList(std::optional<std::string> text) {
    queue([text = std::move(text)](MainWindow& window, bool current) {
        if (current) {
            window.applyDrawList(text);
        }
    });
}

void QtView::showStatus(std::string text) {
    queue([text = std::move(text)](MainWindow& window, bool current) {
        if (current) {
            window.applyStatus(text);
        }
    });
}

void QtView::checkOptions(PlayType type, std::int32_t lottery) {
    queue([type, lottery](MainWindow& window, bool current) {
        if (current) {
            window.applyCheckedOptions(type, lottery);
        }
    });
}

void QtView::showPlans(PlanSnapshot snapshot) {
    auto shared = std::make_shared<PlanSnapshot>(std::move(snapshot));
    queue([shared](MainWindow& window, bool current) {
        window.applyPlans(std::move(*shared), current);
    });
}

void QtView::showCandidates(PlayType type, CandidateRows candidates) {
    queue(
        [type, candidates](MainWindow& window, bool) { window.applyCandidates(type, candidates); });
}

void QtView::exportsWritten(bool ok) {
    queue([ok](MainWindow& window, bool) { window.applyExportsWritten(ok); });
}

void QtView::commandDone() {
    queue([](MainWindow& window, bool) { window.applyCommandDone(); });
}

void QtView::openUrl(std::string url) {
    queue([url = std::move(url)](MainWindow& window, bool) { window.applyOpenUrl(url); });
}

void QtView::closeWindow(std::string reason) {
    queue([reason = std::move(reason)](MainWindow& window, bool) { window.applyClose(reason); });
}

void QtView::showAccuracies(std::uint64_t ticket, FormulaAccuracies accuracies) {
    auto shared = std::make_shared<FormulaAccuracies>(std::move(accuracies));
    // The ticket tells the 计划统计 window whether they are still the ones it wants.
    queue([ticket, shared](MainWindow& window, bool) {
        window.applyAccuracies(ticket, std::move(*shared));
    });
}

void QtView::showHonestFigures(std::uint64_t ticket, HonestFigures figures) {
    auto shared = std::make_shared<HonestFigures>(std::move(figures));
    queue([ticket, shared](MainWindow& window, bool) {
        window.applyHonestFigures(ticket, std::move(*shared));
    });
}

void QtView::refreshDone(RefreshRun run) {
    auto shared = std::make_shared<RefreshRun>(std::move(run));
    queue([shared](MainWindow& window, bool current) {
        if (current) {
            window.applyRefreshDone(*shared);
        }
    });
}

void QtView::commandFailed(std::string job) {
    queue([job = std::move(job)](MainWindow& window, bool current) {
        if (current) {
            window.applyCommandFailed(job);
        }
    });
}

} // namespace kestrum
