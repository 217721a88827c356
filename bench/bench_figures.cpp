// Writing figures: the main window's screenshot as a PNG file, by the program's writer beside
// Qt's own writer on the same picture (the writer the program used before it had its own).
#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <benchmark/benchmark.h>

#include "PngEncoder.h"
#include "mainfrm.h"

namespace {

constexpr int kDotsPerMeter = 3780; // 96 dpi

const QImage &windowPicture() {
  static const QImage picture = [] {
    TFrmRadPattern form(/*headless=*/true);
    form.show();
    QCoreApplication::processEvents();
    return form.grab().toImage();
  }();
  return picture;
}

void BM_ScreenshotPng(benchmark::State &state) {
  const QImage &picture = windowPicture();
  qsizetype bytes = 0;
  for (auto _ : state)
    bytes = encodePng(picture, kDotsPerMeter).size();
  state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ScreenshotPng)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScreenshotPngQtWriter(benchmark::State &state) {
  QImage picture = windowPicture();
  picture.setDotsPerMeterX(kDotsPerMeter);
  picture.setDotsPerMeterY(kDotsPerMeter);
  qsizetype bytes = 0;
  for (auto _ : state) {
    QByteArray file;
    QBuffer buffer(&file);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    bytes = file.size();
  }
  state.counters["file_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ScreenshotPngQtWriter)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
