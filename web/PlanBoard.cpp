#include "web/PlanBoard.h"

#include "commands/Commands.h"
#include "stats/FormulaLuck.h"

#include <algorithm>

namespace kestrum::web {

PlanBoard::PlanBoard(std::vector<std::int32_t> lotteries, const std::atomic<bool>* stop)
    : m_lotteries(std::move(lotteries)), m_stop(stop) {}

void PlanBoard::publish(const Engine& engine, const std::filesystem::path& folder,
                        std::optional<std::chrono::system_clock::time_point> nextDue) {
    auto page = std::make_shared<LotteryPage>();
    page->lottery = engine.lotteryIndex;
    page->draws = {engine.lotteryIndex, engine.oldestIndex + 1, engine.FeedLines[0]};
    for (std::int32_t slot = 0; slot <= engine.oldestIndex; ++slot) {
        page->drawLines.push_back(engine.FeedLines[static_cast<std::size_t>(slot)]);
    }
    page->plans = takeSnapshot(engine);
    page->folder = folder;
    page->nextDue = nextDue;
    const std::vector<PlayType> all(allPlayTypes().begin(), allPlayTypes().end());
    if (walkPossible(engine)) {
        for (const PlayType type : all) {
            const std::size_t slot = slotOf(type);
            const PlanShape shape = page->plans.planParams[slot];
            const FormulaChance formula =
                formulaChance(engine, type, shape, page->plans.formulas[slot]);
            SearchLuckRequest request;
            request.type = type;
            request.shape = shape;
            request.drawCount = engine.oldestIndex + 1;
            page->chance[slot] = {formula.chance.chanceAccuracy, formula.chance.pValue,
                                  bestOfSearchP(*m_luck.luck(request, m_stop), formula.accuracy)};
        }
    }
    page->planJson = planJson(page->draws, page->plans, all, page->chance);

    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto before = m_pages.find(page->lottery);
    page->version = before == m_pages.end() ? 1 : before->second->version + 1;
    m_events.push_back({++m_lastEvent, page->lottery, page->draws.newest});
    if (m_events.size() > kKeptEvents) {
        m_events.erase(m_events.begin());
    }
    m_pages[page->lottery] = std::move(page);
    m_changed.notify_all();
}

std::shared_ptr<const LotteryPage> PlanBoard::page(std::int32_t lottery) const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_pages.find(lottery);
    return found == m_pages.end() ? nullptr : found->second;
}

std::uint64_t PlanBoard::lastEvent() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastEvent;
}

std::vector<PlanBoard::Event> PlanBoard::eventsAfter(std::uint64_t after,
                                                     std::chrono::milliseconds wait) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_for(lock, wait, [&] { return m_closed || m_lastEvent > after; });
    std::vector<Event> events;
    for (const Event& event : m_events) {
        if (event.number > after) {
            events.push_back(event);
        }
    }
    return events;
}

void PlanBoard::close() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
    m_changed.notify_all();
}

} // namespace kestrum::web
