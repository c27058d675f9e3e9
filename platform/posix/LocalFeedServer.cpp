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

bool isExecutableFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0;
}

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

// Reads the server's port numbers from its "listening" line.
bool parseListening(const std::string& line, int& web, int& feed1, int& feed2) {
    return std::sscanf(line.c_str(), "feedsim: listening on 127.0.0.1:%d, %d, %d", &web, &feed1,
                       &feed2) == 3 &&
           web > 0 && feed1 > 0 && feed2 > 0;
}

std::string loopback(int port) {
    return "http://127.0.0.1:" + std::to_string(port);
}

// Stops a child that is not ready: at once, and waits for it.
void killNow(pid_t pid) {
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

} // namespace

std::optional<std::filesystem::path> findFeedServer(const std::filesystem::path& ownExecutable,
                                                    const EnvironmentLookup& environment) {
    const std::filesystem::path beside = ownExecutable.parent_path() / kFeedServerName;
    if (!ownExecutable.empty() && isExecutableFile(beside)) {
        return beside;
    }
    const std::optional<std::string> path = environment("PATH");
    if (!path) {
        return std::nullopt;
    }
    std::size_t begin = 0;
    while (begin <= path->size()) {
        std::size_t end = path->find(':', begin);
        if (end == std::string::npos) {
            end = path->size();
        }
        const std::string folder = path->substr(begin, end - begin);
        // An empty entry is the working directory, which is no place to look for a program.
        if (!folder.empty() && isExecutableFile(std::filesystem::path(folder) / kFeedServerName)) {
            return std::filesystem::path(folder) / kFeedServerName;
        }
        begin = end + 1;
    }
    return std::nullopt;
}

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
            int web = 0;
            int feed1 = 0;
            int feed2 = 0;
            if (parseListening(line, web, feed1, feed2)) {
                std::unique_ptr<LocalFeedServer> server(new LocalFeedServer(pid, output));
                server->m_webHost = loopback(web);
                server->m_feedHost1 = loopback(feed1);
                server->m_feedHost2 = loopback(feed2);
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

LocalFeedServer::LocalFeedServer(ProcessId pid, std::intptr_t outputEnd, std::intptr_t)
    : m_pid(pid), m_outputReader([output = static_cast<int>(outputEnd)] {
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
