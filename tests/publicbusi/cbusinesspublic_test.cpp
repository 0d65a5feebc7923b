#include "cbusinesspublic.h"

#include <gtest/gtest.h>

#include <functional>

#include "busi_public_service.h"
#include "busi_world.h"

using namespace MPublicDef;
using zp::store::Backend;
using zp::testing::BackendWorld;
using zp::testing::kBusiWorld;
using zp::testing::ScopedEnv;

namespace {

class BusinessPublic : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    world = std::make_unique<BackendWorld>(GetParam(), kBusiWorld);
    ASSERT_TRUE(bp.Init(1302, 571, 1, 110, 11)) << bp.LastError().text2;
  }

  SSoInfo order(long long servId, int busiCode, short soRegion = 571) {
    SSoInfo so;
    so.set_SERV_ID(servId);
    so.set_BUSI_CODE(busiCode);
    so.set_SO_REGION_CODE(soRegion);
    so.set_OP_ID(11);
    return so;
  }

  int password(const std::string& phone, const std::string& pw) {
    int result = 99;
    EXPECT_TRUE(bp.CheckUserPassword(phone, pw, result)) << bp.LastError().text2;
    return result;
  }

  std::unique_ptr<BackendWorld> world;
  CBusinessPublic bp;
};

TEST_P(BusinessPublic, FindsTheServiceIdOfANumberAndZeroForNone) {
  const struct {
    const char* phone;
    std::int64_t servId;
  } cases[] = {{"13900000501", 501}, {"13900000506", 506}, {"13900000599", 0}, {" 13900000501", 0}};
  for (const auto& c : cases) {
    std::int64_t servId = -1;
    EXPECT_TRUE(bp.GetUserServiceID(c.phone, servId)) << c.phone;
    EXPECT_EQ(servId, c.servId) << c.phone;
    EXPECT_EQ(bp.LastError(), CBSErrorMsg{}) << c.phone;
  }
  std::int64_t servId = -1;
  EXPECT_FALSE(bp.GetUserServiceID("", servId));
  EXPECT_EQ(servId, -1);
  EXPECT_EQ(bp.LastError().code, zp::backend::kBusiRequest);
}

TEST_P(BusinessPublic, ReadsTheUserCustomerAndAccountOfAServiceId) {
  SUserInfo user;
  ASSERT_TRUE(bp.GetUserInfo(501, user)) << bp.LastError().text2;
  EXPECT_EQ(user.get_SERV_ID(), 501);
  EXPECT_EQ(user.get_PHONE_ID(), "13900000501");
  EXPECT_EQ(user.get_CUST_ID(), 1);
  EXPECT_EQ(user.get_ACCT_ID(), 2);
  EXPECT_EQ(user.get_REGION_CODE(), 571);
  EXPECT_EQ(user.get_PLAN_ID(), 7);
  EXPECT_EQ(user.get_USER_STS(), 1);
  EXPECT_EQ(user.get_OS_STS(), "01000000");
  EXPECT_EQ(user.get_PASSWORD_FLAG(), 1);
  EXPECT_TRUE((user.UsedMarker >> SUserInfo::kIdx_OS_STS) & 1u);

  SCustInfo cust;
  ASSERT_TRUE(bp.GetCustomInfo(501, cust)) << bp.LastError().text2;
  EXPECT_EQ(cust.get_CUST_ID(), 1);
  EXPECT_EQ(cust.get_CUST_NAME(), "周明");
  EXPECT_EQ(cust.get_REG_TYPE(), 1);
  EXPECT_EQ(cust.get_REG_NBR(), "330102197003071231");
  EXPECT_EQ(cust.get_LINK_PHONE(), "13900000501");

  SAcctInfo acct;
  ASSERT_TRUE(bp.GetAcctInfo(acct, 505, 0)) << bp.LastError().text2;
  EXPECT_EQ(acct.get_ACCT_ID(), 3);
  EXPECT_EQ(acct.get_ACCT_NAME(), "周明(欠费)");
  EXPECT_EQ(bp.LastError(), CBSErrorMsg{});
}

TEST_P(BusinessPublic, LookupsThatFindNothingFailAndLeaveTheRecord) {
  using zp::backend::kBusiNotFound;
  using zp::backend::kBusiRequest;
  using zp::backend::kBusiUnknownUser;
  const struct {
    const char* what;
    std::function<bool(CBusinessPublic&)> call;
    std::int32_t code;
  } cases[] = {
      {"user 599", [](CBusinessPublic& b) { SUserInfo u; u.set_PHONE_ID("x"); return b.GetUserInfo(599, u) || u.get_PHONE_ID() != "x"; }, kBusiUnknownUser},
      {"user 0", [](CBusinessPublic& b) { SUserInfo u; return b.GetUserInfo(0, u); }, kBusiRequest},
      {"customer of 599", [](CBusinessPublic& b) { SCustInfo c; return b.GetCustomInfo(599, c); }, kBusiUnknownUser},
      {"missing customer", [](CBusinessPublic& b) { SCustInfo c; c.set_CUST_NAME("x"); return b.GetCustomInfo(507, c) || c.get_CUST_NAME() != "x"; }, kBusiNotFound},
      {"missing account", [](CBusinessPublic& b) { SAcctInfo a; return b.GetAcctInfo(a, 507, 0); }, kBusiNotFound},
      {"account flag 1", [](CBusinessPublic& b) { SAcctInfo a; return b.GetAcctInfo(a, 501, 1); }, kBusiRequest},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(c.call(bp)) << c.what;
    EXPECT_EQ(bp.LastError().code, c.code) << c.what;
    EXPECT_NE(bp.LastError().text1, "no error") << c.what;
    EXPECT_NE(bp.LastError().text2, "no error") << c.what;
    // The next call starts from a clean record.
    std::int64_t servId = 0;
    EXPECT_TRUE(bp.GetUserServiceID("13900000501", servId));
    EXPECT_EQ(bp.LastError(), CBSErrorMsg{}) << c.what;
  }
}

TEST_P(BusinessPublic, PasswordMustBeSixDigitsAndTheSubscribersOwn) {
  const struct {
    const char* phone;
    const char* password;
    int result;
  } cases[] = {
      {"13900000501", "135790", 0},  {"13900000501", "135791", -2}, {"13900000501", "13579", -1},
      {"13900000501", "1357900", -1}, {"13900000501", "13579a", -1}, {"13900000501", "", -1},
      {"13900000501", "１３５７９０", -1}, {"13900000501", "246810", -2}, {"13900000504", "246810", 0},
      {"13900000503", "135790", -1},  // no password at all: must set one first
  };
  for (const auto& c : cases) {
    EXPECT_EQ(password(c.phone, c.password), c.result) << c.phone << " " << c.password;
    EXPECT_EQ(bp.LastError().code, 0);
    if (c.result != 0)
      EXPECT_NE(bp.LastError().text1, "no error") << c.password;
    else
      EXPECT_EQ(bp.LastError(), CBSErrorMsg{});
  }
  int result = 99;
  EXPECT_FALSE(bp.CheckUserPassword("13900000599", "135790", result));
  EXPECT_EQ(result, 99);
  EXPECT_EQ(bp.LastError().code, zp::backend::kBusiUnknownUser);
}

TEST_P(BusinessPublic, FiveWrongPasswordsInARowLockUntilTheTimeHasPassed) {
  const std::string phone = "13900000501";
  // A right password in between starts the count again.
  for (int i = 0; i < 4; ++i) EXPECT_EQ(password(phone, "000000"), -2);
  EXPECT_EQ(password(phone, "135790"), 0);
  // Texts that break the rule are no guesses and do not count.
  for (int i = 0; i < 6; ++i) EXPECT_EQ(password(phone, "abc"), -1);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(password(phone, "000000"), -2) << i;

  int result = 99;
  EXPECT_FALSE(bp.CheckUserPassword(phone, "135790", result));
  EXPECT_EQ(result, 99);
  EXPECT_EQ(bp.LastError().code, zp::backend::kBusiPasswordLocked);
  EXPECT_NE(bp.LastError().text2.find("锁定"), std::string::npos) << bp.LastError().text2;
  // Another subscriber is not locked.
  EXPECT_EQ(password("13900000504", "246810"), 0);

  world->clock += 29 * 60;
  EXPECT_FALSE(bp.CheckUserPassword(phone, "135790", result));
  EXPECT_EQ(bp.LastError().code, zp::backend::kBusiPasswordLocked);
  world->clock += 2 * 60;
  EXPECT_EQ(password(phone, "135790"), 0);
  // Unlocked with a fresh count: four wrong ones do not lock again.
  for (int i = 0; i < 4; ++i) EXPECT_EQ(password(phone, "000000"), -2);
  EXPECT_EQ(password(phone, "135790"), 0);
}

TEST_P(BusinessPublic, TheLockLastsTheMinutesOfTheSystemParameter) {
  zp::store::loadFixtures(*world->db, R"({"sys_params": [{"region_code": 0, "para_name": "PasswordLockMinutes",
                                                           "para_value": "5"}]})");
  const std::string phone = "13900000504";
  for (int i = 0; i < 5; ++i) EXPECT_EQ(password(phone, "000000"), -2);
  int result = 99;
  world->clock += 4 * 60;
  EXPECT_FALSE(bp.CheckUserPassword(phone, "246810", result));
  EXPECT_EQ(bp.LastError().code, zp::backend::kBusiPasswordLocked);
  world->clock += 2 * 60;
  EXPECT_EQ(password(phone, "246810"), 0);
}

TEST_P(BusinessPublic, RuleChainAsksThenInformsThenEnds) {
  SSoInfo so = order(501, 1302);
  int point = 0, a = 7, b = 8, c = 9;
  const struct {
    int result;
    const char* desc;
    int next;
  } steps[] = {{2, "月功能费10元,是否继续?", 1}, {3, "号码即时生效", 2}, {0, "", 0}};
  for (const auto& s : steps) {
    MBusiPublic::SSoCheckOut out;
    CBSErrorMsg err;
    err.code = 5;
    ASSERT_TRUE(bp.CheckBusiRule(so, point, a, b, c, out, err)) << bp.LastError().text2;
    EXPECT_EQ(out.get_CHECKRESULT(), s.result);
    EXPECT_EQ(out.get_CHECKDESC(), s.desc);
    EXPECT_EQ(out.get_CHECKPOINT(), s.next);
    EXPECT_EQ(point, s.next);
    EXPECT_EQ(err, CBSErrorMsg{});
    if (s.result == 2) {
      EXPECT_EQ(out.get_ENTID(), 51501);
      EXPECT_EQ(out.get_PRIVID(), 10);
    }
  }
  EXPECT_EQ(a, 7);
  EXPECT_EQ(b, 8);
  EXPECT_EQ(c, 9);
}

TEST_P(BusinessPublic, RuleConditionsDecideOnTheSubscriberAndTheOrder) {
  const struct {
    long long servId;
    int point;
    short soRegion;
    int result;
  } cases[] = {
      {502, 1, 571, 3}, {501, 1, 571, 0},  // stopped
      {505, 2, 571, 3}, {501, 2, 571, 0},  // owes more than 100 fen
      {501, 3, 572, 3}, {504, 3, 572, 0}, {501, 3, 571, 0},  // the order's region is not the subscriber's
      {506, 4, 571, 3}, {501, 4, 571, 0},  // prepaid
      {506, 5, 571, 3}, {501, 5, 571, 0},  // status changed within seven days
      {501, 7, 571, 0},                    // a point without rows passes
  };
  for (const auto& c : cases) {
    SSoInfo so = order(c.servId, 9000, c.soRegion);
    int point = c.point, a = 0, b = 0, x = 0;
    MBusiPublic::SSoCheckOut out;
    CBSErrorMsg err;
    ASSERT_TRUE(bp.CheckBusiRule(so, point, a, b, x, out, err)) << err.text2;
    EXPECT_EQ(out.get_CHECKRESULT(), c.result) << c.servId << " at " << c.point;
  }
  // Nine days later the change is no longer recent.
  world->clock += 9 * 86400;
  SSoInfo so = order(506, 9000);
  int point = 5, a = 0, b = 0, x = 0;
  MBusiPublic::SSoCheckOut out;
  CBSErrorMsg err;
  ASSERT_TRUE(bp.CheckBusiRule(so, point, a, b, x, out, err));
  EXPECT_EQ(out.get_CHECKRESULT(), 0);
}

TEST_P(BusinessPublic, RuleChainRefusesStoppedAndOwingSubscribers) {
  const struct {
    long long servId;
    const char* desc;
  } cases[] = {{502, "用户已停机"}, {505, "用户欠费"}};
  for (const auto& c : cases) {
    SSoInfo so = order(c.servId, 1302);
    int point = 0, a = 0, b = 0, x = 0;
    MBusiPublic::SSoCheckOut out;
    CBSErrorMsg err;
    ASSERT_TRUE(bp.CheckBusiRule(so, point, a, b, x, out, err));
    EXPECT_EQ(out.get_CHECKRESULT(), -1);
    EXPECT_EQ(out.get_CHECKDESC(), c.desc);
  }
}

TEST_P(BusinessPublic, RuleCheckThatCannotRunFails) {
  const struct {
    long long servId;
    int point;
    std::int32_t code;
  } cases[] = {{599, 0, zp::backend::kBusiUnknownUser}, {501, 6, zp::backend::kBusiRuleBroken}};
  for (const auto& c : cases) {
    SSoInfo so = order(c.servId, c.servId == 599 ? 1302 : 9000);
    int point = c.point, a = 0, b = 0, x = 0;
    MBusiPublic::SSoCheckOut out;
    CBSErrorMsg err;
    EXPECT_FALSE(bp.CheckBusiRule(so, point, a, b, x, out, err));
    EXPECT_EQ(point, c.point);
    EXPECT_EQ(err.code, c.code);
    EXPECT_EQ(err, bp.LastError());
  }
}

TEST_P(BusinessPublic, BlackAndGreyListsByDocumentTypeAndNumber) {
  const struct {
    int regType;
    const char* number;
    int result;
  } cases[] = {
      {1, "330102197003071231", 1}, {1, " 330102197003071231 ", 1}, {1, "11010519491231002X", 2},
      {1, "11010519491231002x", 2}, {2, "330102197003071231", 0},   {2, "91330100MA27X0001K", 1},
      {1, "440304199910109879", 0},
  };
  for (const auto& c : cases) {
    int result = 99;
    ASSERT_TRUE(bp.CheckBlackCust(c.regType, c.number, result)) << bp.LastError().text2;
    EXPECT_EQ(result, c.result) << c.regType << " " << c.number;
  }
  int result = 99;
  EXPECT_FALSE(bp.CheckBlackCust(1, "  ", result));
  EXPECT_EQ(result, 99);
  EXPECT_EQ(bp.LastError().code, zp::backend::kBusiRequest);
}

TEST_P(BusinessPublic, AServerRefusalReachesLastErrorAndChangesNothing) {
  const zpd_fault fault{4711, 3, "故障注入", "后台暂时不可用"};
  const struct {
    const zpd_operation* op;
    std::function<bool(CBusinessPublic&)> call;
  } cases[] = {
      {&MBusiPublic::IBusiPublic_get_userServId,
       [](CBusinessPublic& b) { std::int64_t id = 5; return b.GetUserServiceID("13900000501", id) || id != 5; }},
      {&MBusiPublic::IBusiPublic_get_userInfo, [](CBusinessPublic& b) { SUserInfo u; return b.GetUserInfo(501, u); }},
      {&MBusiPublic::IBusiPublic_get_custInfo, [](CBusinessPublic& b) { SCustInfo c; return b.GetCustomInfo(501, c); }},
      {&MBusiPublic::IBusiPublic_get_acctInfo, [](CBusinessPublic& b) { SAcctInfo a; return b.GetAcctInfo(a, 501, 0); }},
      {&MBusiPublic::IBusiPublic_check_userPassword,
       [](CBusinessPublic& b) { int r = 5; return b.CheckUserPassword("13900000501", "135790", r) || r != 5; }},
      {&MBusiPublic::IBusiPublic_check_busiRule,
       [](CBusinessPublic& b) {
         SSoInfo so;
         so.set_SERV_ID(501);
         so.set_BUSI_CODE(1302);
         int p = 0, x = 0, y = 0, z = 0;
         MBusiPublic::SSoCheckOut out;
         CBSErrorMsg err;
         return b.CheckBusiRule(so, p, x, y, z, out, err) || p != 0 || err != b.LastError();
       }},
      {&MBusiPublic::IBusiPublic_check_blackCust,
       [](CBusinessPublic& b) { int r = 5; return b.CheckBlackCust(1, "330102197003071231", r) || r != 5; }},
  };
  for (const auto& c : cases) {
    world->fail(*c.op, fault);
    EXPECT_FALSE(c.call(bp)) << c.op->serviceCode;
    EXPECT_EQ(bp.LastError(), (CBSErrorMsg{4711, 3, "故障注入", "后台暂时不可用"})) << c.op->serviceCode;
    world->dispatcher->clear_faults();
  }
}

TEST_P(BusinessPublic, AnUnreachableServerIsAFailureNotAnAnswer) {
  {
    CBusinessPublic unbound;
    std::int64_t id = 5;
    EXPECT_FALSE(unbound.GetUserServiceID("13900000501", id));
    EXPECT_EQ(unbound.LastError().code, ZPE_NOT_BOUND);
    EXPECT_EQ(id, 5);
  }
  {
    ScopedEnv nowhere("ZP_BROKER_ZEPHYRON", "inproc:no-such-server");
    CBusinessPublic other;
    EXPECT_FALSE(other.Init(1302, 571, 1, 110, 11));
    EXPECT_NE(other.LastError().code, 0);
    EXPECT_NE(other.LastError().text2, "no error");
  }
  // Bound, then the server goes away.
  world.reset();
  int result = 5;
  EXPECT_FALSE(bp.CheckBlackCust(1, "330102197003071231", result));
  EXPECT_TRUE(zpd_is_runtime_failure(bp.LastError().code)) << bp.LastError().code;
  EXPECT_EQ(result, 5);
}

TEST_P(BusinessPublic, AStalledServerMeetsTheCallDeadline) {
  world->serveTcp();
  ScopedEnv deadline("ZP_CALL_TIMEOUT_MS", "300");
  CBusinessPublic overTcp;
  ASSERT_TRUE(overTcp.Init(1302, 571, 1, 110, 11)) << overTcp.LastError().text2;
  std::int64_t id = 0;
  ASSERT_TRUE(overTcp.GetUserServiceID("13900000501", id));
  EXPECT_EQ(id, 501);
  world->fail(MBusiPublic::IBusiPublic_get_userServId, {0, 0, "", "", std::chrono::milliseconds(1500)});
  id = 5;
  EXPECT_FALSE(overTcp.GetUserServiceID("13900000501", id));
  EXPECT_EQ(overTcp.LastError().code, ZPE_TIMEOUT);
  EXPECT_EQ(id, 5);
}

INSTANTIATE_TEST_SUITE_P(Backends, BusinessPublic, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });

}  // namespace
