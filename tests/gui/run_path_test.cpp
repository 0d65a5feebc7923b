#include "run_path.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include "gui_test_support.h"

TEST(RunPath, ComesFromTheEnvironmentWithoutTrailingSeparators) {
  struct Case {
    const char* set;
    const char* expected;
  };
  const Case cases[] = {
      {"/opt/zp/run", "/opt/zp/run"},
      {"/opt/zp/run/", "/opt/zp/run"},
      {"/opt/zp/run///", "/opt/zp/run"},
      {"/opt/营业/run", "/opt/营业/run"},
  };
  for (const Case& c : cases) {
    ScopedEnv env("ZP_RUN_PATH", QByteArray(c.set));
    EXPECT_EQ(GetZPRunPath(), QString::fromUtf8(c.expected)) << c.set;
  }
}

TEST(RunPath, FallsBackToTheProgramsFolder) {
  for (const std::optional<QByteArray>& unset : {std::optional<QByteArray>(), std::optional<QByteArray>("")}) {
    ScopedEnv env("ZP_RUN_PATH", unset);
    EXPECT_EQ(GetZPRunPath(), QCoreApplication::applicationDirPath());
    EXPECT_FALSE(GetZPRunPath().endsWith('/'));
  }
}
