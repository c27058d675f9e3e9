#pragma once

// The check for a newer version, on a thread of its own from construction on. The program
// starts it before it builds its application object, which takes a while (the window system,
// the browser engine's GL context): a quick answer is in by the time a window could show.

#include "commands/Updates.h"
#include "platform/HttpClient.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace kestrum {

class UpdateCheckThread {
public:
    // Makes the client; given the flag that cancels its transfer.
    using ClientFactory =
        std::function<std::unique_ptr<HttpClient>(const std::atomic<bool>& cancelled)>;
    using DoneFunction = std::function<void(const UpdateCheck&)>;

    // Makes the client here and starts the check of webHost: `attempts` tries at the version
    // file, `pause` apart.
    UpdateCheckThread(const ClientFactory& makeClient, std::string webHost,
                      std::int32_t attempts = 3,
                      std::chrono::milliseconds pause = std::chrono::milliseconds(2000));
    // Cancels the check and waits for its thread: a transfer under way ends within about a
    // second of the cancel.
    ~UpdateCheckThread();
    UpdateCheckThread(const UpdateCheckThread&) = delete;
    UpdateCheckThread& operator=(const UpdateCheckThread&) = delete;

    const std::string& webHost() const { return m_webHost; }
    // How long ago the check started.
    std::chrono::milliseconds elapsed() const;

    // Calls done once with the outcome: on the check's thread as its last act, or here at once
    // when the check has ended already. A cancelled check ends as one that reached nothing.
    void whenDone(DoneFunction done);
    // Ends the check soon: the transfer under way stops and no further try is made.
    void cancel();
    // Waits for the thread; after done was called this returns at once.
    void join();

private:
    void run();
    bool waitUnlessCancelled(std::chrono::milliseconds pause);

    const std::string m_webHost;
    const std::int32_t m_attempts;
    const std::chrono::milliseconds m_pause;
    const std::chrono::steady_clock::time_point m_started;
    std::atomic<bool> m_cancelled{false};
    std::unique_ptr<HttpClient> m_client;

    std::mutex m_mutex;
    std::condition_variable m_cancelSignal;
    std::optional<UpdateCheck> m_outcome;
    DoneFunction m_done;

    std::thread m_thread;
};

} // namespace kestrum
