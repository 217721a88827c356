// Message windows: the cost of one synchronous send and answer to a window of another
// process (blocks of 0 B, 64 B, 64 KiB, 1 MiB), of a send to a window of this process, and
// of looking a window up by class and name among a few others.
#include "MessageWindow.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kClass = QStringLiteral("BenchPeerClass");

// A second process with one window that answers every message with its size; it dies with us.
platform::WindowHandle peerWindow() {
  static platform::WindowHandle handle = [] {
    static QTemporaryDir dir(QStringLiteral("/tmp/dpxb-XXXXXX"));
    qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
      return platform::WindowHandle{0};
    const pid_t child = ::fork();
    if (child == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);
      platform::registerWindowClass(kClass);
      const platform::WindowHandle w = platform::createWindow(
          kClass, QStringLiteral("peer"),
          [](const platform::CopyDataMessage &m) -> std::int64_t { return m.data.size(); });
      (void)::write(pipeFds[1], &w, sizeof w);
      for (;;)
        platform::pumpMessages(-1);
    }
    platform::WindowHandle w = 0;
    if (::read(pipeFds[0], &w, sizeof w) != sizeof w)
      w = 0;
    return w;
  }();
  return handle;
}

void BM_SendToOtherProcess(benchmark::State &state) {
  const platform::WindowHandle target = peerWindow();
  const QByteArray block(static_cast<qsizetype>(state.range(0)), 'x');
  for (auto _ : state) {
    std::int64_t result = 0;
    if (!platform::sendCopyData(target, 0, 1, block, &result) || result != block.size())
      state.SkipWithError("send failed");
    benchmark::DoNotOptimize(result);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SendToOtherProcess)->Arg(0)->Arg(64)->Arg(64 * 1024)->Arg(1024 * 1024);

void BM_SendWithinProcess(benchmark::State &state) {
  peerWindow(); // same runtime folder
  platform::registerWindowClass(QStringLiteral("BenchOwn"));
  const platform::WindowHandle own = platform::createWindow(
      QStringLiteral("BenchOwn"), QStringLiteral("own"),
      [](const platform::CopyDataMessage &m) -> std::int64_t { return m.code; });
  const QByteArray block(64, 'x');
  for (auto _ : state) {
    std::int64_t result = 0;
    platform::sendCopyData(own, 0, 1, block, &result);
    benchmark::DoNotOptimize(result);
  }
  platform::destroyWindow(own);
}
BENCHMARK(BM_SendWithinProcess);

void BM_FindWindowInOtherProcess(benchmark::State &state) {
  peerWindow();
  for (auto _ : state)
    benchmark::DoNotOptimize(platform::findWindow(kClass, QStringLiteral("peer")));
}
BENCHMARK(BM_FindWindowInOtherProcess);

} // namespace
