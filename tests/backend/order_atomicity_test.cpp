// An order is written whole or not at all: a store that fails at any one of
// the submission's writes leaves no trace of the order, and the same order
// goes through once the store is well again.
#include <gtest/gtest.h>
#include <soci/soci.h>

#include "backend_world.h"
#include "sample_orders.h"

using namespace MPublicDef;
using namespace MVasDesk;
using zp::store::Backend;

namespace {

const char* kWorld = R"({
  "operators": [{"op_id": 11, "org_id": 110, "region_code": 571, "county_code": 1}],
  "operator_rights": [{"op_id": 11, "ent_id": 51501}],
  "catalogue_items": [{"prod_id": 31, "busi_type": 101, "prod_name": "全球呼月租"}],
  "book_items": [{"item_id": 100, "name": "全球呼开户费"}],
  "fee_flags": [{"busi_code": 1302, "flag": 1}],
  "fee_rules": [{"busi_code": 1302, "book_item_id": 100, "item_value": 2000}],
  "customers": [{"cust_id": 1, "cust_name": "周明", "region_code": 571}],
  "accounts": [{"acct_id": 2, "cust_id": 1}],
  "users": [{"serv_id": 501, "phone_id": "13900000501", "cust_id": 1, "acct_id": 2, "region_code": 571}],
  "number_ranges": [{"first": "55100000", "count": 10, "region_code": 571}]
})";

// What the store holds of subscriber 501's business: orders, lines, service,
// promotions, and the number's state.
struct Trace {
  long long orders, lines, services, promotions, numberSts;
  bool operator==(const Trace&) const = default;
};

Trace trace(zp::testing::BackendWorld& w) {
  return {w.count("SELECT COUNT(*) FROM zp_order"), w.count("SELECT COUNT(*) FROM zp_order_line"),
          w.count("SELECT COUNT(*) FROM zp_user_service"), w.count("SELECT COUNT(*) FROM zp_user_promotion"),
          w.count("SELECT sts FROM zp_res_number WHERE res_id = '55100003'")};
}

// Global Call for 501 with number 55100003, priced, by operator 11 with
// the handling agent.
SSoUserServiceIn globalCallOpen() {
  SSoUserServiceIn in = zp::testing::globalCallOpen(501, "55100003", 11);
  SOperator agent;
  agent.set_SO_MAN("吴晓燕");
  agent.set_REG_TYPE(1);
  agent.set_REG_NBR("330106199002023451");
  in.set_OPERATORMAN(agent);
  return in;
}

}  // namespace

TEST(OrderAtomicity, AFailureAtAnyWriteLeavesNoTraceOfTheOrder) {
  zp::testing::BackendWorld world(Backend::sqlite, kWorld);
  IVasDesk client;
  ASSERT_EQ(client.bind_zpBroker("ZEPHYRON"), 0);
  SDoSignResIn sign;
  sign.set_REGION_CODE(571);
  sign.set_OP_ID(11);
  sign.set_RES_ID("55100003");
  sign.set_ACT_TYPE(1);
  SDoSignResOut signed_;
  CBSErrorMsg err;
  ASSERT_EQ(client.do_signRes(sign, signed_, err, nullptr), 0);
  const Trace before = trace(world);

  // Each write of the submission in turn is made to fail inside the store:
  // every line of the order (by its number), the header, the service, the
  // promotion, the number becoming the subscriber's, the order number.
  std::vector<std::string> faults;
  for (int line = 1; line <= 5; ++line)
    faults.push_back("CREATE TRIGGER fault BEFORE INSERT ON zp_order_line WHEN NEW.line_no = " +
                     std::to_string(line) + " BEGIN SELECT RAISE(ABORT, 'injected'); END");
  for (const char* table : {"zp_order", "zp_user_service", "zp_user_promotion"})
    faults.push_back(std::string("CREATE TRIGGER fault BEFORE INSERT ON ") + table +
                     " BEGIN SELECT RAISE(ABORT, 'injected'); END");
  faults.push_back("CREATE TRIGGER fault BEFORE UPDATE ON zp_res_number BEGIN SELECT RAISE(ABORT, 'injected'); END");
  faults.push_back("CREATE TRIGGER fault BEFORE UPDATE ON zp_sequence BEGIN SELECT RAISE(ABORT, 'injected'); END");

  for (const std::string& fault : faults) {
    world.db->transact(zp::store::Database::Intent::write, [&](soci::session& sql) { sql << fault; });
    SSoUserServiceOut out;
    EXPECT_NE(client.so_userService(globalCallOpen(), out, err, nullptr), 0) << fault;
    EXPECT_NE(err.text2.find("injected"), std::string::npos) << fault << ": " << err.text2;
    EXPECT_EQ(trace(world), before) << fault;

    world.db->transact(zp::store::Database::Intent::write,
                       [](soci::session& sql) { sql << "DROP TRIGGER fault"; });
  }

  SSoUserServiceOut out;
  ASSERT_EQ(client.so_userService(globalCallOpen(), out, err, nullptr), 0) << err.text2;
  const Trace after = trace(world);
  EXPECT_EQ(after.orders, before.orders + 1);
  EXPECT_EQ(after.lines, before.lines + 5);  // service, promotion, fee, reservation, agent
  EXPECT_EQ(after.services, before.services + 1);
  EXPECT_EQ(after.numberSts, 3);
}
