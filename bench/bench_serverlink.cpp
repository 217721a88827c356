// The server link's costs: one request's round trip to a quillon-server process (median and
// 99th percentile as counters), and building the client component and running its start-up
// without a server (what the link adds to the program's start).
//
// The server program is looked up in $QUILLON_SERVER, else beside the build's tools folder.

#include "MarloDemon.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "MessageWindow.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

QTemporaryDir &privateFolders() {
  static QTemporaryDir dir;
  static const bool once = [] {
    QDir(dir.path()).mkpath(QStringLiteral("run"));
    QDir(dir.path()).mkpath(QStringLiteral("etc"));
    QFile::setPermissions(dir.filePath(QStringLiteral("run")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", dir.filePath(QStringLiteral("run")).toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", dir.filePath(QStringLiteral("etc")).toLocal8Bit());
    return true;
  }();
  (void)once;
  return dir;
}

QString serverProgram() {
  const QString fromEnv = qEnvironmentVariable("QUILLON_SERVER");
  if (!fromEnv.isEmpty())
    return fromEnv;
  return QCoreApplication::applicationDirPath() +
         QStringLiteral("/../tools/quillon-server/quillon-server");
}

std::unique_ptr<TkdbDemonClient> makeClient(const QStringList &args, const QString &program) {
  DemonEnvironment env;
  env.programPath = program;
  env.arguments = args;
  env.applicationTitle = QStringLiteral("Bench");
  auto c = std::make_unique<TkdbDemonClient>(nullptr, env);
  c->OnRequestAppQuit = [] {};
  c->OnTerminate = [](int) {};
  return c;
}

void BM_RequestRoundTrip(benchmark::State &state) {
  QTemporaryDir &dir = privateFolders();
  QProcess server;
  server.start(serverProgram(), {QStringLiteral("--handle"), QStringLiteral("bench"),
                                 QStringLiteral("--files"), dir.path()});
  if (!server.waitForStarted(5000) || !server.waitForReadyRead(5000)) {
    state.SkipWithError("quillon-server did not start (set QUILLON_SERVER)");
    return;
  }
  auto client = makeClient({QStringLiteral("/serverhandle=bench")},
                           dir.filePath(QStringLiteral("benchprog")));
  client->SetMultiStart(true);
  client->Loaded();
  std::vector<double> micros;
  micros.reserve(100000);
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    QString v = client->GetServerParam(QStringLiteral("MarloWorkArea"));
    const auto t1 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(v);
    micros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
  }
  client.reset();
  server.terminate();
  server.waitForFinished(5000);
  if (micros.empty())
    return;
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}
BENCHMARK(BM_RequestRoundTrip)->Iterations(5000)->Unit(benchmark::kMicrosecond);

void BM_ConstructAndLoadWithoutServer(benchmark::State &state) {
  QTemporaryDir &dir = privateFolders();
  const QString program = dir.filePath(QStringLiteral("startprog"));
  QFile itl(program + QStringLiteral(".itl"));
  if (itl.open(QIODevice::WriteOnly))
    itl.write("[Hello]=Hallo|$$\r\n[AppIconName]=x.png|$$\r\n");
  itl.close();
  QObject owner;
  for (auto _ : state) {
    auto client = makeClient({}, program);
    client->setParent(&owner);
    client->SetUseMarloServer(false);
    client->Loaded(); // language file, translation of the owner, single-instance lock
    benchmark::DoNotOptimize(client->WindowHandle());
  }
}
BENCHMARK(BM_ConstructAndLoadWithoutServer)->Unit(benchmark::kMicrosecond);

} // namespace
