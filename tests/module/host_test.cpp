// The host shell as a clerk meets it when something is missing: Qt's own
// texts in Chinese, a module library that does not load, a back end that is
// not configured or not reachable, and a run directory copied elsewhere.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <cstdlib>
#include <filesystem>

#include "csysmgntpublic.h"
#include "backend_world.h"
#include "host_window.h"
#include "loopback_ports.h"
#include "printers.h"
#include "scoped_env.h"

using zp::testing::deadPort;

TEST(Host, QtsOwnButtonsSpeakChinese) {
  QTranslator translator;
  ASSERT_TRUE(InstallQtChineseTexts(translator)) << "qt6-translations-l10n is missing";
  QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  EXPECT_TRUE(buttons.button(QDialogButtonBox::Cancel)->text().contains(QStringLiteral("取消")))
      << buttons.button(QDialogButtonBox::Cancel)->text().toStdString();
  QCoreApplication::removeTranslator(&translator);
  QDialogButtonBox english(QDialogButtonBox::Cancel);
  EXPECT_FALSE(english.button(QDialogButtonBox::Cancel)->text().contains(QStringLiteral("取消")));
}

TEST(Host, AModuleThatDoesNotLoadIsToldInChinese) {
  QTemporaryDir dir;
  {
    QFile broken(dir.filePath("libbroken.so"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a library");
  }
  QStringList problems;
  auto modules = loadModules(dir.path(), &problems);
  EXPECT_TRUE(modules.empty());
  ASSERT_EQ(problems.size(), 1);
  EXPECT_TRUE(problems[0].startsWith(QStringLiteral("业务模块libbroken.so无法加载"))) << problems[0].toStdString();

  HostWindow w({1001, 5710101, 1, 571}, std::move(modules));
  w.ShowModuleProblems(dir.path(), problems, true);
  EXPECT_TRUE(w.ModuleState().contains(QStringLiteral("libbroken.so无法加载")));
  EXPECT_TRUE(w.ModuleState().contains(QStringLiteral("没有找到可用的业务模块"))) << w.ModuleState().toStdString();
  auto* box = w.findChild<QMessageBox*>("msgModuleProblems");
  ASSERT_NE(box, nullptr);
  EXPECT_FALSE(box->isModal() && box->windowModality() == Qt::ApplicationModal) << "it must not stop the host";
  EXPECT_TRUE(box->text().contains(QStringLiteral("请与系统管理员联系")));

  // Nothing wrong: nothing said.
  HostWindow fine({1001, 5710101, 1, 571}, {});
  fine.ShowModuleProblems(dir.path(), {}, false);
  EXPECT_TRUE(fine.ModuleState().isEmpty());
  EXPECT_EQ(fine.findChild<QMessageBox*>("msgModuleProblems"), nullptr);
}

TEST(Host, TheStatusBarSaysWhetherTheBackEndIsReachableAndWhere) {
  QTemporaryDir runDir;  // a run directory without zpclient.ini
  zp::testing::ScopedEnv run("ZP_RUN_PATH", runDir.path().toStdString());
  HostWindow w({1001, 5710101, 1, 571}, {});
  {
    zp::testing::ScopedEnv none("ZP_BROKER_ZEPHYRON", std::nullopt);
    w.WatchBackend(0);
    EXPECT_TRUE(w.BackendState().contains(QStringLiteral("没有配置后台服务[ZEPHYRON]的地址")))
        << w.BackendState().toStdString();
    EXPECT_TRUE(w.BackendState().contains("zpclient.ini"));
    EXPECT_TRUE(w.BackendState().contains("ZPE_BROKER_UNKNOWN"));
  }
  const std::string dead = "tcp://127.0.0.1:" + std::to_string(deadPort());
  {
    zp::testing::ScopedEnv gone("ZP_BROKER_ZEPHYRON", dead);
    w.WatchBackend(0);
    EXPECT_TRUE(w.BackendState().contains(QString::fromStdString(dead))) << w.BackendState().toStdString();
    EXPECT_TRUE(w.BackendState().contains(QStringLiteral("无法在3秒内连接"))) << w.BackendState().toStdString();
    EXPECT_TRUE(w.BackendState().contains("ZPE_CONNECT"));
  }
  // The broker address of the run directory's zpclient.ini, as the package installs it.
  const zp::testing::HeldPort listening;
  ASSERT_TRUE(listening.ok());
  const QString live = QStringLiteral("tcp://127.0.0.1:%1").arg(listening.port());
  {
    QFile ini(runDir.filePath("zpclient.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(("ZEPHYRON=" + live + "\n").toUtf8());
  }
  zp::testing::ScopedEnv fromFile("ZP_BROKER_ZEPHYRON", std::nullopt);
  w.WatchBackend(0);
  EXPECT_EQ(w.BackendState(), QStringLiteral("后台服务%1已连接").arg(live));
}

TEST(Host, ACopiedRunDirectoryLoadsItsModuleWithItsOwnLibraries) {
  namespace fs = std::filesystem;
  const fs::path run = fs::path(VASDESK_PATH).parent_path().parent_path();
  QTemporaryDir copy;
  const fs::path to = fs::path(copy.path().toStdString()) / "run";
  fs::create_directories(to);
  for (const char* part : {"modules", "lib"}) fs::copy(run / part, to / part, fs::copy_options::recursive);
  QProcess ldd;
  ldd.start("ldd", {QString::fromStdString((to / "modules" / "libvasdesk.so").string())});
  ASSERT_TRUE(ldd.waitForFinished(20000));
  const QString said = QString::fromLocal8Bit(ldd.readAllStandardOutput());
  EXPECT_FALSE(said.contains("not found")) << said.toStdString();
  int ours = 0;
  for (const QString& line : said.split('\n')) {
    if (!line.contains("libzp") && !line.contains("libpublic")) continue;
    ++ours;
    EXPECT_TRUE(line.contains(QString::fromStdString(to.string()))) << "from outside the copy: " << line.toStdString();
  }
  EXPECT_GE(ours, 5) << said.toStdString();
}

TEST(Host, ThePrinterSetupMenuKeepsTheUsersChoice) {
  QTemporaryDir run, pdf;
  zp::testing::ScopedEnv runPath("ZP_RUN_PATH", run.path().toStdString());
  QFile::remove(zpgui::UserSettingsPath());
  HostWindow w({1001, 5710101, 1, 571}, {});
  auto* action = w.findChild<QAction*>("actPrinterSetup");
  ASSERT_NE(action, nullptr);
  const std::string chosen = "PDF:" + pdf.path().toStdString();
  {
    zpgui::PrinterSetupScript operatorPicks;
    operatorPicks.Pick(chosen);
    action->trigger();
    ASSERT_EQ(operatorPicks.OpenedOn().size(), 1u);
    EXPECT_FALSE(operatorPicks.OpenedOn()[0].empty()) << "a fresh install offers a printer, never an empty name";
  }
  EXPECT_EQ(GetDefaultPrinterName(), chosen);
  EXPECT_FALSE(QFile::exists(run.filePath("zphost.ini")));
  {
    zpgui::PrinterSetupScript operatorCancels;
    operatorCancels.Refuse();
    EXPECT_FALSE(w.PrinterSetup());
    ASSERT_EQ(operatorCancels.OpenedOn().size(), 1u);
    EXPECT_EQ(operatorCancels.OpenedOn()[0], chosen) << "opened on the printer in use";
  }
  EXPECT_EQ(GetDefaultPrinterName(), chosen);
  QFile::remove(zpgui::UserSettingsPath());
}

// Answers the host's modal windows as a clerk would: the sign-in dialog with
// the next password of the list (or Cancel when there is none left), a
// message box with OK, each recorded in turn.
class ClerkAtTheDialogs {
 public:
  explicit ClerkAtTheDialogs(QStringList passwords) : passwords_(std::move(passwords)) {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
    timer_.start();
  }
  const QStringList& Seen() const { return seen_; }

 private:
  void answer() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      seen_ << "message: " + box->text();
      box->accept();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->objectName() == "dlgSignIn") {
      auto* id = dialog->findChild<QLineEdit*>("edOperId");
      seen_ << "sign-in: " + id->text() + (id->isReadOnly() ? " (fixed)" : "");
      if (passwords_.isEmpty()) return dialog->reject();
      dialog->findChild<QLineEdit*>("edOperPassword")->setText(passwords_.takeFirst());
      dialog->accept();
    }
  }
  QStringList passwords_, seen_;
  QTimer timer_;
};

// A clerk back from a break finds his session ended: every call of his open
// workspaces is refused, saying to sign in again. "重新登录..." asks his
// password (a wrong one is refused as the server words it, and asked again);
// signed in, the next calls go through under the new session. Giving up
// leaves him as he was.
TEST(Host, AClerkWhoseSessionEndedSignsInAgainFromTheMenu) {
  zp::testing::BackendWorld world(zp::store::Backend::sqlite, R"({"operators": [
      {"op_id": 1001, "password": "pw1001", "org_id": 5710101, "region_code": 571, "county_code": 1,
       "op_name": "张丽"}]})");
  HostWindow w({1001, 5710101, 1, 571}, {});
  CSysMgntPublic sysMgnt;
  ASSERT_TRUE(sysMgnt.Init(0, 571, 1, 5710101, 1001));
  CBSDateTime now;
  ASSERT_TRUE(sysMgnt.getCurrentDate(now)) << sysMgnt.LastError().text2;

  const std::string ended = zpd_session();
  world.sessions->signOut(ended);
  ASSERT_FALSE(sysMgnt.getCurrentDate(now));
  EXPECT_NE(sysMgnt.LastError().text2.find("请重新登录后再办理"), std::string::npos) << sysMgnt.LastError().text2;

  auto* again = w.findChild<QAction*>("actSignInAgain");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->text(), QStringLiteral("重新登录..."));
  {
    ClerkAtTheDialogs clerk({});  // gives up
    EXPECT_FALSE(w.SignInAgain());
    EXPECT_EQ(clerk.Seen(), QStringList{"sign-in: 1001 (fixed)"});
  }
  EXPECT_EQ(zpd_session(), ended);
  {
    ClerkAtTheDialogs clerk({"wrong", "pw1001"});
    again->trigger();
    ASSERT_EQ(clerk.Seen().size(), 3) << clerk.Seen().join(" | ").toStdString();
    EXPECT_EQ(clerk.Seen()[0], "sign-in: 1001 (fixed)");
    EXPECT_EQ(clerk.Seen()[1], "message: 营业员工号或密码错误,再错4次将被锁定,请重新输入");
    EXPECT_EQ(clerk.Seen()[2], "sign-in: 1001 (fixed)");
  }
  EXPECT_NE(zpd_session(), ended);
  EXPECT_TRUE(sysMgnt.getCurrentDate(now)) << sysMgnt.LastError().text2;
  EXPECT_EQ(world.count("SELECT COUNT(*) FROM zp_session WHERE op_id = 1001 AND ended = 0"), 1);
}
