// The chart's context menu and what its entries do.
#include "ChartMenu.h"

#include "ChartView.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QShortcut>

#include "Figures.h"
#include "Glossan2000.h"
#include "Headless.h"
#include "MarloDemon.h"
#include "Nuvra_polchart.h"
#include "SafeWriter.h"
#include "mainfrm.h"

namespace chartmenu {
namespace {

QString tr(TFrmRadPattern &window, const char *key) {
  const QString text = QString::fromUtf8(key);
  TkdbDemonClient *demon = window.cliDemon;
  TGlossan2000 *translator = demon ? demon->Translator.get() : nullptr;
  return translator ? translator->Translate(text) : text;
}

void saveDialog(TFrmRadPattern &window) {
  const QStringList filters = {tr(window, "PNG image") + QStringLiteral(" (*.png)"),
                               tr(window, "SVG drawing") + QStringLiteral(" (*.svg)"),
                               tr(window, "PDF document") + QStringLiteral(" (*.pdf)"),
                               tr(window, "CSV table") + QStringLiteral(" (*.csv)")};
  QString filter = filters[0];
  const QString path = QFileDialog::getSaveFileName(&window, tr(window, "Save image as…"),
                                                    QStringLiteral("pattern.png"),
                                                    filters.join(QStringLiteral(";;")), &filter);
  if (path.isEmpty())
    return;
  const QString error = save(*window.PCRicht, withChosenType(path, filter));
  if (!error.isEmpty())
    QMessageBox::warning(&window, QApplication::applicationName(), error);
}

void printDialog(TFrmRadPattern &window) {
  QPrinter printer(QPrinter::HighResolution);
  QPrintDialog dialog(&printer, &window);
  if (dialog.exec() == QDialog::Accepted)
    print(*window.PCRicht, printer);
}

void popup(QMenu *menu, TPolChart *chart, QPoint at) { menu->popup(chart->mapToGlobal(at)); }

} // namespace

QMenu *install(TFrmRadPattern &window) {
  TPolChart *chart = window.PCRicht;
  auto *menu = new QMenu(&window);
  menu->setObjectName(QStringLiteral("ChartMenu"));
  menu->addAction(tr(window, "Copy image"), &window,
                  [chart] { QApplication::clipboard()->setMimeData(imageData(*chart)); });
  menu->addAction(tr(window, "Save image as…"), &window, [&window] { saveDialog(window); });
  menu->addAction(tr(window, "Print…"), &window, [&window] { printDialog(window); });
  if (window.factsAction()) {
    menu->addSeparator();
    chartview::addPatternActions(*menu, window.factsAction(), window.decibelAction());
  }

  // The chart takes the keyboard focus so that the Menu key reaches it.
  chart->setFocusPolicy(Qt::StrongFocus);
  chart->setContextMenuPolicy(Qt::CustomContextMenu);
  QObject::connect(chart, &QWidget::customContextMenuRequested, menu,
                   [menu, chart](QPoint at) { popup(menu, chart, at); });
  auto *shiftF10 = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), chart);
  shiftF10->setContext(Qt::WidgetShortcut);
  QObject::connect(shiftF10, &QShortcut::activated, menu,
                   [menu, chart] { popup(menu, chart, chart->rect().center()); });
  return menu;
}

QMimeData *imageData(TPolChart &chart) {
  auto *data = new QMimeData;
  const QByteArray png = figures::chart(figures::Format::Png, chart, 96);
  data->setData(QStringLiteral("image/png"), png);
  data->setData(QStringLiteral("image/svg+xml"), figures::chart(figures::Format::Svg, chart, 96));
  data->setImageData(QImage::fromData(png, "PNG"));
  return data;
}

QString withChosenType(const QString &path, const QString &filter) {
  if (!QFileInfo(path).suffix().isEmpty())
    return path;
  return path + filter.section(QStringLiteral("(*"), 1).chopped(1);
}

QString save(TPolChart &chart, const QString &path) {
  QByteArray bytes;
  if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
    bytes = headless::csv(chart);
  else if (const auto format = figures::formatFor(path))
    bytes = figures::chart(*format, chart, 96);
  else
    return QStringLiteral("\"%1\": the name must end in %2 or .csv")
        .arg(path, figures::formatNames());
  return SafeWriter::write(SafeWriter::pathFromText(path), bytes);
}

void print(TPolChart &chart, QPrinter &printer) {
  QPainter painter(&printer);
  const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
  const QSizeF size = chart.chartSize();
  const double scale = std::min(page.width() / size.width(), page.height() / size.height());
  painter.scale(scale, scale);
  chart.renderChart(painter);
}

} // namespace chartmenu
