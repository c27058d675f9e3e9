#pragma once

// The local feed server that a program runs for itself when no address is configured: started
// on free loopback ports, waited for until it says it listens, stopped when its owner goes
// (and by the kernel when the owner dies without stopping it).

#include "platform/Process.h"
#include "platform/Settings.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <variant>

namespace kestrum {

// The server's file name where it is installed (with ".exe" on Windows).
extern const std::string_view kFeedServerName;

// Where the server is: next to `ownExecutable`, else the first on $PATH. Nothing when neither
// holds an executable file of that name.
std::optional<std::filesystem::path> findFeedServer(const std::filesystem::path& ownExecutable,
                                                    const EnvironmentLookup& environment);

class LocalFeedServer {
public:
    // Starts `program` on three free ports and waits until it prints its "listening" line. An
    // error, in words for the user, when it cannot be started, ends first or is not ready within
    // `timeout` (it is then stopped).
    static std::variant<std::unique_ptr<LocalFeedServer>, std::string>
    start(const std::filesystem::path& program,
          std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Stops the server: SIGTERM, then SIGKILL when it has not ended after two seconds (on
    // Windows it is ended at once: it keeps nothing that needs saving).
    ~LocalFeedServer();
    LocalFeedServer(const LocalFeedServer&) = delete;
    LocalFeedServer& operator=(const LocalFeedServer&) = delete;

    // "http://127.0.0.1:port" of each host.
    const std::string& webHost() const { return m_webHost; }
    const std::string& feedHost1() const { return m_feedHost1; }
    const std::string& feedHost2() const { return m_feedHost2; }
    ProcessId pid() const { return m_pid; }

private:
    // The three hosts named by the server's "listening" line; nothing for any other line.
    struct Hosts {
        std::string web;
        std::string feed1;
        std::string feed2;
    };
    static std::optional<Hosts> listeningHosts(std::string_view line);

    // `output`: the read end of the pipe from the server's standard output (a descriptor, or
    // on Windows a handle); `process`: on Windows the process's handle, which keeps its id from
    // going to another process.
    LocalFeedServer(ProcessId pid, Hosts hosts, std::intptr_t output, std::intptr_t process = 0);

    ProcessId m_pid;
    std::intptr_t m_process = 0;
    std::string m_webHost;
    std::string m_feedHost1;
    std::string m_feedHost2;
    // Copies what the server prints after its "listening" line to the debug log, until it ends.
    std::thread m_outputReader;
};

} // namespace kestrum
