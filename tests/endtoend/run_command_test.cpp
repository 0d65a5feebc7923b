// The run command's offscreen acceptance: zphost, as the run command starts
// it, plays the scripted acceptance against zpserver on the demo region and
// leaves a picture of every step and both papers, and the counter's printer
// setting as it was.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>

#include <filesystem>

#include "printers.h"
#include "server_process.h"

namespace {

TEST(RunCommand, OffscreenItPlaysOneAcceptanceAndSavesEveryStepAndThePapers) {
  QTemporaryDir dir, run, out;
  zp::testing::ServerProcess server;
  ASSERT_TRUE(server.start({"--db", "sqlite:" + dir.filePath("demo.db").toStdString(), "--seed-demo", "--quiet"}));
  std::filesystem::create_directory_symlink(PRINT_DIR, run.filePath("print").toStdString());
  const QString ini = run.filePath("zphost.ini");
  {
    QSettings settings(ini, QSettings::IniFormat);
    settings.setValue("Print/DefaultPrinter", "柜台打印机");
  }
  // The user's own choice, in his settings (the test's, see qt_environment).
  {
    QSettings mine(zpgui::UserSettingsPath(), QSettings::IniFormat);
    mine.setValue("Print/DefaultPrinter", "前台打印机");
  }

  QProcess host;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("ZP_BROKER_ZEPHYRON", QString::fromStdString(server.address()));
  env.insert("ZP_RUN_PATH", run.path());

  // A wrong password signs no one in: zphost says why and opens nothing.
  env.insert("ZP_OPERATOR_PASSWORD", "demo1002");
  host.setProcessEnvironment(env);
  host.start(ZPHOST_PATH, {"--op", "1001", "--open", "10001", "--acceptance", out.path()});
  ASSERT_TRUE(host.waitForFinished(60000));
  EXPECT_EQ(host.exitCode(), 2);
  EXPECT_TRUE(QString::fromUtf8(host.readAllStandardError()).contains("营业员工号或密码错误"));
  EXPECT_TRUE(QDir(out.path()).entryList({"*.png"}, QDir::Files).isEmpty());

  env.insert("ZP_OPERATOR_PASSWORD", "demo1001");
  host.setProcessEnvironment(env);
  host.start(ZPHOST_PATH, {"--op", "1001", "--open", "10001", "--acceptance", out.path()});
  ASSERT_TRUE(host.waitForFinished(120000));
  const QString said = QString::fromUtf8(host.readAllStandardOutput());
  EXPECT_EQ(host.exitCode(), 0) << said.toStdString() << host.readAllStandardError().toStdString();
  EXPECT_TRUE(said.contains("The scripted acceptance was submitted and printed.")) << said.toStdString();

  const QStringList pictures = QDir(out.path()).entryList({"*.png"}, QDir::Files, QDir::Name);
  EXPECT_GE(pictures.size(), 8) << pictures.join(" ").toStdString();
  for (const char* step : {"workspace", "queried", "number-dialog", "number-and-promotions", "fees", "submitted"})
    EXPECT_FALSE(pictures.filter(step).isEmpty()) << step;
  const QStringList papers = QDir(out.filePath("papers")).entryList({"*.pdf"}, QDir::Files, QDir::Name);
  EXPECT_EQ(papers, (QStringList{"publicBusiInvoice-1.pdf", "publicBusiSoVoucher-1.pdf"}));
  for (const QString& f : pictures + papers) EXPECT_TRUE(said.contains(f)) << "where it is: " << f.toStdString();

  QSettings after(ini, QSettings::IniFormat);
  EXPECT_EQ(after.value("Print/DefaultPrinter").toString().toStdString(), "柜台打印机")
      << "the run directory's preset is never written";
  QSettings mine(zpgui::UserSettingsPath(), QSettings::IniFormat);
  EXPECT_EQ(mine.value("Print/DefaultPrinter").toString().toStdString(), "前台打印机")
      << "the user's printer is his own again";
}

}  // namespace
