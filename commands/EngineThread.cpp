#include "commands/EngineThread.h"

#include "platform/DebugLog.h"

#include <exception>

namespace kestrum {

EngineThread::EngineThread(FailureHandler onFailure)
    : m_onFailure(std::move(onFailure)), m_engine(std::make_unique<Engine>()),
      m_thread([this] { run(); }) {}

EngineThread::~EngineThread() {
    stop();
}

void EngineThread::submit(std::string name, Job job) {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping) {
            return;
        }
        m_jobs.push_back({std::move(name), std::move(job)});
    }
    m_changed.notify_all();
}

bool EngineThread::wait(std::chrono::milliseconds duration) {
    std::unique_lock lock(m_mutex);
    return !m_changed.wait_for(lock, duration, [this] { return m_stopping.load(); });
}

void EngineThread::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_jobs.clear();
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void EngineThread::run() {
    for (;;) {
        NamedJob job;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping) {
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        runGuarded(job);
    }
}

void EngineThread::runGuarded(NamedJob& job) {
    // A job that throws ends here, not the program: the thread and the jobs after it go on.
    std::string what;
    try {
        job.run(*m_engine);
        return;
    } catch (const std::exception& error) {
        what = error.what();
    } catch (...) {
        what = "an exception of unknown type";
    }
    debugLog("engine job \"" + job.name + "\" failed: " + what + "\n");
    if (m_onFailure) {
        m_onFailure(job.name, what);
    }
}

} // namespace kestrum
