#include "DipolixApplication.h"

#include <QMessageBox>
#include <exception>

#include "PlatformError.h"

DipolixApplication::DipolixApplication(int &argc, char **argv) : QApplication(argc, argv) {
  showError = [](const QString &message) {
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), message);
  };
}

bool DipolixApplication::notify(QObject *receiver, QEvent *event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const EBaseError &e) {
    showError(e.message());
  } catch (const std::exception &e) {
    showError(QString::fromLocal8Bit(e.what()));
  }
  return false;
}
