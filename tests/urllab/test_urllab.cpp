// The hyperlink label: target trimming and classification, the launch through the shell with
// its two error messages, the click rules and the font switch under the pointer.
#include <QEnterEvent>
#include <QFontMetrics>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

#include "Nuvra_urllab.h"
#include "Shell.h"
#include "event_counter.h"

namespace {

struct ShellCall {
  QString verb, file, params;
  std::optional<Qt::CursorShape> cursor; // the label's own pointer while the shell ran
};

// Replaces the desktop shell for one test and records what it is asked to do.
class FakeShell {
public:
  explicit FakeShell(int result = 42, const QWidget *watched = nullptr) {
    shell::setExecuteHook(
        [this, result, watched](const QString &verb, const QString &file, const QString &params) {
          ShellCall call{verb, file, params, std::nullopt};
          if (watched && watched->testAttribute(Qt::WA_SetCursor))
            call.cursor = watched->cursor().shape();
          calls.push_back(call);
          return result;
        });
  }
  ~FakeShell() { shell::setExecuteHook({}); }
  FakeShell(const FakeShell &) = delete;
  FakeShell &operator=(const FakeShell &) = delete;
  std::vector<ShellCall> calls;
};

// Exposes the mouse handlers, so a raised error can be seen leaving them.
class ProbeLab : public TUrlLab {
public:
  using TUrlLab::mousePressEvent;
  using TUrlLab::mouseReleaseEvent;
  using TUrlLab::TUrlLab;
};

struct Fixture : ::testing::Test {
  ProbeLab lab;
  int clicks = 0;
  Fixture() {
    lab.setObjectName(QStringLiteral("UrlLab1"));
    lab.OnClick = [this](QObject *sender) {
      EXPECT_EQ(sender, &lab);
      ++clicks;
    };
  }
  // Runs Click and returns the message it raised, or nothing.
  std::optional<QString> clickError() {
    try {
      lab.Click();
    } catch (const ENuvraURLLabError &e) {
      return e.message();
    }
    return std::nullopt;
  }
};

} // namespace

TEST(UrlLabTargets, TrimsBlanksOnlyAndKeepsTabs) {
  TUrlLab lab;
  lab.SetURL(QStringLiteral("  http://www.example.org/  "));
  EXPECT_EQ(lab.URL(), QStringLiteral("http://www.example.org/"));
  lab.SetURL(QStringLiteral("   "));
  EXPECT_EQ(lab.URL(), QString());
  lab.SetURL(QStringLiteral("\t /opt/x.exe \t"));
  EXPECT_EQ(lab.URL(), QStringLiteral("\t /opt/x.exe \t"));
  lab.SetTaskParams(QStringLiteral("  -a  b  "));
  EXPECT_EQ(lab.TaskParams(), QStringLiteral("-a  b"));
  lab.SetTaskParams(QStringLiteral("   "));
  EXPECT_EQ(lab.TaskParams(), QString());
}

TEST(UrlLabTargets, ClassifiesSchemeAndExtensionInAnyCase) {
  EXPECT_TRUE(urllab::IsWebAddress(QStringLiteral("HTTP://WWW.EXAMPLE.ORG")));
  EXPECT_TRUE(urllab::IsWebAddress(QStringLiteral("hTtP://x")));
  EXPECT_FALSE(urllab::IsWebAddress(QStringLiteral("https://www.example.org/")));
  EXPECT_FALSE(urllab::IsWebAddress(QStringLiteral("http:/x")));
  EXPECT_EQ(urllab::ExtensionOf(QStringLiteral("/opt/Tools/Calc.EXE")), QStringLiteral(".exe"));
  EXPECT_EQ(urllab::ExtensionOf(QStringLiteral("/opt/Tools/Readme.txt")), QStringLiteral(".txt"));
  // The last full stop lies in a folder name: no extension.
  EXPECT_EQ(urllab::ExtensionOf(QStringLiteral("/opt/my.dir/tool")), QString());
  EXPECT_EQ(urllab::ExtensionOf(QStringLiteral("tool")), QString());
  EXPECT_EQ(urllab::ExtensionOf(QStringLiteral("/opt/tool.")), QStringLiteral("."));
  EXPECT_TRUE(urllab::IsProgramFile(QStringLiteral("calc.Exe")));
  EXPECT_FALSE(urllab::IsProgramFile(QStringLiteral("/opt/x.exe/tool")));
}

TEST_F(Fixture, WebAddressInCapitalsOpensWithBusyPointerThenRestoresIt) {
  FakeShell shell(42, &lab);
  lab.SetURL(QStringLiteral("HTTP://www.Example.org/"));
  EXPECT_EQ(clickError(), std::nullopt);
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].verb, QString());
  EXPECT_EQ(shell.calls[0].file, QStringLiteral("HTTP://www.Example.org/"));
  EXPECT_EQ(shell.calls[0].params, QString());
  EXPECT_EQ(shell.calls[0].cursor, Qt::BusyCursor);
  EXPECT_EQ(lab.cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(clicks, 1);

  // A failure to open a web address is not reported; an own pointer comes back.
  FakeShell failing(2, &lab);
  lab.setCursor(Qt::PointingHandCursor);
  EXPECT_EQ(clickError(), std::nullopt);
  EXPECT_EQ(lab.cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(clicks, 2);
}

TEST(UrlLabClick, LabelDeletedByAPendingEventStillOpensTheAddressSafely) {
  FakeShell shell;
  QObject context;
  auto *lab = new TUrlLab;
  int clicks = 0;
  lab->OnClick = [&](QObject *) { ++clicks; };
  lab->SetURL(QStringLiteral("http://www.example.org/"));
  QMetaObject::invokeMethod(
      &context, [lab] { delete lab; }, Qt::QueuedConnection);
  lab->Click();
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].file, QStringLiteral("http://www.example.org/"));
  EXPECT_EQ(clicks, 0);
}

TEST_F(Fixture, ProgramFileStartsWithOpenVerbAndParameters) {
  FakeShell shell(33);
  lab.SetURL(QStringLiteral("/opt/Tools/Calc.EXE"));
  lab.SetTaskParams(QStringLiteral(" -x 1 "));
  EXPECT_EQ(clickError(), std::nullopt);
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].verb, QStringLiteral("open"));
  EXPECT_EQ(shell.calls[0].file, QStringLiteral("/opt/Tools/Calc.EXE"));
  EXPECT_EQ(shell.calls[0].params, QStringLiteral("-x 1"));
  EXPECT_EQ(clicks, 1);
}

TEST_F(Fixture, InvalidTargetsRaiseTheNamedErrorWithoutOnClick) {
  FakeShell shell;
  const QString expected = QStringLiteral("Component \"UrlLab1\": URL of URLLab is invalid");
  for (const char *target :
       {"/opt/Tools/Readme.txt", "/opt/my.dir/tool", "https://example.org/", "www.example.org"}) {
    lab.SetURL(QString::fromLatin1(target));
    EXPECT_EQ(clickError(), expected) << target;
    EXPECT_EQ(lab.URL(), QString::fromLatin1(target)) << "properties stay as they were";
  }
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_EQ(clicks, 0);
}

TEST_F(Fixture, FailedStartCarriesTheShellsNumber) {
  lab.SetURL(QStringLiteral("/opt/Tools/calc.exe"));
  {
    FakeShell shell(2);
    EXPECT_EQ(clickError(),
              QStringLiteral("Component \"UrlLab1\": Cannot start executable (errnum=2)"));
  }
  {
    FakeShell shell(32);
    EXPECT_EQ(clickError(),
              QStringLiteral("Component \"UrlLab1\": Cannot start executable (errnum=32)"));
  }
  EXPECT_EQ(clicks, 0);
  // -1 is not a failure number of the shell.
  FakeShell shell(-1);
  EXPECT_EQ(clickError(), std::nullopt);
  EXPECT_EQ(clicks, 1);
}

TEST_F(Fixture, EmptyUrlFiresOnlyOnClick) {
  FakeShell shell;
  lab.SetURL(QStringLiteral("   "));
  EXPECT_EQ(clickError(), std::nullopt);
  EXPECT_TRUE(shell.calls.empty());
  EXPECT_EQ(clicks, 1);
}

TEST_F(Fixture, ClickIsAPressAndAReleaseInsideTheLabel) {
  FakeShell shell;
  lab.resize(100, 16);
  lab.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&lab));
  QTest::mouseClick(&lab, Qt::LeftButton, {}, QPoint(10, 8));
  EXPECT_EQ(clicks, 1);
  QTest::mouseClick(&lab, Qt::RightButton, {}, QPoint(10, 8));
  EXPECT_EQ(clicks, 1);
  // Pressed inside, released outside: no click.
  QTest::mousePress(&lab, Qt::LeftButton, {}, QPoint(10, 8));
  QTest::mouseRelease(&lab, Qt::LeftButton, {}, QPoint(150, 8));
  EXPECT_EQ(clicks, 1);
  // A release without a press in the label is no click either.
  QTest::mouseRelease(&lab, Qt::LeftButton, {}, QPoint(10, 8));
  EXPECT_EQ(clicks, 1);
  // From the keyboard: Return, Enter (also the keypad's) and Space; no other key, no chord.
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int clicks;
  } keys[] = {{Qt::Key_Return, {}, 1},
              {Qt::Key_Enter, Qt::KeypadModifier, 1},
              {Qt::Key_Space, {}, 1},
              {Qt::Key_A, {}, 0},
              {Qt::Key_Return, Qt::ControlModifier, 0}};
  for (const auto &k : keys) {
    const int before = clicks;
    QTest::keyClick(&lab, k.key, k.modifiers);
    EXPECT_EQ(clicks - before, k.clicks) << k.key;
  }
}

// Presses of other buttons are not the link's: they go on to the parent (a context menu, say).
TEST(UrlLabClick, OtherButtonsGoOnToTheParent) {
  EventCounter counter(QEvent::MouseButtonPress);
  QWidget parent;
  parent.installEventFilter(&counter);
  TUrlLab lab(&parent);
  lab.resize(100, 16);
  QTest::mousePress(&lab, Qt::RightButton, {}, QPoint(10, 8));
  EXPECT_EQ(counter.count, 1);
  QTest::mousePress(&lab, Qt::LeftButton, {}, QPoint(10, 8));
  EXPECT_EQ(counter.count, 1);
}

TEST_F(Fixture, ErrorLeavesTheMouseHandlerForTheApplicationsHandler) {
  FakeShell shell;
  lab.resize(100, 16);
  lab.SetURL(QStringLiteral("/opt/readme.txt"));
  const QPointF at(10, 8);
  QMouseEvent press(QEvent::MouseButtonPress, at, lab.mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, {});
  QMouseEvent release(QEvent::MouseButtonRelease, at, lab.mapToGlobal(at), Qt::LeftButton,
                      Qt::NoButton, {});
  lab.mousePressEvent(&press);
  EXPECT_THROW(lab.mouseReleaseEvent(&release), ENuvraURLLabError);
  EXPECT_EQ(clicks, 0);
}

TEST(UrlLabText, AmpersandIsShownAsItIs) {
  TUrlLab lab;
  lab.setText(QStringLiteral("Tom & Jerry"));
  EXPECT_EQ(lab.textFormat(), Qt::PlainText);
  // Plain text: markup is not interpreted either.
  lab.setText(QStringLiteral("<b>x</b>"));
  EXPECT_GT(lab.sizeHint().width(), lab.fontMetrics().horizontalAdvance(QStringLiteral("x")) * 4);
}

TEST(UrlLabText, SizeHintsHoldTheCaptionInEitherFont) {
  for (const int activePixels : {24, 8}) {
    TUrlLab lab;
    QFont normal(QStringLiteral("DejaVu Sans"));
    normal.setPixelSize(12);
    QFont active = normal;
    active.setPixelSize(activePixels);
    lab.BeginLoading();
    lab.setText(QStringLiteral("Home page"));
    lab.setFont(normal);
    lab.SetFontActive(active);
    lab.Loaded();
    const QSize hint = lab.sizeHint(), least = lab.minimumSizeHint();
    for (const QFont &f : {normal, active}) {
      EXPECT_GE(hint.width(), QFontMetrics(f).horizontalAdvance(lab.text())) << activePixels;
      EXPECT_GE(hint.height(), QFontMetrics(f).height()) << activePixels;
      EXPECT_GE(least.width(), QFontMetrics(f).horizontalAdvance(lab.text())) << activePixels;
    }
    // Hovering swaps the font, not the hints: a layout does not jump.
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(&lab, &enter);
    ASSERT_EQ(lab.font().pixelSize(), activePixels);
    EXPECT_EQ(lab.sizeHint(), hint) << activePixels;
    EXPECT_EQ(lab.minimumSizeHint(), least) << activePixels;
  }
}

namespace {

struct HoverFixture : ::testing::Test {
  TUrlLab lab;
  HoverFixture() {
    QFont normal(QStringLiteral("Courier New"));
    normal.setPixelSize(13);
    normal.setBold(true);
    lab.BeginLoading();
    lab.setText(QStringLiteral("WWWWWWWW"));
    lab.setGeometry(0, 0, 120, 16);
    lab.setFont(normal);
    lab.setFontColor(Qt::blue);
    QFont active = normal;
    active.setUnderline(true);
    lab.SetFontActive(active);
    lab.setFontActiveColor(Qt::red);
    lab.Loaded();
  }
  void enter() {
    QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&lab, &event);
  }
  void leave() {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(&lab, &event);
  }
  // Counts pixels of the drawn label that are mostly red or mostly blue.
  std::pair<int, int> redAndBluePixels() {
    const QImage image = lab.grab().toImage();
    int red = 0, blue = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        red += c.red() > 150 && c.blue() < 100 && c.green() < 100;
        blue += c.blue() > 150 && c.red() < 100 && c.green() < 100;
      }
    return {red, blue};
  }
};

} // namespace

TEST_F(HoverFixture, ActiveFontShowsExactlyWhileThePointerIsOver) {
  int entered = 0, left = 0;
  lab.OnMouseEnter = [&](QObject *) { ++entered; };
  lab.OnMouseLeave = [&](QObject *) { ++left; };
  EXPECT_FALSE(lab.font().underline());
  auto [red0, blue0] = redAndBluePixels();
  EXPECT_EQ(red0, 0);
  EXPECT_GT(blue0, 0);

  enter();
  EXPECT_TRUE(lab.font().underline());
  EXPECT_EQ(lab.fontColor(), QColor(Qt::red));
  auto [red1, blue1] = redAndBluePixels();
  EXPECT_GT(red1, blue0) << "the underline adds red pixels";
  EXPECT_EQ(blue1, 0);

  leave();
  EXPECT_FALSE(lab.font().underline());
  EXPECT_EQ(lab.fontColor(), QColor(Qt::blue));
  EXPECT_EQ(redAndBluePixels(), std::make_pair(0, blue0));
  EXPECT_EQ(entered, 1);
  EXPECT_EQ(left, 1);
}

TEST_F(HoverFixture, DisabledLabelNeverSwitchesItsFont) {
  lab.setEnabled(false);
  const QFont before = lab.font();
  enter();
  EXPECT_EQ(lab.font(), before);
  leave();
  EXPECT_EQ(lab.font(), before);
  // Disabled while hovered: the active font stays until an enabled label is left.
  lab.setEnabled(true);
  enter();
  lab.setEnabled(false);
  leave();
  EXPECT_TRUE(lab.font().underline());
  lab.setEnabled(true);
  leave();
  EXPECT_FALSE(lab.font().underline());
}

TEST_F(HoverFixture, RunTimeFontShowsUntilTheFirstLeave) {
  QFont big = lab.font();
  big.setPixelSize(20);
  lab.setFont(big);
  EXPECT_EQ(lab.font().pixelSize(), 20);
  enter();
  leave();
  EXPECT_EQ(lab.font().pixelSize(), 13) << "the loaded font comes back";
}

// A link with the keyboard focus keeps the active look when the pointer leaves: it shows the
// keyboard user where Enter goes. And a shown link repaints at once when its address changes.
TEST_F(HoverFixture, FocusedLinkKeepsTheActiveLookAndRepaintsAtOnce) {
  lab.setFocusPolicy(Qt::TabFocus);
  lab.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&lab));
  lab.setFocus();
  ASSERT_TRUE(lab.hasFocus());
  enter();
  leave();
  EXPECT_TRUE(lab.font().underline());
  lab.clearFocus();
  EXPECT_FALSE(lab.font().underline()) << "losing the focus away from the pointer";
  // Losing the focus under the pointer keeps it.
  lab.setFocus();
  lab.setAttribute(Qt::WA_UnderMouse); // what the window system's enter event sets
  lab.clearFocus();
  EXPECT_TRUE(lab.font().underline()) << "losing the focus under the pointer";

  EventCounter paints(QEvent::Paint);
  lab.installEventFilter(&paints);
  lab.SetURL(QStringLiteral("https://example.org/"));
  EXPECT_EQ(paints.count, 1);
}
