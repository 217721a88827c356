// The chart's context menu: its entries, and what copying, saving and printing produce.
#include <QAction>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "ChartMenu.h"
#include "Nuvra_polchart.h"
#include "mainfrm.h"

namespace {

// Pixels per inch a figure states: a PNG's pHYs, an SVG's view box over its width in mm.
double pngDpi(const QByteArray &png) { return QImage::fromData(png).dotsPerMeterX() * 0.0254; }
double svgDpi(const QByteArray &svg) {
  const QRegularExpressionMatch m =
      QRegularExpression(R"(width="([0-9.]+)mm".*viewBox="0 0 ([0-9.]+) )",
                         QRegularExpression::DotMatchesEverythingOption)
          .match(QString::fromUtf8(svg));
  return m.hasMatch() ? m.captured(2).toDouble() / (m.captured(1).toDouble() / 25.4) : 0;
}

struct ChartMenu : ::testing::Test {
  TFrmRadPattern window{/*headless=*/true};
  QTemporaryDir dir;
  void SetUp() override { window.show(); }
  QByteArray contents(const QString &name) {
    QFile f(dir.filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

// The program's window brings its menu; a headless one, which nobody clicks, does not.
TEST(ChartMenuOfTheWindow, ShownWindowsHaveItHeadlessOnesNot) {
  for (const bool headless : {false, true}) {
    TFrmRadPattern window{headless};
    EXPECT_EQ(window.findChild<QMenu *>(QStringLiteral("ChartMenu")) != nullptr, !headless);
  }
}

TEST_F(ChartMenu, OpensFromMouseAndKeyboard) {
  QMenu *menu = chartmenu::install(window);
  QStringList texts;
  for (QAction *a : menu->actions())
    texts << a->text();
  EXPECT_EQ(texts, QStringList({"Copy image", "Save image as…", "Print…", "", "Pattern facts…",
                                "Power in dB"}));
  EXPECT_EQ(window.PCRicht->contextMenuPolicy(), Qt::CustomContextMenu);
  EXPECT_TRUE(window.PCRicht->focusPolicy() & Qt::TabFocus); // the Menu key needs focus
  const auto shortcuts = window.PCRicht->findChildren<QShortcut *>();
  ASSERT_EQ(shortcuts.size(), 1);
  EXPECT_EQ(shortcuts[0]->key(), QKeySequence(Qt::SHIFT | Qt::Key_F10));
}

TEST_F(ChartMenu, SaveWritesTheFormatTheNameAsks) {
  const struct {
    const char *name, *magic;
  } cases[] = {{"c.png", "\x89PNG"}, {"c.svg", "<?xml"}, {"c.PDF", "%PDF-"}, {"c.csv", "phi_deg"}};
  for (const auto &c : cases) {
    EXPECT_EQ(chartmenu::save(*window.PCRicht, dir.filePath(c.name)), QString()) << c.name;
    EXPECT_TRUE(contents(c.name).startsWith(c.magic)) << c.name;
  }
  EXPECT_NEAR(pngDpi(contents("c.png")), 96, 0.1); // the screen's resolution
  EXPECT_NEAR(svgDpi(contents("c.svg")), 96, 0.1);
  const QString error = chartmenu::save(*window.PCRicht, dir.filePath("c.gif"));
  EXPECT_TRUE(error.contains(".csv")) << error.toStdString();
  EXPECT_FALSE(QFile::exists(dir.filePath("c.gif")));
}

TEST(SaveDialog, ANameWithoutExtensionTakesTheChosenTypes) {
  const struct {
    const char *path, *filter, *result;
  } cases[] = {
      {"/t/a", "PNG image (*.png)", "/t/a.png"},
      {"/t/b", "CSV table (*.csv)", "/t/b.csv"},
      {"/t/a.svg", "PNG image (*.png)", "/t/a.svg"},        // the typed extension wins
      {"/t/x.d/c", "PDF document (*.pdf)", "/t/x.d/c.pdf"}, // a dot in the folder is not one
      {"/t/d", "Bild (PNG) (*.png)", "/t/d.png"},           // a translation with brackets
  };
  for (const auto &c : cases)
    EXPECT_EQ(chartmenu::withChosenType(QString::fromUtf8(c.path), QString::fromUtf8(c.filter)),
              QString::fromUtf8(c.result));
}

TEST_F(ChartMenu, CopyOffersPngAndSvg) {
  std::unique_ptr<QMimeData> data(chartmenu::imageData(*window.PCRicht));
  EXPECT_TRUE(data->data("image/png").startsWith("\x89PNG"));
  EXPECT_TRUE(data->data("image/svg+xml").contains("<polyline"));
  EXPECT_TRUE(data->hasImage());
  EXPECT_NEAR(pngDpi(data->data("image/png")), 96, 0.1);
  EXPECT_NEAR(svgDpi(data->data("image/svg+xml")), 96, 0.1);
}

TEST_F(ChartMenu, PrintFillsThePage) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(dir.filePath("print.pdf"));
  chartmenu::print(*window.PCRicht, printer);
  EXPECT_TRUE(contents("print.pdf").startsWith("%PDF-"));
  const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
  if (pdftotext.isEmpty())
    GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
  QProcess p;
  p.start(pdftotext, {QStringLiteral("-bbox"), dir.filePath("print.pdf"), QStringLiteral("-")});
  ASSERT_TRUE(p.waitForFinished(30000));
  const QString words = QString::fromUtf8(p.readAllStandardOutput());
  // The angle labels are text on the page, 180° at its left edge and 0° at its right.
  const auto find = [&words](const char *pattern) {
    return QRegularExpression(QString::fromUtf8(pattern)).match(words);
  };
  const auto page = find("<page width=\"([0-9.]+)\"");
  const auto left = find("xMin=\"([0-9.]+)\"[^>]*>180°<");
  const auto right = find("xMax=\"([0-9.]+)\"[^>]*>0°<");
  ASSERT_TRUE(page.hasMatch() && left.hasMatch() && right.hasMatch()) << words.toStdString();
  EXPECT_GT(right.captured(1).toDouble() - left.captured(1).toDouble(),
            0.85 * page.captured(1).toDouble());
}

} // namespace
