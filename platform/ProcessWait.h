#pragma once
// Waiting for another process to end, by process identifier (a pidfd underneath).
//
// Exit codes: Linux tells a process's exit status only to its parent. For a child of this
// process exitCode() gives the real code (a process ended by signal N gives 128 + N, as
// shells report it). For any other process it gives kExitCodeUnknown (-1) once the process
// has ended: the code is not knowable here. While the process runs it gives kStillActive
// (259, the value the desktop reports for a running process).

#include <cstdint>
#include <optional>
#include <sys/types.h>

namespace platform {

using ProcessHandle = std::uint32_t;

inline constexpr int kStillActive = 259;
inline constexpr int kExitCodeUnknown = -1;

// Opens the process `pid` for waiting. 0 with lastError (ESRCH: no such process) on failure.
ProcessHandle openProcess(pid_t pid);

// Waits until the process has ended or `timeoutMs` ms have passed (-1: no limit).
// True when it has ended; false on time-out or for an unknown handle (lastError
// ETIMEDOUT / EBADF). Dispatches nothing while it waits.
bool waitForProcess(ProcessHandle handle, int timeoutMs = -1);

// The exit code as described above; std::nullopt for an unknown handle (EBADF).
// For a child, the first call after its end reaps it.
std::optional<int> exitCode(ProcessHandle handle);

bool closeProcess(ProcessHandle handle);

} // namespace platform
