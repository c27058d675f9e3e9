#include "stats/WalkForward.h"

#include "base/Text.h"
#include "engine/Backtest.h"
#include "engine/BetTable.h"
#include "engine/DrawPicks.h"
#include "stats/Chance.h"
#include "stats/WindowSearch.h"

#include <algorithm>
#include <bit>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace kestrum {

namespace {

// What every play type reads of each line: its digits (for what the play type tests) and its
// seed value.
struct ReadLines {
    std::vector<std::string> digits;
    std::vector<std::int32_t> seeds;
};

ReadLines readLines(std::span<const std::string> lines) {
    ReadLines read;
    read.digits.reserve(lines.size());
    read.seeds.reserve(lines.size());
    for (const std::string& line : lines) {
        read.digits.push_back(digitsOf(line));
        read.seeds.push_back(leadingDecimal(read.digits.back()));
    }
    return read;
}

// The digits 0 to 9 among a bet's bits.
std::int32_t betDigitCount(std::uint16_t bet) {
    return std::popcount(static_cast<std::uint32_t>(bet & 0x3FFu));
}

// One play's walk, a draw at a time: the window search, the steps and the plan each one plays.
class PlayWalk {
public:
    PlayWalk(const ReadLines& read, std::int32_t window, const PlayToEvaluate& play, bool keepSteps)
        : m_read(read), m_window(window), m_play(play), m_info(playTypeInfo(play.type)),
          m_keepSteps(keepSteps), m_search(play.type, play.shape, window) {
        m_result.type = play.type;
        m_result.shape = play.shape;
    }

    // Draw i arrives with its bets (for the formulas the play's search tries).
    void arrive(std::int32_t i, const std::uint16_t* bets, const std::atomic<bool>* cancel) {
        if (m_stopped) {
            return;
        }
        const std::uint16_t picks = drawPicks(m_info, m_read.digits[static_cast<std::size_t>(i)]);
        m_search.arrive(bets, picks);
        if (m_planRunning && playDraw(i, picks)) {
            m_nextStep = i;
        }
        if (i != m_nextStep) {
            return;
        }
        if (cancel != nullptr && cancel->load()) {
            m_stopped = true;
            return;
        }
        if (!startStep(i)) {
            m_nextStep = i + 1;
        }
    }

    bool stopped() const { return m_stopped; }

    PlayEvaluation finish() {
        if (m_planRunning) {
            // The history ended before the plan did.
            keep(m_step);
        }
        OutOfSampleRecord& record = m_result.outOfSample;
        const std::int32_t plans = record.wins + record.losses;
        if (plans > 0) {
            m_result.inSampleAccuracy = m_inSample / plans;
            m_result.chanceAccuracy = 100.0 * m_chance / plans;
            record.accuracy = 100.0 * record.wins / plans;
            const Interval interval = wilsonInterval(record.wins, plans);
            record.low = 100.0 * interval.low;
            record.high = 100.0 * interval.high;
        }
        return std::move(m_result);
    }

private:
    // The search at a step whose newest draw is `newest`; whether it kept a formula, whose plan
    // then runs from the next draw.
    bool startStep(std::int32_t newest) {
        ++m_result.steps;
        m_step = {};
        m_step.newest = newest;
        const WindowSearch::Kept kept = m_search.search();
        if (kept.formula == 0) {
            keep(m_step);
            return false;
        }
        m_step.formula = kept.formula;
        m_step.inSampleAccuracy = kept.accuracy;
        m_bet = m_search.newestBet(kept.formula);
        if (m_keepSteps) {
            m_step.bet = playBet(m_play.type, m_read.seeds[static_cast<std::size_t>(newest)],
                                 kept.formula, m_play.shape.codeCount);
        }
        m_planRunning = true;
        m_played = 0;
        return true;
    }

    // The running plan plays draw `i`; whether that ended it.
    bool playDraw(std::int32_t i, std::uint16_t picks) {
        ++m_played;
        const bool won = picksHit(m_info.hitRule, picks, m_bet);
        if (!won && m_played != m_play.shape.planPeriods) {
            return false;
        }
        m_planRunning = false;
        m_step.end = i;
        m_step.won = won;
        m_inSample += m_step.inSampleAccuracy;
        m_chance += planWinChance(m_play.type, betDigitCount(m_bet), m_play.shape.planPeriods);
        OutOfSampleRecord& record = m_result.outOfSample;
        if (won) {
            ++record.wins;
            m_losingRun = 0;
        } else {
            ++record.losses;
            record.longestLosingRun = std::max(record.longestLosingRun, ++m_losingRun);
        }
        keep(m_step);
        return true;
    }

    void keep(const EvaluationStep& step) {
        if (m_keepSteps) {
            m_result.walk.push_back(step);
        }
    }

    const ReadLines& m_read;
    std::int32_t m_window;
    PlayToEvaluate m_play;
    const PlayTypeInfo& m_info;
    bool m_keepSteps;
    WindowSearch m_search;
    PlayEvaluation m_result;
    // The newest draw of the next step.
    std::int32_t m_nextStep = m_window - 1;
    bool m_stopped = false;

    // The step whose plan is running.
    EvaluationStep m_step;
    bool m_planRunning = false;
    std::uint16_t m_bet = 0;
    std::int32_t m_played = 0;

    double m_inSample = 0.0;
    double m_chance = 0.0;
    std::int32_t m_losingRun = 0;
};

// Plays whose searches make the same bets (the same recipe, formulas and 码数) walk the history
// together, each draw's bets made once for them all.
struct BetGroup {
    BetRecipe recipe = BetRecipe::Standard;
    FormulaRange range{};
    std::int32_t codeCount = 0;
    // Indexes into the request's plays.
    std::vector<std::size_t> plays;

    bool sharesBetsWith(const PlayToEvaluate& play) const {
        const FormulaRange other = searchedFormulas(play.type);
        return playTypeInfo(play.type).recipe == recipe && other.first == range.first &&
               other.end == range.end && play.shape.codeCount == codeCount;
    }
};

// The groups, split further while there are fewer than `threads` of them, largest first.
std::vector<BetGroup> groupPlays(const std::vector<PlayToEvaluate>& plays, std::size_t threads) {
    std::vector<BetGroup> groups;
    for (std::size_t i = 0; i < plays.size(); ++i) {
        const auto found = std::find_if(groups.begin(), groups.end(), [&](const BetGroup& group) {
            return group.sharesBetsWith(plays[i]);
        });
        if (found != groups.end()) {
            found->plays.push_back(i);
            continue;
        }
        const PlayToEvaluate& play = plays[i];
        groups.push_back({playTypeInfo(play.type).recipe,
                          searchedFormulas(play.type),
                          play.shape.codeCount,
                          {i}});
    }
    auto bySize = [](const BetGroup& a, const BetGroup& b) {
        return a.plays.size() > b.plays.size();
    };
    std::stable_sort(groups.begin(), groups.end(), bySize);
    while (groups.size() < threads && groups.front().plays.size() > 1) {
        BetGroup& largest = groups.front();
        BetGroup half = largest;
        const auto middle = static_cast<std::ptrdiff_t>(largest.plays.size() / 2);
        half.plays.assign(largest.plays.begin() + middle, largest.plays.end());
        largest.plays.resize(static_cast<std::size_t>(middle));
        groups.push_back(std::move(half));
        std::stable_sort(groups.begin(), groups.end(), bySize);
    }
    return groups;
}

// Walks a group's plays over the history, each into its place in `results`.
void walkGroup(const BetGroup& group, const ReadLines& read, std::int32_t window,
               const EvaluationRequest& request, bool keepSteps, const std::atomic<bool>* cancel,
               std::vector<PlayEvaluation>& results) {
    std::vector<PlayWalk> walks;
    walks.reserve(group.plays.size());
    for (const std::size_t play : group.plays) {
        walks.emplace_back(read, window, request.plays[play], keepSteps);
    }
    const auto formulas = static_cast<std::int32_t>(group.range.end - group.range.first);
    std::vector<std::uint16_t> bets(static_cast<std::size_t>(formulas));
    const auto count = static_cast<std::int32_t>(read.seeds.size());
    for (std::int32_t i = 0; i < count; ++i) {
        if (std::all_of(walks.begin(), walks.end(),
                        [](const PlayWalk& walk) { return walk.stopped(); })) {
            break;
        }
        BetTable::tabulate(group.recipe, read.seeds[static_cast<std::size_t>(i)], group.range.first,
                           formulas, group.codeCount, bets.data(), 1);
        for (PlayWalk& walk : walks) {
            walk.arrive(i, bets.data(), cancel);
        }
    }
    for (std::size_t i = 0; i < walks.size(); ++i) {
        results[group.plays[i]] = walks[i].finish();
    }
}

std::size_t threadCount(std::int32_t requested) {
    const std::size_t threads = requested > 0 ? static_cast<std::size_t>(requested)
                                              : std::size_t{std::thread::hardware_concurrency()};
    return std::max<std::size_t>(threads, 1);
}

} // namespace

Evaluation evaluateWalkForward(const EvaluationRequest& request, bool keepSteps,
                               const EvaluationProgress& progress,
                               const std::atomic<bool>* cancel) {
    Evaluation evaluation;
    evaluation.draws = static_cast<std::int32_t>(request.lines.size());
    evaluation.window = request.window;
    const std::int32_t window = std::clamp(request.window, 2, kHistorySlots);
    const ReadLines read = readLines(request.lines);
    const auto total = static_cast<std::int32_t>(request.plays.size());
    evaluation.plays.resize(request.plays.size());
    if (request.plays.empty()) {
        return evaluation;
    }
    const std::vector<BetGroup> groups = groupPlays(request.plays, threadCount(request.threads));

    // The groups are shared out one at a time, largest first, to the threads that are free.
    std::atomic<std::size_t> nextGroup{0};
    std::mutex reporting;
    std::int32_t done = 0;
    std::exception_ptr failure;
    auto work = [&] {
        try {
            for (std::size_t g = nextGroup++; g < groups.size(); g = nextGroup++) {
                walkGroup(groups[g], read, window, request, keepSteps, cancel, evaluation.plays);
                const std::lock_guard lock(reporting);
                for (std::size_t p = 0; p < groups[g].plays.size(); ++p) {
                    ++done;
                    if (progress) {
                        progress(done, total);
                    }
                }
            }
        } catch (...) {
            const std::lock_guard lock(reporting);
            failure = std::current_exception();
            nextGroup = groups.size();
        }
    };
    {
        // Joined when they go out of scope, also when starting one of them fails.
        std::vector<std::jthread> helpers;
        const std::size_t threads = std::min(threadCount(request.threads), groups.size());
        for (std::size_t t = 1; t < threads; ++t) {
            helpers.emplace_back(work);
        }
        work();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    return evaluation;
}

} // namespace kestrum
