// Keyed submissions and reservations at the acceptance service: a call
// asked again under its key is answered with its first reply and does its
// work once, whether the first reply was given or lost after the commit.
#include <gtest/gtest.h>

#include <array>
#include <thread>
#include <vector>

#include "backend_world.h"
#include "sample_orders.h"
#include "zpd_client.h"
#include "zpd_envelope.h"

using namespace MPublicDef;
using namespace MVasDesk;
using zp::store::Backend;
using zp::testing::BackendWorld;
using zp::testing::globalCallOpen;

namespace {

const char* kWorld = R"({
  "operators": [{"op_id": 11, "org_id": 110, "region_code": 571, "county_code": 1},
                {"op_id": 12, "org_id": 110, "region_code": 571, "county_code": 1}],
  "operator_rights": [{"op_id": 11, "ent_id": 51501}, {"op_id": 12, "ent_id": 51501}],
  "catalogue_items": [{"prod_id": 31, "busi_type": 101, "prod_name": "全球呼月租"}],
  "book_items": [{"item_id": 100, "name": "全球呼开户费"}],
  "fee_flags": [{"busi_code": 1302, "flag": 1}],
  "fee_rules": [{"busi_code": 1302, "book_item_id": 100, "item_value": 2000}],
  "customers": [{"cust_id": 1, "cust_name": "周明", "region_code": 571}],
  "accounts": [{"acct_id": 2, "cust_id": 1}],
  "users": [{"serv_id": 501, "phone_id": "13900000501", "cust_id": 1, "acct_id": 2, "region_code": 571},
            {"serv_id": 502, "phone_id": "13900000502", "cust_id": 1, "acct_id": 2, "region_code": 571}],
  "number_ranges": [{"first": "55100000", "count": 10, "region_code": 571}]
})";

class CallKeys : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    world = std::make_unique<BackendWorld>(GetParam(), kWorld);
    ASSERT_EQ(client.bind_zpBroker("ZEPHYRON"), 0);
  }

  std::int32_t reserve(const std::string& number, int act = 1, const std::string& key = {}) {
    const zpd_call_key_scope scope(key);
    SDoSignResIn in;
    in.set_RES_ID(number);
    in.set_ACT_TYPE(static_cast<std::int16_t>(act));
    SDoSignResOut out;
    err.reset();
    const std::int32_t r = client.do_signRes(in, out, err, nullptr);
    lastSign = out.get_RESSIGN();
    return r;
  }
  std::int32_t submit(const SSoUserServiceIn& in, const std::string& key) {
    const zpd_call_key_scope scope(key);
    err.reset();
    out = {};
    return client.so_userService(in, out, err, nullptr);
  }
  long long orders() { return world->count("SELECT COUNT(*) FROM zp_order"); }

  std::unique_ptr<BackendWorld> world;
  IVasDesk client;
  CBSErrorMsg err;
  SSoUserServiceOut out;
  SResSign lastSign;
};

// Asked again under its key, a stored order is answered with its number,
// result and tickets, and nothing more is written; the same order under
// another key is judged anew (its number is now in use), and another
// operator's call under the same key is not this one.
TEST_P(CallKeys, ASubmissionAskedAgainIsAnsweredWithItsFirstReplyAndStoredOnce) {
  ASSERT_EQ(reserve("55100003"), 0) << err.text2;
  const std::string key = zpd_new_call_key();
  ASSERT_EQ(submit(globalCallOpen(501, "55100003"), key), 0) << err.text2;
  const SSoUserServiceOut first = out;
  const CBSErrorMsg firstErr = err;
  const long long lines = world->count("SELECT COUNT(*) FROM zp_order_line");
  ASSERT_EQ(orders(), 1);
  ASSERT_FALSE(first.get_TIKETINFOLIST().empty());

  ASSERT_EQ(submit(globalCallOpen(501, "55100003"), key), 0) << err.text2;
  EXPECT_EQ(out, first);
  EXPECT_EQ(err.text1, firstErr.text1);
  EXPECT_EQ(orders(), 1);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order_line"), lines);
  EXPECT_EQ(world->count("SELECT so_nbr FROM zp_call_key"), first.get_SORESULTINFO().get_SO_NBR());

  EXPECT_NE(submit(globalCallOpen(501, "55100003"), zpd_new_call_key()), 0);
  EXPECT_EQ(orders(), 1);
  world->signIn(12);
  EXPECT_NE(submit(globalCallOpen(501, "55100003"), key), 0);
  EXPECT_EQ(orders(), 1);
}

// The reply is lost after the commit (the server's work done, its answer
// never sent): the counter cannot tell, asks again under the key, and gets
// the stored order's reply, once. Without a key it would be judged again.
TEST_P(CallKeys, AReplyLostAfterTheCommitIsGivenAgainUnderTheKey) {
  ASSERT_EQ(reserve("55100004"), 0) << err.text2;
  world->fail(IVasDesk_so_userService, zp::testing::lostReply(1));
  const std::string key = zpd_new_call_key();
  EXPECT_EQ(submit(globalCallOpen(501, "55100004"), key), ZPE_RECEIVE);
  ASSERT_EQ(orders(), 1);  // stored, though nobody was told

  ASSERT_EQ(submit(globalCallOpen(501, "55100004"), key), 0) << err.text2;
  EXPECT_EQ(out.get_SORESULTINFO().get_SO_NBR(), world->count("SELECT so_nbr FROM zp_order"));
  EXPECT_EQ(orders(), 1);
}

// A refused key stays refused: the answer "not stored" is final, even should
// the order itself still arrive under that key; the order goes through
// under a key of its own.
TEST_P(CallKeys, ARefusalIsTheKeysAnswerFromThenOn) {
  ASSERT_EQ(reserve("55100005"), 0) << err.text2;
  const std::string key = zpd_new_call_key();
  SSoUserServiceIn probe;
  probe.set_BUSI_CODE(1302);
  EXPECT_EQ(submit(probe, key), zp::backend::kRefusedOrder);
  EXPECT_EQ(submit(globalCallOpen(501, "55100005"), key), zp::backend::kRefusedOrder);
  EXPECT_EQ(orders(), 0);
  EXPECT_EQ(submit(globalCallOpen(501, "55100005"), zpd_new_call_key()), 0) << err.text2;
  EXPECT_EQ(orders(), 1);
}

// A key the store cannot keep (longer than a key may be, or not printable
// ASCII) is not dropped so that the call runs unprotected: the submission
// and the reservation are refused, saying why, and nothing is stored. A key
// of the longest length is kept.
TEST_P(CallKeys, AKeyTheStoreCannotKeepIsRefusedAndNothingStored) {
  ASSERT_EQ(reserve("55100002"), 0) << err.text2;
  const struct {
    std::string key;
    const char* why;
  } cases[] = {
      {std::string(zpd_envelope::kMaxCallKey + 1, 'k'), "超过64个字符"},
      {std::string(200, '7'), "超过64个字符"},
      {"key" "1", "不可打印"},
      {"key 1", "不可打印"},
      {"键1", "不可打印"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(submit(globalCallOpen(501, "55100002"), c.key), zp::backend::kRefusedRequest) << c.key;
    EXPECT_NE(err.text2.find(c.why), std::string::npos) << err.text2;
    EXPECT_NE(err.text2.find("业务没有受理"), std::string::npos) << err.text2;
    EXPECT_EQ(reserve("55100001", 1, c.key), zp::backend::kRefusedRequest) << c.key;
    EXPECT_NE(err.text2.find(c.why), std::string::npos) << err.text2;
    EXPECT_EQ(reserve("55100002", 2, c.key), zp::backend::kRefusedRequest) << c.key;
  }
  EXPECT_EQ(orders(), 0);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_order_line"), 0);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_user_service"), 0);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_call_key"), 0);
  EXPECT_EQ(world->count("SELECT sts FROM zp_res_number WHERE res_id = '55100001'"), 1);
  EXPECT_EQ(world->count("SELECT sts FROM zp_res_number WHERE res_id = '55100002'"), 2);

  const std::string longest(zpd_envelope::kMaxCallKey, 'k');
  ASSERT_EQ(submit(globalCallOpen(501, "55100002"), longest), 0) << err.text2;
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_call_key WHERE call_key = '" + longest + "'"), 1);
  EXPECT_EQ(orders(), 1);
}

// A reservation asked again under its key does not reserve again: released
// meanwhile, the number stays free, and the reply is the first one.
TEST_P(CallKeys, AReservationAskedAgainDoesNotReserveTwice) {
  const std::string key = zpd_new_call_key();
  ASSERT_EQ(reserve("55100006", 1, key), 0) << err.text2;
  const SResSign first = lastSign;
  ASSERT_EQ(reserve("55100006", 2), 0) << err.text2;
  ASSERT_EQ(reserve("55100006", 1, key), 0) << err.text2;
  EXPECT_EQ(lastSign, first);
  EXPECT_EQ(world->count("SELECT sts FROM zp_res_number WHERE res_id = '55100006'"), 1);
  // Without the key it is a new reservation.
  ASSERT_EQ(reserve("55100006"), 0) << err.text2;
  EXPECT_EQ(world->count("SELECT sts FROM zp_res_number WHERE res_id = '55100006'"), 2);
}

// Keys are kept for the retention time (a day by default) and pruned by a
// later keyed call; a key pruned is a new key.
TEST_P(CallKeys, KeysOlderThanTheRetentionArePruned) {
  const std::string old = zpd_new_call_key();
  ASSERT_EQ(reserve("55100007", 1, old), 0) << err.text2;
  ASSERT_EQ(reserve("55100007", 2), 0) << err.text2;
  world->clock += 23 * 3600;
  ASSERT_EQ(reserve("55100008", 1, zpd_new_call_key()), 0) << err.text2;
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_call_key"), 2);
  world->clock += 2 * 3600;  // the first key is 25 hours old
  ASSERT_EQ(reserve("55100009", 1, zpd_new_call_key()), 0) << err.text2;
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_call_key"), 2);
  EXPECT_EQ(world->count("SELECT COUNT(*) FROM zp_call_key WHERE call_key = '" + old + "'"), 0);
  ASSERT_EQ(reserve("55100007", 1, old), 0) << err.text2;
  EXPECT_EQ(world->count("SELECT sts FROM zp_res_number WHERE res_id = '55100007'"), 2);
}

// The same submission under the same key at the same moment (a retry that
// overtook its first sending still at work): one order is stored, and both
// are answered with its number.
TEST_P(CallKeys, TheSameKeyAtTheSameTimeIsStoredOnceAndAnsweredAlike) {
  for (const int round : {0, 1}) {  // each subscriber opens Global Call once
    const long long servId = 501 + round;
    const std::string number = "5510000" + std::to_string(round);
    ASSERT_EQ(reserve(number), 0) << err.text2;
    const std::string key = zpd_new_call_key();
    std::array<std::int32_t, 2> results{};
    std::array<long long, 2> numbers{};
    std::vector<std::thread> racers;
    for (int i = 0; i < 2; ++i)
      racers.emplace_back([&, i] {
        IVasDesk own;
        ASSERT_EQ(own.bind_zpBroker("ZEPHYRON"), 0);
        const zpd_call_key_scope scope(key);
        SSoUserServiceOut o;
        CBSErrorMsg e;
        results[i] = own.so_userService(globalCallOpen(servId, number), o, e, nullptr);
        numbers[i] = o.get_SORESULTINFO().get_SO_NBR();
      });
    for (auto& t : racers) t.join();
    EXPECT_EQ(results[0], 0) << round;
    EXPECT_EQ(results[1], 0) << round;
    EXPECT_EQ(numbers[0], numbers[1]) << round;
    EXPECT_EQ(orders(), round + 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Backends, CallKeys, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return zp::testing::backendName(info.param); });

}  // namespace
