#include "app/UpdateCheckThread.h"

namespace kestrum {

UpdateCheckThread::UpdateCheckThread(const ClientFactory& makeClient, std::string webHost,
                                     std::int32_t attempts, std::chrono::milliseconds pause)
    : m_webHost(std::move(webHost)), m_attempts(attempts), m_pause(pause),
      m_started(std::chrono::steady_clock::now()), m_client(makeClient(m_cancelled)),
      m_thread([this] { run(); }) {}

UpdateCheckThread::~UpdateCheckThread() {
    cancel();
    join();
}

std::chrono::milliseconds UpdateCheckThread::elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 m_started);
}

void UpdateCheckThread::run() {
    const UpdateCheck check = checkForUpdate(
        *m_client, m_webHost,
        [this](std::chrono::milliseconds pause) { return waitUnlessCancelled(pause); }, m_attempts,
        m_pause);
    DoneFunction done;
    {
        const std::lock_guard lock(m_mutex);
        m_outcome = check;
        done = std::move(m_done);
    }
    if (done) {
        done(check);
    }
}

void UpdateCheckThread::whenDone(DoneFunction done) {
    std::unique_lock lock(m_mutex);
    if (!m_outcome) {
        m_done = std::move(done);
        return;
    }
    const UpdateCheck check = *m_outcome;
    lock.unlock();
    done(check);
}

void UpdateCheckThread::cancel() {
    {
        const std::lock_guard lock(m_mutex);
        m_cancelled = true;
    }
    m_cancelSignal.notify_all();
}

void UpdateCheckThread::join() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

bool UpdateCheckThread::waitUnlessCancelled(std::chrono::milliseconds pause) {
    std::unique_lock lock(m_mutex);
    return !m_cancelSignal.wait_for(lock, pause, [this] { return m_cancelled.load(); });
}

} // namespace kestrum
