// The translator at the program's scale and far beyond: loading a 1 MiB language file of
// 20,000 records, translating a form of 100 marked controls against that table, and
// collecting keys that have no entry, beside a bare hash set filled with the same keys.
#include "Glossan2000.h"

#include <QBuffer>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kRecords = 20000;
constexpr qsizetype kFileSize = 1024 * 1024;

// 20,000 records "[Caption nnnnn]=Text nnnnn ..." padded to exactly 1 MiB, CR LF lines.
QByteArray LanguageFile() {
  QByteArray file;
  file.reserve(kFileSize);
  const qsizetype perRecord = kFileSize / kRecords;
  for (int i = 0; i < kRecords; ++i) {
    QByteArray rec = "[Caption " + QByteArray::number(i).rightJustified(5, '0') + "]=Text " +
                     QByteArray::number(i) + " \\n ";
    const qsizetype room =
        (i == kRecords - 1 ? kFileSize - file.size() : perRecord) - rec.size() - 5; // "|$$\r\n"
    rec += QByteArray(std::max<qsizetype>(room, 0), 'x') + "|$$\r\n";
    file += rec;
  }
  return file;
}

void LoadLanguageFile(benchmark::State &state) {
  QByteArray file = LanguageFile();
  for (auto _ : state) {
    TGlossan2000 g(QString{});
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    g.LoadFromStream(buffer);
    benchmark::DoNotOptimize(g.Keys().size());
    if (g.Keys().size() != kRecords)
      state.SkipWithError("wrong record count");
  }
  state.SetBytesProcessed(state.iterations() * file.size());
  state.counters["records"] = kRecords;
}
BENCHMARK(LoadLanguageFile)->Unit(benchmark::kMillisecond);

void TranslateFormOf100Controls(benchmark::State &state) {
  QByteArray file = LanguageFile();
  TGlossan2000 g(QString{});
  QBuffer buffer(&file);
  buffer.open(QIODevice::ReadOnly);
  g.LoadFromStream(buffer);

  QWidget form;
  form.setWindowTitle(QStringLiteral("GL_Caption 19999"));
  std::vector<QLabel *> labels;
  std::vector<QPushButton *> buttons;
  for (int i = 0; i < 50; ++i) {
    labels.push_back(new QLabel(&form));
    buttons.push_back(new QPushButton(&form));
  }
  // Keys spread over the whole table, so a search from the front would pay for it.
  const auto mark = [&] {
    for (int i = 0; i < 50; ++i) {
      labels[static_cast<std::size_t>(i)]->setText(
          QStringLiteral("GL_Caption %1").arg(i * 400, 5, 10, QLatin1Char('0')));
      buttons[static_cast<std::size_t>(i)]->setText(
          QStringLiteral("GL_Caption %1").arg(i * 400 + 199, 5, 10, QLatin1Char('0')));
    }
  };
  for (auto _ : state) {
    state.PauseTiming();
    mark();
    state.ResumeTiming();
    g.TranslateComponent(&form);
  }
  if (!labels.back()->text().startsWith(QStringLiteral("Text ")))
    state.SkipWithError("not translated");
  state.counters["controls"] = 100;
}
BENCHMARK(TranslateFormOf100Controls)->Unit(benchmark::kMicrosecond);

// The list sizes both the translator and its floor are timed at, for the O(N) fit.
void keyCounts(benchmark::internal::Benchmark *b) {
  for (int n : {2000, 8000, 32000, 128000})
    b->Arg(n);
  b->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);
}

// N distinct captions, as a large form would ask for them.
QStringList captionKeys(int n) {
  QStringList keys;
  for (int i = 0; i < n; ++i)
    keys.append(QStringLiteral("Caption %1").arg(i));
  return keys;
}

// N distinct keys without an entry, each asked for twice, the second time in upper case:
// what a large form does to the generated file's list. Should grow linearly with N.
void CollectMissingKeys(benchmark::State &state) {
  const auto n = static_cast<int>(state.range(0));
  const QStringList keys = captionKeys(n);
  for (auto _ : state) {
    TGlossan2000 g(QString{});
    g.AutoCreateItlFile = true;
    for (const QString &k : keys)
      g.Translate(k);
    for (const QString &k : keys)
      g.Translate(k.toUpper());
    if (g.MissingEntries.size() != n)
      state.SkipWithError("wrong entry count");
    g.AutoCreateItlFile = false; // no file to write
  }
  state.SetComplexityN(n);
}
BENCHMARK(CollectMissingKeys)->Apply(keyCounts);

// The floor: the same lines, lower-cased and put in a hash set twice, with no translator.
void HashSetOfSameLinesFloor(benchmark::State &state) {
  const auto n = static_cast<int>(state.range(0));
  const QStringList keys = captionKeys(n);
  for (auto _ : state) {
    QSet<QString> seen;
    for (int pass = 0; pass < 2; ++pass)
      for (const QString &k : keys)
        seen.insert(
            (QLatin1Char('[') + k + QStringLiteral("]=") + k + QStringLiteral("|$$")).toLower());
    benchmark::DoNotOptimize(seen.size());
  }
  state.SetComplexityN(n);
}
BENCHMARK(HashSetOfSameLinesFloor)->Apply(keyCounts);

} // namespace
