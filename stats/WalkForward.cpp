#include "stats/WalkForward.h"

#include "base/Text.h"
#include "engine/Backtest.h"
#include "engine/DrawPicks.h"
#include "stats/Chance.h"
#include "stats/WindowSearch.h"

#include <algorithm>
#include <bit>
#include <exception>
#include <mutex>
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

class PlayWalk {
public:
    PlayWalk(const ReadLines& read, std::int32_t window, const PlayToEvaluate& play, bool keepSteps)
        : m_read(read), m_window(window), m_play(play), m_info(playTypeInfo(play.type)),
          m_keepSteps(keepSteps) {
        m_result.type = play.type;
        m_result.shape = play.shape;
    }

    PlayEvaluation run(const std::atomic<bool>* cancel) {
        WindowSearch search(m_play.type, m_play.shape, m_window);
        const auto count = static_cast<std::int32_t>(m_read.seeds.size());
        // The newest draw of the next step.
        std::int32_t nextStep = m_window - 1;
        for (std::int32_t i = 0; i < count; ++i) {
            const auto at = static_cast<std::size_t>(i);
            const std::uint16_t picks = drawPicks(m_info, m_read.digits[at]);
            search.arrive(m_read.seeds[at], picks);
            if (m_planRunning && playDraw(i, picks)) {
                nextStep = i;
            }
            if (i != nextStep) {
                continue;
            }
            if (cancel != nullptr && cancel->load()) {
                break;
            }
            if (!startStep(search, i)) {
                nextStep = i + 1;
            }
        }
        if (m_planRunning) {
            // The history ended before the plan did.
            keep(m_step);
        }
        finish();
        return std::move(m_result);
    }

private:
    // The search at a step whose newest draw is `newest`; whether it kept a formula, whose plan
    // then runs from the next draw.
    bool startStep(WindowSearch& search, std::int32_t newest) {
        ++m_result.steps;
        m_step = {};
        m_step.newest = newest;
        const WindowSearch::Kept kept = search.search();
        if (kept.formula == 0) {
            keep(m_step);
            return false;
        }
        m_step.formula = kept.formula;
        m_step.inSampleAccuracy = kept.accuracy;
        m_bet = search.newestBet(kept.formula);
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

    void finish() {
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
    }

    const ReadLines& m_read;
    std::int32_t m_window;
    PlayToEvaluate m_play;
    const PlayTypeInfo& m_info;
    bool m_keepSteps;
    PlayEvaluation m_result;

    // The step whose plan is running.
    EvaluationStep m_step;
    bool m_planRunning = false;
    std::uint16_t m_bet = 0;
    std::int32_t m_played = 0;

    double m_inSample = 0.0;
    double m_chance = 0.0;
    std::int32_t m_losingRun = 0;
};

std::size_t threadCount(std::int32_t requested, std::size_t plays) {
    std::size_t threads = requested > 0 ? static_cast<std::size_t>(requested)
                                        : std::size_t{std::thread::hardware_concurrency()};
    return std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(plays, 1));
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
    const std::size_t plays = request.plays.size();
    evaluation.plays.resize(plays);

    // The play types are shared out one at a time to the threads that are free.
    std::atomic<std::size_t> nextPlay{0};
    std::mutex reporting;
    std::int32_t done = 0;
    std::exception_ptr failure;
    auto work = [&] {
        try {
            for (std::size_t i = nextPlay++; i < plays; i = nextPlay++) {
                PlayWalk walk(read, window, request.plays[i], keepSteps);
                evaluation.plays[i] = walk.run(cancel);
                const std::lock_guard lock(reporting);
                ++done;
                if (progress) {
                    progress(done, static_cast<std::int32_t>(plays));
                }
            }
        } catch (...) {
            const std::lock_guard lock(reporting);
            failure = std::current_exception();
            nextPlay = plays;
        }
    };
    std::vector<std::thread> helpers;
    const std::size_t threads = threadCount(request.threads, plays);
    for (std::size_t t = 1; t < threads; ++t) {
        helpers.emplace_back(work);
    }
    work();
    for (std::thread& helper : helpers) {
        helper.join();
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
    return evaluation;
}

} // namespace kestrum
