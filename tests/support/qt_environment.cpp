// One QApplication for a whole test program: widgets need it, and Qt allows
// only one per process. Linked into every test program that shows widgets.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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
    // The user's settings and documents (his printer, PDF papers) in a
    // folder of this process: never the real user's, never another test's.
    if (home_.isValid()) {
      qputenv("XDG_CONFIG_HOME", home_.filePath("config").toLocal8Bit());
      QDir().mkpath(home_.filePath("config"));
      QDir().mkpath(home_.filePath("Documents"));
      QFile dirs(home_.filePath("config/user-dirs.dirs"));
      if (dirs.open(QIODevice::WriteOnly))
        dirs.write("XDG_DOCUMENTS_DIR=\"" + home_.filePath("Documents").toLocal8Bit() + "\"\n");
    }
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[5] = "test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
  QTemporaryDir home_;
};

[[maybe_unused]] testing::Environment* const qt_environment = testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
