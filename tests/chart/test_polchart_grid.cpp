// Grid and scale rendering: angle label texts, the geometry handed to the canvas, the label
// hook, and the drop shadow.
#include <QFontMetrics>
#include <algorithm>
#include <gtest/gtest.h>

#include "Rounding.h"
#include "chart_test_util.h"

using C = TCustomPolChart;

namespace {

QStringList labels(C::TpcAngLabelMode mode, double spacing, int decimals = 2) {
  QStringList out;
  const int n = static_cast<int>(360 / spacing + 0.5);
  for (int i = 0; i < n; ++i)
    out << C::angleLabelText(mode, i, spacing, decimals);
  return out;
}

QStringList split(const char *s) { return QString::fromUtf8(s).split(QLatin1Char(' ')); }

struct Label {
  C::TpcScaleKind kind;
  QString text;
  int x, y;
};

// A 200 x 200 chart centred at (100, 100), grid radius 100, painted once with a recorder.
struct PaintedChart {
  TestChart t;
  std::vector<Label> hooked;
  CanvasRecorder rec;

  explicit PaintedChart(const std::function<void(TPolChart &)> &setup = {}) {
    t->SetAutoRedraw(false);
    t->OnBeforeDrawScaleLabel = [this](QObject *sender, TCanvas *&canvas, C::TpcScaleKind kind,
                                       QString &text, int x, int y) {
      EXPECT_EQ(sender, t.chart);
      EXPECT_EQ(canvas->tag(), "chart");
      hooked.push_back({kind, text, x, y});
    };
    if (setup)
      setup(*t.chart);
    rec.clear();
    t->Paint();
  }
  std::vector<CanvasCall> on(CanvasOp op) const { return rec.of(op, "chart"); }
  std::vector<QString> texts(C::TpcScaleKind kind) const {
    std::vector<QString> out;
    for (const auto &l : hooked)
      if (l.kind == kind)
        out.push_back(l.text);
    return out;
  }
};

} // namespace

TEST(PolChartLabels, MultipleOfPi) {
  EXPECT_EQ(labels(C::almMultiPi, 30),
            split("0 p/6 p/3 p/2 2p/3 5p/6 p 7p/6 4p/3 3p/2 5p/3 11p/6"));
  EXPECT_EQ(labels(C::almSymmMultiPi, 30),
            split("0 p/6 p/3 p/2 2p/3 5p/6 p -5p/6 -2p/3 -p/2 -p/3 -p/6"));
  EXPECT_EQ(labels(C::almMultiPi, 120), split("0 2p/3 4p/3"));
  EXPECT_EQ(labels(C::almSymmMultiPi, 120), split("0 2p/3 -2p/3"));
  EXPECT_EQ(labels(C::almMultiPi, 180), split("0 p"));
  EXPECT_EQ(labels(C::almSymmMultiPi, 360), split("0"));
  EXPECT_EQ(labels(C::almMultiPi, 45), split("0 p/4 p/2 3p/4 p 5p/4 3p/2 7p/4"));
  EXPECT_EQ(labels(C::almSymmMultiPi, 45), split("0 p/4 p/2 3p/4 p -3p/4 -p/2 -p/4"));
  EXPECT_EQ(labels(C::almMultiPi, 7.5).mid(0, 5), split("0 p/24 p/12 p/8 p/6"));
  EXPECT_EQ(labels(C::almMultiPi, 36).mid(4, 3), split("4p/5 p 6p/5"));
  EXPECT_EQ(C::angleLabelText(C::almMultiPi, 12, 6, 2), "2p/5");
}

TEST(PolChartLabels, DegreesAndRadians) {
  EXPECT_EQ(labels(C::almDegrees, 30), split("0 30 60 90 120 150 180 210 240 270 300 330"));
  EXPECT_EQ(labels(C::almSymmDeg, 30), split("0 30 60 90 120 150 180 -150 -120 -90 -60 -30"));
  EXPECT_EQ(labels(C::almDegrees, 7.5).mid(0, 4), split("0 7.5 15 22.5"));
  EXPECT_EQ(labels(C::almSymmDeg, 7.5).last(), "-7.5");
  EXPECT_EQ(labels(C::almDegrees, 360), split("0"));
  EXPECT_EQ(labels(C::almRadians, 360), split("0.00"));
  EXPECT_EQ(labels(C::almRadians, 360, 0), split("0"));
  EXPECT_EQ(labels(C::almSymmRad, 360, 0), split("0"));
  EXPECT_EQ(labels(C::almRadians, 90, 3), split("0.000 1.571 3.142 4.712"));
  EXPECT_EQ(labels(C::almSymmRad, 90, 2), split("0.00 1.57 3.14 -1.57"));
  EXPECT_TRUE(C::angleLabelText(C::almNone, 1, 30, 2).isEmpty());
  // Within a tenth of a whole degree the label is whole, from either side.
  EXPECT_EQ(C::angleLabelText(C::almDegrees, 1, 29.95, 2), "30");
  EXPECT_EQ(C::angleLabelText(C::almDegrees, 1, 30.05, 2), "30");
  EXPECT_EQ(C::angleLabelText(C::almDegrees, 1, 29.85, 2), "29.9");
}

TEST(PolChartGrid, RaysCirclesAndAngleLabels) {
  PaintedChart p([](TPolChart &c) { c.SetLabelModeRadial(C::rlmNone); });
  const auto lines = p.on(CanvasOp::LineTo);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0].points, (std::vector<QPoint>{{100, 100}, {200, 100}}));
  EXPECT_EQ(lines[3].points[1], QPoint(100, 200)); // 90 degrees, clockwise: below
  EXPECT_EQ(lines[1].points[1], QPoint(187, 150)); // round(100 cos 30), round(100 sin 30)
  EXPECT_EQ(lines[0].penStyle, Nuvra::psDot);
  EXPECT_EQ(lines[0].penColor, clBlack);

  // Outer circle and the four rings, brush clear; the default gsRadBothDots dots both.
  const auto ellipses = p.on(CanvasOp::Ellipse);
  ASSERT_EQ(ellipses.size(), 5u);
  EXPECT_EQ(ellipses[0].points, (std::vector<QPoint>{{0, 0}, {201, 201}}));
  EXPECT_EQ(ellipses[1].points, (std::vector<QPoint>{{20, 20}, {181, 181}}));
  EXPECT_EQ(ellipses[4].points, (std::vector<QPoint>{{80, 80}, {121, 121}}));
  for (const auto &e : ellipses) {
    EXPECT_EQ(e.brushStyle, Nuvra::bsClear);
    EXPECT_EQ(e.penStyle, Nuvra::psDot);
  }

  // Angle labels: provisional anchors, then the text box centred outside the rim.
  ASSERT_EQ(p.hooked.size(), 12u);
  EXPECT_EQ(p.hooked[0].x, 206);
  EXPECT_EQ(p.hooked[0].y, 100);
  EXPECT_EQ(p.hooked[6].x, -6);
  const auto texts = p.on(CanvasOp::TextOut);
  ASSERT_EQ(texts.size(), 12u);
  const QFontMetrics fm(p.t->font());
  const int th = fm.height();
  EXPECT_EQ(texts[0].text, "0");
  EXPECT_EQ(texts[0].points[0], QPoint(206, 100 - th / 2));
  EXPECT_EQ(texts[0].brushColor, clWhite);
  EXPECT_EQ(texts[0].brushStyle, Nuvra::bsSolid); // opaque in the chart colour
  EXPECT_EQ(texts[0].fontColor, clBlack);
  const int tw = fm.horizontalAdvance(QStringLiteral("90")), hw = tw / 2;
  EXPECT_EQ(texts[3].points[0], QPoint(100 - hw, 100 + (100 + th / 2 + 3) - th / 2));
}

TEST(PolChartGrid, StyleSwitches) {
  PaintedChart none([](TPolChart &c) {
    c.SetGridStyleAngular(C::gsAngNone);
    c.SetGridStyleRadial(C::gsRadNone);
    c.SetLabelModeAngular(C::almNone);
    c.SetLabelModeRadial(C::rlmNone);
  });
  EXPECT_EQ(none.on(CanvasOp::LineTo).size(), 0u);
  EXPECT_EQ(none.on(CanvasOp::Ellipse).size(), 0u);
  EXPECT_EQ(none.on(CanvasOp::TextOut).size(), 0u);
  EXPECT_TRUE(none.hooked.empty());

  PaintedChart mixed([](TPolChart &c) {
    c.SetGridStyleAngular(C::gsAngSolid);
    c.SetGridStyleRadial(C::gsRadBothMixed);
    c.SetGridColor(clSilver);
  });
  const auto e = mixed.on(CanvasOp::Ellipse);
  ASSERT_EQ(e.size(), 5u);
  EXPECT_EQ(e[0].penStyle, Nuvra::psSolid);
  EXPECT_EQ(e[1].penStyle, Nuvra::psDot);
  EXPECT_EQ(e[0].penColor, clSilver);
  EXPECT_EQ(mixed.on(CanvasOp::LineTo)[0].penStyle, Nuvra::psSolid);

  PaintedChart outer([](TPolChart &c) { c.SetGridStyleRadial(C::gsRadOuterSolid); });
  EXPECT_EQ(outer.on(CanvasOp::Ellipse).size(), 1u);
}

TEST(PolChartGrid, VerticalScaleReadsTopToBottom) {
  PaintedChart p([](TPolChart &c) { c.SetRangeLow(-1); });
  std::vector<Label> radial;
  for (const auto &l : p.hooked)
    if (l.kind == C::skRadial)
      radial.push_back(l);
  ASSERT_EQ(radial.size(), 11u);
  std::stable_sort(radial.begin(), radial.end(),
                   [](const Label &a, const Label &b) { return a.y < b.y; });
  QStringList topToBottom;
  for (const auto &l : radial)
    topToBottom << l.text;
  EXPECT_EQ(topToBottom, split("1.00 0.60 0.20 -0.20 -0.60 -1.00 -0.60 -0.20 0.20 0.60 1.00"));

  // rlmVertCenter centres the labels on x = cx; with angle labels the rim labels sit inside.
  const int th = QFontMetrics(p.t->font()).height();
  const auto texts = p.on(CanvasOp::TextOut);
  const auto find = [&](const QString &t, int nth) {
    int seen = 0;
    for (const auto &c : texts)
      if (c.text == t && seen++ == nth)
        return c.points[0];
    return QPoint(-1, -1);
  };
  const int w060 = QFontMetrics(p.t->font()).horizontalAdvance(QStringLiteral("0.60"));
  EXPECT_EQ(find("0.60", 0), QPoint(100 - w060 / 2, roundToInt(20 - th / 2.0)));
  EXPECT_EQ(find("1.00", 0).y(), 1);
  EXPECT_EQ(find("1.00", 1).y(), 200 - th - 1);
  EXPECT_EQ(p.hooked.back().y, 200);
  EXPECT_EQ(p.hooked.back().x, 100);

  // Heights are rounded, not cut off: on a smaller radius the rings lie a fraction of a pixel
  // off the pixel grid.
  PaintedChart small([](TPolChart &c) {
    c.SetRangeLow(-1);
    c.SetMagFactor(0.97);
  });
  const int side = std::min(small.t->width(), small.t->height()) - small.t->ShadowWidth();
  const double radius = roundToInt(side * 0.97 / 2);
  const int cy = small.t->property("CenterY").toInt();
  const auto smallTexts = small.on(CanvasOp::TextOut);
  const std::pair<int, const char *> rings[] = {{4, "0.60"},  {3, "0.20"},   {2, "-0.20"},
                                                {1, "-0.60"}, {-1, "-0.60"}, {-2, "-0.20"},
                                                {-3, "0.20"}, {-4, "0.60"}};
  for (const auto &[j, text] : rings) {
    const int y = roundToInt(cy - j * radius / 5.0 - th / 2.0);
    EXPECT_TRUE(std::any_of(
        smallTexts.begin(), smallTexts.end(),
        [&](const CanvasCall &c) { return c.text == QLatin1String(text) && c.points[0].y() == y; }))
        << "ring " << j << " label " << text << " at y " << y;
  }
}

TEST(PolChartGrid, SideScaleAxisAndRimLabels) {
  PaintedChart p([](TPolChart &c) {
    c.SetLabelModeRadial(C::rlmVertLeft);
    c.SetLabelModeAngular(C::almNone);
    c.SetGridStyleAngular(C::gsAngNone);
  });
  const auto lines = p.on(CanvasOp::LineTo);
  ASSERT_EQ(lines.size(), 12u); // the axis and eleven ticks
  EXPECT_EQ(lines[0].points, (std::vector<QPoint>{{-20, 200}, {-20, 0}}));
  EXPECT_EQ(lines[1].points, (std::vector<QPoint>{{-20, 200}, {-24, 200}})); // i = -5
  EXPECT_EQ(lines[6].points, (std::vector<QPoint>{{-20, 100}, {-24, 100}}));
  EXPECT_EQ(lines[0].penStyle, Nuvra::psSolid);
  ASSERT_EQ(p.hooked.size(), 11u);
  EXPECT_EQ(p.hooked[0].x, 100 - 120 - 6);
  // Rim labels centred on the rim when there are no angle labels.
  const int th = QFontMetrics(p.t->font()).height();
  const auto texts = p.on(CanvasOp::TextOut);
  EXPECT_EQ(texts[9].points[0].y(), roundToInt(-th / 2.0));
  const int tw = QFontMetrics(p.t->font()).horizontalAdvance(texts[9].text);
  EXPECT_EQ(texts[9].points[0].x(), 100 - tw - 120 - 6); // right-aligned left of the axis

  // On the right the labels start beside the axis, the ticks point right.
  PaintedChart right([](TPolChart &c) {
    c.SetLabelModeRadial(C::rlmVertRight);
    c.SetLabelModeAngular(C::almNone);
    c.SetGridStyleAngular(C::gsAngNone);
  });
  const auto rightTexts = right.on(CanvasOp::TextOut);
  ASSERT_FALSE(rightTexts.empty());
  for (const auto &t : rightTexts)
    EXPECT_EQ(t.points[0].x(), 100 + 120 + 6) << t.text.toStdString();
  EXPECT_EQ(right.on(CanvasOp::LineTo).at(1).points, (std::vector<QPoint>{{220, 200}, {224, 200}}));

  // Without angle labels the first radial label's hook sees the ring's own height.
  PaintedChart zoomed([](TPolChart &c) {
    c.SetLabelModeAngular(C::almNone);
    c.SetMagFactor(1.03); // grid radius 103: the top ring at y = 100 - 82.4
  });
  ASSERT_FALSE(zoomed.hooked.empty());
  EXPECT_EQ(zoomed.hooked[0].y, 18);
}

TEST(PolChartGrid, LabelHookChangesAndSuppresses) {
  TestChart t;
  t->SetAutoRedraw(false);
  t->SetLabelModeRadial(C::rlmNone);
  t->OnBeforeDrawScaleLabel = [](QObject *, TCanvas *&, C::TpcScaleKind, QString &text, int, int) {
    if (text == QLatin1String("90"))
      text.clear();
    else
      text += QChar(0xB0);
  };
  CanvasRecorder rec;
  t->Paint();
  const auto texts = rec.of(CanvasOp::TextOut, "chart");
  ASSERT_EQ(texts.size(), 11u);
  EXPECT_EQ(texts[0].text, QString::fromUtf8("0°"));
  EXPECT_EQ(texts[3].text, QString::fromUtf8("120°"));
  EXPECT_EQ(rec.count(CanvasOp::LineTo, "chart"), 12u) << "rays stay";
}

TEST(PolChartGrid, PiLetterShownButHookSeesP) {
  PaintedChart p([](TPolChart &c) {
    c.SetLabelModeAngular(C::almSymmMultiPi);
    c.SetLabelModeRadial(C::rlmNone);
  });
  EXPECT_EQ(p.texts(C::skAngular)[1], "p/6");
  EXPECT_EQ(p.on(CanvasOp::TextOut)[1].text, QString::fromUtf8("π/6"));
  EXPECT_EQ(p.on(CanvasOp::TextOut)[11].text, QString::fromUtf8("-π/6"));

  // Letters a handler adds around the label stay letters.
  const std::pair<QString (*)(const QString &), const char *> hooks[] = {
      {[](const QString &l) { return l + QStringLiteral(" up"); }, "π/6 up"},
      {[](const QString &l) { return QStringLiteral("p=") + l; }, "p=π/6"},
      {[](const QString &) { return QStringLiteral("pp"); }, "pp"},
  };
  for (const auto &[hook, shown] : hooks) {
    TestChart t;
    t->SetAutoRedraw(false);
    t->SetLabelModeAngular(C::almMultiPi);
    t->SetLabelModeRadial(C::rlmNone);
    t->OnBeforeDrawScaleLabel = [hook](QObject *, TCanvas *&, C::TpcScaleKind, QString &text, int,
                                       int) { text = hook(text); };
    CanvasRecorder rec;
    t->Paint();
    EXPECT_EQ(rec.of(CanvasOp::TextOut, "chart").at(1).text, QString::fromUtf8(shown));
  }
}

TEST(PolChartShadow, PolygonsInBothStyles) {
  for (auto style : {Nuvra::ssFlying, Nuvra::ssBox}) {
    TestChart t(240, 160);
    t->SetAutoRedraw(false);
    t->SetShadowWidth(5);
    t->SetShadowStyle(style);
    t->SetShadowColor(clGray);
    t->SetShadowBakColor(clSilver);
    CanvasRecorder rec;
    t->Paint();
    const auto polys = rec.of(CanvasOp::Polygon, "frame");
    ASSERT_EQ(polys.size(), 4u);
    using P = std::vector<QPoint>;
    EXPECT_EQ(polys[0].points, (P{{234, 0}, {239, 0}, {239, 4}, {234, 4}}));
    EXPECT_EQ(polys[1].points, (P{{0, 154}, {0, 159}, {4, 159}, {4, 154}}));
    EXPECT_EQ(polys[0].penColor, clSilver);
    EXPECT_EQ(polys[0].brushColor, clSilver);
    const int d = style == Nuvra::ssFlying ? 5 : 0;
    EXPECT_EQ(polys[2].points, (P{{d, 154}, {5, 159}, {239, 159}, {234, 154}}));
    EXPECT_EQ(polys[3].points, (P{{234, 154}, {239, 159}, {239, 5}, {234, d}}));
    EXPECT_EQ(polys[3].brushColor, clGray);
    EXPECT_EQ(polys[3].penColor, style == Nuvra::ssFlying ? clGray : clBlack);
  }
  for (int w : {0, 1}) {
    TestChart t(240, 160);
    t->SetShadowWidth(w);
    CanvasRecorder rec;
    t->Paint();
    EXPECT_EQ(rec.count(CanvasOp::Polygon), 0u) << w;
  }
}

TEST(PolChartShadow, FrameLine) {
  using P = std::vector<QPoint>;
  for (int w : {0, 1, 2, 6}) {
    TestChart t(240, 160);
    t->SetAutoRedraw(false);
    t->SetShadowWidth(w);
    CanvasRecorder rec;
    t->Paint();
    const auto polylines = rec.of(CanvasOp::Polyline, "chart");
    if (w == 0) {
      EXPECT_TRUE(polylines.empty());
      continue;
    }
    ASSERT_EQ(polylines.size(), 1u);
    EXPECT_EQ(polylines[0].penColor, clBlack);
    EXPECT_EQ(polylines[0].penStyle, Nuvra::psSolid);
    const int r = 240 - w, b = 160 - w; // the frame runs along the shadow's inner edge
    EXPECT_EQ(polylines[0].points, (P{{0, b}, {0, 0}, {r, 0}, {r, b}, {0, b}})) << w;
  }
}

TEST(PolChartGrid, SingleRayFollowsTheOffset) {
  PaintedChart p([](TPolChart &c) {
    c.SetAngleBtwRays(360);
    c.SetAngleOffset(90);
    c.SetLabelModeAngular(C::almRadians);
    c.SetLabelModeRadial(C::rlmNone);
  });
  const auto lines = p.on(CanvasOp::LineTo);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].points[1], QPoint(100, 200));
  EXPECT_EQ(p.texts(C::skAngular), std::vector<QString>{QStringLiteral("0.00")});
  EXPECT_EQ(p.hooked[0].x, 100);
  EXPECT_EQ(p.hooked[0].y, 203);
}

// Rays, label anchors and label boxes turn with the rotation direction and the angle offset.
TEST(PolChartGrid, RaysAndAngleLabelsFollowDirectionAndOffset) {
  struct Case {
    C::TpcRotationDir dir;
    double offset;
    int ray;          // index of the ray checked (30 degrees apart)
    double screenDeg; // where it must point: clockwise from three o'clock, as seen
  };
  const Case cases[] = {
      {C::rdClockwise, 0, 1, 30},  {C::rdCounterCW, 0, 1, -30},  {C::rdCounterCW, 0, 3, -90},
      {C::rdClockwise, 90, 0, 90}, {C::rdCounterCW, 90, 0, -90}, {C::rdCounterCW, 30, 2, -90},
      {C::rdClockwise, -90, 3, 0}, {C::rdClockwise, 45, 1, 75},  {C::rdCounterCW, 45, 4, -165},
  };
  const QFontMetrics fm(TestChart().chart->font());
  const int th = fm.height();
  for (const Case &k : cases) {
    PaintedChart p([&](TPolChart &c) {
      c.SetRotationDir(k.dir);
      c.SetAngleOffset(k.offset);
      c.SetLabelModeRadial(C::rlmNone);
    });
    const double c = std::cos(k.screenDeg * C::kDegToRad);
    const double s = std::sin(k.screenDeg * C::kDegToRad);
    const auto at = static_cast<std::size_t>(k.ray);
    const auto lines = p.on(CanvasOp::LineTo);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(
        lines[at].points,
        (std::vector<QPoint>{{100, 100}, {100 + roundToInt(100 * c), 100 + roundToInt(100 * s)}}))
        << k.dir << " " << k.offset;
    ASSERT_EQ(p.hooked.size(), 12u);
    EXPECT_EQ(QPoint(p.hooked[at].x, p.hooked[at].y),
              QPoint(100 + roundToInt(106 * c), 100 + roundToInt(103 * s)))
        << k.dir << " " << k.offset;
    const auto texts = p.on(CanvasOp::TextOut);
    ASSERT_EQ(texts.size(), 12u);
    EXPECT_EQ(texts[at].text, QString::number(30 * k.ray));
    const int hw = fm.horizontalAdvance(texts[at].text) / 2;
    // The label box is centred beyond the rim, half its size further out.
    EXPECT_EQ(texts[at].points[0], QPoint(100 + roundToInt((100 + hw + 6) * c) - hw,
                                          100 + roundToInt((100 + th / 2 + 3) * s) - th / 2))
        << k.dir << " " << k.offset;
  }
}

// Painted at its minimum size, the chart keeps the eleven radial labels on the vertical
// diameter apart and inside it; the hint is larger, and both make room for the shadow.
TEST(PolChartSize, MinimumKeepsTheRadialLabelsApart) {
  const struct { int pixelSize, shadow; } cases[] = {{8, 0}, {12, 0}, {12, 9}, {20, 4}};
  for (const auto &c : cases) {
    SCOPED_TRACE(testing::Message() << "font " << c.pixelSize << " shadow " << c.shadow);
    TestChart t;
    QFont f = t->font();
    f.setPixelSize(c.pixelSize);
    t->setFont(f);
    t->SetShadowWidth(c.shadow);
    const QSize min = t->minimumSizeHint(), hint = t->sizeHint();
    EXPECT_EQ(min.width(), min.height());
    EXPECT_EQ(hint.width(), hint.height());
    EXPECT_EQ(hint.width() - c.shadow, 2 * (min.width() - c.shadow));

    // The angle labels stay switched on (they move the rim labels inside) but are not drawn.
    t->OnBeforeDrawScaleLabel = [](QObject *, TCanvas *&, C::TpcScaleKind kind, QString &text, int,
                                   int) {
      if (kind == C::skAngular)
        text.clear();
    };
    t->SetAutoRedraw(false);
    t->resize(min);
    t->CenterChart();
    CanvasRecorder rec;
    t->Paint();
    const int th = QFontMetrics(f).height();
    std::vector<int> tops;
    for (const auto &call : rec.of(CanvasOp::TextOut, "chart"))
      tops.push_back(call.points[0].y());
    ASSERT_EQ(tops.size(), 11u);
    std::sort(tops.begin(), tops.end());
    for (std::size_t i = 1; i < tops.size(); ++i)
      EXPECT_GE(tops[i] - tops[i - 1], th) << "labels at " << tops[i - 1] << ", " << tops[i];
    EXPECT_GE(tops.front(), 0);
    EXPECT_LE(tops.back() + th, min.height() - c.shadow);
  }
}
