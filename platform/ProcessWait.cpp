#include "ProcessWait.h"

#include "LastError.h"

#include <cerrno>
#include <chrono>
#include <map>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef P_PIDFD
#define P_PIDFD 3
#endif

namespace platform {

namespace {

struct Process {
  int pidfd = -1;
  pid_t pid = 0;
  std::optional<int> code; // known once a child has been reaped
};

std::map<ProcessHandle, Process> &processes() {
  static auto *map = new std::map<ProcessHandle, Process>;
  return *map;
}

ProcessHandle g_next = 0x200;

Process *find(ProcessHandle handle) {
  const auto it = processes().find(handle);
  if (it == processes().end()) {
    setLastError(EBADF);
    return nullptr;
  }
  return &it->second;
}

bool hasEnded(int pidfd) {
  pollfd p{pidfd, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0;
}

} // namespace

ProcessHandle openProcess(pid_t pid) {
  if (pid <= 0) {
    setLastError(ESRCH);
    return 0;
  }
  // pidfds are close-on-exec from the start.
  const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (fd < 0) {
    setLastError(errno);
    return 0;
  }
  const ProcessHandle handle = g_next++;
  processes()[handle] = Process{fd, pid, std::nullopt};
  return handle;
}

bool waitForProcess(ProcessHandle handle, int timeoutMs) {
  Process *p = find(handle);
  if (!p)
    return false;
  if (p->code)
    return true;
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  for (;;) {
    int wait = -1;
    if (timeoutMs >= 0)
      wait = static_cast<int>(std::max<long long>(
          0,
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
    pollfd fd{p->pidfd, POLLIN, 0};
    const int n = ::poll(&fd, 1, wait);
    if (n > 0)
      return true;
    if (n < 0 && errno == EINTR)
      continue;
    setLastError(n == 0 ? ETIMEDOUT : errno);
    return false;
  }
}

std::optional<int> exitCode(ProcessHandle handle) {
  Process *p = find(handle);
  if (!p)
    return std::nullopt;
  if (p->code)
    return p->code;
  siginfo_t info{};
  int rc;
  do {
    rc = ::waitid(static_cast<idtype_t>(P_PIDFD), static_cast<id_t>(p->pidfd), &info,
                  WEXITED | WNOHANG);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) {
    if (info.si_pid == 0)
      return kStillActive; // our child, still running
    p->code = info.si_code == CLD_EXITED ? info.si_status : 128 + info.si_status;
    return p->code;
  }
  // Not our child: only whether it has ended is knowable.
  return hasEnded(p->pidfd) ? kExitCodeUnknown : kStillActive;
}

bool closeProcess(ProcessHandle handle) {
  const auto it = processes().find(handle);
  if (it == processes().end()) {
    setLastError(EBADF);
    return false;
  }
  ::close(it->second.pidfd);
  processes().erase(it);
  return true;
}

} // namespace platform
