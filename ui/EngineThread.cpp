#include "ui/EngineThread.h"

namespace kestrum {

EngineThread::EngineThread() : m_engine(std::make_unique<Engine>()), m_thread([this] { run(); }) {}

EngineThread::~EngineThread() {
    stop();
}

void EngineThread::submit(Job job) {
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping) {
            return;
        }
        m_jobs.push_back(std::move(job));
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
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
            if (m_stopping) {
                return;
            }
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        job(*m_engine);
    }
}

} // namespace kestrum
