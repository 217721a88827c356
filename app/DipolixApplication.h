#pragma once
// The application object. It is the one place where errors raised on purpose by any
// component end up: no exception leaves an event handler; the message is shown in a box
// and the program goes on.

#include <QApplication>
#include <functional>

class DipolixApplication : public QApplication {
public:
  DipolixApplication(int &argc, char **argv);
  bool notify(QObject *receiver, QEvent *event) override;

  // Shows the message of an error that reached the application. Tests replace it.
  std::function<void(const QString &message)> showError;
};
