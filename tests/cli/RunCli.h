#pragma once

// Runs the built kestrum-cli (KESTRUM_CLI_PROGRAM) as a process: its standard input from a
// file or /dev/null, its outputs and its exit status back.

#include "support/ScratchFolder.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace kestrum::test {

struct CliRun {
    // The exit status; -1 when the program did not end by itself (a signal, a failed start).
    int status = -1;
    std::string out;
    std::string err;
};

// Starts kestrum-cli with `arguments` and the file actions (none: the test's own descriptors);
// its process id, 0 when it could not be started.
inline pid_t spawnCli(const std::vector<std::string>& arguments,
                      const posix_spawn_file_actions_t* actions = nullptr) {
    std::vector<std::string> copies{KESTRUM_CLI_PROGRAM};
    copies.insert(copies.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : copies) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    return posix_spawn(&pid, argv[0], actions, nullptr, argv.data(), environ) == 0 ? pid : 0;
}

// Runs kestrum-cli with `arguments`, its outputs going through files in `folder`.
inline CliRun runCli(const std::vector<std::string>& arguments, const std::filesystem::path& folder,
                     const std::optional<std::filesystem::path>& input = std::nullopt) {
    const std::string outPath = (folder / "cli-stdout").string();
    const std::string errPath = (folder / "cli-stderr").string();
    const std::string inPath = input ? input->string() : "/dev/null";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, inPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    CliRun run;
    const pid_t pid = spawnCli(arguments, &actions);
    posix_spawn_file_actions_destroy(&actions);
    if (pid == 0) {
        run.err = "posix_spawn failed";
        return run;
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
        run.status = WEXITSTATUS(status);
    }
    run.out = fileBytes(outPath);
    run.err = fileBytes(errPath);
    return run;
}

// A test that runs the program with an empty settings file, so that no settings file of the
// machine's can change what it does.
class CliTest : public testing::Test {
protected:
    CliTest() { std::ofstream(m_config.string()).flush(); }

    CliRun cli(std::vector<std::string> arguments,
               const std::optional<std::filesystem::path>& input = std::nullopt) {
        arguments.insert(arguments.begin(), {"--config", m_config.string()});
        return runCli(arguments, m_folder.path(), input);
    }

    ScratchFolder m_folder;
    std::filesystem::path m_config = m_folder.path() / "empty.toml";
};

// The text with every CR LF as LF.
inline std::string withLf(std::string text) {
    std::string::size_type at = 0;
    while ((at = text.find("\r\n", at)) != std::string::npos) {
        text.erase(at, 1);
        ++at;
    }
    return text;
}

// The plan lines of a report (either line end): its lines up to the footer, blank ones left out.
inline std::vector<std::string> reportLines(const std::string& report) {
    std::vector<std::string> lines;
    std::string::size_type begin = 0;
    const std::string text = withLf(report);
    while (begin < text.size()) {
        std::string::size_type end = text.find('\n', begin);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string line = text.substr(begin, end - begin);
        if (line.starts_with("如果你觉得软件好用")) {
            break;
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
        begin = end + 1;
    }
    return lines;
}

} // namespace kestrum::test
