#pragma once

// The one thread that touches the Engine. It runs the submitted jobs one at a time, in the order
// they were submitted, so that no download, refresh, search or recompute ever interleaves with
// another. Nothing on the user-interface thread waits for it.

#include "engine/Engine.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kestrum {

class EngineThread {
public:
    using Job = std::function<void(Engine&)>;
    // Called on the engine thread when a job throws: the job's name and what it threw. The
    // thread has logged both and goes on with the next job.
    using FailureHandler = std::function<void(const std::string& job, const std::string& what)>;

    explicit EngineThread(FailureHandler onFailure = {});
    ~EngineThread();
    EngineThread(const EngineThread&) = delete;
    EngineThread& operator=(const EngineThread&) = delete;

    // Queues a job under a name for the log; it runs after every job submitted before it.
    // Ignored once stopping.
    void submit(std::string name, Job job);

    // For jobs: waits for the given time; false when the thread is stopping and the job
    // should give up.
    bool wait(std::chrono::milliseconds duration);

    // Set once the thread stops: transfers under way end when they see it.
    const std::atomic<bool>& stopping() const { return m_stopping; }

    // Ends the waits, drops the jobs not yet started, lets the running one end and joins.
    void stop();

private:
    struct NamedJob {
        std::string name;
        Job run;
    };

    void run();
    void runGuarded(NamedJob& job);

    FailureHandler m_onFailure;
    std::unique_ptr<Engine> m_engine;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<NamedJob> m_jobs;
    std::atomic<bool> m_stopping{false};
    // Last: it starts running when everything above exists.
    std::thread m_thread;
};

} // namespace kestrum
