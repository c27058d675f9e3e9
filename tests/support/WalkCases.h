#pragma once

// Worked walks as table rows, and the check that a walk's plan records agree with the lines it
// wrote. The backtest suites of each family list their worked examples with these.

#include "base/Text.h"
#include "engine/Backtest.h"
#include "support/History.h"
#include "support/Walks.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace kestrum::test {

// A line the walk wrote into a slot: the whole line, or (prefix) how it begins.
struct SlotLine {
    SlotLine(std::size_t inSlot, std::string line, bool onlyPrefix = false)
        : slot(inSlot), text(std::move(line)), prefix(onlyPrefix) {}

    std::size_t slot = 0;
    std::string text;
    bool prefix = false;
};

// One walk of the whole history (runBacktest) and the lines it must write.
struct WalkCase {
    // The row's name in the test's name: letters, digits and underscores.
    const char* name = "";
    PlayType type = PlayType::Hou1;
    // The draw lines, oldest first.
    std::vector<std::string> history;
    std::int32_t formula = 0;
    std::int32_t planPeriods = 0;
    std::int32_t codeCount = 0;
    std::vector<SlotLine> lines;
    // Four-digit periods at 1440 draws a day.
    bool minuteLayout = false;
    // Draws a day in place of the layout's, when not 0.
    std::int32_t drawsPerDay = 0;
    // What the walk must leave, where the row says.
    std::optional<std::int32_t> lineCount;
    std::optional<float> hitPlans;
    std::optional<float> accuracy;
    std::optional<std::int32_t> maxMissRun;

    // The row's further checks and settings, each set by name.
    WalkCase& withLines(std::vector<SlotLine> expected) {
        lines = std::move(expected);
        return *this;
    }
    WalkCase& onMinuteLayout() {
        minuteLayout = true;
        return *this;
    }
    WalkCase& atDrawsPerDay(std::int32_t draws) {
        drawsPerDay = draws;
        return *this;
    }
    WalkCase& leavingLines(std::int32_t count) {
        lineCount = count;
        return *this;
    }
    WalkCase& leavingHitPlans(float plans) {
        hitPlans = plans;
        return *this;
    }
    WalkCase& leavingAccuracy(float percent) {
        accuracy = percent;
        return *this;
    }
    WalkCase& leavingMaxMissRun(std::int32_t run) {
        maxMissRun = run;
        return *this;
    }
};

// A row: the walk of `type` with formula k, planPeriods b and codeCount c over `history`.
inline WalkCase walk(const char* name, PlayType type, std::vector<std::string> history,
                     std::int32_t formula, std::int32_t planPeriods, std::int32_t codeCount) {
    WalkCase row;
    row.name = name;
    row.type = type;
    row.history = std::move(history);
    row.formula = formula;
    row.planPeriods = planPeriods;
    row.codeCount = codeCount;
    return row;
}

inline std::string walkCaseName(const testing::TestParamInfo<WalkCase>& info) {
    return info.param.name;
}

inline void PrintTo(const WalkCase& row, std::ostream* out) {
    *out << row.name;
}

// The records of a walk that wrote its lines from slot 0 agree with those lines: one record per
// line but the summary; each line begins with the record's periods and bet; a finished line
// shows the record's draw and its outcome, a won one the period of the hit; the running plan
// comes last. Each plan's seed is the draw that decided the plan before, and the summary's
// figures count the finished records.
inline void expectRecordsAgreeWithLines(const Engine& engine, PlayType type,
                                        std::int32_t planPeriods) {
    const PlayTypeInfo& info = playTypeInfo(type);
    const std::vector<PlanRecord>& plans = engine.ScratchPlans;
    ASSERT_EQ(static_cast<std::int32_t>(plans.size()) + 1, engine.scratchLineCount);
    const std::vector<std::string> lines = writtenLines(engine);
    std::int32_t failed = 0;
    for (std::size_t i = 0; i < plans.size() && i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i]);
        const PlanRecord& plan = plans[i];
        const std::string head = std::string(info.label) + plan.firstPeriod + "-" +
                                 plan.lastPeriod + "期<" + plan.bet + ">";
        EXPECT_EQ(plan.seedValue, leadingDecimal(plan.seed));
        if (i > 0) {
            EXPECT_EQ(plan.seed, plans[i - 1].draw);
        }
        switch (plan.outcome) {
        case PlanOutcome::Won:
            EXPECT_EQ(lines[i], head + " 开 " + plan.draw + "  " + std::to_string(plan.wonAt) +
                                    std::string(info.hitSuffix));
            EXPECT_GE(plan.wonAt, 1);
            EXPECT_EQ(plan.played, plan.wonAt);
            break;
        case PlanOutcome::Failed:
            ++failed;
            EXPECT_EQ(lines[i], head + " 开 " + plan.draw + "   挂 " +
                                    (info.failedLineShowsDraws ? formatText("%03d", plan.played)
                                                               : std::string()));
            EXPECT_EQ(plan.wonAt, 0);
            EXPECT_EQ(plan.played, planPeriods);
            break;
        case PlanOutcome::Running:
            EXPECT_EQ(lines[i], head + " 计划进行中……\r\n");
            EXPECT_EQ(i + 1, plans.size()) << "the running plan is not last";
            EXPECT_EQ(plan.wonAt, 0);
            EXPECT_TRUE(plan.draw.empty());
            break;
        }
    }
    ASSERT_FALSE(plans.empty());
    EXPECT_EQ(plans.back().outcome, PlanOutcome::Running);
    EXPECT_EQ(engine.lastSummary.closedPlans, static_cast<std::int32_t>(plans.size()) - 1);
    EXPECT_EQ(engine.lastSummary.failedPlans, failed);
}

// Runs the row's walk in `engine`, checks what it wrote and left, and that its records agree
// with its lines.
inline void expectWalk(const WalkCase& row, Engine& engine) {
    if (row.minuteLayout) {
        useMinuteLayout(engine);
    }
    if (row.drawsPerDay != 0) {
        engine.drawsPerDay = row.drawsPerDay;
    }
    storeOldestFirst(engine, row.history);
    ASSERT_TRUE(
        runBacktest(engine, row.type, row.formula, row.planPeriods, row.codeCount).has_value());
    if (row.lineCount) {
        EXPECT_EQ(engine.scratchLineCount, *row.lineCount);
    }
    if (row.hitPlans) {
        EXPECT_EQ(engine.lastStats.hitPlans, *row.hitPlans);
    }
    if (row.accuracy) {
        EXPECT_EQ(engine.lastStats.accuracy, *row.accuracy);
    }
    if (row.maxMissRun) {
        EXPECT_EQ(engine.lastStats.maxMissRun, *row.maxMissRun);
    }
    for (const SlotLine& line : row.lines) {
        ASSERT_LT(line.slot, engine.ScratchLines.size());
        const std::string& written = engine.ScratchLines[line.slot];
        if (line.prefix) {
            EXPECT_TRUE(written.starts_with(line.text)) << written << " in slot " << line.slot;
        } else {
            EXPECT_EQ(written, line.text) << "slot " << line.slot;
        }
    }
    expectRecordsAgreeWithLines(engine, row.type, row.planPeriods);
}

inline void expectWalk(const WalkCase& row) {
    Engine engine;
    expectWalk(row, engine);
}

} // namespace kestrum::test
