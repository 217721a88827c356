#pragma once
// The program's language files as the source tree holds them (app/lang), found the same way
// whether CTest runs a test or somebody runs it by hand.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

inline QByteArray sourceLanguageFile(const char *name) {
  QFile f(QStringLiteral(DIPOLIX_LANG_DIR "/") + QLatin1String(name));
  EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
  return f.readAll();
}
