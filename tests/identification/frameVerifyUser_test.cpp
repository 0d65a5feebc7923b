#include "frameVerifyUser.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <soci/soci.h>

#include <string>
#include <vector>

#include "MBusiPublic.h"
#include "MSysmgntDef.h"
#include "backend_world.h"
#include "gui_message.h"
#include "look.h"
#include "scoped_env.h"
#include "secure_keyboard.h"

using zp::store::Backend;
using zp::testing::BackendWorld;
using zp::testing::ScopedEnv;
using zpgui::GUIMessage;
using Messages = std::vector<GUIMessage>;

namespace {

// Region 571. Operator 11 holds all three verification rights, 12 none, 13
// only "query another region" (49991), 14 only the password waiver.
// Subscribers: 501 password 135790; 502 stopped; 503 without a password; 504
// of region 572 with password 246810; 507 without customer and account.
// Businesses: 1302 needs the password and runs the chain stopped → refused,
// else confirm (2) → notice (3) → passed; 1304 asks for the identity
// document; 1310 needs the password and has no rules; 1399's chain comes
// back to a point it already asked; 9001 asks for nothing.
const char* kWorld = R"json({
  "operators": [{"op_id": 11, "org_id": 110, "region_code": 571, "county_code": 1},
                {"op_id": 12, "org_id": 120, "region_code": 571, "county_code": 1},
                {"op_id": 13, "org_id": 130, "region_code": 571, "county_code": 1},
                {"op_id": 14, "org_id": 140, "region_code": 571, "county_code": 1}],
  "operator_rights": [{"op_id": 11, "ent_id": 49990}, {"op_id": 11, "ent_id": 49991}, {"op_id": 11, "ent_id": 49992},
                      {"op_id": 13, "ent_id": 49991}, {"op_id": 14, "ent_id": 49992}],
  "customers": [{"cust_id": 1, "cust_name": "周明", "cust_type": 1, "reg_type": 1,
                 "reg_nbr": "330102197003071231", "region_code": 571, "county_code": 1}],
  "accounts": [{"acct_id": 2, "cust_id": 1, "acct_name": "周明", "pay_type": 1, "region_code": 571}],
  "users": [{"serv_id": 501, "phone_id": "13900000501", "cust_id": 1, "acct_id": 2, "region_code": 571,
             "county_code": 1, "plan_id": 7, "brand": 1, "password": "135790"},
            {"serv_id": 502, "phone_id": "13900000502", "cust_id": 1, "acct_id": 2, "region_code": 571, "user_sts": 0},
            {"serv_id": 503, "phone_id": "13900000503", "cust_id": 1, "acct_id": 2, "region_code": 571},
            {"serv_id": 504, "phone_id": "13900000504", "cust_id": 1, "acct_id": 2, "region_code": 572,
             "password": "246810"},
            {"serv_id": 507, "phone_id": "13900000507", "cust_id": 99, "acct_id": 99, "region_code": 571}],
  "busi_rules": [
    {"busi_code": 1302, "check_point": 0, "seq": 1, "cond_kind": "user_stopped", "check_result": -1, "check_desc": "用户已停机"},
    {"busi_code": 1302, "check_point": 0, "seq": 2, "check_result": 2, "check_desc": "月功能费10元,是否继续?", "next_point": 1},
    {"busi_code": 1302, "check_point": 1, "seq": 1, "check_result": 3, "check_desc": "号码即时生效", "next_point": 2},
    {"busi_code": 1399, "check_point": 0, "check_result": 3, "check_desc": "第一步", "next_point": 1},
    {"busi_code": 1399, "check_point": 1, "check_result": 3, "check_desc": "第二步", "next_point": 0}],
  "verify_types": [{"busi_code": 1302, "verify_type": 2}, {"busi_code": 1304, "verify_type": 1},
                   {"busi_code": 1310, "verify_type": 2}, {"busi_code": 1399, "verify_type": 2}]
})json";

const zpd_fault kFault{4711, 3, "故障注入", "后台暂时不可用"};

const GUIMessage kEnterNumber{"请先输入查询号码!...", "提示", 64};
const GUIMessage kBadNumber{"对不起,手机号码输入有误,请重输!...", "提示", 64};
const GUIMessage kNoSuchUser{"用户资料不存在,请重新输入...!", "错误", 16};
const GUIMessage kEnterPassword{"请输入用户密码...", "提示", 64};
const GUIMessage kNoRemoteRight{"对不起,您没有异地受理和查询的权限.", "提示", 64};
const GUIMessage kQueryOnly{"对不起,您没有异地受理的权限,该用户只能查询,不能受理.", "提示", 64};
const GUIMessage kShowDocument{"该业务要求出示证件,请核对好客户的证件后,再受理!", "提示", 64};
const GUIMessage kPrivilegeFault{"权限检查出错...!\n[故障注入]", "错误", 16};
const GUIMessage kConfirmFee{"检查通过,是否继续:\n[月功能费10元,是否继续?]", "提示", 36};
const GUIMessage kNoticeAtOnce{"检查通过:\n[号码即时生效]", "提示", 64};
const GUIMessage kKeypadOffline{
    "打开小键盘失败,如果已接好小键盘,请设置[print/SecureKeyboard.ini]的[DeviceOnLine]参数,0:表示设备不在线,1:"
    "表示设备在线.",
    "提示", 64};

void SendKey(QWidget& to, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
  QCoreApplication::sendEvent(&to, &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
  QCoreApplication::sendEvent(&to, &release);
}

void Type(QLineEdit& edit, const QString& text) {
  for (QChar c : text) SendKey(edit, QString(c));
}

class VerifyFrame : public ::testing::Test {
 protected:
  void SetUp() override { frame.show(); }

  template <class T>
  T& Control(const char* name) {
    T* control = frame.findChild<T*>(name);
    if (!control) throw std::runtime_error(std::string("no control ") + name);
    return *control;
  }
  QLineEdit& Phone() { return Control<QLineEdit>("edPhoneId"); }
  QLineEdit& Pass() { return Control<QLineEdit>("edPass"); }
  QCheckBox& Box() { return Control<QCheckBox>("chkCheckPass"); }
  QPushButton& QueryButton() { return Control<QPushButton>("btnQueyA"); }

  void Init(int busiCode, int opId) {
    world.signIn(opId);  // the host signs the operator in before the frame asks anything
    frame.InitVerify(busiCode, 571, 1, opId * 10, opId);
  }

  // Types the number (and the password when given) and queries; the records
  // start as a sentinel so a test can tell whether they were written.
  int Query(const std::string& phone, const char* pass = nullptr) {
    Phone().setText(QString::fromStdString(phone));
    if (pass) Pass().setText(pass);
    user = MPublicDef::SUserInfo{};
    user.set_SERV_ID(-7);
    cust = MPublicDef::SCustInfo{};
    cust.set_CUST_ID(-7);
    acct = MPublicDef::SAcctInfo{};
    acct.set_ACCT_ID(-7);
    mode = -7;
    QueryButton().setFocus();  // where the operator's click leaves it
    return frame.QueryUser(user, cust, acct, mode);
  }
  bool RecordsFilled() const { return user.get_SERV_ID() > 0 && cust.get_CUST_ID() > 0 && acct.get_ACCT_ID() > 0; }
  bool RecordsUntouched() const {
    return user.get_SERV_ID() == -7 && cust.get_CUST_ID() == -7 && acct.get_ACCT_ID() == -7 && mode == -7;
  }
  QWidget* Focus() { return frame.focusWidget(); }

  void SetLocation(const std::string& value) {
    world.db->transact(zp::store::Database::Intent::write, [&](soci::session& sql) {
      sql << "INSERT INTO zp_ent_variable (var_name, var_value, remark) VALUES ('LOCATION', :v, '')", soci::use(value);
    });
  }

  BackendWorld world{Backend::sqlite, kWorld};
  zpgui::MessageLog messages;
  TfrmeVerify frame;
  MPublicDef::SUserInfo user;
  MPublicDef::SCustInfo cust;
  MPublicDef::SAcctInfo acct;
  int mode = -7;
};

}  // namespace

TEST_F(VerifyFrame, ControlsCarryTheirNamesCaptionsAndTabOrder) {
  EXPECT_EQ(Control<QLabel>("lblPhoneId").text().toStdString(), "手机号码：");
  EXPECT_EQ(Box().text().toStdString(), "验证密码");
  EXPECT_FALSE(Box().isChecked());
  EXPECT_FALSE(Pass().isVisible());
  EXPECT_EQ(Pass().echoMode(), QLineEdit::Password);
  EXPECT_NE(frame.findChild<TSecureKeyboard*>("SecureKeyboard1"), nullptr);
  EXPECT_EQ(frame.btnQueyA(), &QueryButton());
  EXPECT_EQ(frame.edPhoneId(), &Phone());
  Init(9001, 11);
  EXPECT_EQ(Phone().maxLength(), 11);
  EXPECT_EQ(Pass().maxLength(), 6);
  EXPECT_EQ(Phone().nextInFocusChain(), &Box());
  EXPECT_EQ(Box().nextInFocusChain(), &Pass());
  EXPECT_EQ(Pass().nextInFocusChain(), &QueryButton());
}

TEST_F(VerifyFrame, NumberAndPasswordTakeDigitsOnly) {
  Init(1310, 12);  // password required: the field is shown
  Type(Phone(), "13a9-0%0'0 0/0*501x9");
  EXPECT_EQ(Phone().text().toStdString(), "13900000501") << "eleven digits, nothing else";
  Type(Pass(), "1x3%5'7 9-0+1");
  EXPECT_EQ(Pass().text().toStdString(), "135790");
}

TEST_F(VerifyFrame, MissingOrMalformedNumberIsRefusedBeforeAnyLookup) {
  Init(9001, 11);
  world.fail(MBusiPublic::IBusiPublic_get_userServId, kFault);  // any lookup would show itself
  const struct {
    const char* phone;
    GUIMessage message;
  } cases[] = {
      {"", kEnterNumber},           {"   ", kEnterNumber},          {"1390000050", kBadNumber},
      {"12900000501", kBadNumber},  {"1390000050a", kBadNumber},
  };
  for (const auto& c : cases) {
    zpgui::MessageLog log;
    EXPECT_EQ(Query(c.phone), 1) << c.phone;
    EXPECT_EQ(log.Shown(), Messages{c.message}) << c.phone;
    EXPECT_EQ(Focus(), &Phone()) << c.phone;
    EXPECT_TRUE(RecordsUntouched()) << c.phone;
    EXPECT_EQ(Phone().text().toStdString(), c.phone) << "the input stays";
  }
}

TEST_F(VerifyFrame, NumberAloneVerifiesAndHandsTheRecordsBack) {
  Init(9001, 11);
  EXPECT_EQ(Query("13900000501"), 0);
  EXPECT_TRUE(messages.Shown().empty());
  EXPECT_EQ(mode, 1);
  EXPECT_EQ(frame.VerifyMode(), 1);
  EXPECT_EQ(user.get_SERV_ID(), 501);
  EXPECT_EQ(user.get_PHONE_ID(), "13900000501");
  EXPECT_EQ(user.get_REGION_CODE(), 571);
  EXPECT_EQ(cust.get_CUST_ID(), 1);
  EXPECT_EQ(cust.get_CUST_NAME(), "周明");
  EXPECT_EQ(acct.get_ACCT_ID(), 2);
}

TEST_F(VerifyFrame, UnknownNumberIsNotFound) {
  Init(9001, 11);
  EXPECT_EQ(Query("13900000599"), 2);
  EXPECT_EQ(messages.Shown(), Messages{kNoSuchUser});
  EXPECT_EQ(Focus(), &Phone());
  EXPECT_TRUE(RecordsUntouched());
}

TEST_F(VerifyFrame, FailedLookupQuotesFirstTextThenSecondText) {
  Init(9001, 11);
  const struct {
    const zpd_operation* op;
    const char* text;
  } cases[] = {
      {&MBusiPublic::IBusiPublic_get_userServId, "对不起,没有查询到数据!...\n[故障注入].\n[后台暂时不可用]"},
      {&MBusiPublic::IBusiPublic_get_userInfo, "查询用户资料出错...\n[故障注入].\n[后台暂时不可用]"},
      {&MBusiPublic::IBusiPublic_get_custInfo, "查询客户资料出错...\n[故障注入].\n[后台暂时不可用]"},
      {&MBusiPublic::IBusiPublic_get_acctInfo, "查询帐户资料出错...\n[故障注入].\n[后台暂时不可用]"},
  };
  for (const auto& c : cases) {
    world.fail(*c.op, kFault);
    zpgui::MessageLog log;
    EXPECT_EQ(Query("13900000501"), 2) << c.op->serviceCode;
    EXPECT_EQ(log.Shown(), (Messages{{c.text, "错误", 16}})) << c.op->serviceCode;
    EXPECT_EQ(Focus(), &Phone()) << c.op->serviceCode;
    EXPECT_TRUE(RecordsUntouched()) << c.op->serviceCode;
    EXPECT_EQ(frame.LastError(), (CBSErrorMsg{4711, 3, "故障注入", "后台暂时不可用"})) << c.op->serviceCode;
    world.dispatcher->clear_faults();
  }
  // A subscriber whose customer is missing fails at the customer query.
  zpgui::MessageLog log;
  EXPECT_EQ(Query("13900000507"), 2);
  ASSERT_EQ(log.Shown().size(), 1u);
  EXPECT_EQ(log.Shown()[0].text.rfind("查询客户资料出错...\n[", 0), 0u) << log.Shown()[0].text;
}

TEST_F(VerifyFrame, UnreachableServiceIsABindingFailure) {
  Init(9001, 11);
  ScopedEnv nowhere("ZP_BROKER_ZEPHYRON", "inproc:no-such-server");
  EXPECT_EQ(Query("13900000501"), 2);
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0].caption, "错误");
  EXPECT_EQ(messages.Shown()[0].flags, 16);
  const std::string& text = messages.Shown()[0].text;
  EXPECT_EQ(text.rfind("服务绑定出错,请与管理员联系...\n[", 0), 0u) << text;
  EXPECT_NE(text.find("inproc:no-such-server"), std::string::npos) << "the address that failed: " << text;
  EXPECT_TRUE(RecordsUntouched());
}

TEST_F(VerifyFrame, RemoteSubscriberNeedsTheRemoteAcceptanceRight) {
  const struct {
    int opId;
    int result;
    Messages shown;
  } cases[] = {
      {11, 0, {}},                // 49990 granted: served as any other
      {13, 4, {kQueryOnly}},      // may query only: shown, not verified, and told so
      {12, 4, {kNoRemoteRight}},  // neither
  };
  for (const auto& c : cases) {
    Init(9001, c.opId);
    zpgui::MessageLog log;
    EXPECT_EQ(Query("13900000504"), c.result) << c.opId;
    EXPECT_EQ(log.Shown(), c.shown) << c.opId;
    EXPECT_TRUE(RecordsFilled()) << c.opId;
    EXPECT_EQ(user.get_REGION_CODE(), 572);
    EXPECT_EQ(mode, c.result == 0 ? 1 : -7) << "the mode is handed back on success only";
  }
}

TEST_F(VerifyFrame, RemoteSubscriberWithTheRightsServiceDownIsResultFive) {
  Init(9001, 11);
  world.fail(MSysmgntDef::ISysmgntPublic_check_operRight, kFault);
  EXPECT_EQ(Query("13900000504"), 5);
  EXPECT_EQ(messages.Shown(), (Messages{kPrivilegeFault, kPrivilegeFault}));
  EXPECT_TRUE(RecordsFilled());
  // A subscriber of the operator's own region asks no right at all.
  zpgui::MessageLog log;
  EXPECT_EQ(Query("13900000501"), 0);
  EXPECT_TRUE(log.Shown().empty());
}

TEST_F(VerifyFrame, PasswordWaiverLeavesTheChoiceToTheOperator) {
  Init(1310, 14);
  EXPECT_TRUE(frame.PassWaivable());
  EXPECT_FALSE(Box().isChecked());
  EXPECT_TRUE(Box().isEnabled());
  EXPECT_FALSE(Pass().isVisible());
  // Unchecked: no password call is made (it would fail loudly).
  world.fail(MBusiPublic::IBusiPublic_check_userPassword, kFault);
  EXPECT_EQ(Query("13900000501"), 0);
  EXPECT_TRUE(messages.Shown().empty());
  EXPECT_EQ(mode, 1);
}

TEST_F(VerifyFrame, WithoutTheWaiverThePasswordIsMandatory) {
  for (int round = 0; round < 2; ++round) {  // primed twice: the field must stay usable
    Phone().setFocus();
    Init(1310, 12);
    EXPECT_FALSE(frame.PassWaivable());
    EXPECT_TRUE(Box().isChecked()) << round;
    EXPECT_FALSE(Box().isEnabled()) << round;
    EXPECT_TRUE(Pass().isVisible()) << round;
    EXPECT_FALSE(zpgui::IsReadOnly(&Pass())) << round;
    // Priming happens with nobody at the counter: the number comes first.
    EXPECT_EQ(Focus(), &Phone()) << round;
  }
  EXPECT_EQ(Query("13900000501"), 3);
  EXPECT_EQ(messages.Shown(), Messages{kEnterPassword});
  EXPECT_EQ(Focus(), &Pass());
  EXPECT_TRUE(RecordsFilled());

  zpgui::MessageLog log;
  EXPECT_EQ(Query("13900000501", "135790"), 0);
  EXPECT_TRUE(log.Shown().empty());
  EXPECT_EQ(mode, 2);
  EXPECT_EQ(frame.VerifyMode(), 2);
}

TEST_F(VerifyFrame, RefusedPasswordsSayWhy) {
  Init(1310, 12);
  const struct {
    const char* phone;
    const char* pass;
    const char* text;
  } cases[] = {
      {"13900000501", "000000", "用户密码错误,请重新输入.\n[密码错误,再错4次将被锁定]"},
      {"13900000503", "123456", "密码规则不符,请先到密码修改模块修改密码!\n[用户没有设置服务密码]"},
  };
  for (const auto& c : cases) {
    zpgui::MessageLog log;
    EXPECT_EQ(Query(c.phone, c.pass), 3) << c.phone;
    EXPECT_EQ(log.Shown(), (Messages{{c.text, "错误", 16}})) << c.phone;
    EXPECT_EQ(Focus(), &Pass()) << c.phone;
    EXPECT_TRUE(RecordsFilled()) << c.phone;
    EXPECT_EQ(Pass().text().toStdString(), c.pass) << "the input stays";
  }
}

// The password given for one number is not checked against the next: the
// next number's query asks for its own, while a password entered (in any
// order with the number) before a query is the one checked.
TEST_F(VerifyFrame, ANewNumberIsNotCheckedWithTheLastPassword) {
  Init(1310, 12);
  ASSERT_EQ(Query("13900000501", "135790"), 0);
  {
    zpgui::MessageLog log;
    EXPECT_EQ(Query("13900000503"), 3);
    EXPECT_EQ(log.Shown(), Messages{kEnterPassword});
    EXPECT_EQ(Pass().text(), "");
    EXPECT_FALSE(Pass().isUndoAvailable()) << "nor does it come back by undo";
  }
  zpgui::MessageLog log;
  // The password typed first and the number after it.
  Pass().setText("135790");
  EXPECT_EQ(Query("13900000501"), 0);
  // The same number queried again keeps what was given for it.
  EXPECT_EQ(Query("13900000501"), 0);
  EXPECT_TRUE(log.Shown().empty());
}

TEST_F(VerifyFrame, LockedPasswordIsAServiceRefusal) {
  Init(1310, 12);
  for (int wrong = 0; wrong < 5; ++wrong) {
    zpgui::MessageLog log;
    ASSERT_EQ(Query("13900000501", "000000"), 3);
  }
  zpgui::MessageLog log;
  EXPECT_EQ(Query("13900000501", "135790"), 3) << "the right password is refused while locked";
  ASSERT_EQ(log.Shown().size(), 1u);
  EXPECT_EQ(log.Shown()[0].caption, "错误");
  EXPECT_EQ(log.Shown()[0].flags, 16);
  EXPECT_EQ(log.Shown()[0].text.rfind("密码检查服务错误!\n[用户密码已锁定]\n[密码连续错误5次已被锁定", 0), 0u)
      << log.Shown()[0].text;
}

TEST_F(VerifyFrame, FailedPasswordServiceQuotesBothTexts) {
  Init(1310, 12);
  world.fail(MBusiPublic::IBusiPublic_check_userPassword, kFault);
  EXPECT_EQ(Query("13900000501", "135790"), 3);
  EXPECT_EQ(messages.Shown(), (Messages{{"密码检查服务错误!\n[故障注入]\n[后台暂时不可用]", "错误", 16}}));
  EXPECT_EQ(Focus(), &QueryButton()) << "focus stays where it was";
}

TEST_F(VerifyFrame, RuleChainAsksThenInformsThenPasses) {
  Init(1302, 11);
  messages.Answer(zpgui::kAnswerYes);
  EXPECT_EQ(Query("13900000501"), 0);
  EXPECT_EQ(messages.Shown(), (Messages{kConfirmFee, kNoticeAtOnce}));
  EXPECT_EQ(messages.Unanswered(), 0);
  EXPECT_EQ(mode, 1);
}

TEST_F(VerifyFrame, AnsweringNoEndsTheChainAccordingToTheLocation) {
  for (const char* location : {"", "LOC_DAZUROV"}) {
    BackendWorld place{Backend::sqlite, kWorld};
    if (*location) {
      place.db->transact(zp::store::Database::Intent::write, [&](soci::session& sql) {
        sql << "INSERT INTO zp_ent_variable (var_name, var_value, remark) VALUES ('LOCATION', :v, '')",
            soci::use(std::string(location));
      });
    }
    place.signIn(11);
    frame.InitVerify(1302, 571, 1, 110, 11);
    EXPECT_EQ(frame.LocationCode(), location);
    zpgui::MessageLog log{zpgui::kAnswerNo};
    EXPECT_EQ(Query("13900000501"), *location ? 6 : 4) << location;
    EXPECT_EQ(log.Shown(), Messages{kConfirmFee}) << location;
    EXPECT_TRUE(RecordsFilled());
  }
}

TEST_F(VerifyFrame, RuleRefusalAndFailedCheckStopTheChain) {
  Init(1302, 11);
  EXPECT_EQ(Query("13900000502"), 4);
  EXPECT_EQ(messages.Shown(), (Messages{{"检查不通过:\n[用户已停机]", "提示", 16}}));
  EXPECT_EQ(Focus(), &Phone());
  EXPECT_TRUE(RecordsFilled());

  world.fail(MBusiPublic::IBusiPublic_check_busiRule, kFault);
  zpgui::MessageLog log;
  EXPECT_EQ(Query("13900000501"), 4);
  EXPECT_EQ(log.Shown(), (Messages{{"业务规则检查失败,请与管理员联系!...\n[故障注入]\n[后台暂时不可用]", "提示", 16}}));
  EXPECT_EQ(Focus(), &Phone());
}

TEST_F(VerifyFrame, RuleChainThatComesBackToAnAskedPointIsAFailure) {
  Init(1399, 11);
  EXPECT_EQ(Query("13900000501"), 4);
  const Messages expected{{"检查通过:\n[第一步]", "提示", 64},
                          {"检查通过:\n[第二步]", "提示", 64},
                          {"业务规则检查失败,请与管理员联系!...\n[业务规则检查]\n[检查点[0]重复出现,检查链无法结束]",
                           "提示", 16}};
  EXPECT_EQ(messages.Shown(), expected);
}

TEST_F(VerifyFrame, InitShowsTheDocumentNoticeAndKeepsTheBoxForOtherBusinesses) {
  Init(1304, 12);
  EXPECT_EQ(messages.Shown(), Messages{kShowDocument});
  EXPECT_FALSE(Box().isChecked());
  EXPECT_TRUE(Box().isEnabled());

  Init(1310, 12);  // mandatory password
  zpgui::MessageLog log;
  Init(9001, 12);  // asks for nothing: the box keeps its state
  EXPECT_TRUE(log.Shown().empty());
  EXPECT_TRUE(Box().isChecked());
  EXPECT_TRUE(Pass().isVisible()) << "a ticked box always comes with its field";
  EXPECT_EQ(frame.VerifyMode(), 0);
}

TEST_F(VerifyFrame, WaiverThatCannotBeAskedLeavesThePasswordMandatory) {
  Init(1310, 14);  // waivable: the box is free and unticked
  ASSERT_FALSE(Box().isChecked());
  world.fail(MSysmgntDef::ISysmgntPublic_check_operRight, kFault);
  Init(1310, 14);
  EXPECT_EQ(messages.Shown(), Messages{kPrivilegeFault});
  EXPECT_FALSE(frame.PassWaivable());
  EXPECT_TRUE(Box().isChecked());
  EXPECT_FALSE(Box().isEnabled());
  EXPECT_TRUE(Pass().isVisible());
}

TEST_F(VerifyFrame, UntickingHidesAndClearsThePassword) {
  Init(1310, 14);
  Box().click();
  EXPECT_TRUE(Pass().isVisible());
  EXPECT_EQ(Focus(), &Pass());
  Pass().setText("135790");
  Box().click();
  EXPECT_FALSE(Pass().isVisible());
  EXPECT_TRUE(Pass().text().isEmpty());
  EXPECT_TRUE(zpgui::IsReadOnly(&Pass()));
  EXPECT_EQ(Focus(), &QueryButton());
}

TEST_F(VerifyFrame, KeypadSiteReadsThePasswordFromTheKeypad) {
  SetLocation("LOC_DAZUROV");
  Init(1310, 14);
  {
    zpgui::KeypadScript keypad(true);
    keypad.Type("135790");
    Box().click();
    EXPECT_EQ(Pass().text().toStdString(), "135790");
    EXPECT_EQ(keypad.Events(), (std::vector<std::string>{"open", "read", "close"}));
    EXPECT_TRUE(messages.Shown().empty());
  }
  EXPECT_EQ(Query("13900000501"), 0);
  EXPECT_EQ(mode, 2);

  Box().click();  // unticked
  zpgui::KeypadScript offline(false);
  Box().click();
  EXPECT_TRUE(Pass().text().isEmpty());
  EXPECT_EQ(messages.Shown(), Messages{kKeypadOffline});
  EXPECT_EQ(offline.Events(), std::vector<std::string>{"open"});
}

TEST_F(VerifyFrame, KeypadIsLeftAloneElsewhere) {
  Init(1310, 14);
  zpgui::KeypadScript keypad(true);
  keypad.Type("135790");
  Box().click();
  EXPECT_TRUE(keypad.Events().empty());
  EXPECT_TRUE(Pass().text().isEmpty());
  EXPECT_TRUE(messages.Shown().empty());
}

// Not knowing whether a business needs the password is no reason to skip
// it: the lookup failing makes it mandatory, and says so.
TEST_F(VerifyFrame, AFailedVerificationTypeLookupRequiresThePassword) {
  Init(9001, 14);  // nothing configured: the box is free
  ASSERT_TRUE(Box().isEnabled());
  Box().setChecked(false);
  world.fail(MBusiPublic::IBusiPublic_get_verifyType, kFault);
  Init(9001, 14);
  const Messages expected{{"取业务验证方式失败,本业务按需要验证密码受理!\n错误[后台暂时不可用]\n[故障注入]", "异常", 16}};
  EXPECT_EQ(messages.Shown(), expected);
  EXPECT_TRUE(Box().isChecked());
  EXPECT_FALSE(Box().isEnabled()) << "no waiver is asked when the business is unknown";
  EXPECT_TRUE(Pass().isVisibleTo(&frame));
  world.dispatcher->clear_faults();
  EXPECT_EQ(Query("13900000501"), 3);
  EXPECT_EQ(messages.Shown().back(), kEnterPassword);
}

// Priming the strip for a business happens with nobody at the counter: the
// keypad stays shut and the focus is not pulled to the password. The keypad
// opens when the query needs the password.
TEST_F(VerifyFrame, TheKeypadOpensWhenThePasswordIsNeededNotWhenPrimed) {
  SetLocation("LOC_DAZUROV");
  zpgui::KeypadScript keypad(true);
  keypad.Type("135790");
  Phone().setFocus();
  Init(1310, 12);  // mandatory password
  ASSERT_TRUE(Box().isChecked());
  EXPECT_TRUE(keypad.Events().empty());
  EXPECT_EQ(Focus(), &Phone());
  EXPECT_EQ(Query("13900000501"), 0);
  EXPECT_EQ(keypad.Events(), (std::vector<std::string>{"open", "read", "close"}));
  EXPECT_EQ(mode, 2);
  // A password already typed is not asked for again.
  Pass().setText("135790");
  EXPECT_EQ(Query("13900000501"), 0);
  EXPECT_EQ(keypad.Events().size(), 3u);
}

TEST_F(VerifyFrame, APastedPasswordMustBeDigits) {
  Init(1310, 12);
  for (const auto& [pasted, kept] : {std::pair{"13579a", ""}, std::pair{"135790", "135790"}}) {
    Pass().clear();
    QGuiApplication::clipboard()->setText(pasted);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
    QCoreApplication::sendEvent(&Pass(), &press);
    EXPECT_EQ(Pass().text().toStdString(), kept) << pasted;
  }
}

