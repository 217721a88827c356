// The headless modes: argument checking, the CSV export and the real program's exit codes.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "Headless.h"
#include "Nuvra_polchart.h"
#include "Pattern.h"

namespace {

TEST(HeadlessArgs, ValuesBecomeScrollBarPositions) {
  auto r = headless::parse({"--export-csv", "x.csv", "--distance", "1.25", "--phase", "0.5"});
  ASSERT_TRUE(r.error.isEmpty()) << r.error.toStdString();
  EXPECT_EQ(r.options.distancePosition, 2500);
  EXPECT_EQ(r.options.phasePosition, 3142); // round(0.5·π·2000) = round(3141.59…)
  r = headless::parse({"--screenshot", "a.png", "--distance", "7", "--phase", "-1"});
  ASSERT_TRUE(r.error.isEmpty());
  EXPECT_EQ(r.options.distancePosition, 10000); // clamped to the bars' ranges
  EXPECT_EQ(r.options.phasePosition, 0);
  r = headless::parse({"--screenshot", "a.png", "--phase", "1"});
  EXPECT_EQ(r.options.phasePosition, 6283);
  r = headless::parse({"--screenshot", "a.png", "--distance", "0.00025"});
  EXPECT_EQ(r.options.distancePosition, 0); // 0.5 rounds to the even neighbour
  EXPECT_DOUBLE_EQ(r.options.scale, 1.0);
  r = headless::parse({"--screenshot", "a.png", "--scale", "9"});
  EXPECT_DOUBLE_EQ(r.options.scale, 4.0);
  r = headless::parse({"--screenshot", "a.png", "--scale", "0.1"});
  EXPECT_DOUBLE_EQ(r.options.scale, 0.5);
}

TEST(HeadlessArgs, BadArgumentsAreOneLineErrors) {
  for (const QStringList &args : {
           QStringList{"--screenshot"},
           QStringList{"--export-csv", "x", "--distance"},
           QStringList{"--export-csv", "x", "--distance", "abc"},
           QStringList{"--export-csv", "x", "--phase", "nan"},
           QStringList{"--export-csv", "x", "--phase", "inf"},
           QStringList{"--export-csv", "x", "--bogus", "1"},
           QStringList{"--distance", "1"},
           QStringList{"--screenshot", "x", "--scale", "big"},
       }) {
    const auto r = headless::parse(args);
    EXPECT_FALSE(r.error.isEmpty()) << args.join(' ').toStdString();
    EXPECT_FALSE(r.error.contains('\n'));
  }
  EXPECT_FALSE(headless::requested({"/serverhandle=5"}));
  EXPECT_TRUE(headless::requested({"--export-csv", "x"}));
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
