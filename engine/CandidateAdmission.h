#pragma once

#include "engine/EngineState.h"

#include <cstdint>

namespace kestrum {

// The three admission phases of the candidate table. The table first takes the first thirty
// formulas above 90 in index order; then formulas at 100 overwrite it from row 0, twice over;
// after ninety admissions it no longer changes. The phases are tested one after the other on
// the same formula, so the one that fills row 29 at 100 also takes row 0 of the next phase.
class CandidateAdmission {
public:
    // Clears all thirty rows: a search starts from an empty table.
    explicit CandidateAdmission(CandidateRows& rows) : m_rows(rows) { m_rows = CandidateRows{}; }

    // Offers the formula just backtested, with its statistics and its score (won plans).
    void consider(std::int32_t formula, const BacktestStats& stats, float score) {
        if (stats.accuracy > 90.0f && m_phase == 0) {
            write(formula, stats, score);
            if (m_slot == kCandidateRows) {
                m_phase = 1;
                m_slot = 0;
            }
        }
        if (m_phase == 1 && stats.accuracy > 99.0f) {
            write(formula, stats, score);
            if (m_slot == kCandidateRows) {
                m_phase = 2;
                m_overwriting = true;
                m_slot = 0;
            }
        }
        if (m_overwriting && stats.accuracy > 99.0f) {
            write(formula, stats, score);
            if (m_slot == kCandidateRows) {
                m_overwriting = false;
                m_slot = 0;
            }
        }
    }

private:
    void write(std::int32_t formula, const BacktestStats& stats, float score) {
        const auto row = static_cast<std::size_t>(m_slot);
        m_rows.formula[row] = formula;
        m_rows.maxHitRun[row] = stats.maxHitRun;
        m_rows.maxMissRun[row] = stats.maxMissRun;
        m_rows.accuracy[row] = stats.accuracy;
        m_rows.hitPlans[row] = static_cast<std::int32_t>(score);
        ++m_slot;
    }

    CandidateRows& m_rows;
    std::int32_t m_slot = 0;
    std::int32_t m_phase = 0;
    bool m_overwriting = false;
};

} // namespace kestrum
