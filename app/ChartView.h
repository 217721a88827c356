#pragma once
// The chart's two views of the pattern (the layout's linear one and power in decibels), the
// tool tip with the value under the pointer, and the actions the chart's context menu offers
// for them. Pure parts take the texts ready translated, so tests reach them without a window.

#include <QString>
#include <functional>

class QAction;
class QMenu;
class QObject;
class QWidget;
class TPolChart;

namespace chartview {

// Translates a language-file key (without the GL_ marker).
using Translate = std::function<QString(const QString &key)>;

// Switches the chart's range, grid and radial labels between the linear view (-1 .. 1, no
// radial labels, inner rings) and the decibel view (-30 .. 0 dB, radial labels, the rim only;
// the -10 and -20 dB rings are drawn by the pattern, their labels by text labels 1 and 2, the
// -3 dB circle's by text label 3). Does not repaint: the pattern is replotted after it.
void applyView(TPolChart &chart, bool decibels);

// The decibel view's radial scale labels: a multiple of 10 dB keeps its place with " dB"
// appended, every other label is suppressed (emptied). Returns false, text untouched, for a
// text that is not a number.
bool decibelScaleLabel(QString &label);

// The tool tip for the direction phiDeg: the direction and ρ there, linear and in dB.
QString pointerTip(int p, int q, double phiDeg, const Translate &tr);

// Shows pointerTip over the chart for the direction under the pointer, inside the rim only.
// positions() gives the scroll-bar positions (p, q) of the moment.
void installPointerTip(TPolChart &chart, std::function<std::pair<int, int>()> positions,
                       Translate tr);

// The pattern entries of the chart's context menu: the facts window and the decibel view.
void addPatternActions(QMenu &menu, QAction *facts, QAction *decibels);

} // namespace chartview
