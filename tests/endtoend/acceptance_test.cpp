// Whole acceptances, end to end: zpserver runs as its own process on SQLite,
// the workspace talks to it over loopback, an operator (the GUI library's
// handlers) answers every question and fills every dialog, the papers are
// printed into PDF files, and the stored order is read back from the
// server's database afterwards.
//
// Global Call and the back-dated order run on the demo region. The rest run
// on a small world of their own in which every business is plan-bound, so
// the plan brings the promotions, GPS and the access point carry products,
// and a subscriber has every business to cancel or change.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QCheckBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <soci/soci.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "FormAfterDate.h"
#include "cbsdatetime.h"
#include "database.h"
#include "formVasDeskMain.h"
#include "frameBusiProduct.h"
#include "framePromInfo.h"
#include "gui_message.h"
#include "modal.h"
#include "operator_sign_in.h"
#include "offer_frames.h"
#include "printers.h"
#include "prom_info_page.h"
#include "publicbusi_functions.h"
#include "scoped_env.h"
#include "server_process.h"

namespace {

// The operator at the counter: says yes to every question (the rule
// chain's, the papers', the closing one), and keeps what was said.
class Operator final : public zpgui::MessageHandler {
 public:
  int Show(const zpgui::GUIMessage& m) override {
    shown.push_back(m);
    return zpgui::IsQuestion(m.flags) ? zpgui::kAnswerYes : zpgui::kAnswerOk;
  }
  bool Saw(const std::string& start) const {
    for (const auto& m : shown)
      if (m.text.rfind(start, 0) == 0) return true;
    return false;
  }
  std::string All() const {
    std::string all;
    for (const auto& m : shown) all += "[" + m.caption + "] " + m.text + "\n";
    return all;
  }
  std::vector<zpgui::GUIMessage> shown;
  zpgui::MessageHandlerScope scope{this};
};

// The world of the acceptances that the demo region cannot show.
// Operator 21 (every right) at county 1, organisation 210; subscribers in
// county 2, organisation 5710202.
//   701 has nothing;
//   702 has GPS with two products, GPRS with a promotion and a product,
//       and the access point.
const char* kWorld = R"json({
  "operators": [{"op_id": 21, "password": "pw0021", "org_id": 210, "region_code": 571, "county_code": 1, "op_name": "周敏"}],
  "operator_rights": [{"op_id": 21, "ent_id": 51501}, {"op_id": 21, "ent_id": 51502},
                      {"op_id": 21, "ent_id": 51505}, {"op_id": 21, "ent_id": 51506},
                      {"op_id": 21, "ent_id": 51507}, {"op_id": 21, "ent_id": 51508}],
  "customers": [{"cust_id": 71, "cust_name": "韩梅", "reg_type": 1, "reg_nbr": "330102198203034325", "region_code": 571},
                {"cust_id": 72, "cust_name": "冯军", "reg_type": 1, "reg_nbr": "330106197705056787", "region_code": 571}],
  "accounts": [{"acct_id": 81, "cust_id": 71}, {"acct_id": 82, "cust_id": 72}],
  "users": [
    {"serv_id": 701, "phone_id": "13900000701", "cust_id": 71, "acct_id": 81, "region_code": 571, "county_code": 2, "org_id": 5710202, "plan_id": 301, "brand": 1},
    {"serv_id": 702, "phone_id": "13900000702", "cust_id": 72, "acct_id": 82, "region_code": 571, "county_code": 2, "org_id": 5710202, "plan_id": 301, "brand": 1}],
  "user_services": [
    {"serv_id": 702, "busi_type": 102, "service_id": 1102, "remark": "车队"},
    {"serv_id": 702, "busi_type": 5, "service_id": 1005, "remark": "GPRS老用户"},
    {"serv_id": 702, "busi_type": 131, "service_id": 1131, "remark": "接入点"}],
  "user_products": [
    {"serv_id": 702, "prod_id": 3201, "busi_type": 102, "func_param": "13957100099", "service_id": 1102, "plan_id": 301},
    {"serv_id": 702, "prod_id": 3202, "busi_type": 102, "service_id": 1103, "plan_id": 301},
    {"serv_id": 702, "prod_id": 3001, "busi_type": 5, "service_id": 1005, "plan_id": 301}],
  "user_promotions": [
    {"serv_id": 702, "sprom_id": 2001, "busi_type": 5, "plan_id": 301, "service_id": 1005}],
  "special_data": [
    {"serv_id": 702, "busi_type": 102, "field_name": "SP_ID", "field_value": "2"},
    {"serv_id": 702, "busi_type": 102, "field_name": "GPS_TYPE", "field_value": "1"}],
  "service_providers": [{"sp_id": 1, "sp_name": "天途定位"}, {"sp_id": 2, "sp_name": "通达位置"}],
  "code_lists": [{"list_no": 0, "code": 1, "name": "个人客户"}, {"list_no": 3, "code": 1, "name": "身份证"},
                 {"list_no": 5, "code": 1, "name": "普通用户"}, {"list_no": 6, "code": 1, "name": "正常"},
                 {"list_no": 57, "code": 571, "name": "杭州"}, {"list_no": 58, "code": 2, "name": "上城"},
                 {"list_no": 64, "code": 1, "name": "车辆定位"}, {"list_no": 64, "code": 2, "name": "人员定位"}],
  "brands": [{"brand_id": 1, "brand_name": "全球通"}],
  "plans": [{"plan_id": 301, "brand_id": 1, "plan_name": "行业套餐"}],
  "sys_params": [{"region_code": 571, "para_name": "PromPopedomValid", "para_value": "0@0"}],
  "busi_types": [{"busi_type": 102, "busi_name": "GPS", "service_id": 1102, "type": 1, "seq": 1},
                 {"busi_type": 5, "busi_name": "GPRS", "service_id": 1005, "type": 1, "seq": 2},
                 {"busi_type": 131, "busi_name": "GPRS接入点", "service_id": 1131, "type": 1, "seq": 3}],
  "catalogue_items": [
    {"prod_id": 2201, "busi_type": 102, "prod_name": "GPS普通套餐", "service_id": 1102, "priority": 1, "valid_cycle": 6},
    {"prod_id": 2001, "busi_type": 5, "prod_name": "GPRS包月", "service_id": 1005, "priority": 1, "valid_cycle": 6},
    {"prod_id": 2002, "busi_type": 5, "prod_name": "GPRS夜间包", "service_id": 1005, "priority": 2, "valid_cycle": 6},
    {"prod_id": 2311, "busi_type": 131, "prod_name": "专用APN包年", "service_id": 1131, "priority": 1, "valid_cycle": 12},
    {"prod_id": 3131, "busi_type": 131, "prod_name": "专用APN接入", "is_prom": 0, "service_id": 1131}],
  "plan_proms": [{"plan_id": 301, "prom_id": 2201, "mandatory": 1}, {"plan_id": 301, "prom_id": 2001},
                 {"plan_id": 301, "prom_id": 2002, "mandatory": 2}, {"plan_id": 301, "prom_id": 2311, "mandatory": 1}],
  "plan_prods": [{"plan_id": 301, "product_id": 3131}],
  "book_items": [{"item_id": 103, "name": "手续费"}, {"item_id": 201, "name": "预存话费", "prepay": 1},
                 {"item_id": 302, "name": "手续费优惠"}],
  "acc_item_rels": [{"fee_item": 103, "disc_item": 302, "item_name": "手续费优惠"}],
  "fee_flags": [{"busi_code": 1304, "flag": 1}, {"busi_code": 1070, "flag": 1}, {"busi_code": 1076, "flag": 1}],
  "fee_rules": [{"busi_code": 1304, "book_item_id": 103, "item_value": 300, "remark": "GPS开通手续费"},
                {"busi_code": 1070, "book_item_id": 103, "item_value": 200, "remark": "GPRS开通手续费"},
                {"busi_code": 1076, "book_item_id": 103, "item_value": 400, "remark": "接入点开通手续费"}],
  "prepay_rules": [{"busi_code": 1304, "book_item_id": 201, "amount": 1000, "remark": "GPS预存"}]
})json";

// Until the product frame is plugged in, the access point's product comes
// from this stand-in: the one product the operator would have chosen.
class AccessPointProduct final : public zp::workspace::ProductFrame {
 public:
  int CountActiveProducts() const override { return servId_ ? 1 : 0; }
  void LoadProductCatalogue(const zp::workspace::OfferContext& o) override {
    servId_ = o.servId;
    region_ = o.subscriberRegion;
  }
  void ClearProducts() override { servId_ = 0; }
  void BuildProductOpers(MPublicDef::SMscFuncOperList& opers) const override {
    MPublicDef::SMscFuncOper p;
    p.set_ACT_TYPE(1);
    p.set_BUSI_TYPE(131);
    p.set_PROD_ID(3131);
    p.set_FUNC_PARAM("cmnet.zj");
    p.set_SERV_ID(servId_);
    p.set_REGION_CODE(region_);
    p.set_SERVICE_ID(1131);
    opers = {p};
  }

 private:
  std::int64_t servId_ = 0;
  std::int16_t region_ = 0;
};

class Acceptance : public ::testing::Test {
 protected:
  ~Acceptance() override { zpd_set_session({}); }
  bool demo_ = false;
  // Starts zpserver on the demo region, or on the world above.
  void Serve(bool demo) {
    ForgetCodeLists();
    demo_ = demo;
    dbPath = dir.filePath("zp.db").toStdString();
    std::vector<std::string> args{"--db", "sqlite:" + dbPath, "--quiet"};
    if (demo) {
      args.push_back("--seed-demo");
    } else {
      const std::string fixture = dir.filePath("world.json").toStdString();
      std::ofstream(fixture) << kWorld;
      args.push_back("--fixture");
      args.push_back(fixture);
    }
    ASSERT_TRUE(server.start(args));
    broker = std::make_unique<zp::testing::ScopedEnv>("ZP_BROKER_ZEPHYRON", server.address());
    // The run directory: the print templates, and the host's printer, a
    // folder of PDF files.
    std::filesystem::create_directory_symlink(PRINT_DIR, run.filePath("print").toStdString());
    runPath = std::make_unique<zp::testing::ScopedEnv>("ZP_RUN_PATH", run.path().toStdString());
    ASSERT_TRUE(SetDefaultPrinterName("PDF:" + papers.path().toStdString()));
  }
  // The host signs the operator in before it opens the module.
  void Open(int opId, int orgId) {
    OperatorSignIn signedIn;
    std::string why;
    ASSERT_TRUE(SignInOperator(opId, demo_ ? "demo" + std::to_string(opId) : "pw0021", signedIn, why)) << why;
    desk = new TfrmVasDesk(nullptr);
    ASSERT_TRUE(desk->Init(0, 571, 1, orgId, opId, {})) << op.All();
    desk->show();
  }
  template <class T>
  T& At(const char* name, const char* inside = nullptr) {
    QWidget* scope = inside ? desk->findChild<QWidget*>(inside) : desk.data();
    T* w = scope ? scope->findChild<T*>(name) : nullptr;
    if (!w) throw std::runtime_error(std::string("no control ") + name);
    return *w;
  }
  void Choose(int busiType) {
    auto& list = At<QTreeWidget>("lstvBusiType");
    for (int i = 0; i < list.topLevelItemCount(); ++i)
      if (list.topLevelItem(i)->text(1).toInt() == busiType) {
        list.setCurrentItem(list.topLevelItem(i));
        desk->lstvBusiTypeClick();
        return;
      }
    FAIL() << "no row for " << busiType;
  }
  // Queries the subscriber; an operator who may waive the password does.
  void Query(const char* phone, const char* password = nullptr) {
    auto& box = At<QCheckBox>("chkCheckPass", "frmeVerify");
    if (password) {
      At<QLineEdit>("edPass", "frmeVerify").setText(password);
    } else if (box.isEnabled()) {
      box.setChecked(false);
    }
    At<QLineEdit>("edPhoneId", "frmeVerify").setText(phone);
    At<QPushButton>("btnQueyA").click();
    ASSERT_TRUE(desk->verified()) << op.All();
    ASSERT_TRUE(At<QPushButton>("btnCommit").isEnabled()) << op.All();
  }
  std::string PickNumber() {
    zpgui::ModalScript script;
    std::string picked;
    script.Then([&picked](QDialog& dialog) {
      dialog.findChild<QPushButton*>("btnQuery")->click();
      auto* grid = dialog.findChild<QTableWidget*>("sgIsdn");
      QTableWidgetItem* item = grid->item(0, 0);
      ASSERT_NE(item, nullptr);
      picked = item->text().toStdString();
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(item).center());
      dialog.findChild<QPushButton*>("btnOK")->click();
    });
    desk->btnSelIsdnClick();
    EXPECT_EQ(script.Unexpected(), 0);
    return picked;
  }
  // Commits with the operator confirming the fees as priced; true when the
  // fee dialog came up.
  bool Commit() {
    zpgui::ModalScript fees;
    fees.Then([](QDialog& d) { d.findChild<QPushButton*>("btnOK")->click(); });
    At<QPushButton>("btnCommit").click();
    EXPECT_EQ(fees.Unexpected(), 0);
    return !fees.Shown().empty();
  }

  // What the server stored, read from its database.
  long long Count(const std::string& query) {
    if (!db) db = zp::store::Database::open({"sqlite:" + dbPath, 1});
    long long n = -1;
    db->transact(zp::store::Database::Intent::read, [&](soci::session& sql) { sql << query, soci::into(n); });
    return n;
  }
  long long LastOrder() { return Count("SELECT COALESCE(MAX(so_nbr), 0) FROM zp_order"); }
  long long Lines(long long soNbr, const std::string& where) {
    return Count("SELECT COUNT(*) FROM zp_order_line WHERE so_nbr = " + std::to_string(soNbr) + " AND " + where);
  }
  // The PDF files printed, by paper.
  int Printed(const char* document) {
    return static_cast<int>(QDir(papers.path()).entryList({QString(document) + "*.pdf"}, QDir::Files).size());
  }
  static std::string PdfText(const std::string& path) {
    std::string text;
    if (FILE* pipe = ::popen(("pdftotext -layout '" + path + "' -").c_str(), "r")) {
      char buffer[4096];
      for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
      ::pclose(pipe);
    }
    return text;
  }
  int PrintedAll() { return static_cast<int>(QDir(papers.path()).entryList({"*.pdf"}, QDir::Files).size()); }
  // Receipt and invoice came out, the invoice was counted, the workspace
  // was reset and stays open for the next subscriber.
  void ExpectPrintedAndReset(long long soNbr, bool invoice) {
    EXPECT_TRUE(op.Saw("是否打印回执")) << op.All();
    EXPECT_EQ(PrintedAll(), invoice ? 2 : 1) << op.All();
    EXPECT_EQ(op.Saw("是否打印发票"), invoice);
    // Every paper is this order's.
    for (const QString& name : QDir(papers.path()).entryList({"*.pdf"}, QDir::Files)) {
      const std::string text = PdfText(papers.filePath(name).toStdString());
      EXPECT_NE(text.find(std::to_string(soNbr)), std::string::npos) << name.toStdString() << ":\n" << text;
    }
    if (invoice) EXPECT_EQ(Count("SELECT print_count FROM zp_order WHERE so_nbr = " + std::to_string(soNbr)), 1);
    EXPECT_TRUE(op.Saw("恭喜你,\n[")) << op.All();
    ASSERT_FALSE(desk.isNull());
    EXPECT_TRUE(desk->isVisible());
    EXPECT_FALSE(At<QPushButton>("btnCommit").isEnabled());
    EXPECT_EQ(desk->reservedNumber(), "");
  }
  void TearDown() override {
    delete desk.data();
    db.reset();
    ForgetCodeLists();
  }

  QTemporaryDir dir, run, papers;
  std::string dbPath;
  zp::testing::ServerProcess server;
  std::unique_ptr<zp::testing::ScopedEnv> broker, runPath;
  std::unique_ptr<zp::store::Database> db;
  Operator op;
  QPointer<TfrmVasDesk> desk;
};

TEST_F(Acceptance, OpenGlobalCallWithANumber) {
  Serve(true);
  Open(1001, 5710101);
  Query("13957100001");
  ASSERT_TRUE(At<QRadioButton>("radBtnOpen").isChecked());
  const std::string number = PickNumber();
  ASSERT_FALSE(number.empty());
  At<QLineEdit>("edGcallRemark").setText("出国商务");
  EXPECT_TRUE(Commit()) << "opening Global Call is priced";
  const long long so = LastOrder();
  ASSERT_GT(so, 0) << op.All();
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_order WHERE so_nbr = " + std::to_string(so) +
                  " AND busi_code = 1302 AND serv_id = 9001 AND op_id = 1001 AND so_org_id = 5710101 AND after_flag = 0"),
            1);
  EXPECT_EQ(Lines(so, "kind = 'service' AND act_type = 1 AND item_id = 101 AND item_text = '" + number + "'"), 1);
  // The demo plan's mandatory discount and pre-selected minimum.
  EXPECT_EQ(Lines(so, "kind = 'promotion' AND act_type = 1 AND item_id IN (2101, 2102)"), 2);
  EXPECT_GE(Lines(so, "kind = 'fee'"), 1);
  EXPECT_EQ(Count("SELECT SUM(amount) FROM zp_order_line WHERE kind = 'fee' AND so_nbr = " + std::to_string(so)),
            500 + 800 + 3000 + 3000);
  EXPECT_EQ(Lines(so, "kind = 'agent' AND item_text = '周明'"), 1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 9001 AND busi_type = 101 AND res_id = '" +
                  number + "' AND remark = '出国商务'"),
            1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_res_number WHERE res_id = '" + number + "' AND sts = 3 AND serv_id = 9001"),
            1);
  ExpectPrintedAndReset(so, true);
}

TEST_F(Acceptance, CancelGlobalCallGivesTheNumberBack) {
  Serve(true);
  Open(1001, 5710101);
  Query("13957100002", "246810");
  ASSERT_TRUE(At<QRadioButton>("radBtnClose").isChecked());
  ASSERT_EQ(At<QLineEdit>("edIsdn").text().toStdString(), "57099001");
  const int mode = desk->verifyMode();
  EXPECT_FALSE(Commit()) << "cancelling Global Call is not priced";
  const long long so = LastOrder();
  ASSERT_GT(so, 0) << op.All();
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_order WHERE busi_code = 1303 AND serv_id = 9002 AND verify_mode = " +
                  std::to_string(mode)),
            1);
  EXPECT_NE(mode, 0) << "checked by password";
  EXPECT_EQ(Lines(so, "kind = 'service' AND act_type = 3 AND item_text = '57099001'"), 1);
  EXPECT_EQ(Lines(so, "kind = 'promotion' AND act_type = 3 AND item_id = 2101"), 1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 9002 AND busi_type = 101"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_res_number WHERE res_id = '57099001' AND sts = 1 AND serv_id = 0"), 1);
  ExpectPrintedAndReset(so, false);
}

// Opening a ring-back tone is not offered at the counter (the workspace
// enables no operation for a subscriber without one); cancelling is, and
// takes the song's details and the ring-back product with it.
TEST_F(Acceptance, CancelRingBackTone) {
  Serve(true);
  Open(1001, 5710101);
  Choose(104);
  Query("13957100002");
  ASSERT_TRUE(At<QRadioButton>("radBtnClose").isChecked());
  ASSERT_EQ(At<QComboBox>("cmbSongId").currentText().toStdString(), "[A01] 生日快乐");
  Commit();
  const long long so = LastOrder();
  ASSERT_GT(so, 0) << op.All();
  EXPECT_EQ(Count("SELECT busi_code FROM zp_order WHERE so_nbr = " + std::to_string(so)), 1325);
  EXPECT_EQ(Lines(so, "kind = 'service' AND act_type = 3 AND item_id = 104"), 1);
  EXPECT_EQ(Lines(so, "kind = 'special' AND act_type = 3 AND item_id = 104"), 1);
  EXPECT_EQ(Lines(so, "kind = 'product' AND act_type = 3 AND item_id = 3101"), 1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 9002 AND busi_type = 104"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_special_data WHERE serv_id = 9002 AND busi_type = 104"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_product WHERE serv_id = 9002 AND prod_id = 3101"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_product WHERE serv_id = 9002 AND prod_id = 3001"), 1)
      << "GPRS's product stays";
  ExpectPrintedAndReset(so, false);
}

TEST_F(Acceptance, ABackDatedOrderKeepsItsDate) {
  Serve(true);
  Open(1001, 5710101);
  Query("13957100006");
  PickNumber();
  const QDate day = QDate::currentDate().addDays(-3);
  {
    zpgui::ModalScript script;
    script.Then([day](QDialog& d) {
      static_cast<TfrmAfterInfo&>(d).SetAfterDate(CBSDateTime::make(day.year(), day.month(), day.day()));
      d.findChild<QPushButton*>("btnOk")->click();
    });
    At<QCheckBox>("chkAfterFlag").click();
    ASSERT_EQ(script.Shown().size(), 1u);
  }
  ASSERT_EQ(desk->afterFlag(), 1) << op.All();
  Commit();
  const long long so = LastOrder();
  ASSERT_GT(so, 0) << op.All();
  EXPECT_EQ(Count("SELECT after_flag FROM zp_order WHERE so_nbr = " + std::to_string(so)), 1);
  EXPECT_EQ(Count("SELECT after_date FROM zp_order WHERE so_nbr = " + std::to_string(so)),
            CBSDateTime::make(day.year(), day.month(), day.day()).packed());
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 9006 AND busi_type = 101"), 1);
  ExpectPrintedAndReset(so, true);
}

TEST_F(Acceptance, OpenGpsWithProviderAndUsage) {
  Serve(false);
  Open(21, 210);
  Choose(102);
  Query("13900000701");
  ASSERT_TRUE(At<QRadioButton>("radBtnOpen").isChecked());
  At<QComboBox>("cmbSPId").setCurrentIndex(At<QComboBox>("cmbSPId").findText("[2] 通达位置"));
  At<QComboBox>("cmbGpsType").setCurrentIndex(At<QComboBox>("cmbGpsType").findText("[1] 车辆定位"));
  At<QLineEdit>("edSelfNo").setText("CAR-7");
  At<QLineEdit>("edCardNo").setText("浙A·70001");
  At<QLineEdit>("edGpsRemark").setText("冷链车");
  EXPECT_TRUE(Commit());
  const long long so = LastOrder();
  ASSERT_GT(so, 0) << op.All();
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_order WHERE busi_code = 1304 AND serv_id = 701 AND county_code = 2 AND "
                  "so_county_code = 1 AND org_id = 5710202 AND so_org_id = 210"),
            1);
  EXPECT_EQ(Lines(so, "kind = 'service' AND act_type = 1 AND item_id = 102"), 1);
  EXPECT_EQ(Lines(so, "kind = 'promotion' AND act_type = 1 AND item_id = 2201"), 1);
  EXPECT_EQ(Lines(so, "kind = 'special' AND item_id = 102"), 1);
  // The fee and the prepayment folded into the fees.
  EXPECT_EQ(Count("SELECT SUM(amount) FROM zp_order_line WHERE kind = 'fee' AND so_nbr = " + std::to_string(so)),
            300 + 1000);
  const auto detail = [&](const char* field, const char* value) {
    return Count(std::string("SELECT COUNT(*) FROM zp_special_data WHERE serv_id = 701 AND busi_type = 102 AND "
                             "field_name = '") + field + "' AND field_value = '" + value + "'");
  };
  EXPECT_EQ(detail("SP_ID", "2"), 1);
  EXPECT_EQ(detail("GPS_TYPE", "1"), 1);
  EXPECT_EQ(detail("SELF_NO", "CAR-7"), 1);
  EXPECT_EQ(detail("CARD_NO", "浙A·70001"), 1);
  EXPECT_EQ(detail("REMARK", "冷链车"), 1);
  ExpectPrintedAndReset(so, true);
}

TEST_F(Acceptance, CancelGpsWithTwoProducts) {
  Serve(false);
  Open(21, 210);
  Choose(102);
  Query("13900000702");
  ASSERT_TRUE(At<QRadioButton>("radBtnClose").isChecked());
  Commit();
  const long long so = LastOrder();
  ASSERT_GT(so, 0) << op.All();
  EXPECT_EQ(Count("SELECT busi_code FROM zp_order WHERE so_nbr = " + std::to_string(so)), 1305);
  EXPECT_EQ(Lines(so, "kind = 'service' AND act_type = 3 AND item_id = 102"), 1);
  EXPECT_EQ(Lines(so, "kind = 'product' AND act_type = 3 AND item_id IN (3201, 3202)"), 2);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_product WHERE serv_id = 702 AND busi_type = 102"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_product WHERE serv_id = 702 AND prod_id = 3001"), 1)
      << "GPRS's product is not GPS's";
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_special_data WHERE serv_id = 702 AND busi_type = 102"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 702 AND busi_type = 102"), 0);
  ExpectPrintedAndReset(so, false);
}

TEST_F(Acceptance, OpenGprs) {
  Serve(false);
  Open(21, 210);
  Choose(5);
  Query("13900000701");
  ASSERT_TRUE(At<QRadioButton>("radBtnOpen").isChecked());
  At<QLineEdit>("edGprsRemark").setText("手机上网");
  EXPECT_TRUE(Commit());
  const long long so = LastOrder();
  ASSERT_GT(so, 0) << op.All();
  EXPECT_EQ(Count("SELECT busi_code FROM zp_order WHERE so_nbr = " + std::to_string(so)), 1070);
  EXPECT_EQ(Lines(so, "kind = 'promotion' AND act_type = 1 AND item_id = 2002"), 1);
  EXPECT_EQ(Count("SELECT SUM(amount) FROM zp_order_line WHERE kind = 'fee' AND so_nbr = " + std::to_string(so)), 200);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 701 AND busi_type = 5 AND remark = '手机上网'"),
            1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_promotion WHERE serv_id = 701 AND sprom_id = 2002"), 1);
  ExpectPrintedAndReset(so, true);
}

TEST_F(Acceptance, ChangeGprs) {
  Serve(false);
  Open(21, 210);
  Choose(5);
  Query("13900000702");
  At<QRadioButton>("radBtnMod").setChecked(true);
  // The operator adds the night package in the promotion dialog.
  {
    zpgui::ModalScript script;
    script.Then([](QDialog& d) {
      auto* list = d.findChild<QTreeWidget*>("lstvSpromInfo");
      ASSERT_NE(list, nullptr);
      for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        if (!item->text(0).startsWith("[2002]")) continue;
        item->setCheckState(0, Qt::Checked);
        emit list->itemClicked(item, 0);
      }
      d.findChild<QPushButton*>("btnOK")->click();
    });
    desk->findChild<TfrmePromInfo*>()->findChild<QPushButton*>("btnAdd")->click();
    ASSERT_EQ(script.Shown().size(), 1u) << op.All();
  }
  At<QLineEdit>("edGprsRemark").setText("改夜间包");
  Commit();
  const long long so = LastOrder();
  ASSERT_GT(so, 0) << op.All();
  EXPECT_EQ(Count("SELECT busi_code FROM zp_order WHERE so_nbr = " + std::to_string(so)), 1073);
  EXPECT_EQ(Lines(so, "kind = 'service' AND act_type = 2"), 1);
  // The night package added beside the kept monthly one.
  EXPECT_EQ(Lines(so, "kind = 'promotion' AND act_type = 1 AND item_id = 2002"), 1);
  EXPECT_EQ(Lines(so, "kind = 'promotion' AND item_id = 2001"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 702 AND busi_type = 5 AND remark = '改夜间包'"),
            1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_promotion WHERE serv_id = 702 AND sprom_id IN (2001, 2002)"), 2);
  ExpectPrintedAndReset(so, false);
}

TEST_F(Acceptance, CancelGprs) {
  Serve(false);
  Open(21, 210);
  Choose(5);
  Query("13900000702");
  ASSERT_TRUE(At<QRadioButton>("radBtnClose").isChecked());
  Commit();
  const long long so = LastOrder();
  ASSERT_GT(so, 0) << op.All();
  EXPECT_EQ(Count("SELECT busi_code FROM zp_order WHERE so_nbr = " + std::to_string(so)), 1071);
  EXPECT_EQ(Lines(so, "kind = 'promotion' AND act_type = 3 AND item_id = 2001"), 1);
  EXPECT_EQ(Lines(so, "kind = 'product' AND act_type = 3 AND item_id = 3001"), 1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 702 AND busi_type = 5"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_promotion WHERE serv_id = 702 AND sprom_id = 2001"), 0);
  ExpectPrintedAndReset(so, false);
}

TEST_F(Acceptance, OpenTheAccessPointWithItsProduct) {
  Serve(false);
  Open(21, 210);
  desk->SetOfferFrames(std::make_unique<zp::workspace::PromInfoPage>(), std::make_unique<AccessPointProduct>());
  Choose(131);
  Query("13900000701");
  ASSERT_TRUE(At<QRadioButton>("radBtnOpen").isChecked());
  EXPECT_TRUE(Commit());
  const long long so = LastOrder();
  ASSERT_GT(so, 0) << op.All();
  EXPECT_EQ(Count("SELECT busi_code FROM zp_order WHERE so_nbr = " + std::to_string(so)), 1076);
  EXPECT_EQ(Lines(so, "kind = 'product' AND act_type = 1 AND item_id = 3131 AND item_text = 'cmnet.zj'"), 1);
  EXPECT_EQ(Lines(so, "kind = 'promotion' AND act_type = 1 AND item_id = 2311"), 1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_product WHERE serv_id = 701 AND prod_id = 3131 AND busi_type = 131"),
            1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 701 AND busi_type = 131"), 1);
  ExpectPrintedAndReset(so, true);
}

}  // namespace

namespace {

// In the product dialog: checks the rows whose caption holds `code`.
zpgui::ModalScript::Step CheckProducts(std::vector<const char*> codes) {
  return [codes](QDialog& d) {
    auto* list = d.findChild<QTreeWidget*>("lstvBusiProductEdit");
    ASSERT_NE(list, nullptr);
    for (const char* code : codes)
      for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list->topLevelItem(i);
        if (item->text(0).contains(code) && item->checkState(0) != Qt::Checked) {
          item->setCheckState(0, Qt::Checked);
          emit list->itemClicked(item, 0);
        }
      }
    d.findChild<QPushButton*>("btnOk")->click();
  };
}

// Opens `busiType` for the demo subscriber who has nothing, with the products
// whose captions hold `codes` checked in the workspace's own product dialog;
// the new order's number, or 0.
class DemoAcceptance : public Acceptance {
 protected:
  long long OpenWithProducts(int busiType, std::vector<const char*> codes) {
    Serve(true);
    Open(1001, 5710101);
    Choose(busiType);
    Query("13957100001");
    EXPECT_TRUE(At<QRadioButton>("radBtnOpen").isChecked()) << op.All();
    zpgui::ModalScript choose;
    choose.Then(CheckProducts(std::move(codes)));
    auto* products = desk->findChild<TframeBusiProduct*>();
    if (!products) return 0;
    products->findChild<QPushButton*>("btnAdd")->click();
    EXPECT_EQ(choose.Unexpected(), 0);
    Commit();
    return LastOrder();
  }
};

// GPRS with its usage notice, which brings the GPRS function it requires.
TEST_F(DemoAcceptance, OpenGprsWithItsProducts) {
  const long long so = OpenWithProducts(5, {"3002"});
  ASSERT_GT(so, 0) << op.All();
  EXPECT_EQ(Count("SELECT busi_code FROM zp_order WHERE so_nbr = " + std::to_string(so)), 1070);
  EXPECT_EQ(Lines(so, "kind = 'product' AND act_type = 1 AND item_id = 3001"), 1) << "the required function";
  EXPECT_EQ(Lines(so, "kind = 'product' AND act_type = 1 AND item_id = 3002"), 1) << op.All();
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 9001 AND busi_type = 5"), 1);
  ExpectPrintedAndReset(so, false);
}

// The access point with its product.
TEST_F(DemoAcceptance, OpenTheAccessPoint) {
  const long long so = OpenWithProducts(131, {"3311"});
  ASSERT_GT(so, 0) << op.All();
  EXPECT_EQ(Count("SELECT busi_code FROM zp_order WHERE so_nbr = " + std::to_string(so)), 1076);
  EXPECT_EQ(Lines(so, "kind = 'product' AND act_type = 1 AND item_id = 3311"), 1) << op.All();
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_product WHERE serv_id = 9001 AND prod_id = 3311"), 1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM zp_user_service WHERE serv_id = 9001 AND busi_type = 131"), 1);
  ExpectPrintedAndReset(so, false);
}
}  // namespace
