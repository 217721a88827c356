// The headless modes: argument checking, the CSV export and the real program's exit codes.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "CommandLine.h"
#include "Headless.h"
#include "Nuvra_polchart.h"
#include "Pattern.h"

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
      {{"--export-csv", "x", "stray"}, "stray"},
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
  pattern::plot(chart, 1000, 0);
  const QList<QByteArray> rows = headless::csv(chart).trimmed().split('\n');
  ASSERT_EQ(rows.size(), 1 + 721);
  EXPECT_EQ(rows[0], "phi_deg,R,rho");
  const QList<QByteArray> mid = rows[1 + 180].split(','); // 90°
  ASSERT_EQ(mid.size(), 3);
  EXPECT_DOUBLE_EQ(mid[0].toDouble(), 90.0);
  EXPECT_DOUBLE_EQ(mid[2].toDouble(), (mid[1].toDouble() + 1.0) / 2.0);
  // 17 significant digits: a value read back is the same double.
  const QList<QByteArray> r1 = rows[2].split(',');
  EXPECT_EQ(r1[1].toDouble(), chart.Item(3).R);
}

struct Program : ::testing::Test {
  QTemporaryDir dir;
  int run(const QStringList &args, QByteArray *err = nullptr,
          const QString &runtimeDir = QString()) {
    QProcess p;
    if (!runtimeDir.isEmpty()) {
      QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
      env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
      p.setProcessEnvironment(env);
    }
    p.start(QStringLiteral(DIPOLIX_EXE), args);
    EXPECT_TRUE(p.waitForFinished(30000));
    if (err)
      *err = p.readAllStandardError();
    return p.exitCode();
  }
};

TEST_F(Program, WritesScreenshotAndCsv) {
  const QString png = dir.filePath("w.png");
  const QString csv = dir.filePath("p.csv");
  ASSERT_EQ(run({"--screenshot", png, "--export-csv", csv, "--distance", "2", "--phase", "1"}), 0);
  QImage image(png);
  EXPECT_EQ(image.size(), QSize(752, 460));
  QFile f(csv);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll().count('\n'), 1 + 360 * 5 + 1); // b = 5
}

TEST_F(Program, BadValueExitsWithTwo) {
  QByteArray err;
  EXPECT_EQ(run({"--export-csv", dir.filePath("x.csv"), "--distance", "far"}, &err), 2);
  EXPECT_EQ(err.count('\n'), 1);
  EXPECT_FALSE(QFile::exists(dir.filePath("x.csv")));
}

TEST_F(Program, UnwritableFileIsReported) {
  QByteArray err;
  EXPECT_NE(run({"--export-csv", dir.filePath("no/such/dir/x.csv")}, &err), 0);
  EXPECT_TRUE(err.contains("cannot write"));
}

TEST_F(Program, UnusableRuntimeFolderIsAClearErrorNotACrash) {
  // Too long to name a socket in it.
  const QString deep = dir.filePath(QString(120, QLatin1Char('x')));
  ASSERT_TRUE(QDir().mkpath(deep));
  QFile::setPermissions(deep,
                        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  QByteArray err;
  EXPECT_EQ(run({"--export-csv", dir.filePath("x.csv")}, &err, deep), 1);
  EXPECT_TRUE(err.contains("too long")) << err.toStdString();
}

} // namespace
