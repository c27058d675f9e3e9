#include "platform/LocalFeedServer.h"

#include "platform/DebugLog.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kestrum {

const std::string_view kFeedServerName = "kestrum-feedsim";

namespace {

// How a process ended, in words.
std::string endedHow(int status) {
    if (WIFEXITED(status)) {
        return "ended with status " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        return "was ended by signal " + std::to_string(WTERMSIG(status));
    }
    return "ended";
}

// Starts `program` with `arguments`, its standard output into the returned pipe and its
// standard error shared with ours. The child ends when this process does.
std::variant<std::pair<pid_t, int>, std::string> spawn(const std::filesystem::path& program,
                                                       const std::vector<std::string>& arguments) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return std::string("no pipe for the local feed server: ") + std::strerror(errno);
    }
    std::vector<char*> argv;
    std::string name = program.string();
    argv.push_back(name.data());
    std::vector<std::string> copies = arguments;
    for (std::string& argument : copies) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid < 0) {
        const int error = errno;
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        return "the local feed server cannot be started: " + std::string(std::strerror(error));
    }
    if (pid == 0) {
        // Only calls that are safe after fork() in a process with threads, up to exec.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(127);
        }
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    return std::pair{pid, pipeEnds[0]};
}

// Stops a child that is not ready: at once, and waits for it.
void killNow(pid_t pid) {
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

} // namespace

std::variant<std::unique_ptr<LocalFeedServer>, std::string>
LocalFeedServer::start(const std::filesystem::path& program, std::chrono::milliseconds timeout) {
    auto spawned = spawn(program, {"--web-port", "0", "--feed1-port", "0", "--feed2-port", "0"});
    if (auto* error = std::get_if<std::string>(&spawned)) {
        return *error;
    }
    const auto [pid, output] = std::get<std::pair<pid_t, int>>(spawned);

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string pending;
    for (;;) {
        const std::size_t lineEnd = pending.find('\n');
        if (lineEnd != std::string::npos) {
            const std::string line = pending.substr(0, lineEnd);
            pending.erase(0, lineEnd + 1);
            if (std::optional<Hosts> hosts = listeningHosts(line)) {
                std::unique_ptr<LocalFeedServer> server(
                    new LocalFeedServer(pid, std::move(*hosts), output));
                if (!pending.empty()) {
                    debugLog(pending);
                }
                return server;
            }
            debugLog(line + "\n");
            continue;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{output, POLLIN, 0};
        const int polled = left.count() > 0 ? ::poll(&ready, 1, static_cast<int>(left.count())) : 0;
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        if (polled <= 0) {
            killNow(pid);
            ::close(output);
            return program.string() + " was not ready after " + std::to_string(timeout.count()) +
                   " ms";
        }
        char buffer[512];
        const ssize_t got = ::read(output, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            int status = 0;
            ::waitpid(pid, &status, 0);
            ::close(output);
            return program.string() + " " + endedHow(status) + " before it was ready";
        }
        pending.append(buffer, static_cast<std::size_t>(got));
    }
}

LocalFeedServer::LocalFeedServer(ProcessId pid, Hosts hosts, std::intptr_t outputEnd, std::intptr_t)
    : m_pid(pid), m_webHost(std::move(hosts.web)), m_feedHost1(std::move(hosts.feed1)),
      m_feedHost2(std::move(hosts.feed2)), m_outputReader([output = static_cast<int>(outputEnd)] {
          char buffer[512];
          for (;;) {
              const ssize_t got = ::read(output, buffer, sizeof buffer);
              if (got < 0 && errno == EINTR) {
                  continue;
              }
              if (got <= 0) {
                  break;
              }
              debugLog(std::string_view(buffer, static_cast<std::size_t>(got)));
          }
          ::close(output);
      }) {}

LocalFeedServer::~LocalFeedServer() {
    const auto pid = static_cast<pid_t>(m_pid);
    ::kill(pid, SIGTERM);
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 200 && !ended; ++i) {
        ended = ::waitpid(pid, &status, WNOHANG) == pid;
        if (!ended) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (!ended) {
        killNow(pid);
    }
    m_outputReader.join();
}

} // namespace kestrum
