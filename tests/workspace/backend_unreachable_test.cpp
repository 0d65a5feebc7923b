// The workspace when the back end cannot be reached: at the start (the
// operator's sign-in, then the workspace, which says inside itself why it is
// empty) and in the middle of a query (a stopped server, a silent one).
// Every text the clerk gets is Chinese and names the address, or the
// deadline, with the runtime's code for support.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <unistd.h>

#include <memory>
#include <string>

#include "backend_world.h"
#include "formVasDeskMain.h"
#include "gui_message.h"
#include "operator_sign_in.h"
#include "loopback_ports.h"
#include "scoped_env.h"
#include "wait_box.h"

using zp::store::Backend;
using zp::testing::BackendWorld;
using zp::testing::ScopedEnv;

using zp::testing::deadPort;

namespace {

bool hasChinese(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0xe4 && c <= 0xe9) return true;  // lead bytes of the CJK block in UTF-8
  return false;
}

// Nothing of the runtime's old English, nor the empty record's filler.
void expectPlainChinese(const std::string& text, const std::string& names) {
  EXPECT_TRUE(hasChinese(text)) << text;
  EXPECT_NE(text.find(names), std::string::npos) << "does not name " << names << ": " << text;
  EXPECT_EQ(text.find("no error"), std::string::npos) << text;
  EXPECT_EQ(text.find("could not be"), std::string::npos) << text;
  EXPECT_EQ(text.find("not bound"), std::string::npos) << text;
}

class Unreachable : public ::testing::Test {
 protected:
  void SetUp() override {
    zp::testing::loadDemo(*backend.db, {"10-core.json", "20-sysmgnt.json", "30-busi.json", "40-catalogue.json"});
    backend.signIn(1001);
  }
  std::unique_ptr<TfrmVasDesk> startDesk() {
    auto desk = std::make_unique<TfrmVasDesk>(nullptr);
    started = desk->Init(0, 571, 1, 5710101, 1001, {});
    return desk;
  }
  void query(TfrmVasDesk& desk, const char* phone) {
    auto* verify = desk.findChild<QWidget*>("frmeVerify");
    verify->findChild<QLineEdit*>("edPhoneId")->setText(phone);
    verify->findChild<QPushButton*>("btnQueyA")->click();
  }

  BackendWorld backend{Backend::sqlite, "{}"};
  zpgui::MessageLog messages;
  zpgui::WaitBoxLog waits;
  bool started = false;
};

}  // namespace

TEST_F(Unreachable, AtTheStartTheSignInAndTheEmptyWorkspaceSayWhichAddressFailed) {
  const std::string dead = "tcp://127.0.0.1:" + std::to_string(deadPort());
  ScopedEnv broker("ZP_BROKER_ZEPHYRON", dead);

  OperatorSignIn in;
  std::string why;
  EXPECT_FALSE(SignInOperator(1001, "demo1001", in, why));
  expectPlainChinese(why, dead);
  EXPECT_NE(why.find("ZPE_CONNECT"), std::string::npos) << why;

  auto desk = startDesk();
  EXPECT_FALSE(started);
  const std::string empty = desk->emptyReason().toStdString();
  expectPlainChinese(empty, dead);
  EXPECT_NE(empty.find("工作区为空"), std::string::npos) << empty;
  EXPECT_EQ(desk->findChild<QTreeWidget*>("lstvBusiType")->topLevelItemCount(), 0);
  for (const zpgui::GUIMessage& m : messages.Shown()) expectPlainChinese(m.text, dead);

  // No address at all: the note says where to configure one.
  ScopedEnv none("ZP_BROKER_ZEPHYRON", std::nullopt);
  ScopedEnv run("ZP_RUN_PATH", ::testing::TempDir());
  auto unconfigured = startDesk();
  EXPECT_FALSE(started);
  const std::string where = unconfigured->emptyReason().toStdString();
  expectPlainChinese(where, "zpclient.ini");
  EXPECT_NE(where.find("ZP_BROKER_ZEPHYRON"), std::string::npos) << where;
}

TEST_F(Unreachable, AServerThatStopsDuringTheQueryIsNamedInEveryMessage) {
  backend.serveTcp();
  const std::string address = "tcp://127.0.0.1:" + std::to_string(backend.tcp->port());
  auto desk = startDesk();
  ASSERT_TRUE(started);
  EXPECT_TRUE(desk->emptyReason().isEmpty()) << "a started workspace has nothing to excuse";
  ASSERT_TRUE(messages.Shown().empty()) << messages.Shown()[0].text;

  backend.tcp->stop();
  query(*desk, "13957100001");
  ASSERT_FALSE(messages.Shown().empty()) << "the failed query must be told";
  for (const zpgui::GUIMessage& m : messages.Shown()) {
    expectPlainChinese(m.text, address);
    EXPECT_NE(m.text.find("ZPE_CONNECT"), std::string::npos) << m.text;
  }
}

TEST_F(Unreachable, ASilentServerIsToldWithTheDeadline) {
  ScopedEnv deadline("ZP_CALL_TIMEOUT_MS", "400");
  backend.serveTcp();
  const std::string address = "tcp://127.0.0.1:" + std::to_string(backend.tcp->port());
  auto desk = startDesk();
  ASSERT_TRUE(started);
  backend.fail(MVasDesk::IVasDesk_get_info, zpd_fault{0, 0, "", "", std::chrono::milliseconds(1500)});
  query(*desk, "13957100001");
  bool toldDeadline = false;
  for (const zpgui::GUIMessage& m : messages.Shown()) {
    // The subscriber's rule chain speaks first (a question, a notice).
    if (m.text.rfind("检查通过", 0) == 0) continue;
    expectPlainChinese(m.text, address);
    if (m.text.find("在400毫秒内没有应答") != std::string::npos && m.text.find("ZPE_TIMEOUT") != std::string::npos)
      toldDeadline = true;
  }
  std::string all;
  for (const zpgui::GUIMessage& m : messages.Shown()) all += m.text + "\n--\n";
  EXPECT_TRUE(toldDeadline) << all;
}
