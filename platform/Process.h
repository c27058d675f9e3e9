#pragma once

// The running process and the processes it deals with: who runs it, where its program is, and
// the two things done to another process by its id (a hung web page's renderer, the local feed
// server).

#include <cstdint>
#include <filesystem>
#include <optional>

namespace kestrum {

// A process id as the system gives it; positive for a process.
using ProcessId = std::int64_t;

// Whether the program runs with the administrator's rights (root).
bool runningAsRoot();

// The running program's file; nothing when the system does not say.
std::optional<std::filesystem::path> runningProgramPath();

// Whether `path` is a file the system would run as a program (on Linux: executable).
bool isRunnableProgram(const std::filesystem::path& path);

// Ends process `pid` at once, without a chance to clean up. Ids of 0 and below are ignored.
void killProcess(ProcessId pid);

// Lowers the scheduling priority of process `pid` by `steps` (1 to 19: higher is nicer to the
// other processes). Ids of 0 and below, and a refusal of the system, are ignored.
void lowerPriority(ProcessId pid, int steps);

} // namespace kestrum
