#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "backend_world.h"
#include "frameBaseCustInfo.h"
#include "look.h"
#include "publicbusi_functions.h"

namespace {

using zp::store::Backend;
using zp::testing::BackendWorld;

// The customer type list deliberately starts with a code that is not the
// one the customer has, so a fill that keeps the first item shows.
const char* kCustWorld = R"json({
  "code_lists": [{"list_no": 0, "code": 1, "name": "个人客户"}, {"list_no": 0, "code": 2, "name": "集团客户"},
                 {"list_no": 0, "code": 3, "name": "家庭客户"},
                 {"list_no": 3, "code": 1, "name": "居民身份证"}, {"list_no": 3, "code": 2, "name": "营业执照"},
                 {"list_no": 3, "code": 5, "name": "护照"}]
})json";

class CustSummary : public testing::Test {
 protected:
  void SetUp() override {
    // Code lists are kept per process; another world's must not leak in.
    ForgetCodeLists();
    world = std::make_unique<BackendWorld>(Backend::sqlite, kCustWorld);
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

  std::unique_ptr<BackendWorld> world;
  TfrmeBaseCustInfo frame;
};

// The controls of `wanted` in the order Tab visits them.
std::vector<QWidget*> tabOrder(QWidget& root, const std::vector<QWidget*>& wanted) {
  std::vector<QWidget*> seen;
  for (QWidget* w = root.nextInFocusChain(); w && w != &root; w = w->nextInFocusChain())
    if (std::find(wanted.begin(), wanted.end(), w) != wanted.end()) seen.push_back(w);
  return seen;
}

MPublicDef::SCustInfo customer(std::int16_t custType, std::int16_t regType) {
  MPublicDef::SCustInfo c;
  c.set_CUST_NAME(" 周明 ");
  c.set_CUST_TYPE(custType);
  c.set_REG_TYPE(regType);
  c.set_REG_NBR("330102197003071231  ");
  return c;
}

TEST_F(CustSummary, LayoutHasTheNamedControlsCaptionsAndTabOrder) {
  const struct {
    const char* label;
    const char* caption;
    const char* control;
  } rows[] = {{"lblCustName", "客户名称：", "edCustName"},
              {"Label2", "客户类型：", "cmbCustType"},
              {"lalRegType", "证件类型：", "cmbRegType"},
              {"lalRegNbr", "证件号码：", "edRegNbr"}};
  std::vector<QWidget*> order;
  for (const auto& r : rows) {
    auto* label = control<QLabel>(r.label);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().toStdString(), r.caption);
    EXPECT_EQ(label->buddy(), control<QWidget>(r.control)) << r.label;
    order.push_back(control<QWidget>(r.control));
  }
  EXPECT_FALSE(control<QComboBox>("cmbCustType")->isEditable());
  EXPECT_FALSE(control<QComboBox>("cmbRegType")->isEditable());
  EXPECT_EQ(tabOrder(frame, order), order);
}

TEST_F(CustSummary, PrimedListsStartAtTheirFirstItemAndPrimingAgainDoesNotGrowThem) {
  frame.InitCustLists();
  control<QComboBox>("cmbCustType")->setCurrentIndex(2);
  frame.InitCustLists();
  EXPECT_EQ(control<QComboBox>("cmbCustType")->count(), 3);
  EXPECT_EQ(control<QComboBox>("cmbRegType")->count(), 3);
  EXPECT_EQ(shown("cmbCustType"), "[1] 个人客户");
  EXPECT_EQ(shown("cmbRegType"), "[1] 居民身份证");
}

TEST_F(CustSummary, ShowsTheCustomerWithListItemsChosenByCodeAndTextsAsTheyAre) {
  frame.InitCustLists();
  EXPECT_TRUE(frame.ShowCustInfo(customer(2, 5)));
  EXPECT_EQ(text("edCustName"), " 周明 ");
  EXPECT_EQ(shown("cmbCustType"), "[2] 集团客户");
  EXPECT_EQ(shown("cmbRegType"), "[5] 护照");
  EXPECT_EQ(text("edRegNbr"), "330102197003071231  ");
}

TEST_F(CustSummary, ACodeMissingFromItsListSelectsNothingRatherThanAnotherItem) {
  frame.InitCustLists();
  EXPECT_TRUE(frame.ShowCustInfo(customer(9, 1)));
  EXPECT_EQ(control<QComboBox>("cmbCustType")->currentIndex(), -1);
  EXPECT_EQ(shown("cmbRegType"), "[1] 居民身份证");
  EXPECT_EQ(text("edCustName"), " 周明 ");
}

TEST_F(CustSummary, AResetClearsAndLocksTheFrameAndTheNextSubscriberFillsItAgain) {
  frame.InitCustLists();
  frame.ShowCustInfo(customer(2, 2));
  MakeClear(&frame, -1);
  MakeReadOnly(&frame);
  for (const char* edit : {"edCustName", "edRegNbr"}) {
    EXPECT_EQ(text(edit), "") << edit;
    EXPECT_TRUE(zpgui::IsReadOnly(control<QWidget>(edit))) << edit;
  }
  for (const char* combo : {"cmbCustType", "cmbRegType"}) {
    EXPECT_EQ(control<QComboBox>(combo)->currentIndex(), -1) << combo;
    EXPECT_TRUE(zpgui::IsReadOnly(control<QWidget>(combo))) << combo;
  }
  frame.InitCustLists();
  frame.ShowCustInfo(customer(3, 2));
  EXPECT_EQ(shown("cmbCustType"), "[3] 家庭客户");
  EXPECT_EQ(shown("cmbRegType"), "[2] 营业执照");
  EXPECT_TRUE(zpgui::IsReadOnly(control<QWidget>("cmbCustType")));
}

}  // namespace
