// The commit of an order from the workspace against a test back end over
// loopback: the checks that stop it before any remote call, every failure
// after them leaving the operator's input in place (and the next commit
// succeeding from it), the fee decisions, what reaches the server, and what
// the workspace does once the order is in.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FormAfterDate.h"
#include "MBusiPublic.h"
#include "another_user.h"
#include "backend_world.h"
#include "busi_print_service.h"
#include "commit_world.h"
#include "fixtures.h"
#include "formVasDeskMain.h"
#include "frameAgentInfo.h"
#include "frameBusiProduct.h"
#include "framePromInfo.h"
#include "gui_message.h"
#include "modal.h"
#include "printers.h"
#include "publicbusi_functions.h"
#include "scoped_env.h"
#include "unknown_submissions.h"
#include "vasdesk_service.h"
#include "wait_box.h"
#include "wiretap.h"
#include "zpd_client.h"

namespace zpgui {
// Messages as text in the failures.
inline void PrintTo(const GUIMessage& m, std::ostream* os) {
  *os << "{\"" << m.text << "\", \"" << m.caption << "\", " << m.flags << "}";
}
}  // namespace zpgui

using zp::store::Backend;
using zp::testing::BackendWorld;
using zp::testing::Wiretap;
using zpgui::GUIMessage;
using Messages = std::vector<GUIMessage>;

namespace {

const zpd_fault kFault{4711, 0, "故障注入", "后台暂时不可用"};
constexpr int kYes = 6, kNo = 7;

class Commit : public ::testing::Test {
 public:  // the cases' own steps drive the fixture too
  void SetUp() override {
    ForgetCodeLists();
    backend = std::make_unique<BackendWorld>(Backend::sqlite, zp::testing::kCommitWorld);
    backend->serveTcp();
  }
  void TearDown() override {
    zpgui::MessageLog quiet;
    desk.reset();
    ForgetCodeLists();
  }
  // A new back end and no workspace, for the next case of a table.
  void fresh() {
    {
      zpgui::MessageLog quiet;
      desk.reset();
    }
    backend = std::make_unique<BackendWorld>(Backend::sqlite, zp::testing::kCommitWorld);
    backend->serveTcp();
  }

  void start() {
    desk = std::make_unique<TfrmVasDesk>(nullptr);
    ASSERT_TRUE(desk->Init(0, 571, 1, 110, 11, {}));
    desk->show();
  }
  template <class T>
  T& at(const char* name, const char* inside = nullptr) {
    QWidget* scope = inside ? desk->findChild<QWidget*>(inside) : desk.get();
    T* w = scope ? scope->findChild<T*>(name) : nullptr;
    if (!w) throw std::runtime_error(std::string("no control ") + name);
    return *w;
  }
  QString text(const char* edit, const char* inside = nullptr) { return at<QLineEdit>(edit, inside).text(); }
  TfrmePromInfo& proms() { return *desk->findChild<TfrmePromInfo*>(); }
  void choose(int busiType) {
    auto& list = at<QTreeWidget>("lstvBusiType");
    for (int i = 0; i < list.topLevelItemCount(); ++i)
      if (list.topLevelItem(i)->text(1).toInt() == busiType) {
        list.setCurrentItem(list.topLevelItem(i));
        desk->lstvBusiTypeClick();
        return;
      }
    FAIL() << "no row for " << busiType;
  }
  void query(const char* phone) {
    at<QLineEdit>("edPhoneId", "frmeVerify").setText(phone);
    at<QPushButton>("btnQueyA").click();
  }
  // The first free number of the pool, through the number dialog.
  void pickNumber() {
    zpgui::ModalScript script;
    script.Then([](QDialog& dialog) {
      dialog.findChild<QPushButton*>("btnQuery")->click();
      auto* grid = dialog.findChild<QTableWidget*>("sgIsdn");
      QTableWidgetItem* item = grid->item(0, 0);
      ASSERT_NE(item, nullptr);
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(item).center());
      dialog.findChild<QPushButton*>("btnOK")->click();
    });
    desk->btnSelIsdnClick();
    ASSERT_EQ(script.Unexpected(), 0);
  }
  // Global Call opened for 601 up to the commit: a number, a remark, the
  // seeded discount and the agent prefilled from the customer.
  void globalCallReady() {
    start();
    query("13900000601");
    ASSERT_TRUE(at<QRadioButton>("radBtnOpen").isChecked());
    pickNumber();
    ASSERT_EQ(text("edIsdn"), "55100000");
    at<QLineEdit>("edGcallRemark").setText("商务出差");
    ASSERT_EQ(proms().CountActiveProms(), 1);
  }
  void commit() { at<QPushButton>("btnCommit").click(); }
  // Global Call ready and committed with every reply of the submission lost
  // (the order is stored) and the operator giving up confirming; what that
  // commit showed.
  // With `lost` a lost request instead, the order is never stored.
  Messages commitWithRepliesLost(const std::function<void()>& beforeCommit = {},
                                 const zpd_fault& lost = zp::testing::lostReply()) {
    {
      zpgui::MessageLog setup;
      globalCallReady();
    }
    if (beforeCommit) beforeCommit();
    desk->orderFacade().SetConfirmRetries(1, std::chrono::milliseconds(0));
    backend->fail(MVasDesk::IVasDesk_so_userService, lost);
    zpgui::MessageLog answers({kNo});  // stop confirming
    zpgui::ModalScript fees;
    fees.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOK")->click(); });
    commit();
    return answers.Shown();
  }
  // Every remote call of the commit fails from now on: a call made would
  // show its failure.
  void armEveryCommitCall() {
    backend->fail(MVasDesk::IVasDesk_check_so, kFault);
    backend->fail(MVasDesk::IVasDesk_so_userService, kFault);
    backend->fail(MBusiPublic::IBusiCatalogue_get_calFeeFlag, kFault);
    backend->fail(MBusiPublic::IBusiCatalogue_get_soFee, kFault);
  }
  // The acceptance service as zpserver runs it, on the test's clock.
  std::shared_ptr<zp::backend::VasDeskService> realService() {
    zp::backend::VasDeskConfig config;
    config.clock = [w = backend.get()] { return w->clock; };
    return std::make_shared<zp::backend::VasDeskService>(*backend->db, config);
  }
  // What reaches an operation of the acceptance service, which answers it
  // as zpserver does.
  Wiretap<MVasDesk::SSoUserServiceIn, MPublicDef::SCheckSoOut> tapChecks() {
    auto real = realService();
    return {*backend->dispatcher, MVasDesk::IVasDesk_check_so,
            [real](const auto& in, auto& out, auto& err) { return real->check_so(in, out, err); }};
  }
  Wiretap<MVasDesk::SSoUserServiceIn, MVasDesk::SSoUserServiceOut> tapSubmissions() {
    auto real = realService();
    return {*backend->dispatcher, MVasDesk::IVasDesk_so_userService,
            [real](const auto& in, auto& out, auto& err) { return real->so_userService(in, out, err); }};
  }
  Wiretap<MVasDesk::SDoSignResIn, MVasDesk::SDoSignResOut> tapSignRes() {
    auto real = realService();
    return {*backend->dispatcher, MVasDesk::IVasDesk_do_signRes,
            [real](const auto& in, auto& out, auto& err) { return real->do_signRes(in, out, err); }};
  }
  long long count(const std::string& sql) { return backend->count(sql); }
  long long orders() { return count("SELECT COUNT(*) FROM zp_order"); }
  bool serviceTabShown() {
    auto& pc = at<QTabWidget>("pcInfo");
    return pc.isTabVisible(pc.indexOf(&at<QWidget>("tabUserSvr")));
  }

  std::unique_ptr<BackendWorld> backend;
  std::unique_ptr<TfrmVasDesk> desk;
};

// Each check of the table stops the commit with its notice on its page and
// field, and nothing is asked of the back end.
TEST_F(Commit, ARefusedCheckStopsBeforeAnyRemoteCall) {
  const struct {
    const char* name;
    std::function<void(Commit&)> arrange;
    GUIMessage told;
    const char* tab;
    const char* focus;
  } cases[] = {
      {"no number",
       [](Commit& t) {
         t.start();
         t.query("13900000601");
       },
       {"全球呼号码不能为空！", "提示", 64}, "tabUserSvr", nullptr},
      {"no certificate number",
       [](Commit& t) {
         t.globalCallReady();
         t.at<QLineEdit>("edRegNbr", "FAgenterInfo").setText("   ");
       },
       {"请输入经办人证件号码！", "提示", 64}, "tabAgent", "edRegNbr"},
      {"no agent",
       [](Commit& t) {
         t.globalCallReady();
         t.at<QLineEdit>("edSoMen", "FAgenterInfo").clear();
       },
       {"请输入经办人！", "提示", 64}, "tabAgent", "edSoMen"},
      {"no service provider",
       [](Commit& t) {
         t.start();
         t.choose(102);
         t.query("13900000601");
         t.at<QComboBox>("cmbSPId").setCurrentIndex(-1);
       },
       {"服务提供商代码不能为空！", "提示", 64}, "tabUserSvr", "cmbSPId"},
      {"no usage",
       [](Commit& t) {
         t.start();
         t.choose(102);
         t.query("13900000601");
         t.at<QComboBox>("cmbSPId").setCurrentIndex(0);
         t.at<QComboBox>("cmbGpsType").setCurrentIndex(-1);
       },
       {"服务使用方式不能为空！", "提示", 64}, "tabUserSvr", "cmbGpsType"},
      {"the access point without its product",
       [](Commit& t) {
         t.start();
         t.choose(131);
         t.query("13900000602");
         t.at<QRadioButton>("radBtnMod").setChecked(true);
       },
       {"GPRS接入点必须选择一个产品（接入点）信息！", "提示", 64}, "tabUserSvr", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fresh();
    {
      zpgui::MessageLog setup;
      c.arrange(*this);
      ASSERT_EQ(setup.Unanswered(), 0);
    }
    at<QTabWidget>("pcInfo").setCurrentIndex(0);
    armEveryCommitCall();
    zpgui::MessageLog messages;
    zpgui::WaitBoxLog waits;
    commit();
    EXPECT_EQ(messages.Shown(), Messages{c.told});
    EXPECT_TRUE(waits.Events().empty()) << "stopped before the wait box";
    EXPECT_EQ(at<QTabWidget>("pcInfo").currentWidget()->objectName().toStdString(), c.tab);
    if (c.focus) {
      ASSERT_NE(desk->focusWidget(), nullptr);
      EXPECT_EQ(desk->focusWidget()->objectName().toStdString(), c.focus);
    }
    EXPECT_EQ(orders(), 0);
    EXPECT_TRUE(at<QPushButton>("btnCommit").isEnabled());
  }
}

// The agent taken over from the customer was never left in his document
// field, so its list check had not run: it runs at the commit, before the
// fees, and a black-listed agent (or a grey-listed one the operator does
// not accept) stops the order on the agent's page. A document checked when
// the operator left it is not asked about again.
TEST_F(Commit, AnAgentTakenOverFromTheCustomerIsCheckedBeforeTheFees) {
  const GUIMessage black{"该客户为黑名单客户,不允许受理!", "提示", 64};
  const GUIMessage grey{"该客户为灰名单客户,是否继续?", "提示", 36};
  const struct {
    const char* name;
    int listType;
    int answer;
    Messages told;
  } cases[] = {
      {"black-listed", 1, kYes, {black}},
      {"grey-listed, not accepted", 2, kNo, {grey}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fresh();
    zp::store::loadFixtures(*backend->db, R"({"black_list": [{"reg_type": 1, "reg_nbr": "33010219800101123X",
        "list_type": )" + std::to_string(c.listType) + R"(, "reason": "测试"}]})");
    {
      zpgui::MessageLog setup;
      globalCallReady();
      ASSERT_EQ(setup.Unanswered(), 0);
    }
    at<QTabWidget>("pcInfo").setCurrentIndex(0);
    armEveryCommitCall();
    zpgui::MessageLog messages{c.answer};
    zpgui::WaitBoxLog waits;
    commit();
    EXPECT_EQ(messages.Shown(), c.told);
    EXPECT_TRUE(waits.Events().empty()) << "stopped before the wait box";
    EXPECT_EQ(at<QTabWidget>("pcInfo").currentWidget()->objectName().toStdString(), "tabAgent");
    EXPECT_EQ(text("edRegNbr", "FAgenterInfo"), "") << "the refused number is not submitted";
    EXPECT_EQ(orders(), 0);
  }

  // Checked when the operator left the field, and only listed afterwards:
  // the commit goes on to the order's own check (which fails here, armed).
  fresh();
  {
    zpgui::MessageLog setup;
    globalCallReady();
    const std::size_t before = setup.Shown().size();
    desk->findChild<TfrmeAgenterInfo*>()->edRegNbrExit();
    ASSERT_EQ(setup.Shown().size(), before) << "the document passes";
  }
  zp::store::loadFixtures(*backend->db, R"({"black_list": [{"reg_type": 1, "reg_nbr": "33010219800101123X",
      "list_type": 1, "reason": "测试"}]})");
  armEveryCommitCall();
  zpgui::MessageLog messages;
  commit();
  ASSERT_FALSE(messages.Shown().empty());
  EXPECT_NE(messages.Shown()[0], black);
  EXPECT_NE(messages.Shown()[0].text.find("后台暂时不可用"), std::string::npos) << messages.Shown()[0].text;
  EXPECT_EQ(text("edRegNbr", "FAgenterInfo"), "33010219800101123X");
}

// An agent the order could not carry, or a text it could not send, is
// refused before anything is asked of the back end, and the operator is
// put in the very field (the customer and user frames have fields of the
// same names as the agent's); put right, the order goes in with what he
// typed.
TEST_F(Commit, AnAgentOrTextTheOrderCouldNotCarryIsRefusedInItsOwnField) {
  const struct {
    const char* name;
    std::function<void(Commit&)> spoil;
    GUIMessage told;
    const char* tab;
    const char* frame;  // the field's frame or page
    const char* focus;
  } cases[] = {
      {"no agent document number",
       [](Commit& t) { t.at<QLineEdit>("edRegNbr", "FAgenterInfo").clear(); },
       {"请输入经办人证件号码！", "提示", 64}, "tabAgent", "FAgenterInfo", "edRegNbr"},
      {"a document type typed by hand",
       [](Commit& t) { t.at<QComboBox>("cmbRegType", "FAgenterInfo").setEditText("护照"); },
       {"请选择经办人证件类型！", "提示", 64}, "tabAgent", "FAgenterInfo", "cmbRegType"},
      {"the customer's document type missing from the list",
       [](Commit& t) { t.at<QComboBox>("cmbRegType", "FAgenterInfo").setCurrentIndex(-1); },
       {"请选择经办人证件类型！", "提示", 64}, "tabAgent", "FAgenterInfo", "cmbRegType"},
      {"a name character without a GBK code",
       [](Commit& t) { t.at<QLineEdit>("edSoMen", "FAgenterInfo").setText("刘䶮"); },
       {"经办人中的字符\"䶮\"系统无法保存,请改用其他字或写法后再提交！", "提示", 64}, "tabAgent", "FAgenterInfo",
       "edSoMen"},
      {"the agent's remark",
       [](Commit& t) { t.at<QLineEdit>("edRemark", "FAgenterInfo").setText("代办\U0001F600"); },
       {"经办人备注中的字符\"\U0001F600\"系统无法保存,请改用其他字或写法后再提交！", "提示", 64}, "tabAgent",
       "FAgenterInfo", "edRemark"},
      {"an agent's phone longer than the receipt's box for it",
       [](Commit& t) { t.at<QLineEdit>("edLinkPhone", "FAgenterInfo").setText("0571-87654321-8001-13912345678"); },
       {"联系电话最多25位,回执上打印不下更长的号码,请只填写一个号码！", "提示", 64}, "tabAgent", "FAgenterInfo",
       "edLinkPhone"},
      {"the order's remark",
       [](Commit& t) { t.at<QLineEdit>("edGcallRemark").setText("出差₩"); },
       {"备注中的字符\"₩\"系统无法保存,请改用其他字或写法后再提交！", "提示", 64}, "tabUserSvr", "gbGlobalInfo",
       "edGcallRemark"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fresh();
    {
      zpgui::MessageLog setup;
      globalCallReady();
    }
    c.spoil(*this);
    at<QTabWidget>("pcInfo").setCurrentIndex(0);
    {
      auto checks = tapChecks();
      zpgui::MessageLog messages({kNo, kNo, kYes});
      zpgui::ModalScript fees;
      fees.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOK")->click(); });
      commit();
      EXPECT_EQ(messages.Shown(), Messages{c.told});
      EXPECT_EQ(checks.Count(), 0u) << "refused before the check call";
      EXPECT_TRUE(fees.Shown().empty());
    }
    EXPECT_EQ(orders(), 0);
    EXPECT_EQ(at<QTabWidget>("pcInfo").currentWidget()->objectName().toStdString(), c.tab);
    QWidget* focused = desk->focusWidget();
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->objectName().toStdString(), c.focus);
    EXPECT_TRUE(at<QWidget>(c.frame).isAncestorOf(focused)) << "focus on the field of the " << c.frame;
  }

  // The document type chosen again and the name written another way, the
  // order goes in with its agent as the frame shows him.
  fresh();
  {
    zpgui::MessageLog setup;
    globalCallReady();
  }
  at<QComboBox>("cmbRegType", "FAgenterInfo").setEditText("护照");
  at<QLineEdit>("edSoMen", "FAgenterInfo").setText("刘䶮");
  {
    zpgui::MessageLog refused;
    commit();
    ASSERT_EQ(refused.Shown().size(), 1u);
  }
  at<QComboBox>("cmbRegType", "FAgenterInfo").setCurrentIndex(0);
  {
    zpgui::MessageLog refused;
    commit();
    ASSERT_EQ(refused.Shown().size(), 1u);
    EXPECT_EQ(refused.Shown()[0].text.rfind("经办人中的字符", 0), 0u);
  }
  at<QLineEdit>("edSoMen", "FAgenterInfo").setText("刘岩");
  zpgui::MessageLog answers({kNo, kNo, kYes});  // no receipt, no invoice, continue
  zpgui::ModalScript fees;
  fees.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOK")->click(); });
  commit();
  EXPECT_EQ(answers.AnswersLeft(), 0u);
  EXPECT_EQ(orders(), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order_line WHERE kind = 'agent' AND item_text = '刘岩'"), 1);
}

// After each failure the operator finds his order as he left it and the
// next commit goes through with it; nothing was stored in between.
TEST_F(Commit, EveryFailureLeavesTheInputAndTheRetrySubmitsIt) {
  enum Failure { checkCall, checkFinding, pricing, feeCancelled, submission };
  const struct {
    const char* name;
    Failure failure;
    const char* toldContains;
  } cases[] = {
      {"the check call fails", checkCall, "后台暂时不可用"},
      {"the check refuses", checkFinding, "营业厅临时停办"},
      {"pricing fails", pricing, "后台暂时不可用"},
      {"the fee dialog is cancelled", feeCancelled, nullptr},
      {"the submission fails", submission, "后台暂时不可用"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fresh();
    {
      zpgui::MessageLog setup;
      globalCallReady();
    }
    auto real = realService();
    auto refuse = std::make_shared<bool>(c.failure == checkFinding);
    Wiretap<MVasDesk::SSoUserServiceIn, MPublicDef::SCheckSoOut> checks(
        *backend->dispatcher, MVasDesk::IVasDesk_check_so,
        [real, refuse](const MVasDesk::SSoUserServiceIn& in, MPublicDef::SCheckSoOut& out, CBSErrorMsg& err) {
          if (!*refuse) return real->check_so(in, out, err);
          MPublicDef::SCheckOut finding;
          finding.set_CHECKOUT(12);
          finding.set_CHECKDESC("营业厅临时停办");
          out.set_VALID_COUNT(1);
          out.set_CHECKDATALIST({finding});
          return std::int32_t{0};
        });
    if (c.failure == checkCall) backend->fail(MVasDesk::IVasDesk_check_so, kFault);
    if (c.failure == pricing) backend->fail(MBusiPublic::IBusiCatalogue_get_soFee, kFault);
    if (c.failure == submission) backend->fail(MVasDesk::IVasDesk_so_userService, kFault);
    {
      zpgui::MessageLog messages;
      zpgui::ModalScript fees;
      fees.Then([&](QDialog& d) {
        d.findChild<QPushButton*>(c.failure == feeCancelled ? "btnCancel" : "btnOK")->click();
      });
      commit();
      if (c.toldContains) {
        ASSERT_EQ(messages.Shown().size(), 1u);
        EXPECT_NE(messages.Shown()[0].text.find(c.toldContains), std::string::npos) << messages.Shown()[0].text;
      } else {
        EXPECT_TRUE(messages.Shown().empty());
      }
      const bool reachedFees = c.failure == feeCancelled || c.failure == submission;
      EXPECT_EQ(fees.Shown().size(), reachedFees ? 1u : 0u);
    }
    EXPECT_EQ(orders(), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order_line"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 601"), 0);
    // The input as the operator left it, and the number still his.
    EXPECT_EQ(text("edIsdn"), "55100000");
    EXPECT_EQ(desk->reservedNumber(), "55100000");
    EXPECT_EQ(text("edGcallRemark"), "商务出差");
    EXPECT_EQ(text("edSoMen", "FAgenterInfo"), "钱一");
    EXPECT_EQ(text("edRegNbr", "FAgenterInfo"), "33010219800101123X");
    EXPECT_EQ(proms().CountActiveProms(), 1);
    EXPECT_TRUE(at<QRadioButton>("radBtnOpen").isChecked());
    EXPECT_TRUE(at<QPushButton>("btnCommit").isEnabled());
    EXPECT_TRUE(serviceTabShown());
    EXPECT_EQ(count("SELECT COUNT(*) FROM zp_res_number WHERE res_id = '55100000' AND sts = 2 AND op_id = 11"), 1);

    // Put right, the same input commits.
    backend->dispatcher->clear_faults();
    *refuse = false;
    zpgui::MessageLog answers({kNo, kNo, kYes});  // no receipt, no invoice, continue
    zpgui::ModalScript fees;
    fees.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOK")->click(); });
    commit();
    EXPECT_EQ(answers.Unanswered(), 0);
    EXPECT_EQ(answers.AnswersLeft(), 0u) << ::testing::PrintToString(answers.Shown());
    ASSERT_EQ(orders(), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order WHERE busi_code = 1302 AND serv_id = 601 AND op_id = 11 AND "
                    "region_code = 571 AND county_code = 3 AND org_id = 5710301 AND so_region_code = 571 AND "
                    "so_county_code = 1 AND so_org_id = 110 AND after_flag = 0"),
              1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order_line WHERE kind = 'service' AND act_type = 1 AND item_id = 101 "
                    "AND item_text = '55100000'"),
              1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order_line WHERE kind = 'promotion' AND act_type = 1 AND item_id = 2101"),
              1);
    EXPECT_EQ(count("SELECT SUM(amount) FROM zp_order_line WHERE kind = 'fee'"), 500);
    EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order_line WHERE kind = 'agent' AND item_text = '钱一'"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 601 AND busi_type = 101 AND "
                    "res_id = '55100000' AND remark = '商务出差'"),
              1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM zp_res_number WHERE res_id = '55100000' AND sts = 3 AND serv_id = 601"), 1);
  }
}

// The fees of an attempt whose submission failed are not the order's any
// more: priced anew at nothing, the order goes in without them.
TEST_F(Commit, FeesOfAFailedAttemptDoNotTravelInTheNext) {
  {
    zpgui::MessageLog setup;
    globalCallReady();
  }
  backend->fail(MVasDesk::IVasDesk_so_userService, kFault);
  {
    zpgui::MessageLog messages;
    zpgui::ModalScript fees;
    fees.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOK")->click(); });
    commit();
    ASSERT_EQ(fees.Shown().size(), 1u);
    ASSERT_EQ(messages.Shown().size(), 1u) << ::testing::PrintToString(messages.Shown());
  }
  backend->dispatcher->clear_faults();
  backend->db->transact(zp::store::Database::Intent::write,
                        [](soci::session& sql) { sql << "UPDATE zp_fee_flag SET flag = 0 WHERE busi_code = 1302"; });
  zpgui::MessageLog answers({kNo, kYes});  // no receipt, continue (no invoice lines)
  zpgui::ModalScript none;
  commit();
  EXPECT_TRUE(none.Shown().empty());
  ASSERT_EQ(orders(), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order_line WHERE kind = 'fee'"), 0);
  EXPECT_EQ(answers.Unanswered(), 0);
}

// The reason of a discount is typed after the commit's checks of the page:
// one with a character GBK has no code for is refused in the discount
// dialog, not by a submission that fails once the fees were collected.
TEST_F(Commit, ADiscountReasonTheOrderCannotCarryIsRefusedWhereItIsTyped) {
  {
    zpgui::MessageLog setup;
    globalCallReady();
  }
  zpgui::MessageLog answers({kNo, kNo, kYes});  // no receipt, no invoice, continue
  zpgui::ModalScript dialogs;
  dialogs.Then([](QDialog& fees) {
    auto* list = fees.findChild<QTreeWidget*>("lvSoFeeInfo");
    QTreeWidgetItem* row = list->topLevelItem(0);
    list->setCurrentItem(row);
    emit list->itemDoubleClicked(row, 1);
    EXPECT_EQ(fees.findChild<QLineEdit*>("edRealFee")->text(), "3.00");
    fees.findChild<QPushButton*>("btnOK")->click();
  });
  Messages refused;
  bool stayedOpen = false;
  bool focusOnReason = false;
  dialogs.Then([&](QDialog& discount) {
    auto* reason = discount.findChild<QLineEdit*>("edRemark");
    discount.findChild<QLineEdit*>("edDiscount")->setText("2");
    reason->setText("客户\U00020BB7先生投诉");
    discount.findChild<QPushButton*>("btnOK")->click();
    refused = answers.Shown();
    stayedOpen = discount.isVisible();
    focusOnReason = discount.focusWidget() == reason;
    if (!stayedOpen) return;
    reason->setText("客户吉先生投诉");
    discount.findChild<QPushButton*>("btnOK")->click();
  });
  commit();
  EXPECT_EQ(dialogs.Unexpected(), 0);
  EXPECT_EQ(refused, (Messages{{"优惠原因中的字符\"\U00020BB7\"系统无法保存,请改用其他字或写法后再确定！", "提示", 64}}));
  EXPECT_TRUE(stayedOpen);
  EXPECT_TRUE(focusOnReason);
  EXPECT_EQ(answers.AnswersLeft(), 0u) << ::testing::PrintToString(answers.Shown());
  ASSERT_EQ(orders(), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order_line WHERE kind = 'fee' AND item_id = 103 AND amount = 500"), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order_line WHERE kind = 'fee' AND item_id = 302 AND amount = -200 AND "
                  "item_text = '客户吉先生投诉'"),
            1);
  EXPECT_EQ(count("SELECT SUM(amount) FROM zp_order_line WHERE kind = 'fee'"), 300);
}

// A change in which neither frame changes anything stops after the wait
// box, before the check.
TEST_F(Commit, AChangeThatChangesNothingIsRefused) {
  {
    zpgui::MessageLog setup;
    start();
    choose(5);
    query("13900000602");
    at<QRadioButton>("radBtnMod").setChecked(true);
  }
  ASSERT_EQ(proms().CountActiveProms(), 1) << "the subscriber's own promotion, kept";
  armEveryCommitCall();
  zpgui::MessageLog messages;
  zpgui::WaitBoxLog waits;
  commit();
  EXPECT_EQ(messages.Shown(), (Messages{{"促销和产品都不做变动!请修改再提交", "异常", 16}}));
  ASSERT_FALSE(waits.Events().empty());
  EXPECT_EQ(waits.Events().front(), "+处理中，请稍侯...");
  EXPECT_TRUE(waits.Balanced());
  EXPECT_EQ(orders(), 0);
  EXPECT_TRUE(at<QRadioButton>("radBtnMod").isChecked());
}

// Cancelling Global Call is not priced: neither the pricing nor the fee
// dialog happens; the number goes back to the pool, the promotion ends.
TEST_F(Commit, ABusinessWithoutFeesSkipsPricingAndTheDialog) {
  {
    zpgui::MessageLog setup;
    start();
    query("13900000602");
    ASSERT_TRUE(at<QRadioButton>("radBtnClose").isChecked());
  }
  backend->fail(MBusiPublic::IBusiCatalogue_get_soFee, kFault);
  zpgui::MessageLog answers({kNo, kYes});
  zpgui::WaitBoxLog waits;
  zpgui::ModalScript none;
  commit();
  EXPECT_TRUE(none.Shown().empty());
  EXPECT_EQ(answers.Unanswered(), 0);
  for (const std::string& e : waits.Events()) EXPECT_NE(e, "+正在计算受理费用");
  ASSERT_EQ(orders(), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order WHERE busi_code = 1303 AND serv_id = 602"), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order_line WHERE kind = 'service' AND act_type = 3 AND "
                  "item_text = '55000002'"),
            1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order_line WHERE kind = 'promotion' AND act_type = 3 AND item_id = 2101"),
            1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order_line WHERE kind = 'fee'"), 0);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 602 AND busi_type = 101"), 0);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_res_number WHERE res_id = '55000002' AND sts = 1 AND serv_id = 0"), 1);
}

// A back-dated order is its own customer's: once it is in, the workspace
// the next customer finds is not back-dated, and neither is his order.
TEST_F(Commit, TheNextCustomersOrderIsNotBackDatedLikeTheLast) {
  {
    zpgui::MessageLog setup;
    globalCallReady();
  }
  {
    zpgui::ModalScript backDate;
    backDate.Then([](QDialog& d) {
      static_cast<TfrmAfterInfo&>(d).SetAfterDate(CBSDateTime::make(2026, 12, 8));
      d.findChild<QPushButton*>("btnOk")->click();
    });
    at<QCheckBox>("chkAfterFlag").click();
    ASSERT_EQ(desk->afterFlag(), 1);
    zpgui::MessageLog answers({kNo, kNo, kYes});  // no receipt, no invoice, continue
    zpgui::ModalScript fees;
    fees.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOK")->click(); });
    commit();
    ASSERT_EQ(answers.AnswersLeft(), 0u);
  }
  ASSERT_EQ(count("SELECT COUNT(*) FROM zp_order WHERE serv_id = 601 AND after_flag = 1"), 1);
  EXPECT_FALSE(at<QCheckBox>("chkAfterFlag").isChecked());

  {
    zpgui::MessageLog setup;
    query("13900000602");
    ASSERT_TRUE(at<QRadioButton>("radBtnClose").isChecked());
  }
  EXPECT_FALSE(at<QCheckBox>("chkAfterFlag").isChecked());
  zpgui::MessageLog answers({kNo, kYes});  // no receipt, continue: nothing priced
  commit();
  EXPECT_EQ(answers.AnswersLeft(), 0u);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order WHERE serv_id = 602 AND after_flag = 0 AND after_date = 0"), 1);
}

// Priced, but at nothing: no dialog, and the order goes in without fees.
TEST_F(Commit, APricingWithoutItemsSkipsTheDialog) {
  backend->db->transact(zp::store::Database::Intent::write,
                        [](soci::session& sql) { sql << "DELETE FROM zp_fee_rule WHERE busi_code = 1302"; });
  {
    zpgui::MessageLog setup;
    globalCallReady();
  }
  zpgui::MessageLog answers({kNo, kYes});  // no receipt, continue: no invoice lines
  zpgui::WaitBoxLog waits;
  zpgui::ModalScript none;
  commit();
  EXPECT_TRUE(none.Shown().empty());
  EXPECT_EQ(answers.Unanswered(), 0);
  EXPECT_NE(std::find(waits.Events().begin(), waits.Events().end(), "+正在计算受理费用"), waits.Events().end())
      << "priced all the same";
  ASSERT_EQ(orders(), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order_line WHERE kind = 'fee'"), 0);
}

// Whether fees are calculated is asked for the subscriber, not for the
// operator: 603 lives in region 572 as a user of type 2, and opening Global
// Call is priced everywhere but for such users there. Asked with the
// operator's region 571, or without the user type, the order would be
// priced and its fees refused by the back end.
TEST_F(Commit, WhetherFeesAreCalculatedIsAskedForTheSubscribersRegionAndUserType) {
  zp::store::loadFixtures(*backend->db, R"({
      "operator_rights": [{"op_id": 11, "ent_id": 49990}],
      "customers": [{"cust_id": 63, "cust_name": "李三", "reg_type": 1, "reg_nbr": "330102198503031230", "region_code": 572}],
      "accounts": [{"acct_id": 73, "cust_id": 63}],
      "users": [{"serv_id": 603, "phone_id": "13900000603", "cust_id": 63, "acct_id": 73, "region_code": 572,
                 "county_code": 3, "org_id": 5720301, "plan_id": 101, "brand": 1, "user_type": 2}],
      "sys_params": [{"region_code": 572, "para_name": "PromPopedomValid", "para_value": "0@0"}],
      "fee_flags": [{"busi_code": 1302, "region_code": 572, "user_type": 2, "flag": 0}]})");
  {
    zpgui::MessageLog setup;
    start();
    query("13900000603");
    ASSERT_TRUE(at<QRadioButton>("radBtnOpen").isChecked());
    pickNumber();
    ASSERT_EQ(text("edIsdn"), "55100000");
    ASSERT_EQ(proms().CountActiveProms(), 1);
  }
  zpgui::MessageLog answers({kNo, kYes});  // no receipt, continue: no invoice lines
  zpgui::ModalScript none;
  commit();
  EXPECT_TRUE(none.Shown().empty()) << "the fee dialog was shown";
  EXPECT_EQ(answers.Unanswered(), 0) << ::testing::PrintToString(answers.Shown());
  ASSERT_EQ(count("SELECT COUNT(*) FROM zp_order WHERE busi_code = 1302 AND serv_id = 603"), 1)
      << ::testing::PrintToString(answers.Shown());
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order_line WHERE kind = 'fee'"), 0);
}

// Cancelling GPS takes every current product: two delete lines under type
// 102, as the server received them, and the products are gone.
TEST_F(Commit, CancellingGpsDeletesEveryCurrentProduct) {
  {
    zpgui::MessageLog setup;
    start();
    choose(102);
    query("13900000602");
    ASSERT_TRUE(at<QRadioButton>("radBtnClose").isChecked());
  }
  auto submitted = tapSubmissions();
  zpgui::MessageLog answers({kNo, kYes});
  commit();
  EXPECT_EQ(answers.Unanswered(), 0);
  ASSERT_EQ(submitted.Count(), 1u);
  const auto& lines = submitted.Last().get_MSCFUNCOPERLIST();
  ASSERT_EQ(lines.size(), 2u);
  const int prods[] = {3201, 3202}, services[] = {1102, 1103};
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(lines[i].get_ACT_TYPE(), 3);
    EXPECT_EQ(lines[i].get_BUSI_TYPE(), 102);
    EXPECT_EQ(lines[i].get_PROD_ID(), prods[i]);
    EXPECT_EQ(lines[i].get_SERVICE_ID(), services[i]);
    EXPECT_EQ(lines[i].get_SERV_ID(), 602);
    EXPECT_EQ(lines[i].get_REGION_CODE(), 571);
    EXPECT_EQ(lines[i].get_OPER_TYPE(), 1);
  }
  EXPECT_EQ(submitted.Last().get_USERSERVICEOPERLIST().at(0).get_ACT_TYPE(), 3);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order WHERE busi_code = 1305"), 1);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_order_line WHERE kind = 'product' AND act_type = 3"), 2);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_user_product WHERE serv_id = 602"), 0);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 602 AND busi_type = 102"), 0);
  EXPECT_EQ(count("SELECT COUNT(*) FROM zp_special_data WHERE serv_id = 602 AND busi_type = 102"), 0);
}

// Once the order is in the workspace is reset; the closing question's No
// closes it, Yes keeps it for the next subscriber.
TEST_F(Commit, AfterTheOrderTheWorkspaceIsResetAndAsks) {
  for (const int answer : {kYes, kNo}) {
    SCOPED_TRACE(answer);
    fresh();
    {
      zpgui::MessageLog setup;
      globalCallReady();
    }
    zpgui::MessageLog answers({kNo, kNo, answer});
    zpgui::ModalScript fees;
    fees.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOK")->click(); });
    commit();
    ASSERT_EQ(answers.Shown().size(), 3u) << ::testing::PrintToString(answers.Shown());
    const GUIMessage& last = answers.Shown().back();
    EXPECT_EQ(last.caption, "提示");
    EXPECT_EQ(last.flags, 52);
    EXPECT_EQ(last.text.rfind("恭喜你,\n[", 0), 0u) << last.text;
    EXPECT_NE(last.text.find("]\n[是否继续此业务,...]"), std::string::npos) << last.text;
    EXPECT_EQ(orders(), 1);
    EXPECT_EQ(text("edIsdn"), "");
    EXPECT_EQ(text("edGcallRemark"), "");
    EXPECT_EQ(desk->reservedNumber(), "");
    EXPECT_EQ(proms().CountActiveProms(), 0);
    EXPECT_FALSE(at<QPushButton>("btnCommit").isEnabled());
    EXPECT_FALSE(serviceTabShown());
    QPointer<TfrmVasDesk> window = desk.get();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (answer == kNo) {
      EXPECT_TRUE(window.isNull()) << "closed, the window frees itself";
      if (window.isNull()) desk.release();
    } else {
      EXPECT_TRUE(desk->isVisible());
    }
  }
}

// A paper given up after the submission still resets the workspace: the
// order is in, and must not stay on screen to be submitted again.
TEST_F(Commit, APaperGivenUpStillResetsTheWorkspace) {
  {
    zpgui::MessageLog setup;
    globalCallReady();
  }
  backend->fail(MBusiPublic::IBusiPrint_get_soVoucher, kFault);
  backend->fail(MBusiPublic::IBusiPrint_get_soInvoice, kFault);
  zpgui::MessageLog answers({kYes, kNo, kNo});  // the receipt; not again; no invoice
  zpgui::ModalScript fees;
  fees.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOK")->click(); });
  commit();
  EXPECT_EQ(answers.Unanswered(), 0);
  ASSERT_EQ(answers.Shown().size(), 3u);
  EXPECT_EQ(answers.Shown()[1].text.rfind("业务已受理成功,业务流水号[", 0), 0u) << answers.Shown()[1].text;
  EXPECT_EQ(answers.Shown()[2].text, "是否打印发票!");
  EXPECT_EQ(orders(), 1);
  EXPECT_EQ(text("edIsdn"), "");
  EXPECT_FALSE(at<QPushButton>("btnCommit").isEnabled());
  EXPECT_TRUE(desk->isVisible());

  // Nothing is left to submit, whichever way the commit comes.
  zpgui::MessageLog again;
  desk->actCommitExecute();
  EXPECT_EQ(again.Shown(), (Messages{{"请先查询用户并选择操作类型（开通、取消或变更）！", "提示", 64}}));
  EXPECT_EQ(orders(), 1);
}

// The promotions and products change only with an operation that changes
// them (open, change): for a cancellation, and while no operation is chosen,
// the frames' buttons stay locked whatever the lists hold, the keys do or
// the frames load; a promotion added there would be left out of the order
// without a word.
TEST_F(Commit, TheOfferFramesChangeOnlyUnderAnOperationThatChangesThem) {
  zpgui::MessageLog messages;  // the region has no product permission setting: said at each load
  start();
  const auto buttons = [&] {
    std::vector<std::string> on;
    for (QWidget* frame : {static_cast<QWidget*>(desk->findChild<TfrmePromInfo*>()),
                           static_cast<QWidget*>(desk->findChild<TframeBusiProduct*>())})
      for (QPushButton* b : frame->findChildren<QPushButton*>())
        if (b->isEnabled()) on.push_back(frame->objectName().toStdString() + "." + b->objectName().toStdString());
    std::sort(on.begin(), on.end());
    return on;
  };
  using Names = std::vector<std::string>;
  const std::string prom = desk->findChild<TfrmePromInfo*>()->objectName().toStdString();
  const std::string prod = desk->findChild<TframeBusiProduct*>()->objectName().toStdString();
  EXPECT_EQ(buttons(), Names{}) << "no customer yet";

  // Cancelling GPS, whose two products are listed.
  choose(102);
  query("13900000602");
  ASSERT_TRUE(at<QRadioButton>("radBtnClose").isChecked());
  auto& products = *desk->findChild<TframeBusiProduct*>()->findChild<QTreeWidget*>("lstvBusiProduct");
  ASSERT_EQ(products.topLevelItemCount(), 2);
  EXPECT_EQ(buttons(), Names{});
  QTest::keyClick(&products, Qt::Key_Down);
  QTest::keyClick(&products, Qt::Key_Up);
  EXPECT_EQ(buttons(), Names{}) << "moving through the list offers no delete";
  {
    zpgui::ModalScript none;  // no promotion dialog may open
    desk->findChild<TfrmePromInfo*>()->findChild<QPushButton*>("btnAdd")->click();
    EXPECT_EQ(none.Unexpected(), 0);
  }

  // GPRS, cancelled or changed: the change opens the frames, the cancellation locks them again.
  choose(5);
  query("13900000602");
  ASSERT_TRUE(at<QRadioButton>("radBtnClose").isChecked());
  EXPECT_EQ(buttons(), Names{});
  at<QRadioButton>("radBtnMod").click();
  // GPRS has a promotion of its own and no product.
  EXPECT_EQ(buttons(), (Names{prod + ".btnAdd", prom + ".btnAdd", prom + ".btnDelete", prom + ".btnModify"}));
  at<QRadioButton>("radBtnClose").click();
  EXPECT_EQ(buttons(), Names{});

  // Opening Global Call: promotions may be added; then a number nobody has.
  choose(101);
  query("13900000601");
  ASSERT_TRUE(at<QRadioButton>("radBtnOpen").isChecked());
  const Names opening = buttons();
  EXPECT_NE(std::find(opening.begin(), opening.end(), prom + ".btnAdd"), opening.end());
  {
    zpgui::MessageLog refused;
    query("13900000699");
    EXPECT_FALSE(refused.Shown().empty());
  }
  EXPECT_EQ(buttons(), Names{}) << "the reset workspace";
}

// The submission's reply is lost after the server committed the order: the
// workspace says it is confirming, the facade asks again under the order's
// key and gets the stored order's reply, and the papers of that one order
// print once each; nothing is left unknown.
TEST_F(Commit, AReplyLostAfterTheCommitIsConfirmedAndThePapersPrintOnce) {
  QTemporaryDir run, pdf, data;
  const zp::testing::ScopedEnv runPath("ZP_RUN_PATH", run.path().toStdString());
  const zp::testing::ScopedEnv dataHome("XDG_DATA_HOME", data.path().toStdString());
  std::filesystem::create_directory_symlink(PRINT_DIR, run.path().toStdString() + "/print");
  ASSERT_TRUE(SetDefaultPrinterName("PDF:" + pdf.path().toStdString()));
  {
    zpgui::MessageLog setup;
    globalCallReady();
  }
  desk->orderFacade().SetConfirmRetries(3, std::chrono::milliseconds(0));
  backend->fail(MVasDesk::IVasDesk_so_userService, zp::testing::lostReply(1));
  zpgui::WaitBoxLog boxes;
  // The receipt, it came out right, the invoice, and stay for the next one.
  zpgui::MessageLog answers({kYes, kYes, kYes, kYes});
  zpgui::ModalScript fees;
  fees.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOK")->click(); });
  commit();
  EXPECT_EQ(answers.Unanswered(), 0);
  ASSERT_EQ(answers.Shown().size(), 4u) << ::testing::PrintToString(answers.Shown());
  EXPECT_EQ(answers.Shown()[0].text, "是否打印回执...!");
  EXPECT_EQ(answers.Shown()[2].text, "是否打印发票!");
  EXPECT_EQ(answers.Shown()[3].text.rfind("恭喜你,\n[业务受理成功,业务流水号:", 0), 0u) << answers.Shown()[3].text;
  EXPECT_NE(std::find(boxes.Events().begin(), boxes.Events().end(), "+提交结果未知，正在确认..."),
            boxes.Events().end());
  EXPECT_EQ(orders(), 1);
  EXPECT_EQ(QDir(pdf.path()).entryList({"*.pdf"}, QDir::Files).size(), 2);  // a receipt and an invoice
  EXPECT_EQ(count("SELECT print_count FROM zp_order"), 1);
  EXPECT_TRUE(UnknownSubmissions(11).List().empty());
  EXPECT_EQ(text("edIsdn"), "");  // reset: nothing left to submit again
}

// The number of an order whose outcome is unknown may be in the back end's
// order already: turning to the next customer leaves it where it is rather
// than asking to give back a number the operator may no longer hold.
TEST_F(Commit, TheNumberOfAnOrderWhoseOutcomeIsUnknownIsNotGivenBack) {
  QTemporaryDir data;
  const zp::testing::ScopedEnv dataHome("XDG_DATA_HOME", data.path().toStdString());
  // The ways the workspace moves on from the order: the next customer's
  // query, the workspace closed (by its close box, or the host quitting).
  const std::vector<std::pair<const char*, std::function<void(Commit&)>>> leavings{
      {"the next query", [](Commit& t) { t.query("13900000602"); }},
      {"closing", [](Commit& t) { t.desk->close(); }},
      {"the host quitting", [](Commit& t) { t.desk.reset(); }},
      // Another number for the same customer: the one held is let go, not
      // given back (the server would refuse, the number being the order's).
      {"another number picked", [](Commit& t) { t.pickNumber(); }},
  };
  for (const auto& [how, leave] : leavings) {
    SCOPED_TRACE(how);
    fresh();
    commitWithRepliesLost();
    ASSERT_EQ(orders(), 1);
    ASSERT_EQ(UnknownSubmissions(11).List().size(), 1u);
    backend->dispatcher->clear_faults();

    auto signs = tapSignRes();
    zpgui::MessageLog next;
    leave(*this);
    for (const GUIMessage& m : next.Shown()) EXPECT_EQ(m.text.find("释放号码"), std::string::npos) << m.text;
    const bool picked = std::string(how) == "another number picked";
    ASSERT_EQ(signs.Count(), picked ? 1u : 0u);
    if (picked) {
      EXPECT_EQ(signs.Last().get_ACT_TYPE(), 1) << "a reservation, no release";
      EXPECT_EQ(signs.Last().get_RES_ID(), "55100001");
      EXPECT_EQ(text("edIsdn"), "55100001");
    }
    EXPECT_EQ(count("SELECT COUNT(*) FROM zp_res_number WHERE res_id = '55100000' AND sts = 3 AND serv_id = 601"), 1);
    ASSERT_TRUE(std::filesystem::remove(UnknownSubmissions(11).Path()));  // the next case's list starts empty
  }
}

// Only the number of the order whose outcome is unknown stays where it is.
// A number picked afterwards for an order that is then not submitted is
// given back when the clerk moves on, as any such number: kept, each
// customer who walked away would hold one of the operator's few numbers
// out of the pool until its lease ran out.
TEST_F(Commit, ANumberPickedAfterAnUnknownOutcomeIsGivenBackWhenNotSubmitted) {
  QTemporaryDir data;
  const zp::testing::ScopedEnv dataHome("XDG_DATA_HOME", data.path().toStdString());
  {
    zpgui::MessageLog setup;
    globalCallReady();
  }
  desk->orderFacade().SetConfirmRetries(1, std::chrono::milliseconds(0));
  backend->fail(MVasDesk::IVasDesk_so_userService, zp::testing::lostRequest());
  {
    zpgui::MessageLog answers({kNo});  // stop confirming
    zpgui::ModalScript fees;
    fees.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOK")->click(); });
    commit();
  }
  backend->dispatcher->clear_faults();
  ASSERT_FALSE(desk->orderFacade().PendingSubmissionKey().empty());
  const auto status = [this](const char* number) {
    return count(std::string("SELECT sts FROM zp_res_number WHERE res_id = '") + number + "'");
  };
  ASSERT_EQ(status("55100000"), 2);

  {
    zpgui::MessageLog again;
    query("13900000601");
    pickNumber();
  }
  ASSERT_EQ(text("edIsdn"), "55100001");
  zpgui::MessageLog leaving;
  query("13900000602");  // the customer walked away
  for (const GUIMessage& m : leaving.Shown()) EXPECT_EQ(m.text.find("释放号码"), std::string::npos) << m.text;
  EXPECT_EQ(status("55100001"), 1) << "given back";
  EXPECT_EQ(status("55100000"), 2) << "the unknown order's own stays";
  EXPECT_EQ(orders(), 0);
}

// A reservation whose reply was lost and whose confirmation the clerk
// stopped may have been made: the number would stay out of the pool for its
// lease, one of the few this operator may hold, with nothing on the counter
// to give it back. The clerk is told the outcome is unknown, and when the
// workspace moves on the reservation is asked after again under its key and
// the number given back if it was made; the next pick keeps only its own.
TEST_F(Commit, AReservationLeftUnknownIsGivenBackWhenTheWorkspaceMovesOn) {
  QTemporaryDir data;
  const zp::testing::ScopedEnv dataHome("XDG_DATA_HOME", data.path().toStdString());
  const std::vector<std::pair<const char*, std::function<void(Commit&)>>> leavings{
      {"the next pick", [](Commit& t) { t.pickNumber(); }},
      {"the next query", [](Commit& t) { t.query("13900000602"); }},
      {"another business", [](Commit& t) { t.choose(102); }},
      {"closing", [](Commit& t) { t.desk->close(); }},
      {"the host quitting", [](Commit& t) { t.desk.reset(); }},
  };
  const struct {
    const char* name;
    zpd_fault fault;
    bool made;  // the reservation reached the server
  } losses[] = {{"the reply lost", zp::testing::lostReply(), true},
                {"the request lost", zp::testing::lostRequest(), false}};
  const auto held = [this] { return count("SELECT COUNT(*) FROM zp_res_number WHERE sts = 2 AND op_id = 11"); };
  for (const auto& loss : losses)
    for (const auto& [how, leave] : leavings) {
      SCOPED_TRACE(std::string(loss.name) + ", then " + how);
      fresh();
      {
        zpgui::MessageLog setup;
        start();
        query("13900000601");
      }
      desk->orderFacade().SetConfirmRetries(1, std::chrono::milliseconds(0));
      backend->fail(MVasDesk::IVasDesk_do_signRes, loss.fault);
      {
        zpgui::MessageLog told({kNo});  // stop confirming
        pickNumber();
        ASSERT_EQ(told.Shown().size(), 2u) << ::testing::PrintToString(told.Shown());
        EXPECT_EQ(told.Shown()[1].flags, 16);
        EXPECT_EQ(told.Shown()[1].text.rfind("预占号码[55100000]的结果未知", 0), 0u) << told.Shown()[1].text;
        EXPECT_EQ(told.Unanswered(), 0);
      }
      EXPECT_EQ(text("edIsdn"), "");
      ASSERT_EQ(held(), loss.made ? 1 : 0);
      backend->dispatcher->clear_faults();

      auto signs = tapSignRes();
      zpgui::MessageLog next;
      leave(*this);
      for (const GUIMessage& m : next.Shown()) EXPECT_EQ(m.text.find("号码["), std::string::npos) << m.text;
      if (std::string(how) == "the next pick") {
        const std::string picked = desk->reservedNumber();
        ASSERT_FALSE(picked.empty());
        EXPECT_EQ(held(), 1) << "only the number picked now";
        EXPECT_EQ(count("SELECT COUNT(*) FROM zp_res_number WHERE sts = 2 AND op_id = 11 AND res_id = '" + picked + "'"),
                  1);
      } else {
        EXPECT_EQ(held(), 0);
        ASSERT_FALSE(signs.Seen().empty());
        EXPECT_EQ(signs.Last().get_ACT_TYPE(), 2);
        EXPECT_EQ(signs.Last().get_RES_ID(), "55100000");
      }
      EXPECT_EQ(count("SELECT COUNT(*) FROM zp_res_number WHERE res_id = '55100000' AND sts = 1"),
                desk && desk->reservedNumber() == "55100000" ? 0 : 1)
          << "back in the pool";
    }
}

// The list confirms nothing while the papers of an order it finds stored
// could not be printed: such an order leaves the list once confirmed, and
// its papers would be lost with its line.
TEST_F(Commit, TheUnknownListConfirmsNothingWhenItCouldNotPrint) {
  QTemporaryDir data;
  const zp::testing::ScopedEnv dataHome("XDG_DATA_HOME", data.path().toStdString());
  commitWithRepliesLost();
  backend->dispatcher->clear_faults();
  ASSERT_EQ(UnknownSubmissions(11).List().size(), 1u);
  auto confirms = tapSubmissions();
  zpgui::MessageLog told;
  {
    zp::testing::ScopedEnv nowhere("ZP_BROKER_ZEPHYRON", "inproc:nobody-serves-this");
    at<QPushButton>("btnUnknown").click();
  }
  ASSERT_EQ(told.Shown().size(), 1u) << ::testing::PrintToString(told.Shown());
  EXPECT_EQ(told.Shown()[0].flags, 16);
  EXPECT_EQ(told.Shown()[0].text.rfind("营业公共服务初始化出错,现在无法确认结果未知的业务!\n错误[", 0), 0u)
      << told.Shown()[0].text;
  EXPECT_NE(told.Shown()[0].text.find("nobody-serves-this"), std::string::npos) << told.Shown()[0].text;
  EXPECT_EQ(confirms.Count(), 0u) << "nothing was asked";
  EXPECT_EQ(UnknownSubmissions(11).List().size(), 1u);
}

// The operator stops confirming: the workspace keeps the order on screen and
// the outcome is listed as unknown; asked later, the list says what the
// server holds (the order stored, with its number) and forgets it.
TEST_F(Commit, AnOutcomeLeftUnknownIsListedAndConfirmedLater) {
  QTemporaryDir data;
  const zp::testing::ScopedEnv dataHome("XDG_DATA_HOME", data.path().toStdString());
  {
    const Messages answers = commitWithRepliesLost();
    ASSERT_EQ(answers.size(), 2u) << ::testing::PrintToString(answers);
    EXPECT_EQ(answers[1].flags, 16);
    EXPECT_NE(answers[1].text.find("不要重复提交"), std::string::npos);
  }
  EXPECT_EQ(orders(), 1);
  EXPECT_EQ(text("edIsdn"), "55100000");  // the input stays
  ASSERT_EQ(UnknownSubmissions(11).List().size(), 1u);

  backend->dispatcher->clear_faults();
  // The stored order's papers are offered; this operator prints neither.
  zpgui::MessageLog listed({kNo, kNo});
  at<QPushButton>("btnUnknown").click();
  ASSERT_EQ(listed.Shown().size(), 4u) << ::testing::PrintToString(listed.Shown());
  const std::string soNbr = std::to_string(count("SELECT so_nbr FROM zp_order"));
  EXPECT_NE(listed.Shown()[0].text.find("号码13900000601"), std::string::npos) << listed.Shown()[0].text;
  EXPECT_NE(listed.Shown()[0].text.find("已受理,业务流水号" + soNbr), std::string::npos) << listed.Shown()[0].text;
  EXPECT_EQ(listed.Shown()[2].text, "是否打印回执...!");
  EXPECT_EQ(listed.Shown()[3].text, "是否打印发票!");
  EXPECT_EQ(listed.Unanswered(), 0);
  EXPECT_TRUE(UnknownSubmissions(11).List().empty());
  at<QPushButton>("btnUnknown").click();
  ASSERT_EQ(listed.Shown().size(), 5u);
  EXPECT_EQ(listed.Shown()[4].text, "没有结果未知的业务。");
  EXPECT_EQ(orders(), 1);
}

// The clerk left an outcome unknown and commits the order on screen again.
// Were it checked first, an order stored meanwhile would have the check
// refuse it (the business opened, its number in use by that order) and the
// clerk would never learn it was taken. The earlier outcome is settled
// before the check: the same order stored has its papers printed from the
// stored reply, nothing sent again; a changed one is told the earlier one's
// number and not sent; one never stored goes on as a new order.
TEST_F(Commit, AnOrderCommittedAgainAfterAnUnknownOutcomeIsSettledBeforeItsCheck) {
  struct Case {
    const char* name;
    bool stored;         // the lost submission was stored
    const char* remark;  // the remark of the order committed again
  };
  const Case cases[] = {
      {"the same order, stored", true, "商务出差"},
      {"a changed order, stored", true, "商务出差(改)"},
      {"the same order, never stored", false, "商务出差"},
      {"a changed order, never stored", false, "商务出差(改)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir run, pdf, data;
    const zp::testing::ScopedEnv runPath("ZP_RUN_PATH", run.path().toStdString());
    const zp::testing::ScopedEnv dataHome("XDG_DATA_HOME", data.path().toStdString());
    std::filesystem::create_directory_symlink(PRINT_DIR, run.path().toStdString() + "/print");
    ASSERT_TRUE(SetDefaultPrinterName("PDF:" + pdf.path().toStdString()));
    fresh();
    commitWithRepliesLost({}, c.stored ? zp::testing::lostReply() : zp::testing::lostRequest());
    ASSERT_EQ(orders(), c.stored ? 1 : 0);
    ASSERT_EQ(UnknownSubmissions(11).List().size(), 1u);
    backend->dispatcher->clear_faults();
    const long long firstSoNbr = c.stored ? count("SELECT so_nbr FROM zp_order") : 0;

    auto checks = tapChecks();
    auto submissions = tapSubmissions();
    at<QLineEdit>("edGcallRemark").setText(c.remark);
    const bool same = std::string(c.remark) == "商务出差";
    const bool printsPapers = !(c.stored && !same);
    // The papers' questions (receipt, it came out right, invoice), then
    // whether to go on with the business.
    zpgui::MessageLog answers({kYes, kYes, kYes, kYes});
    zpgui::ModalScript fees;
    fees.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOK")->click(); });
    commit();

    // Orders that reached the server with their content (a question under
    // the key alone carries none).
    std::size_t ordersSent = 0;
    for (const auto& in : submissions.Seen())
      ordersSent += zp::testing::Sent(in, MVasDesk::SSoUserServiceIn::kIdx_USERSERVICEOPERLIST) ? 1 : 0;
    EXPECT_EQ(orders(), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 601 AND busi_type = 101"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM zp_res_number WHERE res_id = '55100000' AND sts = 3 AND serv_id = 601"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM zp_res_number WHERE sts <> 1 AND serv_id <> 602"), 1)
        << "one number taken, none left reserved";
    const Messages& shown = answers.Shown();
    if (c.stored) {
      EXPECT_EQ(checks.Count(), 0u) << "the stored order is not checked as a new one";
      EXPECT_EQ(ordersSent, 0u) << "nothing sent again";
      EXPECT_TRUE(fees.Shown().empty()) << "no fees collected again";
      EXPECT_EQ(count("SELECT so_nbr FROM zp_order"), firstSoNbr);
      // The stored one's remark, whatever the screen says now.
      EXPECT_EQ(count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 601 AND remark = '商务出差'"), 1);
    } else {
      EXPECT_EQ(checks.Count(), 1u);
      EXPECT_EQ(ordersSent, 1u);
      EXPECT_EQ(fees.Shown().size(), 1u);
      EXPECT_EQ(count(std::string("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 601 AND remark = '") +
                      c.remark + "'"),
                1);
    }
    const std::string soNbr = std::to_string(count("SELECT so_nbr FROM zp_order"));
    if (printsPapers) {
      ASSERT_EQ(shown.size(), 4u) << ::testing::PrintToString(shown);
      EXPECT_EQ(shown[0].text, "是否打印回执...!");
      EXPECT_EQ(shown[2].text, "是否打印发票!");
      EXPECT_EQ(shown[3].text.rfind("恭喜你,\n[业务受理成功,业务流水号:" + soNbr, 0), 0u) << shown[3].text;
      EXPECT_EQ(QDir(pdf.path()).entryList({"*.pdf"}, QDir::Files).size(), 2);  // a receipt and an invoice
      EXPECT_EQ(count("SELECT print_count FROM zp_order"), 1);
      EXPECT_TRUE(UnknownSubmissions(11).List().empty());
      EXPECT_EQ(text("edIsdn"), "");  // reset: nothing left to submit again
    } else {
      ASSERT_EQ(shown.size(), 1u) << ::testing::PrintToString(shown);
      EXPECT_EQ(shown[0].flags, 16);
      EXPECT_EQ(shown[0].text.rfind("此前结果未知的业务已经受理,业务流水号:" + soNbr + "。\n本次的业务内容与它不同,没有提交。", 0),
                0u)
          << shown[0].text;
      EXPECT_TRUE(QDir(pdf.path()).entryList({"*.pdf"}, QDir::Files).isEmpty());
      // Still listed: its receipt and invoice are printed from there.
      EXPECT_EQ(UnknownSubmissions(11).List().size(), 1u);
      EXPECT_EQ(text("edIsdn"), "55100000");
    }
    EXPECT_EQ(answers.Unanswered(), 0);
  }
}

// Found stored from a list that cannot be written, the order keeps its line
// and would be offered for its papers again: the clerk is told so beside its
// number, before any paper is offered.
TEST_F(Commit, AnOrderFoundStoredThatTheListCannotLetGoIsTold) {
  QTemporaryDir data;
  const zp::testing::ScopedEnv dataHome("XDG_DATA_HOME", data.path().toStdString());
  ASSERT_EQ(commitWithRepliesLost().size(), 2u);
  const std::string path = UnknownSubmissions(11).Path();
  ASSERT_EQ(UnknownSubmissions(11).List().size(), 1u);
  backend->dispatcher->clear_faults();
  namespace fs = std::filesystem;
  // The list's folder may be entered by the other user, not written.
  fs::permissions(data.path().toStdString(),
                  fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec,
                  fs::perm_options::add);
  const fs::path folder = fs::path(path).parent_path();
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  zpgui::MessageLog listed({kNo, kNo});
  {
    const zp::testing::AsAnotherUser user(path);
    at<QPushButton>("btnUnknown").click();
  }
  fs::permissions(folder, fs::perms::owner_all);
  ASSERT_EQ(listed.Shown().size(), 4u) << ::testing::PrintToString(listed.Shown());
  const std::string soNbr = std::to_string(count("SELECT so_nbr FROM zp_order"));
  EXPECT_NE(listed.Shown()[0].text.find("已受理,业务流水号" + soNbr + "\n    它的一行无法从[" + path +
                                        "]中删除,以后再确认它时,请不要重复打印它的回执和发票,并与系统管理员联系\n"),
            std::string::npos)
      << listed.Shown()[0].text;
  EXPECT_EQ(listed.Shown()[2].text, "是否打印回执...!");
  EXPECT_EQ(UnknownSubmissions(11).List().size(), 1u);
  EXPECT_EQ(orders(), 1);
}

// Asked while the operator's sign-in has ended, the server answers before
// it looks at any key: the list says the outcome is still not known and
// why, and keeps the order, which was stored; asked once the operator is
// signed in, it is found stored.
TEST_F(Commit, TheUnknownListTellsAnOutcomeItCouldNotAskAboutAndKeepsIt) {
  QTemporaryDir data;
  const zp::testing::ScopedEnv dataHome("XDG_DATA_HOME", data.path().toStdString());
  commitWithRepliesLost();
  ASSERT_EQ(orders(), 1);
  ASSERT_EQ(UnknownSubmissions(11).List().size(), 1u);
  backend->dispatcher->clear_faults();

  const std::string session = zpd_session();
  zpd_set_session("a-session-the-server-never-opened");
  zpgui::MessageLog ended({kNo, kNo});
  at<QPushButton>("btnUnknown").click();
  zpd_set_session(session);
  ASSERT_EQ(ended.Shown().size(), 1u) << ::testing::PrintToString(ended.Shown());
  const std::string& told = ended.Shown()[0].text;
  EXPECT_NE(told.find("仍然无法确认[营业员登录已结束或无效,请重新登录后再办理],请稍后再试"), std::string::npos) << told;
  EXPECT_EQ(told.find("没有受理"), std::string::npos) << told;
  EXPECT_EQ(UnknownSubmissions(11).List().size(), 1u);

  zpgui::MessageLog signedIn({kNo, kNo});
  at<QPushButton>("btnUnknown").click();
  ASSERT_FALSE(signedIn.Shown().empty());
  EXPECT_NE(signedIn.Shown()[0].text.find("已受理,业务流水号" + std::to_string(count("SELECT so_nbr FROM zp_order"))),
            std::string::npos)
      << signedIn.Shown()[0].text;
  EXPECT_TRUE(UnknownSubmissions(11).List().empty());
  EXPECT_EQ(orders(), 1);
}

// The customer paid for an order whose outcome was left unknown, and the
// counter was closed before anyone asked. Found stored from the list in a
// workspace opened afresh, the order has its receipt and invoice printed
// from what was submitted (this customer, this agent, this order's number)
// and leaves the list.
TEST_F(Commit, AnOrderFoundStoredFromTheListInANewWorkspaceHasItsPapersPrinted) {
  QTemporaryDir run, pdf, data;
  const zp::testing::ScopedEnv runPath("ZP_RUN_PATH", run.path().toStdString());
  const zp::testing::ScopedEnv dataHome("XDG_DATA_HOME", data.path().toStdString());
  std::filesystem::create_directory_symlink(PRINT_DIR, run.path().toStdString() + "/print");
  ASSERT_TRUE(SetDefaultPrinterName("PDF:" + pdf.path().toStdString()));
  // An agent other than the customer, so the receipt shows whose data it took.
  commitWithRepliesLost([this] {
    at<QLineEdit>("edSoMen", "FAgenterInfo").setText("周五");
    at<QLineEdit>("edLinkPhone", "FAgenterInfo").setText("13812345678");
  });
  ASSERT_EQ(orders(), 1);
  ASSERT_EQ(UnknownSubmissions(11).List().size(), 1u);
  EXPECT_EQ(count("SELECT print_count FROM zp_order"), 0);
  {
    zpgui::MessageLog closing;
    desk.reset();
  }
  backend->dispatcher->clear_faults();
  {
    zpgui::MessageLog opening;
    start();
  }

  auto print = std::make_shared<zp::backend::BusiPrintService>(*backend->db);
  Wiretap<MBusiPublic::SPrintVoucherIn, MBusiPublic::SPrintFieldList> vouchers(
      *backend->dispatcher, MBusiPublic::IBusiPrint_get_soVoucher,
      [print](const MBusiPublic::SPrintVoucherIn& in, MBusiPublic::SPrintFieldList& out, CBSErrorMsg& err) {
        return print->get_soVoucher(in, out, err);
      });
  // The receipt, it came out right, the invoice.
  zpgui::MessageLog answers({kYes, kYes, kYes});
  at<QPushButton>("btnUnknown").click();
  EXPECT_EQ(answers.Unanswered(), 0);
  EXPECT_EQ(answers.AnswersLeft(), 0u);
  const std::string soNbr = std::to_string(count("SELECT so_nbr FROM zp_order"));
  ASSERT_GE(answers.Shown().size(), 2u) << ::testing::PrintToString(answers.Shown());
  EXPECT_NE(answers.Shown()[0].text.find("已受理,业务流水号" + soNbr), std::string::npos) << answers.Shown()[0].text;
  EXPECT_EQ(answers.Shown()[1].text,
            "号码13900000601的业务已受理,业务流水号" + soNbr + ",客户已交费,下面打印该业务的回执和发票。");
  ASSERT_EQ(vouchers.Count(), 1u);
  const MBusiPublic::SPrintVoucherIn& receipt = vouchers.Last();
  EXPECT_EQ(std::to_string(receipt.get_SORESULT().get_SO_NBR()), soNbr);
  EXPECT_EQ(receipt.get_PHONE_ID(), "13900000601");
  EXPECT_EQ(receipt.get_CUSTINFO().get_CUST_NAME(), "钱一");
  EXPECT_EQ(receipt.get_AGENT().get_SO_MAN(), "周五");
  EXPECT_EQ(receipt.get_AGENT().get_LINK_PHONE(), "13812345678");
  EXPECT_EQ(receipt.get_VERIFY_MODE(), count("SELECT verify_mode FROM zp_order"));
  EXPECT_EQ(receipt.get_BUSI_CODE(), count("SELECT busi_code FROM zp_order"));
  EXPECT_EQ(receipt.get_SOINFO().get_SO_ORG_ID(), 110) << "the operator's organisation";
  EXPECT_EQ(receipt.get_SOINFO().get_ORG_ID(), 5710301) << "the subscriber's";
  EXPECT_EQ(QDir(pdf.path()).entryList({"*.pdf"}, QDir::Files).size(), 2);  // a receipt and an invoice
  EXPECT_EQ(count("SELECT print_count FROM zp_order"), 1);
  EXPECT_TRUE(UnknownSubmissions(11).List().empty());
  EXPECT_EQ(orders(), 1);
}

// A list with a line that cannot be read is not "empty": the clerk is told
// how many lines are damaged and where the file is, the good lines are
// confirmed, and the damaged one stays in the file for someone to read.
TEST_F(Commit, ADamagedLineOfTheUnknownListIsToldAndKept) {
  QTemporaryDir data;
  const zp::testing::ScopedEnv dataHome("XDG_DATA_HOME", data.path().toStdString());
  {
    zpgui::MessageLog opening;
    start();
  }
  const std::string damaged = "k-torn\t1302\t101\t139000";
  const std::string path = UnknownSubmissions(11).Path();
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path) << damaged << "\n";

  zpgui::MessageLog listed;
  at<QPushButton>("btnUnknown").click();
  ASSERT_EQ(listed.Shown().size(), 1u) << ::testing::PrintToString(listed.Shown());
  EXPECT_NE(listed.Shown()[0].text.find("另有1条记录已损坏,无法确认,已原样保留在[" + path + "]中"), std::string::npos)
      << listed.Shown()[0].text;
  std::ifstream in(path);
  std::string line;
  ASSERT_TRUE(std::getline(in, line));
  EXPECT_EQ(line, damaged);

  // A good line beside it is confirmed and leaves; the damaged one stays.
  UnknownSubmission never;
  never.key = zpd_new_call_key();
  never.busiCode = 1302;
  never.phoneId = "13900000601";
  never.servId = 601;
  never.at = "2024/05/06 10:11:12";
  ASSERT_TRUE(UnknownSubmissions(11).Remember(never));
  at<QPushButton>("btnUnknown").click();
  ASSERT_EQ(listed.Shown().size(), 2u);
  EXPECT_NE(listed.Shown()[1].text.find("标识" + never.key + ": 没有受理"), std::string::npos) << listed.Shown()[1].text;
  EXPECT_TRUE(UnknownSubmissions(11).List().empty());
  EXPECT_EQ(UnknownSubmissions(11).Read().damaged, std::vector<std::string>{damaged});
}

}  // namespace
