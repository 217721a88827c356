// Errors raised on purpose inside event handlers reach the application's one handler, which
// shows the message; the program goes on. This program runs inside the real application
// object instead of the tests' plain one.
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>
#include <stdexcept>

#include "DipolixApplication.h"
#include "Nuvra_urllab.h"
#include "Shell.h"

namespace {

DipolixApplication *g_app = nullptr;

TEST(ErrorHandler, HyperlinkErrorIsShownAndTheProgramGoesOn) {
  QStringList shown;
  g_app->showError = [&](const QString &message) { shown << message; };
  shell::setExecuteHook([](const QString &, const QString &, const QString &) { return 2; });

  QWidget window;
  auto *link = new TUrlLab(&window);
  link->setObjectName(QStringLiteral("UrlLabTool"));
  link->setGeometry(0, 0, 100, 20);
  link->setText(QStringLiteral("tool"));
  link->Loaded();
  bool clicked = false;
  link->OnClick = [&](QObject *) { clicked = true; };
  window.show();

  link->SetURL(QStringLiteral("/opt/readme.txt"));
  QTest::mouseClick(link, Qt::LeftButton);
  link->SetURL(QStringLiteral("/opt/tools/calc.exe"));
  QTest::mouseClick(link, Qt::LeftButton);

  ASSERT_EQ(shown.size(), 2);
  EXPECT_EQ(shown[0], QStringLiteral("Component \"UrlLabTool\": URL of URLLab is invalid"));
  EXPECT_EQ(shown[1],
            QStringLiteral("Component \"UrlLabTool\": Cannot start executable (errnum=2)"));
  EXPECT_FALSE(clicked);

  // The application still delivers events afterwards.
  shell::setExecuteHook([](const QString &, const QString &, const QString &) { return 42; });
  QTest::mouseClick(link, Qt::LeftButton);
  EXPECT_TRUE(clicked);
  shell::setExecuteHook({});
}

// Any other exception thrown in a handler is shown with its text; the event counts as not
// handled.
TEST(ErrorHandler, OtherExceptionsAreShownToo) {
  QStringList shown;
  g_app->showError = [&](const QString &message) { shown << message; };
  struct Thrower : QObject {
    bool event(QEvent *) override { throw std::runtime_error("disk full"); }
  } thrower;
  QEvent event(QEvent::User);
  EXPECT_FALSE(QCoreApplication::sendEvent(&thrower, &event));
  EXPECT_EQ(shown, QStringList{QStringLiteral("disk full")});
}

} // namespace

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  DipolixApplication app(argc, argv);
  g_app = &app;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
