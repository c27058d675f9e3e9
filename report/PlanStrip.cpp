#include "report/PlanStrip.h"

#include "base/Text.h"
#include "engine/Backtest.h"
#include "engine/DispatchTables.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace kestrum {

namespace {

constexpr std::string_view kDrawn = "> 开 ";
constexpr std::string_view kFailed = " 挂 ";
constexpr std::string_view kWonSuffix = "期中 ";
constexpr std::string_view kRunning = "> 计划进行中";

// A finished line: header "<" bet "> 开 " digits, then "  t" and the hit suffix (" 期中 " or
// "  期中 ") for a won plan, or "   挂 " and perhaps the draws played for a failed one.
std::optional<PlanCell> parseLine(std::string_view line) {
    const std::size_t bet = line.find('<');
    if (bet == std::string_view::npos) {
        return std::nullopt;
    }
    PlanCell cell;
    cell.header = std::string(line.substr(0, bet));
    if (line.find(kRunning, bet) != std::string_view::npos) {
        return cell;
    }
    const std::size_t drawn = line.find(kDrawn, bet);
    if (drawn == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view rest = line.substr(drawn + kDrawn.size());
    cell.drawn = std::string(rest.substr(0, rest.find(' ')));
    if (rest.ends_with(kWonSuffix)) {
        // The draws played stand just before the suffix, after blanks.
        rest.remove_suffix(kWonSuffix.size());
        rest = rest.substr(0, rest.find_last_not_of(' ') + 1);
        const std::size_t number = rest.find_last_of(' ');
        cell.outcome = PlanOutcome::Won;
        cell.period =
            leadingDecimal(rest.substr(number == std::string_view::npos ? 0 : number + 1));
        return cell;
    }
    if (rest.find(kFailed) != std::string_view::npos) {
        cell.outcome = PlanOutcome::Failed;
        return cell;
    }
    return std::nullopt;
}

} // namespace

PlanStrip planStrip(const TextSlots& planLines) {
    PlanStrip strip;
    std::int32_t failedRun = 0;
    for (std::int32_t i = 0; i <= lastPlanLine(planLines); ++i) {
        std::optional<PlanCell> cell = parseLine(planLines[static_cast<std::size_t>(i)]);
        if (!cell) {
            continue;
        }
        if (cell->outcome == PlanOutcome::Won) {
            ++strip.won;
            failedRun = 0;
        } else if (cell->outcome == PlanOutcome::Failed) {
            ++strip.failed;
            strip.longestFailedRun = std::max(strip.longestFailedRun, ++failedRun);
        }
        strip.cells.push_back(std::move(*cell));
    }
    if (!strip.cells.empty()) {
        // The lines a walk writes: the closed plans, the running plan and the summary.
        strip.accuracy =
            static_cast<std::int32_t>(walkAccuracy(strip.won + strip.failed + 2, strip.failed));
    }
    return strip;
}

} // namespace kestrum
