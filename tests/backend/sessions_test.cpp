// Operators' sign-in and sessions, through the runtime as a counter makes
// them: what signs in, what a session lets through, and what ends it.
#include <gtest/gtest.h>

#include <string>

#include "MSession.h"
#include "MVasDesk.h"
#include "backend_world.h"
#include "operator_sign_in.h"
#include "sample_orders.h"
#include "sessions.h"

namespace {

using zp::store::Backend;
using zp::testing::BackendWorld;

// Operator 11 is of region 571 at organisation 110; 12 of region 572 at
// organisation 730, so a field taken from the wrong place shows.
const char* kWorld = R"json({
  "operators": [{"op_id": 11, "password": "pw0011", "org_id": 110, "region_code": 571, "county_code": 1,
                 "op_name": "张丽"},
                {"op_id": 12, "password": "pw0012", "org_id": 730, "region_code": 572, "county_code": 3},
                {"op_id": 13, "password": "pw0013", "org_id": 110, "region_code": 571, "county_code": 1,
                 "disabled": 1},
                {"op_id": 14, "org_id": 110, "region_code": 571, "county_code": 1}]
})json";

class Sessions : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    world = std::make_unique<BackendWorld>(GetParam(), kWorld);
    world->signOut();
  }
  void TearDown() override { zpd_set_session({}); }

  // Any call that needs a session: a look at the number pool.
  std::int32_t anyCall(CBSErrorMsg& err) {
    MVasDesk::IVasDesk client;
    EXPECT_EQ(client.bind_zpBroker("ZEPHYRON"), 0);
    MVasDesk::SQueryResListIn in;
    in.set_MAX_NUM(1);
    MVasDesk::SQueryResListOut out;
    err = CBSErrorMsg{};
    return client.query_resList(in, out, err, nullptr);
  }
  void disable(long long opId) {
    world->db->transact(zp::store::Database::Intent::write, [&](soci::session& sql) {
      sql << "UPDATE zp_operator SET disabled = 1 WHERE op_id = " << opId;
    });
  }

  std::unique_ptr<BackendWorld> world;
};

TEST_P(Sessions, SigningInGivesTheServersOperatorAndEveryCallCarriesTheSession) {
  CBSErrorMsg err;
  EXPECT_EQ(anyCall(err), zp::backend::kSessionRequired);
  EXPECT_NE(err.text2.find("请先登录"), std::string::npos) << err.text2;

  OperatorSignIn in;
  std::string why;
  ASSERT_TRUE(SignInOperator(12, "pw0012", in, why)) << why;
  EXPECT_EQ(in.opId, 12);
  EXPECT_EQ(in.orgId, 730);
  EXPECT_EQ(in.regionCode, 572);
  EXPECT_EQ(in.countyCode, 3);
  EXPECT_GT(in.idleSeconds, 0);
  EXPECT_EQ(anyCall(err), 0) << err.text2;
  // The store keeps only the token's hash.
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_session WHERE session_id = '" + zpd_session() + "'"), 0);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_session WHERE op_id = 12 AND ended = 0"), 1);

  // A session made up by the client is nobody's.
  zpd_set_session(std::string(64, 'a'));
  EXPECT_EQ(anyCall(err), zp::backend::kSessionEnded);
  EXPECT_NE(err.text2.find("重新登录"), std::string::npos) << err.text2;
}

TEST_P(Sessions, SignInRefusalsSayWhyAndWrongPasswordsLockTheOperator) {
  OperatorSignIn in;
  std::string why;
  const struct {
    int opId;
    const char* password;
    const char* says;
  } refused[] = {
      {99, "pw0099", "营业员工号或密码错误"},      // no such operator
      {13, "pw0013", "已被停用"},                  // disabled
      {14, "", "没有设置登录密码"},                 // no password set
      {11, "pw0012", "再错4次将被锁定"},           // another's password
  };
  for (const auto& c : refused) {
    EXPECT_FALSE(SignInOperator(c.opId, c.password, in, why)) << c.opId;
    EXPECT_NE(why.find(c.says), std::string::npos) << c.opId << ": " << why;
    EXPECT_TRUE(zpd_session().empty());
  }
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(SignInOperator(11, "wrong", in, why));
  EXPECT_NE(why.find("已锁定至"), std::string::npos) << why;
  // Locked: even the right password is refused until the lock ends.
  EXPECT_FALSE(SignInOperator(11, "pw0011", in, why));
  EXPECT_NE(why.find("已被锁定"), std::string::npos) << why;
  world->clock += 31 * 60;
  EXPECT_TRUE(SignInOperator(11, "pw0011", in, why)) << why;
  // A good sign-in starts the count again.
  EXPECT_FALSE(SignInOperator(11, "wrong", in, why));
  EXPECT_NE(why.find("再错4次"), std::string::npos) << why;
}

TEST_P(Sessions, ASessionEndsOnSignOutWhenIdleAndWhenItsOperatorIsDisabled) {
  // Sessions of their own, with an idle time the test can pass.
  zp::backend::SessionConfig config;
  config.idleSeconds = 600;
  config.recheckSeconds = 5;
  auto sessions = std::make_shared<zp::backend::Sessions>(*world->db, [this] { return world->clock; }, config);
  sessions->install(*world->dispatcher);
  CBSErrorMsg err;

  // Signed out: the session is over for every later call.
  OperatorSignIn in;
  std::string why;
  ASSERT_TRUE(SignInOperator(11, "pw0011", in, why)) << why;
  const std::string first = zpd_session();
  EXPECT_EQ(anyCall(err), 0) << err.text2;
  SignOutOperator();  // (through the world's own sessions: another server's, as it were)
  EXPECT_TRUE(zpd_session().empty());
  world->clock += 6;  // seen by every server within the recheck
  zpd_set_session(first);
  EXPECT_EQ(anyCall(err), zp::backend::kSessionEnded);

  // Idle: a call inside the idle time keeps it, one after it is refused.
  zpd_set_session(sessions->open(11));
  world->clock += 590;
  EXPECT_EQ(anyCall(err), 0) << err.text2;
  world->clock += 590;
  EXPECT_EQ(anyCall(err), 0) << err.text2;
  world->clock += 601;
  EXPECT_EQ(anyCall(err), zp::backend::kSessionEnded);
  EXPECT_NE(err.text2.find("空闲超过10分钟"), std::string::npos) << err.text2;

  // Disabled: seen at the next recheck, and the session stays ended.
  zpd_set_session(sessions->open(12));
  EXPECT_EQ(anyCall(err), 0) << err.text2;
  disable(12);
  world->clock += 6;
  EXPECT_EQ(anyCall(err), zp::backend::kSessionEnded);
  EXPECT_NE(err.text2.find("停用"), std::string::npos) << err.text2;
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_session WHERE op_id = 12 AND ended = 0"), 0);
  EXPECT_TRUE(sessions->open(12).empty());
}

// What the session says, not what the request says, is whose pool it is.
TEST_P(Sessions, ReservationsAreTheSignedInOperatorsWhateverTheRequestClaims) {
  world->signIn(12);
  MVasDesk::IVasDesk client;
  ASSERT_EQ(client.bind_zpBroker("ZEPHYRON"), 0);
  MVasDesk::SDoSignResIn in;
  in.set_REGION_CODE(571);
  in.set_ORG_ID(110);
  in.set_OP_ID(11);  // operator 11's id, claimed by operator 12's counter
  in.set_RES_ID("57100001");
  in.set_ACT_TYPE(1);
  MVasDesk::SDoSignResOut out;
  CBSErrorMsg err;
  EXPECT_EQ(client.do_signRes(in, out, err, nullptr), zp::backend::kSessionMismatch);
  EXPECT_NE(err.text2.find("请求中的营业员[11]不是登录的营业员[12]"), std::string::npos) << err.text2;
}

INSTANTIATE_TEST_SUITE_P(Backends, Sessions, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });

}  // namespace
