#include "commands/Commands.h"

#include "base/Text.h"
#include "commands/PromotedStartup.h"
#include "commands/Updates.h"
#include "engine/Dispatch.h"
#include "engine/Formula.h"
#include "report/PlanExports.h"

#include <algorithm>

namespace kestrum {

namespace {

// Progress is shown every this many formulas, and at the end of each search.
constexpr std::int32_t kProgressStep = 50;

FeedContext feedContext(CommandContext& context) {
    return {context.client, context.settings.dataDirectory, context.wait};
}

SearchOptions searchOptionsShowing(View& view, const char* heading) {
    SearchOptions options;
    options.progress = [&view, heading](const SearchProgress& progress) {
        if (progress.done % kProgressStep == 0 || progress.done == progress.total) {
            view.showStatus(searchProgressText(heading, progress));
        }
    };
    return options;
}

void publishPlans(CommandContext& context) {
    context.view.showPlans(takeSnapshot(context.engine));
    const PlanExportResults results = writePlanExports(
        context.engine.PlanLines, context.engine.PromoText, context.settings.dataDirectory);
    context.view.exportsWritten(std::all_of(results.begin(), results.end(),
                                            [](const WriteResult& result) { return result.ok(); }));
}

// The first computation over a freshly loaded history of the first lottery.
void computeFirstPlans(CommandContext& context) {
    context.view.checkOptions(PlayType::Hou1, 1);
    fullRecompute(context.engine, searchOptionsShowing(context.view, kStartupText));
    publishPlans(context);
}

} // namespace

PlanSnapshot takeSnapshot(const Engine& engine) {
    PlanSnapshot snapshot;
    snapshot.planLines = engine.PlanLines;
    snapshot.planRecords = engine.PlanRecords;
    for (PlayType type : allPlayTypes()) {
        snapshot.formulas[slotOf(type)] = currentFormula(engine, type);
    }
    snapshot.formulaTable = engine.CurrentFormulaTable;
    snapshot.planParams = engine.PlanParams;
    return snapshot;
}

std::string searchProgressText(std::string_view heading, const SearchProgress& progress) {
    return std::string(heading) + "\r\n\r\n正在搜索" +
           std::string(playTypeInfo(progress.type).button) + "公式：" +
           std::to_string(progress.done) + " / " + std::to_string(progress.total);
}

namespace {

// The window's start-up once the promotional line is in: the first lottery.
void startFirstLottery(CommandContext& context) {
    Engine& engine = context.engine;
    engine.feedUrl = feedUrlOf(lotteryByNumber(1), context.settings.feedHosts);
    FeedContext feeds = feedContext(context);
    const DownloadOutcome download = downloadFeed(engine, feeds, context.pacing);
    if (!download.loaded || download.lines == 0) {
        if (download.loaded) {
            context.view.showDrawList(download.paneText);
        }
        context.view.showStatus(kDrawsUnavailableText);
        return;
    }
    context.view.showDrawList(download.paneText);
    computeFirstPlans(context);
}

} // namespace

void runStartup(CommandContext& context) {
    startUpAfterPromotion(
        context,
        [&context] {
            context.view.closeWindow("无法连接到软件服务器 " + context.settings.webHost +
                                     "，取不到推荐地址，程序将关闭。");
            return false;
        },
        [&context] { startFirstLottery(context); });
}

std::optional<PlanShape> parseSearchInput(std::string_view codeCountText,
                                          std::string_view planPeriodsText) {
    const std::int32_t codeCount = leadingDecimal(codeCountText);
    const std::int32_t planPeriods = leadingDecimal(planPeriodsText);
    // Negative numbers are refused like 0: no plan of them could be read.
    if (codeCount < 1 || codeCount > 9 || planPeriods < 1) {
        return std::nullopt;
    }
    return PlanShape{planPeriods, codeCount};
}

std::int32_t runSearch(CommandContext& context, PlayType type, PlanShape shape) {
    Engine& engine = context.engine;
    engine.PlanParams[slotOf(type)] = shape;
    const std::int32_t best = searchFormulas(engine, type, kFormulaFirst, kFormulaEnd,
                                             shape.planPeriods, shape.codeCount);
    context.view.showCandidates(type, engine.CandidateTable);
    context.view.commandDone();
    return best;
}

void runStoreFormula(CommandContext& context, std::optional<PlayType> type, std::int32_t formula) {
    if (type) {
        setCurrentFormula(context.engine, *type, formula);
    }
    recomputePlans(context.engine);
    publishPlans(context);
    context.view.commandDone();
}

void runUseFormula(CommandContext& context, std::optional<PlayType> type,
                   const std::string& formulaText) {
    runStoreFormula(context, type, leadingDecimal(formulaText));
}

void runSelectLottery(CommandContext& context, std::int32_t number) {
    Engine& engine = context.engine;
    const LotterySource& lottery = lotteryByNumber(number);
    if (number != 1) {
        context.view.checkOptions(PlayType::Hou1, number);
    }
    // No line of the previous lottery survives, even when the new one's draws cannot be
    // loaded (the first lottery's recompute would empty them too, but only after a download).
    for (TextSlots& lines : engine.PlanLines) {
        std::fill(lines.begin(), lines.end(), std::string());
    }
    engine.PlanRecords = {};
    std::fill(engine.ScratchLines.begin(), engine.ScratchLines.end(), std::string());
    FeedContext feeds = feedContext(context);
    const DownloadOutcome download =
        selectLotteryDraws(engine, lottery, context.settings.feedHosts, feeds, context.pacing);
    context.view.showDrawList(download.paneText);
    if (download.lines == 0) {
        // No draw of this lottery: nothing is searched or stored for it. The window gets its
        // empty plans and its formulas, and says why.
        context.view.checkOptions(PlayType::Hou1, number);
        context.view.showPlans(takeSnapshot(engine));
        context.view.showStatus(kDrawsUnavailableText);
        context.view.commandDone();
        return;
    }
    if (number == 1) {
        context.view.checkOptions(PlayType::Hou1, 1);
        fullRecompute(engine, searchOptionsShowing(context.view, kPreparingText));
    } else {
        context.view.showStatus(kPreparingText);
        recomputeForLottery(engine, searchOptionsShowing(context.view, kPreparingText));
    }
    context.view.showPlans(takeSnapshot(engine));
    context.view.commandDone();
}

RefreshOutcome runRefresh(CommandContext& context, std::atomic<bool>& refreshBusy) {
    struct ClearBusy {
        std::atomic<bool>& busy;
        ~ClearBusy() { busy.store(false); }
    } clearBusy{refreshBusy};

    Engine& engine = context.engine;
    FeedContext feeds = feedContext(context);
    const RefreshOutcome outcome = refreshLatestDraw(engine, feeds);
    context.view.showDrawList(outcome.paneText);
    if (outcome.inserted) {
        recomputePlans(engine);
        publishPlans(context);
    } else if (outcome.reloaded) {
        // The draws arrive late: compute as start-up or a lottery switch would have.
        if (engine.lotteryIndex == 1) {
            computeFirstPlans(context);
        } else {
            recomputeForLottery(engine, searchOptionsShowing(context.view, kPreparingText));
            publishPlans(context);
        }
    }
    return outcome;
}

DownloadOutcome runLotteryStartup(CommandContext& context, std::int32_t number, bool writeExports) {
    Engine& engine = context.engine;
    FeedContext feeds = feedContext(context);
    // As the window's start-up: a download that fails leaves the store and "data1.txt" alone.
    useLottery(engine, lotteryByNumber(number), context.settings.feedHosts);
    const DownloadOutcome download = downloadFeed(engine, feeds, context.pacing);
    context.view.showDrawList(download.paneText);
    if (download.lines == 0) {
        context.view.showStatus(kDrawsUnavailableText);
        return download;
    }
    context.view.checkOptions(PlayType::Hou1, number);
    fullRecompute(engine, searchOptionsShowing(context.view, kStartupText));
    if (writeExports) {
        publishPlans(context);
    } else {
        context.view.showPlans(takeSnapshot(engine));
    }
    return download;
}

} // namespace kestrum
