// Operators' sign-in and sessions, through the runtime as a counter makes
// them: what signs in, what a session lets through, and what ends it.
#include <gtest/gtest.h>

#include <string>

#include "MBusiPublic.h"
#include "MSession.h"
#include "MVasDesk.h"
#include "backend_world.h"
#include "operator_sign_in.h"
#include "password.h"
#include "sample_orders.h"
#include "sessions.h"
#include "vasdesk_service.h"

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

// A business that requires the service password is taken only from a
// session that checked this subscriber's password; an order that claims the
// check is held to it whatever the business.
TEST_P(Sessions, TheServicePasswordCountsOnlyWhenThisSessionCheckedIt) {
  BackendWorld shop(GetParam(), zp::testing::manySubscribers(7001, 2));
  zp::store::loadFixtures(*shop.db, R"({"verify_types": [{"busi_code": 1070, "verify_type": 2}],
      "operators": [{"op_id": 12, "org_id": 110, "region_code": 571, "county_code": 1}],
      "operator_rights": [{"op_id": 12, "ent_id": 51505}, {"op_id": 12, "ent_id": 49992}]})");
  const auto hashed = zp::store::hashPassword("246810");
  shop.db->transact(zp::store::Database::Intent::write, [&](soci::session& sql) {
    sql << "UPDATE zp_user SET password_flag = 1, password_salt = :s, password_hash = :h WHERE serv_id = 7001",
        soci::use(hashed.salt), soci::use(hashed.hash);
  });
  const auto checkPassword = [&] {
    MBusiPublic::IBusiPublic busi;
    EXPECT_EQ(busi.bind_zpBroker("ZEPHYRON"), 0);
    MBusiPublic::SCheckPasswordIn in;
    in.set_PHONE_ID("13910000000");
    in.set_PASSWORD("246810");
    MBusiPublic::SCheckPasswordOut out;
    CBSErrorMsg err;
    EXPECT_EQ(busi.check_userPassword(in, out, err, nullptr), 0) << err.text2;
    EXPECT_EQ(out.get_RESULT(), 0);
  };
  const auto submit = [&](long long servId, int opId, short verifyMode, CBSErrorMsg& err) {
    MVasDesk::SSoUserServiceIn order = zp::testing::gprsOpen(servId);
    MPublicDef::SSoInfo so = order.get_SOINFO();
    so.set_OP_ID(opId);
    so.set_SO_ORG_ID(110);
    so.set_VERIFY_MODE(verifyMode);
    order.set_SOINFO(so);
    MVasDesk::IVasDesk desk;
    EXPECT_EQ(desk.bind_zpBroker("ZEPHYRON"), 0);
    MVasDesk::SSoUserServiceOut out;
    err = CBSErrorMsg{};
    return desk.so_userService(order, out, err, nullptr);
  };
  zp::testing::priceGprsOpen(*shop.db, zp::testing::gprsOpen(7001).get_SOFEELIST());
  CBSErrorMsg err;

  // Not checked: refused, whether claimed or not.
  shop.signIn(11);
  EXPECT_EQ(submit(7001, 11, 2, err), zp::backend::kRefusedOrder);
  EXPECT_NE(err.text2.find("本次登录没有校验过用户[13910000000]的服务密码"), std::string::npos) << err.text2;
  EXPECT_EQ(submit(7001, 11, 1, err), zp::backend::kRefusedOrder);
  // Checked in another session (another counter): still refused here.
  shop.signIn(11);
  checkPassword();
  shop.signIn(11);
  EXPECT_EQ(submit(7001, 11, 2, err), zp::backend::kRefusedOrder);
  // Checked in this session: taken.
  checkPassword();
  EXPECT_EQ(submit(7001, 11, 2, err), 0) << err.text2;
  // An operator who may waive the password serves without it, but cannot
  // claim a check that did not happen.
  shop.signIn(12);
  EXPECT_EQ(submit(7002, 12, 2, err), zp::backend::kRefusedOrder);
  EXPECT_EQ(submit(7002, 12, 1, err), 0) << err.text2;
  EXPECT_EQ(shop.count("SELECT COUNT(*) FROM zp_order"), 2);
}

INSTANTIATE_TEST_SUITE_P(Backends, Sessions, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });

}  // namespace
