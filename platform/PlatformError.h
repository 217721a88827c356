#pragma once
// The root of every exception the program raises on purpose. It carries only a message;
// the application shows it in a message box from one place.

#include <QString>
#include <stdexcept>

class EBaseError : public std::runtime_error {
public:
  explicit EBaseError(const QString &message);
  QString message() const;
};
