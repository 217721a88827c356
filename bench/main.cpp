// Benchmarks that touch widgets need a QApplication; run offscreen unless told otherwise.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

int main(int argc, char **argv) {
  // Two offscreen screens, of device pixel ratio 1 and 2, so one run measures both.
  QTemporaryDir dir;
  const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
  if ((platform.isEmpty() || platform == "offscreen") && dir.isValid()) {
    QFile config(dir.filePath(QStringLiteral("screens.json")));
    if (config.open(QIODevice::WriteOnly)) {
      config.write(R"({"screens": [
        {"name": "one", "x": 0, "y": 0, "width": 1600, "height": 1000, "logicalDpi": 96},
        {"name": "two", "x": 1600, "y": 0, "width": 1600, "height": 1000, "logicalDpi": 96}]})");
      config.close();
      qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config.fileName()));
      qputenv("QT_SCREEN_SCALE_FACTORS", "one=1;two=2");
    }
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
