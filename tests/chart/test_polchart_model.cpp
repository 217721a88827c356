// Properties, setter rules, the drawing list and when the chart repaints.
#include <QCoreApplication>
#include <QMetaProperty>
#include <QResizeEvent>
#include <cmath>
#include <gtest/gtest.h>

#include "chart_test_util.h"

using C = TCustomPolChart;

namespace {

// One Paint ends with exactly one copy onto the control's image.
std::size_t paints(const CanvasRecorder &rec) { return rec.count(CanvasOp::Draw, "screen"); }

} // namespace

TEST(PolChartModel, ConstructionState) {
  QWidget parent;
  TPolChart c(&parent);
  EXPECT_EQ(c.size(), QSize(240, 160));
  EXPECT_TRUE(c.SuppressPaint());
  EXPECT_EQ(c.UseDegrees(), true);
  EXPECT_EQ(c.Count(), 0);
  EXPECT_EQ(c.capacity(), 0);
  EXPECT_EQ(c.frameBitmap().size(), QSize(240, 160));
  EXPECT_EQ(c.chartBitmap().size(), QSize(241, 161));
  for (int i = 1; i <= 4; ++i)
    EXPECT_EQ(c.crossHair(i)->parent(), &c);
  // Labels start with a copy of the chart's font as it is before any layout value.
  EXPECT_EQ(c.TextLabel(20)->Font(), c.font());
  EXPECT_THROW(c.TextLabel(0), ENuvraError);
  EXPECT_THROW(c.TextLabel(21), ENuvraError);
  EXPECT_THROW(c.item(0), ENuvraError);
}

// What a layout loader relies on: the published names and the enumerations' value names.
TEST(PolChartModel, PublishedPropertiesByName) {
  QWidget parent;
  TPolChart c(&parent);
  c.BeginLoading();
  EXPECT_TRUE(c.setProperty("GridStyleRadial", QStringLiteral("gsRadBothMixed")));
  EXPECT_TRUE(c.setProperty("LabelModeRadial", QStringLiteral("rlmNone")));
  EXPECT_TRUE(c.setProperty("RangeLow", -1.0));
  EXPECT_TRUE(c.setProperty("GridColor", QVariant::fromValue<TColor>(clSilver)));
  EXPECT_TRUE(c.setProperty("MouseAction", QStringLiteral("maZoomDrag")));
  EXPECT_EQ(c.GridStyleRadial(), C::gsRadBothMixed);
  EXPECT_EQ(c.LabelModeRadial(), C::rlmNone);
  EXPECT_EQ(c.RangeLow(), -1);
  EXPECT_EQ(c.GridColor(), clSilver);
  EXPECT_EQ(c.MouseAction(), Nuvra::maZoomDrag);
  EXPECT_EQ(c.property("AngleBtwRays").toDouble(), 30);
  auto *ch = c.property("CrossHair2").value<TpcCrossHair *>();
  EXPECT_EQ(ch, c.CrossHair2());
  EXPECT_TRUE(ch->setProperty("Mode", QStringLiteral("chPolar")));
  EXPECT_EQ(ch->Mode(), TpcCrossHair::chPolar);
}

TEST(PolChartModel, ClampsAndIgnoredValues) {
  TestChart t(200, 200, false);
  TPolChart &c = *t.chart;

  for (int bad : {0, -5, 1000001}) {
    c.SetAllocSize(bad);
    EXPECT_EQ(c.AllocSize(), 1000) << bad;
  }
  c.SetAllocSize(1000000);
  EXPECT_EQ(c.AllocSize(), 1000000);

  c.SetAngleBtwRays(25);
  EXPECT_EQ(c.AngleBtwRays(), 22.5);
  c.SetAngleBtwRays(8.25); // midway: the earlier entry
  EXPECT_EQ(c.AngleBtwRays(), 7.5);
  c.SetAngleBtwRays(6.75); // midway between the first two
  EXPECT_EQ(c.AngleBtwRays(), 6);
  c.SetAngleBtwRays(1000);
  EXPECT_EQ(c.AngleBtwRays(), 360);
  c.SetAngleBtwRays(-3);
  EXPECT_EQ(c.AngleBtwRays(), 6);

  c.SetMagFactor(0);
  EXPECT_EQ(c.MagFactor(), 0.01);
  c.SetMagFactor(5000);
  EXPECT_EQ(c.MagFactor(), 1000);
  c.SetMagFactor(std::nan(""));
  EXPECT_EQ(c.MagFactor(), 1000);

  c.SetDecPlaceRad(-5);
  EXPECT_EQ(c.DecPlaceRad(), -2);
  c.SetDecPlaceRad(20);
  EXPECT_EQ(c.DecPlaceRad(), 12);
  c.SetDecPlacePhi(-1);
  EXPECT_EQ(c.DecPlacePhi(), 0);
  c.SetDecPlacePhi(9);
  EXPECT_EQ(c.DecPlacePhi(), 3);

  c.SetShadowWidth(40);
  EXPECT_EQ(c.ShadowWidth(), 32);
  c.SetShadowWidth(-3);
  EXPECT_EQ(c.ShadowWidth(), 0);

  c.SetClassDefault(7);
  c.SetClassDefault(255);
  EXPECT_EQ(c.ClassDefault(), 7);

  c.SetAngleOffset(200);
  EXPECT_EQ(c.AngleOffset(), 180);
  EXPECT_EQ(c.mapping().angleOffset, 180) << "the published mapping follows at once";
  c.SetUseDegrees(false);
  EXPECT_FALSE(c.UseDegrees());
  EXPECT_EQ(c.mapping().angleFactor, 1.0);
  c.SetAngleOffset(200);
  EXPECT_EQ(c.AngleOffset(), C::kPi);
  c.SetAngleOffset(-4);
  EXPECT_EQ(c.AngleOffset(), -C::kPi);

  c.SetRotationDir(C::rdCounterCW);
  EXPECT_EQ(c.RotationDir(), C::rdCounterCW);
  EXPECT_EQ(c.mapping().rotSign, -1);
}

TEST(PolChartModel, RangesNeverBecomeEqual) {
  TestChart t(200, 200, false);
  TPolChart &c = *t.chart;
  c.SetRangeLow(1); // equals RangeHigh
  EXPECT_EQ(c.RangeLow(), 1);
  EXPECT_EQ(c.RangeHigh(), 2);
  c.SetRangeHigh(1);
  EXPECT_EQ(c.RangeHigh(), 1);
  EXPECT_EQ(c.RangeLow(), 0);
  c.SetRangeHigh(-3); // reversed ranges are allowed
  EXPECT_EQ(c.RangeHigh(), -3);
  EXPECT_EQ(c.RangeLow(), 0);
  EXPECT_LT(c.mapping().scaleX, 0);
  c.SetRangeLow(INFINITY);
  EXPECT_EQ(c.RangeLow(), 0);
  // Where adding one changes nothing, equal ranges are refused rather than dividing by zero.
  c.SetRangeHigh(1e17);
  c.SetRangeLow(1e17);
  EXPECT_EQ(c.RangeLow(), 0);
  EXPECT_EQ(c.RangeHigh(), 1e17);
  EXPECT_TRUE(std::isfinite(c.mapping().scaleX));
}

TEST(PolChartModel, CenterSettersClampOrRecentre) {
  TestChart t(200, 100, false);
  TPolChart &c = *t.chart; // AutoCenter false
  c.SetCenterX(5 * 200);
  EXPECT_EQ(c.CenterX(), 400);
  c.SetCenterY(-1000);
  EXPECT_EQ(c.CenterY(), -100);
  EXPECT_EQ(c.mapping().offsetX, 400);
  c.SetCenterY(1000);
  EXPECT_EQ(c.CenterY(), 200);
  c.SetCenterY(150); // within twice the height
  EXPECT_EQ(c.CenterY(), 150);

  c.SetAutoCenter(true); // becoming true re-centres at once
  EXPECT_EQ(c.CenterX(), 100);
  EXPECT_EQ(c.CenterY(), 50);
  c.SetCenterX(17); // discarded while AutoCenter is true
  EXPECT_EQ(c.CenterX(), 100);
}

TEST(PolChartModel, DrawingListGrowsByAllocSize) {
  QWidget parent;
  TPolChart c(&parent);
  c.SetAllocSize(3);
  c.MoveTo(1, 2);
  EXPECT_EQ(c.capacity(), 3);
  c.DrawTo(3, 4);
  c.DrawTo(5, 6);
  EXPECT_EQ(c.capacity(), 3);
  c.SetAllocSize(10); // only later growth steps change
  c.DrawTo(7, 8);
  EXPECT_EQ(c.Count(), 4);
  EXPECT_EQ(c.capacity(), 13);
  EXPECT_EQ(c.item(0).Kind, ikMoveTo);
  EXPECT_EQ(c.item(3).Kind, ikDrawTo);
  EXPECT_EQ(c.item(3).R, 7); // radius first, angle second
  EXPECT_EQ(c.item(3).Phi, 8);

  c.ClearGraf();
  EXPECT_EQ(c.Count(), 0);
  EXPECT_EQ(c.capacity(), 0);
  c.Circle(0.5);
  EXPECT_EQ(c.capacity(), 10);
  EXPECT_THROW(c.item(1), ENuvraError);
}

TEST(PolChartModel, ItemsSnapshotAttributesWithoutRepainting) {
  TestChart t;
  TPolChart &c = *t.chart;
  CanvasRecorder rec;
  c.SetDataColor(clRed);
  c.SetPenStyle(Nuvra::psDot);
  c.SetLineWidth(3);
  c.SetFillColor(clNavy);
  c.SetClassDefault(9);
  c.TransparentFill = true;
  c.Circle(0.25);
  c.MoveTo(1, 10);
  c.SetDataColor(clBlack);
  c.SetPenStyle(Nuvra::psSolid);
  c.SetLineWidth(1);
  c.SetFillColor(clWhite);
  c.DrawTo(1, 20);
  EXPECT_EQ(paints(rec), 0u) << "attribute changes and appends never repaint";

  const TpcDrawItem &circle = c.item(0);
  EXPECT_EQ(circle.Kind, ikCircle);
  EXPECT_EQ(circle.R, 0.25);
  EXPECT_EQ(circle.Phi, 0);
  EXPECT_EQ(circle.Color, clRed);
  EXPECT_EQ(circle.FillColor, clNavy);
  EXPECT_EQ(circle.PenStyle, Nuvra::psDot);
  EXPECT_EQ(circle.LineWidth, 3);
  EXPECT_EQ(circle.ItemClass, 9);
  EXPECT_TRUE(circle.Transparent);
  EXPECT_EQ(c.item(1).Color, clRed);
  EXPECT_EQ(c.item(2).Color, clBlack);
  EXPECT_EQ(c.item(2).LineWidth, 1);
}

TEST(PolChartModel, RepaintRule) {
  TestChart t;
  TPolChart &c = *t.chart;
  CanvasRecorder rec;
  c.SetGridColor(clSilver);
  EXPECT_EQ(paints(rec), 1u);
  c.SetMouseAction(Nuvra::maPan); // plain field
  c.SetAutoRedraw(false);
  c.SetGridColor(clBlack);
  c.SetRangeHigh(3);
  c.CrossHair1()->SetColor(clRed);
  EXPECT_EQ(paints(rec), 1u);
  c.ShowGraf();
  EXPECT_EQ(paints(rec), 2u);

  c.SetAutoRedraw(true);
  c.CrossHair1()->SetColor(clRed); // the same value still notifies
  EXPECT_EQ(paints(rec), 3u);
  TpcCrossHair src;
  src.SetMode(TpcCrossHair::chPolar);
  src.SetPosRad(0.5);
  c.SetCrossHair2(&src);
  EXPECT_EQ(paints(rec), 4u);
  EXPECT_EQ(c.CrossHair2()->Mode(), TpcCrossHair::chPolar);
  EXPECT_EQ(c.CrossHair2()->PosRad(), 0.5);
  c.CrossHair2()->SetLineWid(2); // the owned object stays connected to the chart
  EXPECT_EQ(paints(rec), 5u);

  QFont f = c.font();
  f.setPixelSize(23);
  c.setFont(f); // a font change repaints at once
  EXPECT_EQ(paints(rec), 6u);
}

// A value other than the property's current one, as a layout would write it.
QVariant otherValue(const QMetaProperty &prop, const QVariant &now) {
  if (prop.isFlagType())
    return now.toInt() ^ prop.enumerator().value(1);
  if (prop.isEnumType())
    return prop.enumerator().value(now.toInt() == prop.enumerator().value(0) ? 1 : 0);
  switch (prop.metaType().id()) {
  case QMetaType::Bool: return !now.toBool();
  case QMetaType::Int: return now.toInt() + 1;
  case QMetaType::UInt: return now.toUInt() + 1;
  default: return now.toDouble() / 2 + 0.25; // every range, angle and factor takes it
  }
}

// Every property the grid, the scale, the colours or the mapping depend on repaints the chart
// once when it changes, written by name as a layout writes it.
TEST(PolChartModel, EachLookPropertyRepaintsOnce) {
  TestChart t;
  TPolChart &c = *t.chart;
  for (const char *name :
       {"AngleBtwRays",     "AngleOffset",     "CenterX",          "CenterY",
        "ChartColor",       "DecPlacePhi",     "DecPlaceRad",      "GridColor",
        "GridStyleAngular", "GridStyleRadial", "LabelModeAngular", "LabelModeRadial",
        "MagFactor",        "RangeHigh",       "RangeLow",         "RotationDir",
        "ScaleColor",       "ShadowBakColor",  "ShadowColor",      "ShadowStyle",
        "ShadowWidth",      "TextAlignment",   "TextBkColor",      "TextBkStyle",
        "TextFontStyle",    "UseDegrees"}) {
    const QMetaProperty prop = c.metaObject()->property(c.metaObject()->indexOfProperty(name));
    ASSERT_TRUE(prop.isValid()) << name;
    const QVariant before = prop.read(&c);
    CanvasRecorder rec;
    ASSERT_TRUE(prop.write(&c, otherValue(prop, before))) << name;
    EXPECT_NE(prop.read(&c), before) << name;
    EXPECT_EQ(paints(rec), 1u) << name;
  }
  EXPECT_EQ(c.RotationDir(), C::rdCounterCW);
  // Each cross-hair property reads and writes its own one of the four the chart owns.
  for (int i = 1; i <= 4; ++i) {
    const QByteArray name = "CrossHair" + QByteArray::number(i);
    EXPECT_EQ(c.property(name).value<TpcCrossHair *>(), c.crossHair(i)) << i;
    TpcCrossHair src;
    src.SetPosRad(i / 10.0);
    ASSERT_TRUE(c.setProperty(name, QVariant::fromValue(&src))) << i;
    EXPECT_EQ(c.crossHair(i)->PosRad(), i / 10.0) << i;
  }
}

TEST(PolChartModel, NoPaintWhileSuppressedLoadingOrInvisible) {
  TestChart t(200, 200, false);
  TPolChart &c = *t.chart;
  CanvasRecorder rec;
  c.SetGridColor(clRed);
  c.ShowGraf();
  EXPECT_EQ(paints(rec), 0u) << "SuppressPaint holds until the window exists";
  c.CreateWnd();
  EXPECT_FALSE(c.SuppressPaint());
  EXPECT_EQ(paints(rec), 1u);
  c.SetSuppressPaint(false); // unchanged: nothing
  EXPECT_EQ(paints(rec), 1u);

  LayoutLoader loader;
  loader.add(&c);
  c.SetMagFactor(0.5);
  c.SetRangeLow(-1);
  EXPECT_EQ(paints(rec), 1u);
  EXPECT_EQ(c.mapping().rangeLow, 0) << "no scaling while loading";
  loader.finish(); // Loaded: CalcScaling, then Paint
  EXPECT_EQ(paints(rec), 2u);
  EXPECT_EQ(c.mapping().scaleX, 200 * 0.5 / 2 / 2);
  loader.finish(); // a loader finishes its components once
  EXPECT_EQ(paints(rec), 2u);

  c.hide();
  c.ShowGraf();
  c.SetGridColor(clBlack);
  EXPECT_EQ(paints(rec), 2u);
}

TEST(PolChartModel, ResizeHandlerCentresUnlessReplaced) {
  TestChart t(200, 200);
  TPolChart &c = *t.chart;
  c.SetAutoCenter(true);
  c.resize(300, 120);
  QResizeEvent ev(QSize(300, 120), QSize(200, 200));
  QCoreApplication::sendEvent(&c, &ev);
  EXPECT_EQ(c.CenterX(), 150);
  EXPECT_EQ(c.CenterY(), 60);

  int calls = 0;
  c.OnResize = [&](QObject *sender) {
    EXPECT_EQ(sender, &c);
    ++calls;
  };
  c.resize(100, 100);
  QResizeEvent ev2(QSize(100, 100), QSize(300, 120));
  QCoreApplication::sendEvent(&c, &ev2);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(c.CenterX(), 150);
  EXPECT_EQ(c.mapping().scaleX, 100 / 2.0) << "the data scales with the grid";

  // Without the handler and without AutoCenter the centre stays, the scale still follows.
  c.OnResize = nullptr;
  c.SetAutoCenter(false);
  c.resize(160, 300);
  QResizeEvent ev3(QSize(160, 300), QSize(100, 100));
  QCoreApplication::sendEvent(&c, &ev3);
  EXPECT_EQ(c.CenterX(), 150);
  EXPECT_EQ(c.mapping().scaleX, 160 / 2.0);
}

TEST(PolChartModel, FirstShowCreatesTheWindow) {
  TPolChart c;
  EXPECT_TRUE(c.SuppressPaint());
  c.show();
  EXPECT_FALSE(c.SuppressPaint());
  EXPECT_EQ(c.screenImage().size(), c.size());
  const QImage shot = c.grab().toImage();
  EXPECT_EQ(shot.pixelColor(1, 1), c.screenImage().pixelColor(1, 1));
  // Only the first showing creates the window: a suppression set later outlives hide and show.
  c.SetSuppressPaint(true);
  c.hide();
  c.show();
  EXPECT_TRUE(c.SuppressPaint());
}

TEST(PolChartItems, SettersNotifyAndFontIsOwned) {
  QFont f(QStringLiteral("DejaVu Sans"));
  TpcTextLabel label(f);
  int notes = 0;
  label.OnChange = [&](QObject *s) {
    EXPECT_EQ(s, &label);
    ++notes;
  };
  label.SetCaption(QStringLiteral("a\nb"));
  label.SetMode(TpcTextLabel::tlBox);
  label.SetMode(TpcTextLabel::tlBox);
  QFont other(QStringLiteral("Liberation Mono"));
  label.SetFont(other);
  label.fontObject().setBold(true); // direct changes notify nobody
  EXPECT_EQ(notes, 4);
  // Every published property of a label and a cross-hair notifies once, even unchanged.
  TpcCrossHair hair;
  hair.OnChange = [&](QObject *) { ++notes; };
  for (QObject *object : {static_cast<QObject *>(&label), static_cast<QObject *>(&hair)}) {
    const QMetaObject *meta = object->metaObject();
    for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
      notes = 0;
      ASSERT_TRUE(meta->property(i).write(object, meta->property(i).read(object)));
      EXPECT_EQ(notes, 1) << meta->property(i).name();
    }
  }
  EXPECT_EQ(label.Font().family(), QStringLiteral("Liberation Mono"));
  EXPECT_TRUE(label.Font().bold());
}

TEST(PolChartModel, DegenerateSizesPaintWithoutHarm) {
  TestChart t(10, 10);
  t->SetShadowWidth(32); // the chart area is negative: the chart bitmap becomes empty
  t->MoveTo(0.5, 0);
  t->DrawTo(1, 90);
  t->Circle(0.5);
  t->ShowGraf();
  EXPECT_TRUE(t->chartBitmap().isNull());
  EXPECT_EQ(t->screenImage().size(), QSize(10, 10));
  t->resize(0, 0);
  t->ShowGraf();
  EXPECT_TRUE(t->screenImage().isNull());
}
