// The workspace's start, its business types, the number it reserves through
// the number dialog and gives back when it closes, against an in-process
// back end.
#include "formVasDeskMain.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <memory>
#include <optional>
#include <string>

#include "MBusiPublic.h"
#include "backend_world.h"
#include "business_codes.h"
#include "formSelGlobeIsdn.h"
#include "gui_message.h"
#include "modal.h"
#include "scoped_env.h"

using zp::store::Backend;
using zp::testing::BackendWorld;
using zpgui::GUIMessage;

namespace {

// Operator 11 of region 571. Subscriber 502 holds 55000001; the pool has
// 55100000-55100009 free.
std::string world(const std::string& busiTypes) {
  return R"({
  "operators": [{"op_id": 11, "org_id": 110, "region_code": 571, "county_code": 1},
                {"op_id": 12, "org_id": 120, "region_code": 571, "county_code": 1}],
  "customers": [{"cust_id": 1, "cust_name": "周明", "region_code": 571}],
  "accounts": [{"acct_id": 2, "cust_id": 1}],
  "users": [{"serv_id": 502, "phone_id": "13900000502", "cust_id": 1, "acct_id": 2, "region_code": 571}],
  "numbers": [{"res_id": "55000001", "region_code": 571, "sts": 3, "serv_id": 502}],
  "number_ranges": [{"first": "55100000", "count": 10, "region_code": 571}],
  "verify_types": [{"busi_code": 1302, "verify_type": 2}],
  "busi_types": )" + busiTypes + "}";
}

const char* kFourTypes = R"([{"busi_type": 1, "busi_name": "语音", "seq": 1},
  {"busi_type": 101, "busi_name": "全球呼", "seq": 2},
  {"busi_type": 7, "busi_name": "短信", "seq": 3},
  {"busi_type": 131, "busi_name": "GPRS接入点", "seq": 4}])";

template <class T>
T* child(QWidget& w, const char* name) {
  T* c = w.findChild<T*>(name);
  EXPECT_NE(c, nullptr) << name;
  return c;
}

class Workspace : public ::testing::Test {
 protected:
  void start(const std::string& busiTypes) {
    backend = std::make_unique<BackendWorld>(Backend::sqlite, world(busiTypes));
    desk = new TfrmVasDesk(nullptr);
    ready = desk->Init(0, 571, 1, 110, 11, {});
  }
  void TearDown() override { delete desk.data(); }

  long long numberStatus(const std::string& id) {
    return backend->count("SELECT sts FROM zp_res_number WHERE res_id = '" + id + "'");
  }

  // The operator queries the pool in the number dialog and double-clicks the
  // number in the given cell.
  static void pick(zpgui::ModalScript& script, int row, int column) {
    script.Then([row, column](QDialog& dialog) {
      QTest::mouseClick(child<QPushButton>(dialog, "btnQuery"), Qt::LeftButton);
      auto* grid = child<QTableWidget>(dialog, "sgIsdn");
      QTableWidgetItem* item = grid->item(row, column);
      ASSERT_NE(item, nullptr);
      const QPoint at = grid->visualItemRect(item).center();
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
      QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    });
  }

  std::unique_ptr<BackendWorld> backend;
  zpgui::MessageLog messages;
  QPointer<TfrmVasDesk> desk;
  bool ready = false;
};

TEST_F(Workspace, OffersOnlyTheFiveBusinessTypesAndStartsWithTheFirst) {
  start(kFourTypes);
  ASSERT_TRUE(ready);
  auto* list = child<QTreeWidget>(*desk, "lstvBusiType");
  ASSERT_EQ(list->topLevelItemCount(), 2);
  EXPECT_EQ(list->topLevelItem(0)->text(0), "全球呼");
  EXPECT_EQ(list->topLevelItem(0)->text(1), "101");
  EXPECT_EQ(list->topLevelItem(1)->text(1), "131");
  EXPECT_EQ(list->headerItem()->text(0), "选择业务类型");
  EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
  EXPECT_EQ(list->topLevelItem(0)->foreground(0).color(), QColor(Qt::red));
  EXPECT_NE(list->topLevelItem(1)->foreground(0).color(), QColor(Qt::red));
  EXPECT_EQ(desk->busiTypes().size(), 2u);
  EXPECT_EQ(desk->busiType(), 101);
  EXPECT_EQ(desk->busiCode(), 1302);
  EXPECT_FALSE(child<QRadioButton>(*desk, "radBtnMod")->isVisibleTo(desk));
  EXPECT_FALSE(child<QPushButton>(*desk, "btnCommit")->isEnabled());
  EXPECT_TRUE(messages.Shown().empty());
}

// The strip is primed for the first business: Global Call asks for the
// service password, and operator 11 may not waive it. A pasted number must
// pass the strip's digits filter.
TEST_F(Workspace, TheVerificationStripServesTheFirstBusinessAndGuardsPastes) {
  start(kFourTypes);
  ASSERT_TRUE(ready);
  auto* checkPass = child<QCheckBox>(*desk, "chkCheckPass");
  EXPECT_TRUE(checkPass->isChecked());
  EXPECT_FALSE(checkPass->isEnabled());

  auto* phone = child<QLineEdit>(*desk, "edPhoneId");
  for (const auto& [pasted, kept] : {std::pair{"1390000050a", ""}, std::pair{"13900000502", "13900000502"}}) {
    phone->clear();
    QGuiApplication::clipboard()->setText(pasted);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
    QCoreApplication::sendEvent(phone, &press);
    EXPECT_EQ(phone->text(), kept) << pasted;
  }
}

TEST_F(Workspace, AFirstTypeWithAChangeShowsTheChangeButtonDisabled) {
  start(R"([{"busi_type": 131, "busi_name": "GPRS接入点", "seq": 1}, {"busi_type": 101, "busi_name": "全球呼", "seq": 2}])");
  ASSERT_TRUE(ready);
  auto* mod = child<QRadioButton>(*desk, "radBtnMod");
  EXPECT_TRUE(mod->isVisibleTo(desk));
  EXPECT_FALSE(mod->isEnabled());
  EXPECT_FALSE(mod->isChecked());
  EXPECT_EQ(desk->busiCode(), 1076);
}

TEST_F(Workspace, InitialisationFailuresLeaveAnEmptyWorkspace) {
  start(R"([{"busi_type": 1, "busi_name": "语音"}])");
  EXPECT_FALSE(ready);
  EXPECT_EQ(messages.Shown(),
            (std::vector<GUIMessage>{{"提示:后台参数表cp.pm_busi_type_def没有配置任何新业务类型，请配置!", "提示", 16}}));
  EXPECT_EQ(child<QTreeWidget>(*desk, "lstvBusiType")->topLevelItemCount(), 0);

  backend->fail(MBusiPublic::IBusiCatalogue_get_busiType, {31, 0, "取业务类型", "产品服务不可用"});
  TfrmVasDesk failing(nullptr);
  EXPECT_FALSE(failing.Init(0, 571, 1, 110, 11, {}));
  EXPECT_EQ(messages.Shown().back(),
            (GUIMessage{"调用后台服务<productintf>取业务类型busiType信息失败!\n错误[产品服务不可用]\n[取业务类型]请稍后再试!",
                        "异常", 16}));

  // No broker at all: nothing to say, nothing to show.
  const std::size_t shown = messages.Shown().size();
  zp::testing::ScopedEnv nowhere("ZP_BROKER_ZEPHYRON", "inproc:nobody-serves-this");
  TfrmVasDesk unbound(nullptr);
  EXPECT_FALSE(unbound.Init(0, 571, 1, 110, 11, {}));
  EXPECT_EQ(messages.Shown().size(), shown);
}

TEST(BusinessCodes, EachTypeAndOperationHasItsCodeAndOnlyTheFiveTypesAreOffered) {
  using zp::workspace::BusiCodeOf;
  const struct {
    int type, open, cancel, change;
  } table[] = {{101, 1302, 1303, 0}, {102, 1304, 1305, 0}, {5, 1070, 1071, 1073},
               {104, 1324, 1325, 0}, {131, 1076, 1077, 1078}, {7, 0, 0, 0}};
  for (const auto& t : table) {
    EXPECT_EQ(BusiCodeOf(t.type, 1), t.open) << t.type;
    EXPECT_EQ(BusiCodeOf(t.type, 2), t.cancel) << t.type;
    EXPECT_EQ(BusiCodeOf(t.type, 3), t.change) << t.type;
    EXPECT_EQ(BusiCodeOf(t.type, 4), 0) << t.type;
    EXPECT_EQ(zp::workspace::IsOfferedBusiType(t.type), t.open != 0) << t.type;
  }
}

TEST_F(Workspace, TheChosenNumberIsReservedAndGivenBackWhenTheWindowCloses) {
  start(kFourTypes);
  ASSERT_TRUE(ready);
  {
    zpgui::ModalScript script;
    pick(script, 0, 2);  // the third number of the pool
    desk->btnSelIsdnClick();
    EXPECT_EQ(script.Unexpected(), 0);
  }
  EXPECT_EQ(desk->reservedNumber(), "55100002");
  EXPECT_EQ(child<QLineEdit>(*desk, "edIsdn")->text(), "55100002");
  EXPECT_EQ(numberStatus("55100002"), 2);

  // Another number gives the first one back.
  {
    zpgui::ModalScript script;
    pick(script, 0, 4);
    desk->btnSelIsdnClick();
  }
  EXPECT_EQ(desk->reservedNumber(), "55100005");  // the pool minus the one held
  EXPECT_EQ(numberStatus("55100002"), 1);

  // A cancelled dialog changes nothing.
  {
    zpgui::ModalScript script;
    script.Then([](QDialog& d) { QTest::mouseClick(child<QPushButton>(d, "btnCancel"), Qt::LeftButton); });
    desk->btnSelIsdnClick();
  }
  EXPECT_EQ(desk->reservedNumber(), "55100005");

  desk->close();  // frees itself
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(desk.isNull());
  EXPECT_EQ(numberStatus("55100005"), 1);
  EXPECT_TRUE(messages.Shown().empty());
}

TEST_F(Workspace, AReservationRefusedByTheBackEndLeavesTheNumberFieldAlone) {
  start(kFourTypes);
  ASSERT_TRUE(ready);
  backend->fail(MVasDesk::IVasDesk_do_signRes, {1006, 0, "预占号码", "号码已被占用"});
  zpgui::ModalScript script;
  pick(script, 0, 0);
  desk->btnSelIsdnClick();
  EXPECT_EQ(desk->reservedNumber(), "");
  EXPECT_EQ(child<QLineEdit>(*desk, "edIsdn")->text(), "");
  ASSERT_EQ(messages.Shown().size(), 1u);
  EXPECT_EQ(messages.Shown()[0].text, "预占号码[55100000]失败!\n错误[号码已被占用]\n[预占号码]\n请稍后再试!");
}

TEST_F(Workspace, AResetForgetsTheNumberWithoutGivingItBack) {
  start(kFourTypes);
  ASSERT_TRUE(ready);
  zpgui::ModalScript script;
  pick(script, 0, 1);
  desk->btnSelIsdnClick();
  ASSERT_EQ(desk->reservedNumber(), "55100001");
  desk->ResetWorkspace();
  EXPECT_EQ(desk->reservedNumber(), "");
  desk->close();
  EXPECT_EQ(numberStatus("55100001"), 2);  // the lease frees it in time
}

}  // namespace

// A workspace that could not start has no business type and never primed
// its verification strip: a query from it would run for no operator and no
// business. The strip is locked and the list says what to do.
TEST_F(Workspace, AWorkspaceThatCouldNotStartQueriesNobody) {
  const struct {
    const char* why;
    const char* busiTypes;
    bool broker;
  } cases[] = {{"no business type of the module", R"([{"busi_type": 1, "busi_name": "语音"}])", true},
               {"no back end at the start", kFourTypes, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    backend = std::make_unique<BackendWorld>(Backend::sqlite, world(c.busiTypes));
    auto failed = std::make_unique<TfrmVasDesk>(nullptr);
    {
      std::optional<zp::testing::ScopedEnv> nowhere;
      if (!c.broker) nowhere.emplace("ZP_BROKER_ZEPHYRON", "inproc:nobody-serves-this");
      EXPECT_FALSE(failed->Init(0, 571, 1, 110, 11, {}));
    }
    const std::size_t shown = messages.Shown().size();
    // The back end answers now; the clerk tries the empty window anyway.
    child<QLineEdit>(*failed, "edPhoneId")->setText("13900000502");
    QTest::mouseClick(child<QPushButton>(*failed, "btnQueyA"), Qt::LeftButton);
    EXPECT_EQ(messages.Shown().size(), shown) << messages.Shown().back().text;
    EXPECT_EQ(child<QLineEdit>(*failed, "edCustName")->text(), "");
    MPublicDef::SUserInfo user;
    failed->orderFacade().GetUserInfo(user);
    EXPECT_EQ(user.get_SERV_ID(), 0);
    EXPECT_NE(failed->emptyReason().indexOf("重新打开"), -1) << failed->emptyReason().toStdString();
  }
  // A workspace that started queries: Global Call asks for the password.
  start(kFourTypes);
  ASSERT_TRUE(ready);
  const std::size_t before = messages.Shown().size();
  QTest::mouseClick(child<QPushButton>(*desk, "btnQueyA"), Qt::LeftButton);
  EXPECT_GT(messages.Shown().size(), before) << "the query button of a started workspace answers";
}
