// The workspace from the query to an order ready to commit: what a query
// shows, which operation the rights and the current service allow, the
// choice of business type and operation, the back-dated date, and the
// catalogues a workspace keeps between customers. Against an in-process
// back end.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>
#include <string>
#include <vector>

#include "FormAfterDate.h"
#include "business_codes.h"
#include "MBusiDataMgnt.h"
#include "MBusiPublic.h"
#include "MProductIntfApp.h"
#include "MSysmgntDef.h"
#include "backend_world.h"
#include "formVasDeskMain.h"
#include "gui_message.h"
#include "look.h"
#include "modal.h"
#include "publicbusi_functions.h"
#include "scoped_env.h"
#include "secure_keyboard.h"
#include "wait_box.h"
#include "widget_driver.h"
#include "vasdesk_service.h"
#include "wiretap.h"

using zp::store::Backend;
using zp::testing::BackendWorld;
using zpgui::GUIMessage;
using Messages = std::vector<GUIMessage>;

namespace {

// Region 571. Operator 11 holds every right, 12 none, 13 only the GPRS
// opening. Subscriber 601 has nothing; 602 has every business with its
// details; 603 is stopped, which the Global Call rule chain refuses.
const char* kWorld = R"json({
  "operators": [{"op_id": 11, "org_id": 110, "region_code": 571, "county_code": 1},
                {"op_id": 12, "org_id": 120, "region_code": 571, "county_code": 1},
                {"op_id": 13, "org_id": 130, "region_code": 571, "county_code": 1}],
  "operator_rights": [{"op_id": 11, "ent_id": 51501}, {"op_id": 11, "ent_id": 51502},
                      {"op_id": 11, "ent_id": 51505}, {"op_id": 11, "ent_id": 51506},
                      {"op_id": 11, "ent_id": 51507}, {"op_id": 11, "ent_id": 51508},
                      {"op_id": 13, "ent_id": 51505}],
  "customers": [{"cust_id": 61, "cust_name": "钱一", "reg_type": 1, "reg_nbr": "33010219800101123X", "region_code": 571},
                {"cust_id": 62, "cust_name": "孙二", "reg_type": 1, "reg_nbr": "330106199002023451", "region_code": 571},
                {"cust_id": 63, "cust_name": "李三", "reg_type": 1, "reg_nbr": "330203198505057890", "region_code": 571}],
  "accounts": [{"acct_id": 71, "cust_id": 61}, {"acct_id": 72, "cust_id": 62}, {"acct_id": 73, "cust_id": 63}],
  "users": [
    {"serv_id": 601, "phone_id": "13900000601", "cust_id": 61, "acct_id": 71, "region_code": 571, "county_code": 1, "plan_id": 101, "brand": 1, "password": "135790"},
    {"serv_id": 602, "phone_id": "13900000602", "cust_id": 62, "acct_id": 72, "region_code": 571, "county_code": 1, "plan_id": 101, "brand": 1, "password": "246810"},
    {"serv_id": 603, "phone_id": "13900000603", "cust_id": 63, "acct_id": 73, "region_code": 571, "county_code": 1, "user_sts": 2}],
  "user_services": [
    {"serv_id": 602, "busi_type": 101, "res_id": "55000002", "remark": "老号码"},
    {"serv_id": 602, "busi_type": 102, "remark": "定位"},
    {"serv_id": 602, "busi_type": 5, "remark": "GPRS老用户"},
    {"serv_id": 602, "busi_type": 131, "remark": "接入点老用户"},
    {"serv_id": 602, "busi_type": 104, "remark": "彩铃"},
    {"serv_id": 603, "busi_type": 101, "res_id": "55000003", "remark": "停机用户"}],
  "special_data": [
    {"serv_id": 602, "busi_type": 102, "field_name": "SP_ID", "field_value": "2"},
    {"serv_id": 602, "busi_type": 102, "field_name": "GPS_TYPE", "field_value": "2"},
    {"serv_id": 602, "busi_type": 102, "field_name": "SELF_NO", "field_value": "SD-9"},
    {"serv_id": 602, "busi_type": 102, "field_name": "CARD_NO", "field_value": "浙A·00002"},
    {"serv_id": 602, "busi_type": 102, "field_name": "REMARK", "field_value": "车队定位"},
    {"serv_id": 602, "busi_type": 104, "field_name": "SONG_ID", "field_value": "A02"},
    {"serv_id": 602, "busi_type": 104, "field_name": "SEND_FLAG", "field_value": "0"},
    {"serv_id": 602, "busi_type": 104, "field_name": "REMARK", "field_value": "彩铃备注"}],
  "numbers": [{"res_id": "55000002", "region_code": 571, "sts": 3, "serv_id": 602},
              {"res_id": "55000003", "region_code": 571, "sts": 3, "serv_id": 603}],
  "number_ranges": [{"first": "55100000", "count": 10, "region_code": 571}],
  "busi_rules": [{"busi_code": 1302, "check_point": 0, "cond_kind": "user_stopped", "check_result": -1, "check_desc": "用户已停机"}],
  "service_providers": [{"sp_id": 1, "sp_name": "天途定位"}, {"sp_id": 2, "sp_name": "通达位置"}],
  "crbt_songs": [{"region_code": 571, "song_id": "A01", "song_name": "生日快乐"},
                 {"region_code": 571, "song_id": "A02", "song_name": "茉莉花"},
                 {"region_code": 572, "song_id": "B01", "song_name": "别处的歌"}],
  "code_lists": [{"list_no": 0, "code": 1, "name": "个人客户"}, {"list_no": 3, "code": 1, "name": "身份证"},
                 {"list_no": 5, "code": 1, "name": "普通用户"}, {"list_no": 6, "code": 1, "name": "正常"},
                 {"list_no": 57, "code": 571, "name": "杭州"}, {"list_no": 58, "code": 1, "name": "市区"},
                 {"list_no": 64, "code": 1, "name": "车辆定位"}, {"list_no": 64, "code": 2, "name": "人员定位"}],
  "sys_params": [{"region_code": 571, "para_name": "PromPopedomValid", "para_value": "0@0"},
                 {"region_code": 571, "para_name": "ProdPopedomValid", "para_value": "0@0"},
                 {"region_code": 0, "para_name": "MscCall", "para_value": "1121,1122"},
                 {"region_code": 0, "para_name": "MscCrbt", "para_value": "1104"}],
  "brands": [{"brand_id": 1, "brand_name": "全球通"}],
  "plans": [{"plan_id": 101, "brand_id": 1, "plan_name": "商旅套餐"}],
  "busi_types": [{"busi_type": 101, "busi_name": "全球呼", "seq": 1},
                 {"busi_type": 102, "busi_name": "GPS", "seq": 2},
                 {"busi_type": 5, "busi_name": "GPRS", "type": 1, "seq": 3},
                 {"busi_type": 104, "busi_name": "彩铃", "seq": 4},
                 {"busi_type": 131, "busi_name": "GPRS接入点", "type": 1, "seq": 5}]
})json";

const zpd_fault kFault{4711, 0, "故障注入", "后台暂时不可用"};

// A promotion or product frame that records what the workspace asks of it.
struct Calls {
  std::vector<std::string> log;
};
class RecordingProms : public zp::workspace::PromotionFrame {
 public:
  explicit RecordingProms(Calls& c) : calls(c) {}
  int LoadPromCatalogue(const zp::workspace::OfferContext& o) override {
    calls.log.push_back("prom load " + std::to_string(o.busiType) + " " + std::to_string(o.servId) + " plan " +
                        std::to_string(o.planId));
    return 0;
  }
  void ClearProms() override { calls.log.push_back("prom clear"); }
  void MergeUserProms(const MPublicDef::SSpromInfoList&) override { calls.log.push_back("prom merge"); }
  void EnablePromEdit() override { calls.log.push_back("prom edit"); }
  void lvPromInfoClick() override { calls.log.push_back("prom click"); }
  Calls& calls;
};
class RecordingProducts : public zp::workspace::ProductFrame {
 public:
  explicit RecordingProducts(Calls& c) : calls(c) {}
  void LoadProductCatalogue(const zp::workspace::OfferContext& o) override {
    calls.log.push_back("prod load " + std::to_string(o.busiType));
  }
  void ClearProducts() override { calls.log.push_back("prod clear"); }
  void MergeUserProducts(const MPublicDef::SMscFuncInfoList&) override { calls.log.push_back("prod merge"); }
  void EnableProductAdd() override { calls.log.push_back("prod add"); }
  void EnableProductEdit() override { calls.log.push_back("prod change"); }
  void lstvBusiProductClick() override { calls.log.push_back("prod click"); }
  Calls& calls;
};

class Query : public ::testing::Test {
 protected:
  void SetUp() override { ForgetCodeLists(); }
  void TearDown() override { ForgetCodeLists(); }

  void start(int op) {
    desk = std::make_unique<TfrmVasDesk>(nullptr);
    backend.signIn(op);
    ASSERT_TRUE(desk->Init(0, 571, 1, op * 10, op, {}));
  }

  template <class T>
  T& at(const char* name, const char* inside = nullptr) {
    QWidget* scope = inside ? desk->findChild<QWidget*>(inside) : desk.get();
    T* w = scope ? scope->findChild<T*>(name) : nullptr;
    if (!w) throw std::runtime_error(std::string("no control ") + name);
    return *w;
  }
  QString text(const char* edit, const char* inside = nullptr) { return at<QLineEdit>(edit, inside).text(); }
  bool checked(const char* radio) { return at<QRadioButton>(radio).isChecked(); }
  bool enabled(const char* name) { return at<QWidget>(name).isEnabled(); }

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
  bool serviceTabShown() {
    auto& pc = at<QTabWidget>("pcInfo");
    return pc.isTabVisible(pc.indexOf(&at<QWidget>("tabUserSvr")));
  }

  BackendWorld backend{Backend::sqlite, kWorld};
  zpgui::MessageLog messages;
  zpgui::WaitBoxLog waits;
  std::unique_ptr<TfrmVasDesk> desk;
};

TEST_F(Query, AVerifiedSubscriberWithoutGlobalCallMayOpenIt) {
  start(11);
  query("13900000601");
  EXPECT_TRUE(messages.Shown().empty());
  EXPECT_TRUE(desk->verified());
  EXPECT_TRUE(checked("radBtnOpen"));
  EXPECT_TRUE(enabled("radBtnOpen"));
  EXPECT_FALSE(enabled("radBtnClose"));
  EXPECT_TRUE(enabled("btnCommit"));
  EXPECT_TRUE(enabled("btnSelIsdn"));
  EXPECT_TRUE(enabled("chkAfterFlag"));
  EXPECT_EQ(desk->busiCode(), 1302);
  EXPECT_TRUE(serviceTabShown());
  EXPECT_EQ(at<QStackedWidget>("nbkUserSvr").currentIndex(), 0);
  EXPECT_EQ(at<QComboBox>("cmbGcallStatus").currentText(), "未开通");
  // The summaries, the agent prefilled from the customer, the phone on the
  // detail pages.
  EXPECT_EQ(text("edCustName", "frmeBaseCustInfo"), "钱一");
  EXPECT_EQ(text("edPhoneId", "frmeBaseUserInfo"), "13900000601");
  EXPECT_EQ(at<QComboBox>("cmbBrand", "frmeBaseUserInfo").currentText(), "[1] 全球通");
  EXPECT_EQ(at<QComboBox>("cmbPlanId", "frmeBaseUserInfo").currentText(), "[101] 商旅套餐");
  EXPECT_EQ(text("edSoMen", "FAgenterInfo"), "钱一");
  EXPECT_EQ(text("edRegNbr", "FAgenterInfo"), "33010219800101123X");
  EXPECT_FALSE(zpgui::IsReadOnly(&at<QLineEdit>("edSoMen", "FAgenterInfo")));
  for (const char* e : {"edGpsPhoneId", "edGprsPhoneId", "edCrbtsPhoneId"}) EXPECT_EQ(text(e), "13900000601") << e;
  // The facade serves this subscriber now.
  MPublicDef::SUserInfo user;
  desk->orderFacade().GetUserInfo(user);
  EXPECT_EQ(user.get_SERV_ID(), 601);
  EXPECT_EQ(desk->subscriberRegion(), 571);
  EXPECT_EQ(waits.Events(), (std::vector<std::string>{"+处理中，请稍侯...", "-"}));
}

// Which operation a query ends with, by operator, subscriber and business.
TEST_F(Query, TheCurrentServiceAndTheRightsDecideTheOperation) {
  const struct {
    int op;
    const char* phone;
    int type;
    const char* checkedButton;  // null: none
    int busiCode;
    bool commit;
    std::vector<std::string> enabledButtons;
    Messages shown;  // a subscriber left with nothing to do is told why
  } cases[] = {
      {12, "13900000601", 101, nullptr, 1302, false, {}, {{"对不起,您没有[全球呼]业务的开通权限,不能受理!", "提示", 64}}},
      {11, "13900000602", 101, "radBtnClose", 1303, true, {"radBtnClose"}, {}},
      {12, "13900000602", 101, nullptr, 1303, false, {}, {{"对不起,您没有[全球呼]业务的取消权限,不能受理!", "提示", 64}}},
      {11, "13900000601", 102, "radBtnOpen", 1304, true, {"radBtnOpen"}, {}},
      {11, "13900000602", 102, "radBtnClose", 1305, true, {"radBtnClose"}, {}},
      {12, "13900000602", 102, nullptr, 1305, false, {}, {{"对不起,您没有[GPS]业务的取消权限,不能受理!", "提示", 64}}},
      {11, "13900000601", 5, "radBtnOpen", 1070, true, {"radBtnOpen"}, {}},
      {12, "13900000601", 5, nullptr, 1070, false, {}, {{"对不起,您没有[GPRS]业务的开通权限,不能受理!", "提示", 64}}},
      {11, "13900000602", 5, "radBtnClose", 1071, true, {"radBtnClose", "radBtnMod"}, {}},
      {13, "13900000602", 5, "radBtnMod", 1073, true, {"radBtnMod"}, {}},  // may open, may not cancel
      // A ring-back tone is never opened here.
      {11, "13900000601", 104, nullptr, 1324, false, {}, {{"该用户没有开通[彩铃]业务,本模块只受理其取消,不能开通!", "提示", 64}}},
      {12, "13900000602", 104, "radBtnClose", 1325, true, {"radBtnClose"}, {}},  // no right needed
      {12, "13900000601", 131, "radBtnOpen", 1076, true, {"radBtnOpen"}, {}},
      {12, "13900000602", 131, "radBtnClose", 1077, true, {"radBtnClose", "radBtnMod"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.op) + " " + c.phone + " " + std::to_string(c.type));
    start(c.op);
    choose(c.type);
    zpgui::MessageLog log;
    query(c.phone);
    EXPECT_EQ(log.Shown(), c.shown);
    for (const char* b : {"radBtnOpen", "radBtnClose", "radBtnMod"}) {
      EXPECT_EQ(checked(b), c.checkedButton && std::string(b) == c.checkedButton) << b;
      const bool on = std::find(c.enabledButtons.begin(), c.enabledButtons.end(), b) != c.enabledButtons.end();
      EXPECT_EQ(enabled(b), on) << b;
    }
    EXPECT_EQ(desk->busiCode(), c.busiCode);
    EXPECT_EQ(enabled("btnCommit"), c.commit);
    EXPECT_EQ(enabled("chkAfterFlag"), c.commit);
    if (c.type == 5 || c.type == 131) {
      EXPECT_TRUE(at<QRadioButton>("radBtnMod").isVisibleTo(desk.get())) << "a change must be seen to be chosen";
    }
  }
}

TEST_F(Query, TheDetailPageShowsTheCurrentService) {
  start(11);
  query("13900000602");
  EXPECT_EQ(at<QComboBox>("cmbGcallStatus").currentText(), "已开通");
  EXPECT_EQ(text("edIsdn"), "55000002");
  EXPECT_EQ(text("edGcallRemark"), "老号码");
  EXPECT_FALSE(enabled("btnSelIsdn"));

  choose(102);
  query("13900000602");
  EXPECT_EQ(at<QStackedWidget>("nbkUserSvr").currentIndex(), 1);
  EXPECT_EQ(at<QComboBox>("cmbGpsStatus").currentText(), "已开通");
  EXPECT_EQ(zp::testing::Items(at<QComboBox>("cmbSPId")), (std::vector<std::string>{"[1] 天途定位", "[2] 通达位置"}));
  EXPECT_EQ(at<QComboBox>("cmbSPId").currentText(), "[2] 通达位置");
  EXPECT_EQ(at<QComboBox>("cmbGpsType").currentText(), "[2] 人员定位");
  EXPECT_EQ(text("edSelfNo"), "SD-9");
  EXPECT_EQ(text("edCardNo"), "浙A·00002");
  EXPECT_EQ(text("edGpsRemark"), "车队定位");

  choose(104);
  query("13900000602");
  EXPECT_EQ(at<QStackedWidget>("nbkUserSvr").currentIndex(), 3);
  EXPECT_EQ(at<QComboBox>("cmbCrbtsStstus").currentText(), "已开通");
  EXPECT_EQ(zp::testing::Items(at<QComboBox>("cmbSongId")), (std::vector<std::string>{"[A01] 生日快乐", "[A02] 茉莉花"}));
  EXPECT_EQ(at<QComboBox>("cmbSongId").currentText(), "[A02] 茉莉花");
  EXPECT_EQ(at<QComboBox>("cmbSendFlag").currentText(), "[0]不通知");
  EXPECT_EQ(text("edCrbtsRemark"), "彩铃备注");

  choose(131);
  query("13900000602");
  EXPECT_EQ(at<QStackedWidget>("nbkUserSvr").currentIndex(), 2);
  EXPECT_EQ(at<QGroupBox>("gbGprsInfo").title(), "GPRS接入点信息");
  EXPECT_EQ(at<QComboBox>("cmbGprsStatus").currentText(), "已开通");
  EXPECT_EQ(text("edGprsRemark"), "接入点老用户");
  choose(5);
  query("13900000601");
  EXPECT_EQ(at<QGroupBox>("gbGprsInfo").title(), "GPRS信息");
  EXPECT_EQ(at<QComboBox>("cmbGprsStatus").currentText(), "未开通");
  EXPECT_EQ(text("edGprsRemark"), "");
  EXPECT_TRUE(messages.Shown().empty());
}

// The page of a current service shows what the back end says the
// subscriber has; GPS details it does not give, or a song the region's list
// no longer holds, are shown as none rather than as the list's first entry.
TEST_F(Query, ADetailTheListsDoNotHoldIsNotShownAsTheirFirstEntry) {
  backend.db->transact(zp::store::Database::Intent::write, [](soci::session& sql) {
    sql << "DELETE FROM zp_special_data WHERE serv_id = 602 AND busi_type = 102";
    sql << "UPDATE zp_special_data SET field_value = 'Z99' WHERE serv_id = 602 AND field_name = 'SONG_ID'";
  });
  start(11);
  choose(102);
  query("13900000602");
  ASSERT_EQ(at<QComboBox>("cmbGpsStatus").currentText(), "已开通");
  EXPECT_EQ(at<QComboBox>("cmbSPId").currentIndex(), -1) << at<QComboBox>("cmbSPId").currentText().toStdString();
  EXPECT_EQ(at<QComboBox>("cmbGpsType").currentIndex(), -1);
  EXPECT_EQ(at<QComboBox>("cmbSPId").count(), 2) << "the providers are there to choose from";

  choose(104);
  query("13900000602");
  ASSERT_EQ(at<QComboBox>("cmbCrbtsStstus").currentText(), "已开通");
  EXPECT_EQ(at<QComboBox>("cmbSongId").currentIndex(), -1) << at<QComboBox>("cmbSongId").currentText().toStdString();
  EXPECT_EQ(at<QComboBox>("cmbSendFlag").currentText(), "[0]不通知");
  EXPECT_EQ(text("edCrbtsRemark"), "彩铃备注");
  EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(Query, ANewRingBackToneOffersTheSongsAndTheNoticeByDefault) {
  start(11);
  choose(104);
  query("13900000601");
  EXPECT_EQ(at<QComboBox>("cmbCrbtsStstus").currentText(), "未开通");
  EXPECT_EQ(at<QComboBox>("cmbSendFlag").currentText(), "[1]通知");
  EXPECT_EQ(at<QComboBox>("cmbSongId").currentText(), "[A01] 生日快乐");
  EXPECT_TRUE(zpgui::IsReadOnly(&at<QLineEdit>("edCrbtsPhoneId")));
  EXPECT_FALSE(zpgui::IsReadOnly(&at<QLineEdit>("edCrbtsRemark")));
}

TEST_F(Query, ASubscriberShownButNotServedGetsNoOperation) {
  start(11);
  query("13900000603");
  EXPECT_EQ(messages.Shown(), (Messages{{"检查不通过:\n[用户已停机]", "提示", 16}}));
  EXPECT_FALSE(desk->verified());
  EXPECT_EQ(text("edIsdn"), "55000003");
  EXPECT_EQ(text("edCustName", "frmeBaseCustInfo"), "李三");
  EXPECT_EQ(text("edSoMen", "FAgenterInfo"), "") << "the agent is prefilled for a verified subscriber only";
  for (const char* b : {"radBtnOpen", "radBtnClose", "radBtnMod", "btnCommit", "chkAfterFlag", "btnSelIsdn"})
    EXPECT_FALSE(enabled(b)) << b;
  EXPECT_TRUE(zpgui::IsReadOnly(&at<QLineEdit>("edSoMen", "FAgenterInfo")));
}

TEST_F(Query, AFailedVerificationLeavesTheResetWorkspace) {
  start(11);
  query("13900000999");
  EXPECT_EQ(messages.Shown(), (Messages{{"用户资料不存在,请重新输入...!", "错误", 16}}));
  EXPECT_FALSE(serviceTabShown());
  EXPECT_FALSE(enabled("btnCommit"));
  EXPECT_TRUE(waits.Balanced());
}

TEST_F(Query, FailedCallsSayWhichCallFailedAndEnableNothing) {
  const struct {
    zpd_operation op;
    int type;
    Messages shown;
    bool commit;
  } cases[] = {
      {MSysmgntDef::ISysmgntPublic_check_operRight, 101,
       {{"权限检查出错...!\n[后台暂时不可用][故障注入]", "异常", 16}}, false},
      {MVasDesk::IVasDesk_get_info, 101,
       {{"调用后台服务获得新业务业务信息列表失败!\n错误[后台暂时不可用]\n[故障注入]请稍后再试!", "异常", 16}}, false},
      {MBusiDataMgnt::IBusiDataMgnt_get_spInfoList, 102,
       {{"调用后台服务获得服务商列表失败!\n错误[后台暂时不可用]\n[故障注入]请稍后再试!", "异常", 16}}, true},
      {MBusiDataMgnt::IBusiDataMgnt_get_crbtsList, 104,
       {{"调用后台服务获得彩铃铃声列表失败!\n错误[后台暂时不可用]\n[故障注入]请稍后再试!", "异常", 16}}, true},
      {MBusiPublic::IBusiCatalogue_get_brands, 101,
       {{"调用后台服务获得用户品牌列表失败!\n错误[后台暂时不可用]\n[故障注入]请稍后再试!", "异常", 16}}, true},
      {MBusiPublic::IBusiCatalogue_get_plans, 101,
       {{"调用后台服务获得营销方案列表失败!\n错误[后台暂时不可用]\n[故障注入]请稍后再试!", "异常", 16}}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.op.serviceCode);
    zpgui::MessageLog log;
    start(11);
    choose(c.type);
    backend.fail(c.op, kFault);
    query(c.type == 104 ? "13900000602" : "13900000601");
    backend.dispatcher->clear_faults();
    EXPECT_EQ(log.Shown(), c.shown);
    EXPECT_EQ(enabled("btnCommit"), c.commit);
    EXPECT_TRUE(waits.Balanced());
  }
}

// A rights check that fails has said so: no notice of a missing right
// follows it (the opening's case is in the table above, this is the
// cancelling's).
TEST_F(Query, AFailedRightsCheckBeforeACancelIsToldOnce) {
  start(11);
  backend.fail(MSysmgntDef::ISysmgntPublic_check_operRight, kFault);
  zpgui::MessageLog log;
  query("13900000602");
  backend.dispatcher->clear_faults();
  EXPECT_EQ(log.Shown(), (Messages{{"权限检查出错...!\n[后台暂时不可用][故障注入]", "异常", 16}}));
  EXPECT_FALSE(enabled("btnCommit"));
}

TEST_F(Query, AFailedCatalogueLeavesItsListEmpty) {
  start(11);
  choose(102);
  backend.fail(MBusiDataMgnt::IBusiDataMgnt_get_spInfoList, kFault);
  query("13900000601");
  EXPECT_EQ(at<QComboBox>("cmbSPId").count(), 0);
  choose(104);
  backend.fail(MBusiDataMgnt::IBusiDataMgnt_get_crbtsList, kFault);
  query("13900000601");
  EXPECT_EQ(at<QComboBox>("cmbSongId").count(), 0);
  EXPECT_EQ(at<QComboBox>("cmbSongId").currentIndex(), -1);
}

// The catalogues do not change between customers: the second query of a
// region asks for none of them, and a list that could not be fetched is
// asked for again.
TEST_F(Query, CataloguesAreFetchedOncePerWorkspaceAndRegion) {
  using zp::testing::Wiretap;
  BackendWorld& b = backend;
  Wiretap<std::int32_t, MBusiDataMgnt::SSpInfoList> sps(
      *b.dispatcher, MBusiDataMgnt::IBusiDataMgnt_get_spInfoList,
      [](const std::int32_t&, MBusiDataMgnt::SSpInfoList& out, CBSErrorMsg&) {
        MBusiDataMgnt::SSpInfo sp;
        sp.set_SP_ID(9);
        sp.set_SP_NAME("窃听商");
        out = {sp};
        return 0;
      });
  start(11);
  choose(102);
  query("13900000601");
  query("13900000602");
  EXPECT_EQ(sps.Count(), 1u);
  EXPECT_EQ(zp::testing::Items(at<QComboBox>("cmbSPId")), (std::vector<std::string>{"[9] 窃听商"}));

  // Another workspace fetches its own.
  start(11);
  choose(102);
  backend.fail(MBusiDataMgnt::IBusiDataMgnt_get_spInfoList, kFault);
  query("13900000601");
  backend.dispatcher->clear_faults();
  query("13900000601");
  EXPECT_EQ(zp::testing::Items(at<QComboBox>("cmbSPId")), (std::vector<std::string>{"[9] 窃听商"}))
      << "a failed fetch is not kept";
  EXPECT_EQ(sps.Count(), 2u) << "the faulted call never reached the tap";
}

TEST_F(Query, ChoosingTheCurrentTypeAgainChangesNothing) {
  start(11);
  query("13900000601");
  ASSERT_TRUE(checked("radBtnOpen"));
  choose(101);
  EXPECT_EQ(text("edCustName", "frmeBaseCustInfo"), "钱一");
  EXPECT_TRUE(checked("radBtnOpen"));
  EXPECT_TRUE(serviceTabShown());
}

TEST_F(Query, MovingThroughTheTypesByKeysResetsAtEveryRow) {
  start(11);
  auto& list = at<QTreeWidget>("lstvBusiType");
  list.setFocus();
  std::vector<int> types;
  for (int step = 0; step < 4; ++step) {
    query("13900000601");
    ASSERT_TRUE(serviceTabShown());
    zp::testing::SendKey(list, Qt::Key_Down);
    types.push_back(desk->busiType());
    EXPECT_FALSE(serviceTabShown()) << "the subscriber shown before is gone";
    EXPECT_EQ(text("edCustName", "frmeBaseCustInfo"), "");
    EXPECT_EQ(desk->busiCode(), zp::workspace::BusiCodeOf(desk->busiType(), 1));
    EXPECT_EQ(list.currentItem()->foreground(0).color(), QColor(Qt::red));
  }
  EXPECT_EQ(types, (std::vector<int>{102, 5, 104, 131}));
  // GPRS types show the change; the others do not.
  zp::testing::SendKey(list, Qt::Key_Home);
  EXPECT_EQ(desk->busiType(), 101);
  EXPECT_FALSE(at<QRadioButton>("radBtnMod").isVisibleTo(desk.get()));
  // Keys that do not move do nothing.
  query("13900000601");
  zp::testing::SendKey(list, Qt::Key_A, Qt::NoModifier, "a");
  EXPECT_TRUE(serviceTabShown());
}

TEST_F(Query, TheOperationsSetTheCodeAndTheFramesAndListClicksPassOnlyWhileEditing) {
  Calls calls;
  start(11);
  desk->SetOfferFrames(std::make_unique<RecordingProms>(calls), std::make_unique<RecordingProducts>(calls));
  choose(5);
  calls.log.clear();
  query("13900000602");
  EXPECT_EQ(calls.log, (std::vector<std::string>{"prom clear", "prod clear", "prod load 5", "prom load 5 602 plan 101",
                                                 "prom merge", "prod merge"}));
  ASSERT_TRUE(checked("radBtnClose"));
  calls.log.clear();
  desk->frmePromInfolvPromInfoClick();
  desk->frameBusiProductlstvBusiProductClick();
  EXPECT_TRUE(calls.log.empty()) << "cancelling: the lists do not react";

  at<QRadioButton>("radBtnMod").click();
  EXPECT_EQ(desk->busiCode(), 1073);
  EXPECT_FALSE(enabled("btnSelIsdn"));
  desk->frmePromInfolvPromInfoClick();
  desk->frameBusiProductlstvBusiProductClick();
  EXPECT_EQ(calls.log, (std::vector<std::string>{"prom edit", "prod change", "prom click", "prod click"}));

  at<QRadioButton>("radBtnClose").click();
  EXPECT_EQ(desk->busiCode(), 1071);

  // Opening, for a subscriber without GPRS.
  calls.log.clear();
  query("13900000601");
  EXPECT_EQ(desk->busiCode(), 1070);
  EXPECT_EQ(calls.log, (std::vector<std::string>{"prom clear", "prod clear", "prod load 5", "prom load 5 601 plan 101",
                                                 "prom edit", "prod add"}));
  EXPECT_TRUE(enabled("btnSelIsdn"));
}

TEST_F(Query, ABackDatedOrderTakesTheChosenDateOrNothing) {
  start(11);
  query("13900000601");
  auto& box = at<QCheckBox>("chkAfterFlag");
  {
    zpgui::ModalScript script;
    script.Then([](QDialog& d) { d.reject(); });
    box.click();
    EXPECT_EQ(script.Shown(), std::vector<std::string>{"frmAfterInfo"});
  }
  EXPECT_FALSE(box.isChecked());
  EXPECT_EQ(desk->afterFlag(), 0);
  EXPECT_TRUE(desk->afterDate().isZero());

  {
    zpgui::ModalScript script;
    script.Then([](QDialog& d) {
      auto& dialog = static_cast<TfrmAfterInfo&>(d);
      dialog.SetAfterDate(CBSDateTime::make(2026, 11, 3));
      d.done(1);
    });
    box.click();
  }
  EXPECT_TRUE(box.isChecked());
  EXPECT_EQ(desk->afterFlag(), 1);
  EXPECT_EQ(desk->afterDate(), CBSDateTime::make(2026, 11, 3));

  box.click();  // unticked
  EXPECT_EQ(desk->afterFlag(), 0);
}


// The operator picks the number in the given cell of the number dialog.
void Pick(zpgui::ModalScript& script, int column) {
  script.Then([column](QDialog& dialog) {
    dialog.findChild<QPushButton*>("btnQuery")->click();
    auto* grid = dialog.findChild<QTableWidget*>("sgIsdn");
    QTableWidgetItem* item = grid->item(0, column);
    ASSERT_NE(item, nullptr);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(item).center());
    dialog.findChild<QPushButton*>("btnOK")->click();
  });
}

// Nothing of one customer may reach the next customer's order: not what the
// operator typed on the detail pages or in the agent frame, not the number,
// not what the facade was handed.
TEST_F(Query, ANewQueryKeepsNothingOfTheLastCustomer) {
  start(11);
  query("13900000601");
  {
    zpgui::ModalScript script;
    Pick(script, 1);
    at<QToolButton>("btnSelIsdn").click();
  }
  ASSERT_EQ(text("edIsdn"), "55100001");
  at<QLineEdit>("edGcallRemark").setText("上一位的备注");
  at<QLineEdit>("edSoDesc", "FAgenterInfo").setText("代办说明");
  at<QLineEdit>("edLinkPhone", "FAgenterInfo").setText("0571-1234");

  query("13900000999");  // the next customer's number, mistyped
  for (const char* e : {"edIsdn", "edGcallRemark", "edGpsPhoneId", "edCrbtsRemark"}) EXPECT_EQ(text(e), "") << e;
  for (const char* e : {"edSoMen", "edRegNbr", "edSoDesc", "edLinkPhone"})
    EXPECT_EQ(text(e, "FAgenterInfo"), "") << e;
  EXPECT_EQ(text("edCustName", "frmeBaseCustInfo"), "");
  EXPECT_EQ(text("edPhoneId", "frmeBaseUserInfo"), "");
  EXPECT_EQ(desk->reservedNumber(), "");
  EXPECT_FALSE(desk->verified());
  MPublicDef::SUserInfo user;
  MPublicDef::SCustInfo cust;
  desk->orderFacade().GetUserInfo(user);
  desk->orderFacade().GetCustInfo(cust);
  EXPECT_EQ(user.get_SERV_ID(), 0);
  EXPECT_EQ(cust.get_CUST_ID(), 0);

  // A successful query of the next customer starts from empty pages too.
  choose(5);
  query("13900000601");
  at<QLineEdit>("edGprsRemark").setText("GPRS备注");
  query("13900000601");
  EXPECT_EQ(text("edGprsRemark"), "");
}

// The public business object is bound to each subscriber's region anew;
// when that bind fails the refresh cannot go on, and the clerk is told so
// instead of facing a workspace that stays locked without a word.
TEST_F(Query, ABindThatFailsForTheSubscriberIsTold) {
  start(11);
  query("13900000601");
  ASSERT_TRUE(messages.Shown().empty());
  MPublicDef::SUserInfo user;
  desk->orderFacade().GetUserInfo(user);
  ASSERT_EQ(user.get_SERV_ID(), 601);
  zpgui::MessageLog log;
  {
    zp::testing::ScopedEnv nowhere("ZP_BROKER_ZEPHYRON", "inproc:nobody-serves-this");
    EXPECT_FALSE(desk->LoadSubscriberCatalogues(user));
  }
  ASSERT_EQ(log.Shown().size(), 1u);
  const GUIMessage& told = log.Shown().front();
  EXPECT_EQ(told.caption, "错误");
  EXPECT_EQ(told.flags, 16);
  EXPECT_EQ(told.text.rfind("营业公共服务初始化出错,无法显示该用户的新业务信息!\n错误[", 0), 0u) << told.text;
  EXPECT_NE(told.text.find("nobody-serves-this"), std::string::npos) << "names what could not be reached: "
                                                                      << told.text;
  EXPECT_NE(told.text.find("请稍后重新查询!"), std::string::npos) << told.text;
}

// The GPS usage list is read when the workspace starts. A read that failed
// then must not leave it empty for the workspace's life: the GPS query
// reads it again, and says so when it still cannot.
TEST_F(Query, AGpsUsageListThatFailedAtTheStartIsReadAgainForGps) {
  const std::vector<std::string> usages{"[1] 车辆定位", "[2] 人员定位"};
  const std::string failedText = "调用后台服务获得GPS服务使用方式列表失败,GPS业务暂时无法开通!\n请稍后重新查询!";
  const auto told = [&](const zpgui::MessageLog& log) {
    for (const GUIMessage& m : log.Shown())
      if (m.text == failedText && m.caption == "异常" && m.flags == 16) return true;
    return false;
  };
  backend.fail(MBusiPublic::IBusiPublic_get_codeList, kFault);
  start(11);
  EXPECT_EQ(at<QComboBox>("cmbGpsType").count(), 0);
  choose(102);
  {
    zpgui::MessageLog log;
    query("13900000601");
    EXPECT_TRUE(told(log)) << "a GPS opening without the list must be explained";
    EXPECT_EQ(at<QComboBox>("cmbGpsType").count(), 0);
  }
  backend.dispatcher->clear_faults();
  {
    zpgui::MessageLog log;
    query("13900000602");  // holds GPS, usage 2
    EXPECT_FALSE(told(log));
    EXPECT_EQ(zp::testing::Items(at<QComboBox>("cmbGpsType")), usages);
    EXPECT_EQ(at<QComboBox>("cmbGpsType").currentText().toStdString(), "[2] 人员定位");
    query("13900000601");
    EXPECT_TRUE(checked("radBtnOpen"));
    EXPECT_EQ(zp::testing::Items(at<QComboBox>("cmbGpsType")), usages);
  }
}

// A second pick the back end refuses has cost the first number (the facade
// gave it back before asking): it must not stay on screen as if held.
TEST_F(Query, ARefusedSecondPickTakesTheGivenBackNumberOffTheScreen) {
  start(11);
  query("13900000601");
  {
    zpgui::ModalScript script;
    Pick(script, 2);
    desk->btnSelIsdnClick();
  }
  ASSERT_EQ(text("edIsdn"), "55100002");
  // The back end gives the first number back and refuses the second.
  auto real = std::make_shared<zp::backend::VasDeskService>(*backend.db);
  zp::testing::Wiretap<MVasDesk::SDoSignResIn, MVasDesk::SDoSignResOut> tap(
      *backend.dispatcher, MVasDesk::IVasDesk_do_signRes,
      [real](const MVasDesk::SDoSignResIn& in, MVasDesk::SDoSignResOut& out, CBSErrorMsg& err) {
        if (in.get_ACT_TYPE() != 1) return real->do_signRes(in, out, err);
        err.code = 1006;
        err.text1 = "预占号码";
        err.text2 = "号码已被占用";
        return 1006;
      });
  {
    zpgui::ModalScript script;
    Pick(script, 4);
    desk->btnSelIsdnClick();
  }
  ASSERT_EQ(tap.Count(), 2u);
  EXPECT_EQ(tap.Seen()[0].get_RES_ID(), "55100002");
  EXPECT_EQ(tap.Seen()[0].get_ACT_TYPE(), 2);
  EXPECT_EQ(tap.Seen()[1].get_ACT_TYPE(), 1);
  EXPECT_EQ(backend.count("SELECT sts FROM zp_res_number WHERE res_id = '55100002'"), 1) << "given back";
  EXPECT_EQ(text("edIsdn"), "");
  EXPECT_EQ(desk->reservedNumber(), "");
  ASSERT_EQ(messages.Shown().size(), 1u);
}

// A number picked for a customer who is not served after all goes back to
// the pool when the operator turns to the next customer or business: held
// on, it would be out of every counter's pool until its lease ran out, and
// a few customers who walked away would use up the numbers this operator
// may hold at once (five), so that the next pick is refused.
TEST_F(Query, ANumberPickedForAnOrderLeftUnsubmittedGoesBackToThePool) {
  start(11);
  const auto status = [&](const std::string& number) {
    return backend.count("SELECT sts * 100 + op_id FROM zp_res_number WHERE res_id = '" + number + "'");
  };
  const int kFree = 100, kHeldBy11 = 211;
  const auto told = [&] {
    std::string all;
    for (const GUIMessage& m : messages.Shown()) all += m.text + "\n";
    return all;
  };
  for (int column = 0; column < 5; ++column) {
    query("13900000601");
    {
      zpgui::ModalScript script;
      Pick(script, column);
      at<QToolButton>("btnSelIsdn").click();
      ASSERT_EQ(script.Unexpected(), 0);
    }
    const std::string picked = "5510000" + std::to_string(column);
    ASSERT_EQ(text("edIsdn").toStdString(), picked) << told();
    EXPECT_EQ(status(picked), kHeldBy11);
    if (column == 2) {
      choose(102);  // another business for the same customer
      EXPECT_EQ(status(picked), kFree) << "given back on leaving Global Call";
      choose(101);
    }
  }
  // A sixth customer gets the first number of the pool again, and the
  // others picked before are all back in it.
  query("13900000601");
  {
    zpgui::ModalScript script;
    Pick(script, 0);
    at<QToolButton>("btnSelIsdn").click();
  }
  EXPECT_EQ(text("edIsdn"), "55100000");
  EXPECT_TRUE(messages.Shown().empty()) << told();
  EXPECT_EQ(status("55100000"), kHeldBy11);
  for (int k = 1; k < 5; ++k) EXPECT_EQ(status("5510000" + std::to_string(k)), kFree) << k;
}

// Start-up and a change of business happen with nobody at the counter: the
// focus waits on the phone number and the keypad stays shut until a query
// needs the password.
TEST_F(Query, TheFocusWaitsOnThePhoneAndTheKeypadOnTheQuery) {
  backend.db->transact(zp::store::Database::Intent::write, [](soci::session& sql) {
    sql << "INSERT INTO zp_ent_variable (var_name, var_value, remark) VALUES ('LOCATION', 'LOC_DAZUROV', '')";
    sql << "INSERT INTO zp_busi_verify_type (busi_code, verify_type) VALUES (1302, 2)";
    sql << "INSERT INTO zp_busi_verify_type (busi_code, verify_type) VALUES (1070, 2)";
  });
  zpgui::KeypadScript keypad(true);
  start(11);
  QWidget* phone = &at<QLineEdit>("edPhoneId", "frmeVerify");
  ASSERT_TRUE(at<QCheckBox>("chkCheckPass").isChecked());
  EXPECT_EQ(desk->focusWidget(), phone);
  choose(5);
  EXPECT_EQ(desk->focusWidget(), phone);
  EXPECT_TRUE(keypad.Events().empty());

  keypad.Type("");  // the customer gives up at the keypad
  query("13900000601");
  EXPECT_EQ(keypad.Events(), (std::vector<std::string>{"open", "read", "close"}));
  EXPECT_EQ(messages.Shown(), (Messages{{"请输入用户密码...", "提示", 64}}));
  EXPECT_FALSE(enabled("btnCommit"));
}

// A password is given by the customer it belongs to. At a keypad site the
// next customer's number opens the keypad again for his own password: the
// last customer's, left in the strip, must not be checked against his
// number, nor spare him the keypad.
TEST_F(Query, TheNextCustomerGivesHisOwnPassword) {
  backend.db->transact(zp::store::Database::Intent::write, [](soci::session& sql) {
    sql << "INSERT INTO zp_ent_variable (var_name, var_value, remark) VALUES ('LOCATION', 'LOC_DAZUROV', '')";
    sql << "INSERT INTO zp_busi_verify_type (busi_code, verify_type) VALUES (1302, 2)";
  });
  zpgui::KeypadScript keypad(true);
  start(11);
  keypad.Type("135790");
  query("13900000601");
  ASSERT_TRUE(desk->verified());
  ASSERT_EQ(desk->verifyMode(), 2);

  keypad.Type("246810");
  query("13900000602");
  EXPECT_TRUE(messages.Shown().empty());
  EXPECT_EQ(keypad.Events(), (std::vector<std::string>{"open", "read", "close", "open", "read", "close"}));
  EXPECT_TRUE(desk->verified());
  EXPECT_EQ(text("edPass", "frmeVerify"), "246810");
  EXPECT_EQ(text("edCustName", "frmeBaseCustInfo"), "孙二");
}


// The detail pages: captions, limits, items and the order Tab visits them.
TEST_F(Query, TheDetailPagesHoldTheirFieldsInTabOrder) {
  start(11);
  EXPECT_EQ(zp::testing::TabOrder(*desk, {"cmbGcallStatus", "edIsdn", "btnSelIsdn", "edGcallRemark", "edGpsPhoneId",
                                          "cmbGpsStatus", "cmbGpsType", "edSelfNo", "edCardNo", "edGpsRemark",
                                          "cmbSPId", "edGprsPhoneId", "cmbGprsStatus", "edGprsRemark",
                                          "edCrbtsPhoneId", "edCrbtsRemark", "cmbCrbtsStstus", "cmbSendFlag",
                                          "cmbSongId"}),
            (std::vector<std::string>{"cmbGcallStatus", "edIsdn", "btnSelIsdn", "edGcallRemark", "edGpsPhoneId",
                                      "cmbGpsStatus", "cmbGpsType", "edSelfNo", "edCardNo", "edGpsRemark", "cmbSPId",
                                      "edGprsPhoneId", "cmbGprsStatus", "edGprsRemark", "edCrbtsPhoneId",
                                      "edCrbtsRemark", "cmbCrbtsStstus", "cmbSendFlag", "cmbSongId"}));
  const struct {
    const char* edit;
    int maxLength;
  } limits[] = {{"edIsdn", 8},       {"edGcallRemark", 64}, {"edGpsPhoneId", 11}, {"edSelfNo", 12},
                {"edCardNo", 32},    {"edGpsRemark", 64},   {"edGprsRemark", 64}};
  for (const auto& l : limits) EXPECT_EQ(at<QLineEdit>(l.edit).maxLength(), l.maxLength) << l.edit;
  for (const char* status : {"cmbGcallStatus", "cmbGpsStatus", "cmbGprsStatus", "cmbCrbtsStstus"})
    EXPECT_EQ(zp::testing::Items(at<QComboBox>(status)), (std::vector<std::string>{"未开通", "已开通"})) << status;
  EXPECT_EQ(zp::testing::Items(at<QComboBox>("cmbSendFlag")), (std::vector<std::string>{"[0]不通知", "[1]通知"}));
  EXPECT_EQ(zp::testing::Items(at<QComboBox>("cmbGpsType")), (std::vector<std::string>{"[1] 车辆定位", "[2] 人员定位"}));
  EXPECT_FALSE(enabled("cmbGcallStatus"));
  EXPECT_FALSE(enabled("edGprsPhoneId"));
  EXPECT_EQ(at<QGroupBox>("gbGlobalInfo").title(), "全球呼信息");
  EXPECT_EQ(at<QGroupBox>("gbGpsInfo").title(), "Gps信息");
  EXPECT_EQ(at<QGroupBox>("gbCrbts").title(), "彩铃");
  // The papers' tables are ready before any order.
  EXPECT_TRUE(desk->voucherTable().isOpen());
  EXPECT_TRUE(desk->invoiceTable().isOpen());
  // The Global Call number takes digits only.
  auto& isdn = at<QLineEdit>("edIsdn");
  isdn.setReadOnly(false);
  zp::testing::Type(isdn, "55a1-0");
  EXPECT_EQ(isdn.text(), "5510");
}

// What reaches the back end: the GPS page as the operator filled it, as the
// order's special data, when the facade submits the order.
TEST_F(Query, TheGpsPageTravelsAsTheOrdersSpecialData) {
  zp::testing::Wiretap<MVasDesk::SSoUserServiceIn, MVasDesk::SSoUserServiceOut> tap(
      *backend.dispatcher, MVasDesk::IVasDesk_so_userService,
      [](const MVasDesk::SSoUserServiceIn&, MVasDesk::SSoUserServiceOut&, CBSErrorMsg&) { return 0; });
  start(11);
  choose(102);
  query("13900000601");
  ASSERT_TRUE(checked("radBtnOpen"));
  at<QComboBox>("cmbSPId").setCurrentIndex(1);    // [2] 通达位置
  at<QComboBox>("cmbGpsType").setCurrentIndex(0);  // [1] 车辆定位
  at<QLineEdit>("edSelfNo").setText("SD-1");
  at<QLineEdit>("edCardNo").setText("浙A·11111");
  at<QLineEdit>("edGpsRemark").setText("新装");
  EXPECT_EQ(desk->GpsPage().spId, 2);
  ASSERT_TRUE(desk->BuildOrderSpecialData(1));
  MVasDesk::SSoUserServiceOut out;
  desk->orderFacade().SubmitSo(out);
  ASSERT_EQ(tap.Count(), 1u);
  const MVasDesk::SSpecilDataInfo& sent = tap.Last().get_SPECILDATAINFO();
  EXPECT_EQ(sent.get_BUSI_TYPE(), 102);
  ASSERT_EQ(sent.get_DATAINFOLIST().size(), 1u);
  std::vector<std::string> cells;
  for (const auto& c : sent.get_DATAINFOLIST()[0].get_FIELDVALUELIST()) cells.push_back(c.get_FIELD_VALUE());
  EXPECT_EQ(cells, (std::vector<std::string>{"浙A·11111", "0000-00-00 00:00:00", "1", "571", "新装", "SD-1", "601", "2",
                                             "1", "102"}));
  // Global Call carries none.
  choose(101);
  EXPECT_FALSE(desk->BuildOrderSpecialData(1));
}

}  // namespace
