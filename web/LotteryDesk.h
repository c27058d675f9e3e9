#pragma once

// A lottery's engine thread as the web interface sees it: the handlers hand it jobs, which run
// there between its refreshes, one at a time, like every other command of that lottery.

#include "commands/Commands.h"

#include <functional>

namespace kestrum::web {

class LotteryDesk {
public:
    // Publishes the lottery's state as it is now (the board's page and an event), on the
    // engine thread.
    using Publish = std::function<void()>;
    using Job = std::function<void(CommandContext&, const Publish&)>;

    virtual ~LotteryDesk() = default;

    // Queues a job for the lottery's engine thread. False once the lottery is stopping: the job
    // will not run.
    virtual bool submit(Job job) = 0;
};

} // namespace kestrum::web
