// The headless modes: argument checking, the CSV export and the real program's exit codes.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utility>

#include "CommandLine.h"
#include "Figures.h"
#include "Headless.h"
#include "Nuvra_polchart.h"
#include "Pattern.h"
#include "PatternAnalysis.h"
#include "PatternReport.h"
#include "PngEncoder.h"

namespace {

cmdline::Result parse(const QStringList &args) { return cmdline::parse(args); }

TEST(HeadlessArgs, ValuesBecomeScrollBarPositions) {
  auto r = parse({"--export-csv", "x.csv", "--distance", "1.25", "--phase", "0.5"});
  ASSERT_EQ(r.action, cmdline::Action::Headless) << r.text.toStdString();
  EXPECT_EQ(r.options.distancePosition, 2500);
  EXPECT_EQ(r.options.phasePosition, 3142); // round(0.5·π·2000) = round(3141.59…)
  r = parse({"--screenshot", "a.png", "--distance", "7", "--phase", "-1"});
  ASSERT_EQ(r.action, cmdline::Action::Headless) << r.text.toStdString();
  EXPECT_EQ(r.options.distancePosition, 10000); // clamped to the bars' ranges
  EXPECT_EQ(r.options.phasePosition, 0);
  r = parse({"--screenshot", "a.png", "--phase", "1"});
  EXPECT_EQ(r.options.phasePosition, 6283);
  r = parse({"--screenshot", "a.png", "--distance", "0.00025"});
  EXPECT_EQ(r.options.distancePosition, 0); // 0.5 rounds to the even neighbour
  r = parse({"--chart=c.SVG", "--size", "640x480", "--dpi", "300"});
  ASSERT_EQ(r.action, cmdline::Action::Headless) << r.text.toStdString();
  EXPECT_EQ(r.options.chartSize, QSize(640, 480));
  EXPECT_EQ(r.options.dpi, 300);
  EXPECT_DOUBLE_EQ(r.options.scale, 1.0);
  // Both ends of the size and resolution ranges are taken.
  for (const auto &[size, dpi] :
       {std::pair{QSize(50, 8000), 30}, std::pair{QSize(8000, 50), 2400}}) {
    r = parse({"--chart", "c.png", "--size",
               QStringLiteral("%1x%2").arg(size.width()).arg(size.height()), "--dpi",
               QString::number(dpi)});
    ASSERT_EQ(r.action, cmdline::Action::Headless) << r.text.toStdString();
    EXPECT_EQ(r.options.chartSize, size);
    EXPECT_EQ(r.options.dpi, dpi);
  }
  r = parse({"--screenshot", "a.png", "--scale", "9"});
  EXPECT_DOUBLE_EQ(r.options.scale, 4.0);
  r = parse({"--screenshot", "a.png", "--scale", "0.1"});
  EXPECT_DOUBLE_EQ(r.options.scale, 0.5);
}

TEST(HeadlessArgs, WhatIsNotAHeadlessRun) {
  EXPECT_EQ(parse({}).action, cmdline::Action::Window);
  EXPECT_EQ(parse({"/serverhandle=5"}).action, cmdline::Action::Window);
  EXPECT_EQ(parse({"--help"}).action, cmdline::Action::Help);
  EXPECT_EQ(parse({"--version", "--bogus"}).action, cmdline::Action::Error);
  for (const char *option : {"--screenshot", "--chart", "--size", "--dpi", "--distance"})
    EXPECT_TRUE(cmdline::helpText().contains(QLatin1String(option))) << option;
}

TEST(HeadlessArgs, BadArgumentsAreOneLineErrorsNamingThem) {
  const struct {
    QStringList args;
    const char *named;
  } cases[] = {
      {{"--screenshot"}, "screenshot"},
      {{"--export-csv", "x", "--distance"}, "distance"},
      {{"--export-csv", "x", "--distance", "abc"}, "abc"},
      {{"--export-csv", "x", "--phase", "nan"}, "nan"},
      {{"--export-csv", "x", "--phase", "inf"}, "inf"},
      {{"--export-csv", "x", "--bogus", "1"}, "bogus"},
      {{"--screenshot", ""}, "--screenshot"},
      {{"--distance", "1"}, "--distance"},
      {{"--screenshot", "fig.jpg"}, "fig.jpg"},
      {{"--chart", "fig"}, ".svg"},
      {{"--screenshot-about", "about.svg"}, "about.svg"},
      {{"--chart", "a.png", "--chart", "b.png"}, "--chart"},
      {{"--screenshot", "a.png", "--chart", "a.png"}, "a.png"},
      {{"--chart", "a.png", "--size", "10x10"}, "10x10"},
      {{"--chart", "a.png", "--size", "640"}, "640"},
      {{"--screenshot", "a.png", "--size", "640x480"}, "--size"},
      {{"--chart", "a.png", "--dpi", "0"}, "--dpi"},
      {{"--chart", "a.png", "--size", "49x50"}, "49x50"},
      {{"--chart", "a.png", "--size", "50x49"}, "50x49"},
      {{"--chart", "a.png", "--size", "8001x50"}, "8001x50"},
      {{"--chart", "a.png", "--size", "50x8001"}, "50x8001"},
      {{"--chart", "a.png", "--dpi", "29"}, "\"29\""},
      {{"--chart", "a.png", "--dpi", "2401"}, "2401"},
      {{"--export-csv", "x", "stray"}, "stray"},
      {{"--screenshot", "x.png", "--scale", "big"}, "big"},
  };
  for (const auto &c : cases) {
    const auto r = parse(c.args);
    EXPECT_EQ(r.action, cmdline::Action::Error) << c.args.join(' ').toStdString();
    EXPECT_TRUE(r.text.contains(QLatin1String(c.named))) << r.text.toStdString();
    EXPECT_FALSE(r.text.contains('\n'));
  }
}

TEST(HeadlessCsv, OneRowPerLinePointWithFullPrecision) {
  TPolChart chart;
  chart.SetRangeLow(-1); // as the main window's chart
  pattern::plot(chart, 1000, 0);
  const QList<QByteArray> rows = headless::csv(chart).trimmed().split('\n');
  ASSERT_EQ(rows.size(), 1 + 721);
  EXPECT_EQ(rows[0], "phi_deg,R,rho,rho_db");
  const QList<QByteArray> mid = rows[1 + 180].split(','); // 90°
  ASSERT_EQ(mid.size(), 4);
  EXPECT_DOUBLE_EQ(mid[0].toDouble(), 90.0);
  EXPECT_DOUBLE_EQ(mid[2].toDouble(), (mid[1].toDouble() + 1.0) / 2.0);
  EXPECT_EQ(mid[3], "0");
  EXPECT_TRUE(rows[1].endsWith(",0,")) << rows[1].toStdString(); // 0°: a null, no decibels
  const QList<QByteArray> at30 = rows[1 + 60].split(',');
  EXPECT_NEAR(at30[3].toDouble(), 10 * std::log10(at30[2].toDouble()), 1e-12);
  // 17 significant digits: every value read back is the same double (16 lose some). Thirds
  // of a degree, as at three points per degree, need all 17.
  pattern::plot(chart, 2000, 0);
  const QList<QByteArray> thirds = headless::csv(chart).trimmed().split('\n');
  qsizetype row = 1;
  for (int i = 0; i < chart.Count(); ++i) {
    const TpcDrawItem &item = chart.item(i);
    if (item.Kind != ikDrawTo)
      continue;
    ASSERT_LT(row, thirds.size());
    const QList<QByteArray> cells = thirds[row++].split(',');
    EXPECT_EQ(cells[0].toDouble(), item.Phi) << row;
    EXPECT_EQ(cells[1].toDouble(), item.R) << row;
    EXPECT_EQ(cells[2].toDouble(), (item.R + 1.0) / 2.0) << row;
  }
  EXPECT_EQ(row, thirds.size());
}

// The report's fields, their types and nulls, and numbers that read back as the same double.
// The fast PNG writer keeps every pixel, the stated resolution and the alpha channel; what it
// does not cover (deeper pixels, text) goes to Qt's writer and keeps that too.
TEST(HeadlessPng, KeepsPixelsResolutionAlphaAndDepth) {
  const struct {
    QImage::Format format, readBack;
    bool text;
  } cases[] = {
      {QImage::Format_RGB32, QImage::Format_RGB32, false},
      {QImage::Format_ARGB32, QImage::Format_ARGB32, false},
      {QImage::Format_ARGB32_Premultiplied, QImage::Format_ARGB32, false},
      {QImage::Format_RGBA64, QImage::Format_RGBA64, false},
      {QImage::Format_RGB32, QImage::Format_RGB32, true},
  };
  for (const auto &c : cases) {
    QImage image(37, 23, c.format); // rows of an odd number of pixels
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        image.setPixel(x, y, qRgba(x * 7, y * 11, (x * y) % 256, (x * 13 + y * 5) % 256));
    if (c.text)
      image.setText(QStringLiteral("Title"), QStringLiteral("Dipolix"));
    QImage back;
    ASSERT_TRUE(back.loadFromData(encodePng(image, 11811), "PNG")) << c.format;
    EXPECT_EQ(back.format(), c.readBack) << c.format;
    EXPECT_EQ(back, image.convertToFormat(c.readBack)) << c.format;
    EXPECT_EQ(back.dotsPerMeterX(), 11811) << c.format;
    EXPECT_EQ(back.dotsPerMeterY(), 11811) << c.format;
    EXPECT_EQ(back.text(QStringLiteral("Title")), c.text ? QStringLiteral("Dipolix") : QString());
  }
}

// What a textbook author relies on in each format: the size, the stated resolution, a
// drawing that starts at the picture's corner, a complete file. The picture's right half is
// black; the PDF is checked through poppler's own reader and rasteriser.
TEST(HeadlessFigures, EachFormatKeepsSizeResolutionAndPlace) {
  auto paint = [](QPainter &p) { p.fillRect(QRect(150, 0, 150, 150), Qt::black); };
  QImage png;
  ASSERT_TRUE(png.loadFromData(figures::render(figures::Format::Png, {300, 150}, 300, paint)));
  EXPECT_EQ(png.size(), QSize(300, 150));
  EXPECT_EQ(png.dotsPerMeterX(), 11811); // 300 dots per inch
  EXPECT_EQ(png.pixelColor(225, 75), QColor(Qt::black));
  EXPECT_EQ(png.pixelColor(75, 75), QColor(Qt::white));

  const QByteArray svg = figures::render(figures::Format::Svg, {300, 150}, 300, paint);
  EXPECT_TRUE(svg.contains("viewBox=\"0 0 300 150\"")) << svg.left(600).constData();
  EXPECT_TRUE(svg.contains("<title>Dipolix</title>"));

  const QByteArray pdf = figures::render(figures::Format::Pdf, {300, 150}, 300, paint);
  EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));
  const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
  const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
  if (pdftoppm.isEmpty() || pdfinfo.isEmpty())
    GTEST_SKIP() << "pdftoppm and pdfinfo (poppler-utils) are not installed";
  QTemporaryDir dir;
  QFile file(dir.filePath(QStringLiteral("f.pdf")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(pdf) == pdf.size());
  file.close();
  auto run = [](const QString &program, const QStringList &args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return p.readAllStandardOutput();
  };
  EXPECT_TRUE(run(pdfinfo, {file.fileName()}).simplified().contains("Page size: 72 x 36 pts"));
  QImage page;
  ASSERT_TRUE(page.loadFromData(run(pdftoppm, {"-r", "300", file.fileName()}), "PPM"));
  EXPECT_EQ(page.size(), QSize(300, 150));
  EXPECT_EQ(page.pixelColor(225, 75), QColor(Qt::black));
  EXPECT_EQ(page.pixelColor(75, 75), QColor(Qt::white));
  EXPECT_EQ(page.pixelColor(151, 1), QColor(Qt::black)); // no margin moves it
}

// The chart's PNG figure shows the chart as it is now: resized for a figure size, repainted or
// not.
TEST(HeadlessFigures, ChartPngFollowsTheChartsSize) {
  QWidget parent; // an unshown parent: the chart counts as visible and paints
  auto *chart = new TPolChart(&parent);
  chart->resize(200, 200);
  chart->CreateWnd();
  chart->SetRangeLow(-1);
  chart->SetAutoRedraw(false);
  pattern::plot(*chart, 1000, 0);
  chart->Paint();
  chart->resize(260, 180); // as --size does, without a repaint
  QImage figure;
  ASSERT_TRUE(figure.loadFromData(figures::chart(figures::Format::Png, *chart, 96)));
  EXPECT_EQ(figure.size(), chart->chartSize());
  chart->Paint();
  EXPECT_EQ(figure, chart->chartBitmap().convertToFormat(figure.format()));
}

TEST(HeadlessReport, JsonShape) {
  const QStringList keys = {"directivity_dbi",  "distance_wavelengths",
                            "front_to_back_db", "half_power_beamwidth_deg",
                            "main_lobes_deg",   "max_rho",
                            "nulls_deg",        "omnidirectional",
                            "phase_pi"};
  struct Case {
    int p, q;
    bool omni, beamwidths;
  };
  for (const Case c : {Case{1000, 0, false, true}, Case{0, 6283, true, false},
                       Case{1, 0, false, false}, Case{7777, 1234, false, true}}) {
    QJsonParseError error;
    const QJsonObject o = QJsonDocument::fromJson(pattern::reportJson(c.p, c.q), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << c.p;
    EXPECT_EQ(o.keys(), keys);
    const pattern::Analysis a = pattern::analyse(c.p, c.q);
    EXPECT_EQ(o["distance_wavelengths"].toDouble(), c.p / 2000.0);
    EXPECT_EQ(o["phase_pi"].toDouble(), pattern::phaseInPi(c.q));
    EXPECT_EQ(o["max_rho"].toDouble(), a.maxRho);
    EXPECT_EQ(o["directivity_dbi"].toDouble(), *a.directivityDbi);
    EXPECT_EQ(o["front_to_back_db"].toDouble(), *a.frontToBackDb);
    EXPECT_EQ(o["omnidirectional"].toBool(!c.omni), c.omni);
    EXPECT_EQ(o["main_lobes_deg"].toArray().size(), static_cast<qsizetype>(a.mainLobesDeg.size()));
    EXPECT_EQ(o["nulls_deg"].toArray().size(), static_cast<qsizetype>(a.nullsDeg.size()));
    EXPECT_TRUE(o["nulls_deg"].isArray());
    const QJsonValue widths = o["half_power_beamwidth_deg"];
    EXPECT_EQ(widths.isNull(), !c.beamwidths) << c.p;
    if (c.beamwidths) {
      EXPECT_EQ(widths.toArray().last().toDouble(), a.halfPowerBeamwidthDeg->back());
    }
  }
  EXPECT_EQ(pattern::decibelText(0.0), "");
  EXPECT_EQ(pattern::decibelText(0.5).toDouble(), 10 * std::log10(0.5));
}

struct Program : ::testing::Test {
  QTemporaryDir dir;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  int run(const QStringList &args, QByteArray *err = nullptr, const QString &runtimeDir = QString(),
          QByteArray *out = nullptr) {
    QProcess p;
    QProcessEnvironment e = env;
    if (!runtimeDir.isEmpty())
      e.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    p.setProcessEnvironment(e);
    p.start(QStringLiteral(DIPOLIX_EXE), args);
    EXPECT_TRUE(p.waitForFinished(30000));
    if (err)
      *err = p.readAllStandardError();
    if (out)
      *out = p.readAllStandardOutput();
    return p.exitCode();
  }
};

TEST_F(Program, WritesScreenshotAndCsv) {
  const QString png = dir.filePath("w.png");
  const QString csv = dir.filePath("p.csv");
  // Ratios the environment sets for a desktop do not reach the figures.
  env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("3"));
  env.insert(QStringLiteral("QT_SCREEN_SCALE_FACTORS"), QStringLiteral("2"));
  ASSERT_EQ(run({"--screenshot", png, "--export-csv", csv, "--distance", "2", "--phase", "1"}), 0);
  QImage image(png);
  EXPECT_EQ(image.size(), QSize(752, 460));
  QFile f(csv);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  // The very table of a chart drawn at both positions asked for.
  TPolChart chart;
  chart.SetRangeLow(-1);
  pattern::plot(chart, 4000, 6283);
  EXPECT_EQ(f.readAll(), headless::csv(chart));
}

TEST_F(Program, WritesReportToStandardOutput) {
  QByteArray out;
  ASSERT_EQ(run({"--report", "-", "--distance", "0.5"}, nullptr, QString(), &out), 0);
  const QJsonObject o = QJsonDocument::fromJson(out).object();
  EXPECT_EQ(o["main_lobes_deg"].toArray(), (QJsonArray{90, 270}));
  EXPECT_EQ(o["nulls_deg"].toArray(), (QJsonArray{0, 180}));
}

TEST_F(Program, BadValueExitsWithTwo) {
  QByteArray err;
  EXPECT_EQ(run({"--export-csv", dir.filePath("x.csv"), "--distance", "far"}, &err), 2);
  EXPECT_EQ(err.count('\n'), 1);
  EXPECT_FALSE(QFile::exists(dir.filePath("x.csv")));
}

// At a ratio of 2 the window is 1504 × 920 device pixels, and the curve is drawn in them: a
// picture drawn at 1 and doubled would consist of whole 2 × 2 blocks.
TEST_F(Program, ScaledScreenshotIsDrawnAtDeviceResolution) {
  const QString png = dir.filePath("s.png");
  const QString about = dir.filePath("a.png");
  ASSERT_EQ(
      run({"--screenshot", png, "--screenshot-about", about, "--scale", "2", "--distance", "1.5"},
          nullptr, dir.path()),
      0);
  const QImage image(png);
  ASSERT_EQ(image.size(), QSize(1504, 920));
  EXPECT_EQ(QImage(about).size(), QSize(1086, 664));
  const auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 80; };
  int blocks = 0;
  int split = 0; // blocks the curve covers only in part
  for (int y = 40; y < 860; y += 2)
    for (int x = 40; x < 900; x += 2) {
      const int n = dark(x, y) + dark(x + 1, y) + dark(x, y + 1) + dark(x + 1, y + 1);
      blocks += n > 0;
      split += n > 0 && n < 4;
    }
  ASSERT_GT(blocks, 500);
  EXPECT_GT(split, blocks * 3 / 4);
}

// Refused before anything is written (a missing folder), or only when writing (a FIFO nobody
// reads): either way the run fails.
TEST_F(Program, UnwritableFileIsReported) {
  ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("fifo.png")).constData(), 0600), 0);
  for (const char *option :
       {"--export-csv", "--report", "--screenshot-about", "--screenshot", "--chart"}) {
    for (const QString &path : {dir.filePath("no/such/dir/x.png"), dir.filePath("fifo.png")}) {
      SCOPED_TRACE(testing::Message() << option << " " << path.toStdString());
      QByteArray err;
      EXPECT_EQ(run({option, path}, &err), 1);
      EXPECT_TRUE(err.contains("cannot write")) << err.constData();
    }
  }
}

TEST_F(Program, UnusableRuntimeFolderIsAClearErrorNotACrash) {
  // The program's own folder below XDG_RUNTIME_DIR, opened to others: refused, not used.
  const QString runtime = dir.filePath(QStringLiteral("run"));
  ASSERT_TRUE(QDir().mkpath(runtime + QStringLiteral("/dipolix")));
  QFile::setPermissions(runtime,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  QByteArray err;
  EXPECT_EQ(run({"--export-csv", dir.filePath("x.csv")}, &err, runtime), 1);
  EXPECT_TRUE(err.contains("not private")) << err.toStdString();
}

} // namespace
