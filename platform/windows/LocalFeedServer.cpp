#include "platform/LocalFeedServer.h"

#include "base/Utf8Path.h"
#include "platform/DebugLog.h"
#include "platform/windows/WideText.h"

#include <cstdio>
#include <vector>
#include <windows.h>

namespace kestrum {

const std::string_view kFeedServerName = "kestrum-feedsim.exe";

namespace {

bool isProgramFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// Every process the servers start belongs to one job that ends them all when this process
// ends, however it ends: the system closes the job's last handle then.
HANDLE serverJob() {
    static HANDLE job = [] {
        HANDLE made = CreateJobObjectW(nullptr, nullptr);
        if (made != nullptr) {
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
            limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits,
                                    sizeof limits);
        }
        return made;
    }();
    return job;
}

// One argument as the C runtime's parser reads it back.
std::wstring quoted(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        return argument;
    }
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, L'\\');
    out.push_back(L'"');
    return out;
}

struct Spawned {
    HANDLE process = nullptr;
    DWORD pid = 0;
    HANDLE output = nullptr;
};

// Starts `program` with `arguments`, its standard output into the returned pipe and its
// standard error shared with ours, in the job. It inherits those two handles and no other.
std::variant<Spawned, std::string> spawn(const std::filesystem::path& program,
                                         const std::vector<std::wstring>& arguments) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        return "no pipe for the local feed server: " + windows::lastErrorText(GetLastError());
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE errorEnd = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_ERROR_HANDLE), GetCurrentProcess(),
                    &errorEnd, 0, TRUE, DUPLICATE_SAME_ACCESS);

    std::vector<HANDLE> inherited{writeEnd};
    if (errorEnd != nullptr) {
        inherited.push_back(errorEnd);
    }
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<unsigned char> attributeBytes(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeBytes.data());
    const bool listed = InitializeProcThreadAttributeList(attributes, 1, 0, &size) &&
                        UpdateProcThreadAttribute(
                            attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited.data(),
                            inherited.size() * sizeof(HANDLE), nullptr, nullptr);

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = nullptr;
    startup.StartupInfo.hStdOutput = writeEnd;
    startup.StartupInfo.hStdError = errorEnd;
    startup.lpAttributeList = listed ? attributes : nullptr;

    std::wstring commandLine = quoted(program.wstring());
    for (const std::wstring& argument : arguments) {
        commandLine += L" " + quoted(argument);
    }
    // Its own process group: Ctrl+C in the console reaches the program, which stops the
    // server itself once it has finished with it.
    const DWORD flags = CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT |
                        (listed ? EXTENDED_STARTUPINFO_PRESENT : 0);
    PROCESS_INFORMATION info{};
    const BOOL started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        flags, nullptr, nullptr, &startup.StartupInfo, &info);
    const DWORD startError = GetLastError();
    if (listed) {
        DeleteProcThreadAttributeList(attributes);
    }
    CloseHandle(writeEnd);
    if (errorEnd != nullptr) {
        CloseHandle(errorEnd);
    }
    if (!started) {
        CloseHandle(readEnd);
        return "the local feed server cannot be started: " + windows::lastErrorText(startError);
    }
    if (serverJob() != nullptr) {
        AssignProcessToJobObject(serverJob(), info.hProcess);
    }
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    return Spawned{info.hProcess, info.dwProcessId, readEnd};
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

void endNow(HANDLE process) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

} // namespace

std::optional<std::filesystem::path> findFeedServer(const std::filesystem::path& ownExecutable,
                                                    const EnvironmentLookup& environment) {
    const std::filesystem::path name = pathFromUtf8(kFeedServerName);
    if (!ownExecutable.empty() && isProgramFile(ownExecutable.parent_path() / name)) {
        return ownExecutable.parent_path() / name;
    }
    const std::optional<std::string> path = environment("PATH");
    if (!path) {
        return std::nullopt;
    }
    std::size_t begin = 0;
    while (begin <= path->size()) {
        std::size_t end = path->find(';', begin);
        if (end == std::string::npos) {
            end = path->size();
        }
        const std::string folder = path->substr(begin, end - begin);
        // An empty entry is the working directory, which is no place to look for a program.
        if (!folder.empty() && isProgramFile(pathFromUtf8(folder) / name)) {
            return pathFromUtf8(folder) / name;
        }
        begin = end + 1;
    }
    return std::nullopt;
}

std::variant<std::unique_ptr<LocalFeedServer>, std::string>
LocalFeedServer::start(const std::filesystem::path& program, std::chrono::milliseconds timeout) {
    auto spawned =
        spawn(program, {L"--web-port", L"0", L"--feed1-port", L"0", L"--feed2-port", L"0"});
    if (auto* error = std::get_if<std::string>(&spawned)) {
        return *error;
    }
    const Spawned child = std::get<Spawned>(spawned);

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string pending;
    for (;;) {
        const std::size_t lineEnd = pending.find('\n');
        if (lineEnd != std::string::npos) {
            std::string line = pending.substr(0, lineEnd);
            pending.erase(0, lineEnd + 1);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            int web = 0;
            int feed1 = 0;
            int feed2 = 0;
            if (parseListening(line, web, feed1, feed2)) {
                std::unique_ptr<LocalFeedServer> server(
                    new LocalFeedServer(child.pid, reinterpret_cast<std::intptr_t>(child.output),
                                        reinterpret_cast<std::intptr_t>(child.process)));
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
        // The pipe is looked at every 20 ms: an anonymous pipe cannot be waited on.
        DWORD available = 0;
        if (!PeekNamedPipe(child.output, nullptr, 0, nullptr, &available, nullptr)) {
            DWORD status = 0;
            WaitForSingleObject(child.process, 5000);
            GetExitCodeProcess(child.process, &status);
            CloseHandle(child.process);
            CloseHandle(child.output);
            return utf8FromPath(program) + " ended with status " + std::to_string(status) +
                   " before it was ready";
        }
        if (available == 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                endNow(child.process);
                CloseHandle(child.output);
                return utf8FromPath(program) + " was not ready after " +
                       std::to_string(timeout.count()) + " ms";
            }
            Sleep(20);
            continue;
        }
        char buffer[512];
        DWORD got = 0;
        if (ReadFile(child.output, buffer, std::min<DWORD>(available, sizeof buffer), &got,
                     nullptr) &&
            got > 0) {
            pending.append(buffer, got);
        }
    }
}

LocalFeedServer::LocalFeedServer(ProcessId pid, std::intptr_t outputEnd, std::intptr_t process)
    : m_pid(pid), m_process(process),
      m_outputReader([output = reinterpret_cast<HANDLE>(outputEnd)] {
          char buffer[512];
          DWORD got = 0;
          while (ReadFile(output, buffer, sizeof buffer, &got, nullptr) && got > 0) {
              debugLog(std::string_view(buffer, got));
          }
          CloseHandle(output);
      }) {}

LocalFeedServer::~LocalFeedServer() {
    // The server keeps nothing to save: it is ended at once, and its pipe closes with it.
    endNow(reinterpret_cast<HANDLE>(m_process));
    m_outputReader.join();
}

} // namespace kestrum
