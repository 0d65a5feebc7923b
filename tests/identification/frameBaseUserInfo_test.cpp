#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "backend_world.h"
#include "frameBaseUserInfo.h"
#include "look.h"
#include "publicbusi_functions.h"

namespace {

using zp::store::Backend;
using zp::testing::BackendWorld;

// Every list starts with a code the user does not have.
const char* kUserWorld = R"json({
  "code_lists": [{"list_no": 5, "code": 1, "name": "普通用户"}, {"list_no": 5, "code": 2, "name": "公免用户"},
                 {"list_no": 6, "code": 0, "name": "停机"}, {"list_no": 6, "code": 1, "name": "正常"},
                 {"list_no": 57, "code": 571, "name": "杭州"}, {"list_no": 57, "code": 572, "name": "湖州"},
                 {"list_no": 58, "code": 1, "name": "西湖区"}, {"list_no": 58, "code": 2, "name": "上城区"}]
})json";

const char* const kStopStates[] = {"管理停机", "营业停机", "挂失停机", "帐务停机",
                                   "IPBUS封锁", "营业连带停", "帐务连带停", "管理连带停"};

MProductIntfApp::SBrandInfoList brands() {
  MProductIntfApp::SBrandInfoList list;
  for (auto [id, name] : {std::pair{1, "全球通"}, std::pair{2, "动感地带"}, std::pair{12, "神州行"}}) {
    MProductIntfApp::SBrandInfo b;
    b.set_BRAND_ID(id);
    b.set_BRAND_NAME(name);
    list.push_back(b);
  }
  return list;
}

MProductIntfApp::SPlanIdInfoList plans() {
  MProductIntfApp::SPlanIdInfoList list;
  for (auto [id, name] : {std::pair{7, "基础套餐"}, std::pair{101, "58元套餐"}}) {
    MProductIntfApp::SPlanIdInfo p;
    p.set_PLAN_ID(id);
    p.set_PLAN_NAME(name);
    list.push_back(p);
  }
  return list;
}

MPublicDef::SUserInfo user(const std::string& osSts) {
  MPublicDef::SUserInfo u;
  u.set_PHONE_ID("13900000501");
  u.set_USER_TYPE(2);
  u.set_USER_STS(0);
  u.set_BRAND(12);
  u.set_PLAN_ID(101);
  u.set_REGION_CODE(572);
  u.set_COUNTY_CODE(2);
  u.set_REMARK("  老用户 ");
  u.set_OS_STS(osSts);
  return u;
}

std::vector<QWidget*> tabOrder(QWidget& root, const std::vector<QWidget*>& wanted) {
  std::vector<QWidget*> seen;
  for (QWidget* w = root.nextInFocusChain(); w && w != &root; w = w->nextInFocusChain())
    if (std::find(wanted.begin(), wanted.end(), w) != wanted.end()) seen.push_back(w);
  return seen;
}

class UserSummary : public testing::Test {
 protected:
  void SetUp() override {
    ForgetCodeLists();
    world = std::make_unique<BackendWorld>(Backend::sqlite, kUserWorld);
  }
  void TearDown() override { ForgetCodeLists(); }

  template <class T>
  T* control(const char* name) {
    T* c = frame.findChild<T*>(name);
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  std::string shown(const char* combo) { return control<QComboBox>(combo)->currentText().toStdString(); }
  std::string text(const char* edit) { return control<QLineEdit>(edit)->text().toStdString(); }
  std::string ticks() {
    auto* list = control<QListWidget>("chkOsSts");
    std::string s;
    for (int i = 0; i < list->count(); ++i) s += list->item(i)->checkState() == Qt::Checked ? '1' : '0';
    return s;
  }

  std::unique_ptr<BackendWorld> world;
  TfrmeBaseUserInfo frame;
};

TEST_F(UserSummary, LayoutHasTheNamedControlsCaptionsAndTabOrder) {
  const struct {
    const char* label;
    const char* caption;
    const char* control;
  } rows[] = {{"Label1", "服务号码：", "edPhoneId"},    {"lblRemark", "备    注：", "edRemark"},
              {"lblUserType", "用户类型：", "cmbUserType"}, {"lblBrand", "用户品牌：", "cmbBrand"},
              {"lblPland", "营销方案：", "cmbPlanId"},    {"lblRegion", "地    区：", "cmbRegion"},
              {"lblUserSts", "用户状态：", "cmbUserSts"},  {"lblCounty", "县    市：", "cmbCounty"},
              {"lblOsSts", "停开状态：", "chkOsSts"}};
  std::vector<QWidget*> order;
  for (const auto& r : rows) {
    auto* label = control<QLabel>(r.label);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().toStdString(), r.caption);
    EXPECT_EQ(label->buddy(), control<QWidget>(r.control)) << r.label;
    order.push_back(control<QWidget>(r.control));
    if (auto* combo = qobject_cast<QComboBox*>(order.back())) {
      EXPECT_FALSE(combo->isEditable()) << r.control;
    }
  }
  EXPECT_EQ(tabOrder(frame, order), order);
  EXPECT_EQ(control<QLineEdit>("edPhoneId")->maxLength(), 256);
  EXPECT_EQ(control<QLineEdit>("edRemark")->maxLength(), 256);

  auto* states = control<QListWidget>("chkOsSts");
  ASSERT_EQ(states->count(), 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(states->item(i)->text().toStdString(), kStopStates[i]);
    EXPECT_TRUE(states->item(i)->flags() & Qt::ItemIsUserCheckable) << i;
  }
}

TEST_F(UserSummary, ShowsTheUserWithEveryListItemChosenByCode) {
  frame.InitUserLists(brands(), plans());
  frame.ShowUserInfo(user("01000001"));
  EXPECT_EQ(text("edPhoneId"), "13900000501");
  EXPECT_EQ(text("edRemark"), "  老用户 ");
  EXPECT_EQ(shown("cmbUserType"), "[2] 公免用户");
  EXPECT_EQ(shown("cmbUserSts"), "[0] 停机");
  EXPECT_EQ(shown("cmbBrand"), "[12] 神州行");
  EXPECT_EQ(shown("cmbPlanId"), "[101] 58元套餐");
  EXPECT_EQ(shown("cmbRegion"), "[572] 湖州");
  EXPECT_EQ(shown("cmbCounty"), "[2] 上城区");
  EXPECT_EQ(ticks(), "01000001");
}

TEST_F(UserSummary, ACodeMissingFromItsListSelectsNothingAndTheRestStillShows) {
  frame.InitUserLists(brands(), plans());
  MPublicDef::SUserInfo u = user("10000000");
  u.set_BRAND(99);
  u.set_COUNTY_CODE(7);
  frame.ShowUserInfo(u);
  EXPECT_EQ(control<QComboBox>("cmbBrand")->currentIndex(), -1);
  EXPECT_EQ(control<QComboBox>("cmbCounty")->currentIndex(), -1);
  EXPECT_EQ(shown("cmbPlanId"), "[101] 58元套餐");
  EXPECT_EQ(shown("cmbRegion"), "[572] 湖州");
  EXPECT_EQ(ticks(), "10000000");
}

TEST_F(UserSummary, BrandAndPlanListsComeFromWhatTheWorkspaceFetched) {
  // Without the workspace's lists the brand and plan cannot be shown.
  frame.InitUserLists({}, {});
  frame.ShowUserInfo(user(""));
  EXPECT_EQ(control<QComboBox>("cmbBrand")->count(), 0);
  EXPECT_EQ(control<QComboBox>("cmbPlanId")->count(), 0);
  frame.InitUserLists(brands(), plans());
  frame.ShowUserInfo(user(""));
  EXPECT_EQ(shown("cmbBrand"), "[12] 神州行");
  EXPECT_EQ(shown("cmbPlanId"), "[101] 58元套餐");
}

TEST_F(UserSummary, PrimingUnticksTheStopStatesAndAnEmptyTextLeavesThemUnticked) {
  frame.InitUserLists(brands(), plans());
  frame.ShowUserInfo(user("11111111"));
  ASSERT_EQ(ticks(), "11111111");
  frame.InitUserLists(brands(), plans());
  EXPECT_EQ(ticks(), "00000000");
  frame.ShowUserInfo(user(""));
  EXPECT_EQ(ticks(), "00000000");
}

TEST_F(UserSummary, TwoQueriesInARowHoldEachListOnce) {
  frame.InitUserLists(brands(), plans());
  frame.InitUserLists(brands(), plans());
  const struct {
    const char* combo;
    int count;
  } lists[] = {{"cmbUserType", 2}, {"cmbUserSts", 2}, {"cmbRegion", 2},
               {"cmbCounty", 2},   {"cmbBrand", 3},   {"cmbPlanId", 2}};
  for (const auto& l : lists) EXPECT_EQ(control<QComboBox>(l.combo)->count(), l.count) << l.combo;
}

TEST_F(UserSummary, AResetClearsAndLocksTheFrameAndTheNextSubscriberFillsItAgain) {
  frame.InitUserLists(brands(), plans());
  frame.ShowUserInfo(user("01000000"));
  MakeClear(&frame, -1);
  MakeReadOnly(&frame);
  for (const char* edit : {"edPhoneId", "edRemark"}) EXPECT_EQ(text(edit), "") << edit;
  for (const char* combo : {"cmbUserType", "cmbBrand", "cmbPlanId", "cmbRegion", "cmbUserSts", "cmbCounty"})
    EXPECT_EQ(control<QComboBox>(combo)->currentIndex(), -1) << combo;
  EXPECT_EQ(ticks(), "00000000");
  for (const char* name : {"edPhoneId", "edRemark", "cmbUserType", "cmbBrand", "cmbPlanId", "cmbRegion",
                           "cmbUserSts", "cmbCounty", "chkOsSts"})
    EXPECT_TRUE(zpgui::IsReadOnly(control<QWidget>(name))) << name;

  frame.InitUserLists(brands(), plans());
  frame.ShowUserInfo(user("00010000"));
  EXPECT_EQ(shown("cmbBrand"), "[12] 神州行");
  EXPECT_EQ(ticks(), "00010000");
}

}  // namespace
