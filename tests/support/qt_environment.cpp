// One QApplication for a whole test program: widgets need it, and Qt allows
// only one per process. Linked into every test program that shows widgets.
#include <QApplication>
#include <QDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

class QtEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    // Run by hand as well as by ctest, which sets the platform itself.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!std::getenv("XDG_RUNTIME_DIR")) {
      const QString runtime = QDir::temp().filePath(QStringLiteral("zptest-runtime"));
      QDir().mkpath(runtime);
      QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
      qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    }
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[5] = "test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] testing::Environment* const qt_environment = testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
