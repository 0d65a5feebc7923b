// The demo region as zpserver --seed-demo loads it: what an operator meets
// at the counter with the business public service's demo data.
#include <QComboBox>
#include <gtest/gtest.h>

#include <filesystem>

#include "busi_world.h"
#include "cbusinesspublic.h"
#include "publicbusi_functions.h"

using zp::store::Backend;
using zp::testing::BackendWorld;

namespace {

class DemoRegion : public ::testing::Test {
 protected:
  void SetUp() override {
    ForgetCodeLists();
    world = std::make_unique<BackendWorld>(Backend::sqlite, "{}");
    ASSERT_NO_THROW(zp::testing::loadDemo(*world->db, {"10-core.json", "30-busi.json"}));
    ASSERT_TRUE(bp.Init(1302, 571, 1, 5710101, 1001));
  }
  void TearDown() override { ForgetCodeLists(); }

  // The results of the 1302 chain for a phone number, point by point.
  std::vector<int> chain(const std::string& phone) {
    std::int64_t servId = 0;
    EXPECT_TRUE(bp.GetUserServiceID(phone, servId));
    MPublicDef::SUserInfo user;
    EXPECT_TRUE(bp.GetUserInfo(servId, user)) << phone;
    MPublicDef::SSoInfo so;
    so.set_SERV_ID(user.get_SERV_ID());
    so.set_BUSI_CODE(1302);
    so.set_REGION_CODE(user.get_REGION_CODE());
    so.set_SO_REGION_CODE(571);
    std::vector<int> results;
    int point = 0, a = 0, b = 0, c = 0;
    for (int guard = 0; guard < 10; ++guard) {
      MBusiPublic::SSoCheckOut out;
      CBSErrorMsg err;
      EXPECT_TRUE(bp.CheckBusiRule(so, point, a, b, c, out, err)) << err.text2;
      results.push_back(out.get_CHECKRESULT());
      if (out.get_CHECKRESULT() != 2 && out.get_CHECKRESULT() != 3) break;
    }
    return results;
  }

  std::unique_ptr<BackendWorld> world;
  CBusinessPublic bp;
};

TEST_F(DemoRegion, GlobalCallOpeningConfirmsInformsAndRefusesStoppedOrOwing) {
  EXPECT_EQ(chain("13957100001"), (std::vector<int>{2, 3, 0}));
  EXPECT_EQ(chain("13957100005"), (std::vector<int>{-1}));  // stopped
  EXPECT_EQ(chain("13957100004"), (std::vector<int>{-1}));  // its company account owes
  EXPECT_EQ(chain("13957200003"), (std::vector<int>{2, 3, 0}));
}

TEST_F(DemoRegion, PasswordsListsAndVerificationTypes) {
  int result = 99;
  ASSERT_TRUE(bp.CheckUserPassword("13957100002", "246810", result));
  EXPECT_EQ(result, 0);
  ASSERT_TRUE(bp.CheckUserPassword("13957100001", "246810", result));
  EXPECT_EQ(result, -1);  // no service password set

  const struct {
    const char* number;
    int list;
  } listed[] = {{"330102197003071231", 1}, {"11010519491231002X", 2}, {"440304199910109879", 0}};
  for (const auto& c : listed) {
    EXPECT_TRUE(CheckRegNbr(c.number)) << c.number;
    ASSERT_TRUE(bp.CheckBlackCust(1, c.number, result));
    EXPECT_EQ(result, c.list) << c.number;
  }

  QComboBox combo;
  for (int list : {0, 3, 5, 6, 57, 58, 64}) {
    EXPECT_TRUE(InitComboBox(list, &combo)) << list;
    EXPECT_GE(combo.count(), 2) << list;
  }
  ASSERT_TRUE(InitComboBox(57, &combo));
  EXPECT_TRUE(SetComboBoxIndex(&combo, 571));
  EXPECT_EQ(combo.currentText().toStdString(), "[571] 杭州");

  int required = 0;
  for (int code : {1302, 1303, 1304, 1305, 1070, 1071, 1073, 1324, 1325, 1076, 1077, 1078}) {
    const short type = GetSoVerifyTypeByBusiCode(code);
    EXPECT_TRUE(type == 0 || type == 1 || type == 2) << code;
    required += type == 2;
  }
  EXPECT_GT(required, 0);
  EXPECT_EQ(GetSoVerifyTypeByBusiCode(1302), 2);
}

}  // namespace
