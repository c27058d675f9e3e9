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

void endNow(HANDLE process) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

} // namespace

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
            if (std::optional<Hosts> hosts = listeningHosts(line)) {
                std::unique_ptr<LocalFeedServer> server(new LocalFeedServer(
                    child.pid, std::move(*hosts), reinterpret_cast<std::intptr_t>(child.output),
                    reinterpret_cast<std::intptr_t>(child.process)));
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

LocalFeedServer::LocalFeedServer(ProcessId pid, Hosts hosts, std::intptr_t outputEnd,
                                 std::intptr_t process)
    : m_pid(pid), m_process(process), m_webHost(std::move(hosts.web)),
      m_feedHost1(std::move(hosts.feed1)), m_feedHost2(std::move(hosts.feed2)),
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
