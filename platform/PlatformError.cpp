#include "PlatformError.h"

EBaseError::EBaseError(const QString &message) : std::runtime_error(message.toStdString()) {}

QString EBaseError::message() const { return QString::fromUtf8(what()); }
