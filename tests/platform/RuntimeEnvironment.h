#pragma once
// Every platform test program works in its own runtime folder, so the windows and mutexes
// of a test run never meet those of a running program or of another test.

#include <QTemporaryDir>
#include <gtest/gtest.h>

class RuntimeEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/dpx-XXXXXX"));
    qputenv("XDG_RUNTIME_DIR", m_dir->path().toLocal8Bit());
  }
  void TearDown() override { m_dir.reset(); }
  static QString runtimePath() { return qEnvironmentVariable("XDG_RUNTIME_DIR") + "/dipolix"; }

private:
  std::unique_ptr<QTemporaryDir> m_dir;
};
