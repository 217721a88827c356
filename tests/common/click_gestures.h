#pragma once
// The click rules every component shares, as one table: a click is a left press and release
// both inside the control; a double-click's second press starts no click of its own.
#include <QTest>
#include <gtest/gtest.h>

template <class Control> void expectClickRules(Control *w) {
  int clicks = 0, doubles = 0, downs = 0, ups = 0;
  w->OnClick = [&](QObject *sender) {
    EXPECT_EQ(sender, w);
    EXPECT_EQ(ups, downs) << "the release's own handling comes first";
    ++clicks;
  };
  w->OnDblClick = [&](QObject *) { ++doubles; };
  w->OnMouseDown = [&](QObject *, auto, auto, int, int) { ++downs; };
  w->OnMouseUp = [&](QObject *, auto, auto, int, int) { ++ups; };
  const QPoint in(10, 10), out(w->width() + 5, 10);
  struct Case {
    const char *gesture;
    int clicks, doubles, downs, ups;
  };
  const Case cases[] = {{"left in, up in", 1, 0, 1, 1},
                        {"left in, up out", 0, 0, 1, 1},
                        {"right in, up in", 0, 0, 1, 1},
                        {"double click", 1, 1, 2, 2},
                        {"right double click", 0, 0, 2, 2}, // only the left button's counts
                        {"middle", 0, 0, 1, 1},
                        {"left in, up in, up in", 1, 0, 1, 2}}; // a release alone: no click
  for (const Case &c : cases) {
    clicks = doubles = downs = ups = 0;
    const std::string g = c.gesture;
    const Qt::MouseButton b = g.starts_with("right")    ? Qt::RightButton
                              : g.starts_with("middle") ? Qt::MiddleButton
                                                        : Qt::LeftButton;
    if (g.ends_with("double click")) {
      QTest::mouseClick(w, b, Qt::NoModifier, in);
      QTest::mouseDClick(w, b, Qt::NoModifier, in); // the second press
      QTest::mouseRelease(w, b, Qt::NoModifier, in);
    } else {
      QTest::mousePress(w, b, Qt::NoModifier, in);
      QTest::mouseRelease(w, b, Qt::NoModifier, g.ends_with("out") ? out : in);
      if (g.ends_with("up in, up in"))
        QTest::mouseRelease(w, b, Qt::NoModifier, in);
    }
    EXPECT_EQ(clicks, c.clicks) << c.gesture;
    EXPECT_EQ(doubles, c.doubles) << c.gesture;
    EXPECT_EQ(downs, c.downs) << c.gesture;
    EXPECT_EQ(ups, c.ups) << c.gesture;
  }
}
