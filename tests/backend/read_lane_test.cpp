// Which of zpserver's operations run on the read lane, and that a counter's
// lookups are answered while every ordinary worker is busy with an order.
#include "read_lane.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <vector>

#include "MBusiDataMgnt.h"
#include "MBusiPublic.h"
#include "MPrivmgnt.h"
#include "MSession.h"
#include "MSysmgntDef.h"
#include "MVasDesk.h"
#include "backend_world.h"

using zp::backend::readsOnly;
using zp::store::Backend;
using zp::testing::BackendWorld;
using namespace std::chrono_literals;

namespace {

TEST(ReadLaneClassifier, ReadsAreReadsAndEverythingElseIsNot) {
  const struct {
    zpd_operation op;
    bool read;
  } cases[] = {
      // What a counter asks while serving a subscriber.
      {MBusiPublic::IBusiPublic_get_userServId, true},
      {MBusiPublic::IBusiPublic_get_userInfo, true},
      {MBusiPublic::IBusiPublic_get_codeList, true},
      {MBusiPublic::IBusiCatalogue_get_busiPromList, true},
      {MBusiPublic::IBusiCatalogue_get_soFee, true},
      {MBusiPublic::IBusiPrint_get_soInvoice, true},
      {MVasDesk::IVasDesk_get_info, true},
      {MVasDesk::IVasDesk_check_so, true},
      {MVasDesk::IVasDesk_query_resList, true},
      {MSysmgntDef::ISysmgntPublic_check_operRight, true},
      {MPrivmgnt::IPrivelege_query_privelegeClassEntities, true},
      {MBusiDataMgnt::IBusiDataMgnt_get_spInfoList, true},
      // Everything that writes.
      {MVasDesk::IVasDesk_so_userService, false},
      {MVasDesk::IVasDesk_do_signRes, false},
      {MBusiPublic::IBusiPublic_check_userPassword, false},
      {MBusiPublic::IBusiPrint_set_soPrint, false},
      {MSession::ISession_sign_in, false},
      {MSession::ISession_sign_out, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(readsOnly(c.op.interfaceName, c.op.serviceCode), c.read) << c.op.qualifiedName;

  // Not known: a code of another interface, an unheard-of code, half a name.
  EXPECT_FALSE(readsOnly(MBusiPublic::IBusiPublic_get_userServId.interfaceName, MVasDesk::IVasDesk_get_info.serviceCode));
  EXPECT_FALSE(readsOnly(MVasDesk::IVasDesk_get_info.interfaceName, "BAVDKU99"));
  EXPECT_FALSE(readsOnly("", ""));
  EXPECT_FALSE(readsOnly("MVasDesk_IVasDes", MVasDesk::IVasDesk_get_info.serviceCode));
  EXPECT_FALSE(readsOnly(MVasDesk::IVasDesk_get_info.interfaceName, "BAVDKU0"));
}

const char* kWorld = R"({
  "operators": [{"op_id": 11, "org_id": 110, "region_code": 571, "county_code": 1}],
  "customers": [{"cust_id": 1, "cust_name": "周明", "region_code": 571}],
  "accounts": [{"acct_id": 2, "cust_id": 1, "acct_name": "周明"}],
  "users": [{"serv_id": 501, "phone_id": "13900000501", "cust_id": 1, "acct_id": 2, "region_code": 571},
            {"serv_id": 502, "phone_id": "13900000502", "cust_id": 1, "acct_id": 2, "region_code": 571}],
  "number_ranges": [{"first": "55100000", "count": 20, "region_code": 571}]
})";

// Orders held in every ordinary worker (as by a slow flush); the counter's
// lookups over TCP are answered meanwhile, and a writing request is not
// slipped past the orders onto the idle read workers.
TEST(ServerReadLane, LookupsAreAnsweredWhileEveryWorkerHoldsAnOrder) {
  BackendWorld world(Backend::sqlite, kWorld);
  const auto held = 4s;
  world.fail(MVasDesk::IVasDesk_so_userService, {0, 0, "", "", held});
  world.fail(MBusiPublic::IBusiPublic_check_userPassword, {0, 0, "", "", 10ms});
  world.serveTcp();  // four ordinary workers, as the server's default

  const auto bound = [](auto client) {
    client->set_timeout(20s);
    EXPECT_EQ(client->bind_zpBroker("ZEPHYRON"), 0);
    return client;
  };
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::future<void>> orders;
  for (int i = 0; i < 4; ++i) {
    std::shared_ptr<MVasDesk::IVasDesk> client = bound(std::make_shared<MVasDesk::IVasDesk>());
    orders.push_back(std::async(std::launch::async, [client] {
      MVasDesk::SSoUserServiceOut out;
      CBSErrorMsg err;
      client->so_userService(MVasDesk::SSoUserServiceIn{}, out, err, nullptr);
    }));
  }
  std::this_thread::sleep_for(300ms);  // the orders have taken every worker
  std::shared_ptr<MBusiPublic::IBusiPublic> passwords = bound(std::make_shared<MBusiPublic::IBusiPublic>());
  auto password = std::async(std::launch::async, [passwords] {
    MBusiPublic::SCheckPasswordIn in;
    in.set_PHONE_ID("13900000501");
    in.set_PASSWORD("000000");
    MBusiPublic::SCheckPasswordOut out;
    CBSErrorMsg err;
    passwords->check_userPassword(in, out, err, nullptr);
  });

  auto busi = bound(std::make_shared<MBusiPublic::IBusiPublic>());
  MBusiPublic::SPhoneIn phone;
  phone.set_PHONE_ID("13900000502");
  MBusiPublic::SServIdOut servId;
  CBSErrorMsg err;
  ASSERT_EQ(busi->get_userServId(phone, servId, err, nullptr), 0) << err.text2;
  EXPECT_EQ(servId.get_SERV_ID(), 502);
  auto vasdesk = bound(std::make_shared<MVasDesk::IVasDesk>());
  MVasDesk::SQueryResListIn q;
  q.set_REGION_CODE(571);
  q.set_RES_TYPE(30);
  q.set_MAX_NUM(5);
  q.set_START_NO("55100000");
  q.set_END_NO("55100019");
  MVasDesk::SQueryResListOut numbers;
  ASSERT_EQ(vasdesk->query_resList(q, numbers, err, nullptr), 0) << err.text2;
  EXPECT_EQ(numbers.get_RESINFOLIST().size(), 5u);

  EXPECT_LT(std::chrono::steady_clock::now() - start, held - 1s) << "the lookups waited for the orders";
  for (auto& o : orders) EXPECT_EQ(o.wait_for(0ms), std::future_status::timeout);
  // The password check counts wrong attempts: it waits its turn behind the
  // orders, not on a read worker.
  EXPECT_EQ(password.wait_for(300ms), std::future_status::timeout) << "a writing request ran on the read lane";
  for (auto& o : orders) o.get();
  password.get();
  world.dispatcher->clear_faults();
  world.tcp->stop();
}

}  // namespace
