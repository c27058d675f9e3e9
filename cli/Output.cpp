#include "cli/Output.h"

#include "base/Text.h"
#include "draws/LotteryTable.h"
#include "report/Names.h"
#include "report/PlanReport.h"

namespace kestrum::cli {

std::string withLineFeeds(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        result.push_back(text[i]);
    }
    return result;
}

std::string planText(const PlanSnapshot& plans, const std::vector<PlayType>& types,
                     std::string_view siteUrl) {
    std::string text;
    for (PlayType type : types) {
        if (types.size() > 1) {
            if (!text.empty()) {
                text += "\n";
            }
            text += "# " + std::string(playTypeInfo(type).button) + " (" +
                    std::string(asciiName(type)) + ")\n";
        }
        text += withLineFeeds(planReportText(plans.planLines[slotOf(type)], siteUrl));
    }
    return text;
}

std::string searchText(const CandidateRows& candidates, std::int32_t best) {
    std::string text = "计划公式\t最大连对\t最大连错\t准确率\t计划连中\n";
    for (std::size_t row = 0; row < kCandidateRows; ++row) {
        text += formatText("%d\t%d\t%d\t%.1f\t%d\n", candidates.formula[row],
                           candidates.maxHitRun[row], candidates.maxMissRun[row],
                           static_cast<double>(candidates.accuracy[row]), candidates.hitPlans[row]);
    }
    return text + "最佳公式: " + formatText("%03d", best) + "\n";
}

std::string evaluateText(std::int32_t lottery, const Evaluation& evaluation) {
    std::string text =
        formatText("%s: %d draws, window %d\n", std::string(lotteryByNumber(lottery).label).c_str(),
                   evaluation.draws, evaluation.window);
    text += "玩法\t码数\t期数\t步数\t中\t挂\t准确率\t95%区间\t最长连挂\t样本内\t随机基准\n";
    for (const PlayEvaluation& play : evaluation.plays) {
        const OutOfSampleRecord& record = play.outOfSample;
        text += formatText("%s\t%d\t%d\t%d\t%d\t%d\t%.1f%%\t%.1f%%-%.1f%%\t%d\t%.1f%%\t%.1f%%\n",
                           std::string(playTypeInfo(play.type).button).c_str(),
                           play.shape.codeCount, play.shape.planPeriods, play.steps, record.wins,
                           record.losses, record.accuracy, record.low, record.high,
                           record.longestLosingRun, play.inSampleAccuracy, play.chanceAccuracy);
    }
    return text;
}

} // namespace kestrum::cli
