#include <QComboBox>
#include <gtest/gtest.h>

#include "MBusiPublic.h"
#include "busi_world.h"
#include "publicbusi_functions.h"

using zp::store::Backend;
using zp::testing::BackendWorld;
using zp::testing::kBusiWorld;
using zp::testing::ScopedEnv;

namespace {

std::vector<std::string> items(const QComboBox& combo) {
  std::vector<std::string> out;
  for (int i = 0; i < combo.count(); ++i) out.push_back(combo.itemText(i).toStdString());
  return out;
}

class CodeLists : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    ForgetCodeLists();
    world = std::make_unique<BackendWorld>(GetParam(), kBusiWorld);
  }
  void TearDown() override { ForgetCodeLists(); }
  std::unique_ptr<BackendWorld> world;
};

TEST_P(CodeLists, FillTheComboInCodeOrderReplacingWhatWasThere) {
  QComboBox combo;
  combo.addItem("[1] 旧项");
  ASSERT_TRUE(InitComboBox(57, &combo));
  ASSERT_TRUE(InitComboBox(57, &combo));
  EXPECT_EQ(items(combo), (std::vector<std::string>{"[571] 杭州", "[572] 湖州"}));
  EXPECT_EQ(combo.itemData(1).toInt(), 572);
  ASSERT_TRUE(InitComboBox(3, &combo));
  EXPECT_EQ(items(combo), (std::vector<std::string>{"[1] 居民身份证", "[2] 营业执照"}));
  EXPECT_TRUE(SetComboBoxIndex(&combo, 2));
  EXPECT_EQ(ExtractItemCode(combo.currentText().toStdString()), 2);
}

// Filling a combo with the list it already holds ends as a fresh fill does:
// the first item chosen whatever the operator picked or typed, listeners
// told of it, and items that differ in any way replaced.
TEST_P(CodeLists, FillingAgainEndsAsAFreshFillDoes) {
  QComboBox combo;
  ASSERT_TRUE(InitComboBox(57, &combo));
  std::vector<int> told;
  QObject::connect(&combo, &QComboBox::currentIndexChanged, [&told](int i) { told.push_back(i); });
  combo.setCurrentIndex(1);
  ASSERT_TRUE(InitComboBox(57, &combo));
  EXPECT_EQ(combo.currentIndex(), 0);
  ASSERT_FALSE(told.empty());
  EXPECT_EQ(told.back(), 0);
  told.clear();
  ASSERT_TRUE(InitComboBox(57, &combo));  // already on the first item
  ASSERT_FALSE(told.empty()) << "a fresh fill tells its listeners even then";
  EXPECT_EQ(told.back(), 0);

  QComboBox typed;
  typed.setEditable(true);
  ASSERT_TRUE(InitComboBox(57, &typed));
  typed.setEditText("随便");
  ASSERT_TRUE(InitComboBox(57, &typed));
  EXPECT_EQ(typed.currentText().toStdString(), "[571] 杭州");

  // Same count, but not the same items: a text, or the code kept as data.
  combo.setItemText(1, "[572] 改过");
  ASSERT_TRUE(InitComboBox(57, &combo));
  EXPECT_EQ(items(combo), (std::vector<std::string>{"[571] 杭州", "[572] 湖州"}));
  QComboBox byHand;
  byHand.addItems({"[571] 杭州", "[572] 湖州"});
  ASSERT_TRUE(InitComboBox(57, &byHand));
  EXPECT_EQ(byHand.itemData(1).toInt(), 572);
}

TEST_P(CodeLists, AreReadOncePerProcessAndKept) {
  QComboBox combo;
  ASSERT_TRUE(InitComboBox(57, &combo));
  // The back end now refuses the list: the kept copy still serves.
  world->fail(MBusiPublic::IBusiPublic_get_codeList, {4711, 0, "故障注入", "代码表不可用"});
  QComboBox again;
  ASSERT_TRUE(InitComboBox(57, &again));
  EXPECT_EQ(items(again), items(combo));
  // A list never read before cannot be had, and the combo stays as it was.
  again.clear();
  again.addItem("[9] 原样");
  EXPECT_FALSE(InitComboBox(64, &again));
  EXPECT_EQ(items(again), (std::vector<std::string>{"[9] 原样"}));
  // Once forgotten, the list is read again when the server answers again.
  ForgetCodeLists();
  EXPECT_FALSE(InitComboBox(57, &again));
  world->dispatcher->clear_faults();
  ASSERT_TRUE(InitComboBox(64, &again));
  EXPECT_EQ(items(again), (std::vector<std::string>{"[1] 车辆定位"}));
}

TEST_P(CodeLists, AnUnknownListOrAnUnreachableServerFillsNothing) {
  QComboBox combo;
  combo.addItem("[9] 原样");
  EXPECT_FALSE(InitComboBox(12345, &combo));
  {
    ScopedEnv nowhere("ZP_BROKER_ZEPHYRON", "inproc:no-such-server");
    EXPECT_FALSE(InitComboBox(57, &combo));
    EXPECT_EQ(GetSoVerifyTypeByBusiCode(1302), 0);
  }
  EXPECT_EQ(items(combo), (std::vector<std::string>{"[9] 原样"}));
  EXPECT_FALSE(InitComboBox(57, nullptr));
}

TEST_P(CodeLists, VerificationTypeComesFromTheServerPerBusinessCode) {
  const struct {
    int busiCode;
    short type;
  } cases[] = {{1302, 2}, {1304, 1}, {1070, 0}};
  for (const auto& c : cases) EXPECT_EQ(GetSoVerifyTypeByBusiCode(c.busiCode), c.type) << c.busiCode;
  world->fail(MBusiPublic::IBusiPublic_get_verifyType, {4711, 0, "故障注入", "不可用"});
  EXPECT_EQ(GetSoVerifyTypeByBusiCode(1302), 0);
}

INSTANTIATE_TEST_SUITE_P(Backends, CodeLists, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });

}  // namespace
