// The program's figures and command line, run as the user runs them: formats by name,
// vector content read back by independent readers, no display needed where none should be.
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSize>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

struct Outcome {
  int code = -1;
  QByteArray out, err;
};

// Runs the program with QT_QPA_PLATFORM and DISPLAY set as given ("" removes the variable).
Outcome dipolix(const QStringList &args, const QString &platform = QStringLiteral("offscreen")) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove(QStringLiteral("DISPLAY"));
  env.remove(QStringLiteral("WAYLAND_DISPLAY"));
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(DIPOLIX_EXE), args);
  EXPECT_TRUE(p.waitForFinished(30000));
  Outcome r;
  // Qt's own notices (say, about XDG_RUNTIME_DIR) are not the program's messages.
  for (const QByteArray &line : p.readAllStandardError().split('\n'))
    if (line.startsWith("dipolix: "))
      r.err += line + '\n';
  r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = p.readAllStandardOutput();
  return r;
}

QByteArray contents(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(Figures, FormatFollowsTheName) {
  QTemporaryDir dir;
  const struct {
    const char *option, *name, *magic;
  } cases[] = {
      {"--chart", "c.png", "\x89PNG\r\n"}, {"--chart", "c.SVG", "<?xml"},
      {"--chart", "c.pdf", "%PDF-"},       {"--screenshot", "w.svg", "<?xml"},
      {"--screenshot", "w.pdf", "%PDF-"},  {"--screenshot", "w.png", "\x89PNG\r\n"},
  };
  for (const auto &c : cases) {
    const Outcome r = dipolix({c.option, dir.filePath(c.name)});
    EXPECT_EQ(r.code, 0) << c.name << r.err.toStdString();
    EXPECT_TRUE(contents(dir.filePath(c.name)).startsWith(c.magic)) << c.name;
  }
}

// The curve is one long polyline of the pattern's points, the labels are text: in the chart's
// figure and in the window's, which draws its chart the same way, not as the control's bitmap
// (the window's only images are the style's small pieces of frames and buttons).
TEST(Figures, SvgHoldsTheCurveAndTheLabelsAsVectors) {
  const struct {
    QStringList args;
    QSize size;
    int largestImage; // side, in pixels; 0: no image at all
  } cases[] = {
      {{"--chart", "f.svg", "--size", "600x500", "--distance", "1"}, {600, 500}, 0},
      {{"--screenshot", "f.svg", "--distance", "1"}, {752, 460}, 280},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    QTemporaryDir dir;
    QStringList args = c.args;
    args[1] = dir.filePath(args[1]);
    ASSERT_EQ(dipolix(args).code, 0);
    QXmlStreamReader xml(contents(args[1]));
    qsizetype longest = 0;
    int largest = 0;
    QStringList texts;
    QString title;
    QSize size;
    while (!xml.atEnd()) {
      if (xml.readNext() != QXmlStreamReader::StartElement)
        continue;
      const auto name = xml.name();
      const auto attribute = [&xml](const char *key) { return xml.attributes().value(key); };
      if (name == QLatin1String("svg"))
        size = QSize(attribute("viewBox").split(' ')[2].toInt(),
                     attribute("viewBox").split(' ')[3].toInt());
      else if (name == QLatin1String("polyline") || name == QLatin1String("path"))
        longest = std::max(longest, attribute("points").count(','));
      else if (name == QLatin1String("image"))
        largest = std::max(
            {largest, 1, std::min(attribute("width").toInt(), attribute("height").toInt())});
      else if (name == QLatin1String("text"))
        texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
      else if (name == QLatin1String("title"))
        title = xml.readElementText();
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(title, QStringLiteral("Dipolix"));
    EXPECT_EQ(size, c.size);
    EXPECT_GE(longest, 199); // a run of the curve, not a bitmap of it
    EXPECT_LE(largest, c.largestImage);
    for (const char *label : {"0°", "90°", "180°", "270°"})
      EXPECT_TRUE(texts.contains(QString::fromUtf8(label)))
          << label << texts.join('|').toStdString();
  }
}

TEST(Figures, PdfTextHoldsTheAngleLabels) {
  const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
  if (pdftotext.isEmpty())
    GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  QTemporaryDir dir;
  const QString pdf = dir.filePath("w.pdf");
  ASSERT_EQ(dipolix({"--screenshot", pdf}).code, 0);
  QProcess p;
  p.start(pdftotext, {pdf, QStringLiteral("-")});
  ASSERT_TRUE(p.waitForFinished(30000));
  const QString text = QString::fromUtf8(p.readAllStandardOutput());
  EXPECT_TRUE(text.contains(QStringLiteral("270°"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QStringLiteral("Exit"))) << text.toStdString();
  // The file names its maker, and its page ends where the window does.
  p.start(QStandardPaths::findExecutable(QStringLiteral("pdfinfo")), {pdf});
  ASSERT_TRUE(p.waitForFinished(30000));
  const QString info = QString::fromUtf8(p.readAllStandardOutput());
  EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("\\nCreator: +Dipolix\\n"))))
      << info.toStdString();
  // 752 x 460 pixels at 96 dpi.
  EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("\\nPage size: +564 x 345 pts"))))
      << info.toStdString();
}

// Every picture the program reads is PNG, read as such: asking Qt to guess the format loads
// each image plugin installed first, which only costs start-up time.
TEST(Figures, ScreenshotLoadsNoImagePlugin) {
  QTemporaryDir dir;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_DEBUG_PLUGINS"), QStringLiteral("1"));
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(DIPOLIX_EXE), {QStringLiteral("--screenshot"), dir.filePath("w.png")});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 0);
  QList<QByteArray> loaded;
  for (const QByteArray &line : p.readAllStandardError().split('\n'))
    if (line.contains("loaded library") && !line.contains("unloaded"))
      loaded << line;
  ASSERT_FALSE(loaded.isEmpty()) << "Qt printed no plugin loads; the check sees nothing";
  for (const QByteArray &line : loaded)
    EXPECT_FALSE(line.contains("imageformats")) << line.toStdString();
}

TEST(CommandLine, WorksWithoutADisplay) {
  QTemporaryDir dir;
  // A platform that cannot start here: only the headless run may need one, and it takes
  // the offscreen platform itself.
  const QString xcb = QStringLiteral("xcb");
  Outcome r = dipolix({"--help"}, xcb);
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.out.contains("--export-csv") && r.out.contains("share/dipolix"));
  r = dipolix({"--version"}, xcb);
  EXPECT_EQ(r.code, 0);
  EXPECT_TRUE(r.out.startsWith("dipolix 1.0"));
  r = dipolix({"--screnshot", "x.png"}, xcb);
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.err.count('\n'), 1);
  EXPECT_TRUE(r.err.contains("screnshot"));
  r = dipolix({"--chart", dir.filePath("c.png")}, xcb);
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
}

TEST(CommandLine, RefusedOutputsTouchNoFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(QDir(dir.path()).mkdir("folder.png"));
  const QString csv = dir.filePath("p.csv");
  Outcome r = dipolix({"--export-csv", csv, "--chart", dir.filePath("folder.png")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.count('\n'), 1);
  EXPECT_TRUE(r.err.contains("folder.png")) << r.err.toStdString();
  r = dipolix({"--export-csv", csv, "--screenshot", dir.filePath("fig.gif")});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.err.contains(".png, .svg or .pdf")) << r.err.toStdString();
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
            QStringList{"folder.png"});
}

} // namespace
