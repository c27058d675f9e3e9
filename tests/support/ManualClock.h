#pragma once

// A clock for the refresh scheduler that stands still until a test moves it; read from any
// thread.

#include "draws/RefreshScheduler.h"

#include <atomic>
#include <chrono>
#include <cstdint>

namespace kestrum::test {

class ManualClock {
public:
    using Moment = RefreshPlanner::Moment;

    Moment now() const { return Moment(std::chrono::nanoseconds(m_nanoseconds.load())); }
    void advance(std::chrono::nanoseconds by) { m_nanoseconds += by.count(); }
    // The clock as the scheduler takes it; valid while this object lives.
    RefreshClock function() const {
        return [this] { return now(); };
    }

private:
    // Far from the steady clock's zero, which nothing may depend on.
    std::atomic<std::int64_t> m_nanoseconds{
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::hours(1000)).count()};
};

} // namespace kestrum::test
