// Which of the subscriber's products the acceptance service returns for an
// order of a business: those of its type and those the business's scope
// takes in, and no others; and a cancellation built from that list deletes
// exactly those.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "MVasDesk.h"
#include "backend_world.h"
#include "vasdesk_service.h"

using namespace MPublicDef;
using namespace MVasDesk;
using zp::store::Backend;
using zp::testing::BackendWorld;

namespace {

// Subscriber 601 of region 571 has Global Call, GPS, GPRS and ring-back, and
// products of several types:
//   62 (101, 7121); 71 (106, 305032) and 72 (106, 305033);
//   81 (106, 305025); 74 (104, 7104) and 73 (106, 7141); 91 and 92 (102).
const char* kWorld = R"({
  "operators": [{"op_id": 11, "org_id": 110, "region_code": 571, "county_code": 1}],
  "operator_rights": [{"op_id": 11, "ent_id": 51508}],
  "sys_params": [{"region_code": 0, "para_name": "MscCrbt", "para_value": "7104,7141"}],
  "customers": [{"cust_id": 1, "cust_name": "周明", "region_code": 571}],
  "accounts": [{"acct_id": 2, "cust_id": 1, "acct_name": "周明"}],
  "users": [{"serv_id": 601, "phone_id": "13900000601", "cust_id": 1, "acct_id": 2, "region_code": 571,
             "plan_id": 8}],
  "user_services": [{"serv_id": 601, "busi_type": 101, "res_code": 1, "res_id": "55000001"},
                    {"serv_id": 601, "busi_type": 102}, {"serv_id": 601, "busi_type": 5},
                    {"serv_id": 601, "busi_type": 104}],
  "user_products": [{"serv_id": 601, "prod_id": 62, "busi_type": 101, "service_id": 7121, "func_param": "139"},
                    {"serv_id": 601, "prod_id": 71, "busi_type": 106, "service_id": 305032},
                    {"serv_id": 601, "prod_id": 72, "busi_type": 106, "service_id": 305033},
                    {"serv_id": 601, "prod_id": 81, "busi_type": 106, "service_id": 305025},
                    {"serv_id": 601, "prod_id": 74, "busi_type": 104, "service_id": 7104},
                    {"serv_id": 601, "prod_id": 73, "busi_type": 106, "service_id": 7141},
                    {"serv_id": 601, "prod_id": 91, "busi_type": 102, "service_id": 1102},
                    {"serv_id": 601, "prod_id": 92, "busi_type": 102, "service_id": 1103}]
})";

class ProductScope : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    world = std::make_unique<BackendWorld>(GetParam(), kWorld);
    ASSERT_EQ(client.bind_zpBroker("ZEPHYRON"), 0);
  }
  void TearDown() override { client.unbind(); }

  SMscFuncInfoList products(int busiCode) {
    SFetchCtInfoIn in;
    in.set_BUSI_CODE(busiCode);
    in.set_SERV_ID(601);
    SGetInfoOut out;
    CBSErrorMsg err;
    EXPECT_EQ(client.get_info(in, out, err, nullptr), 0) << err.text2;
    return out.get_MSCFUNCINFOLIST();
  }
  std::vector<int> codes(int busiCode) {
    std::vector<int> out;
    for (const auto& p : products(busiCode)) out.push_back(p.get_PROD_ID());
    return out;
  }
  std::vector<int> stored() {
    std::vector<int> out;
    world->db->transact(zp::store::Database::Intent::read, [&](soci::session& sql) {
      soci::rowset<int> rows = (sql.prepare << "SELECT prod_id FROM zp_user_product WHERE serv_id = 601 ORDER BY prod_id");
      for (int id : rows) out.push_back(id);
    });
    return out;
  }

  std::unique_ptr<BackendWorld> world;
  IVasDesk client;
};

TEST_P(ProductScope, EachBusinessGetsItsOwnProductsAndThoseOfItsScope) {
  EXPECT_EQ(codes(1302), (std::vector<int>{62, 71}));  // Global Call: 305031, 305032
  EXPECT_EQ(codes(1304), (std::vector<int>{91, 92}));  // GPS: its own only
  EXPECT_EQ(codes(1070), (std::vector<int>{81}));      // GPRS: 305025
  EXPECT_EQ(codes(1324), (std::vector<int>{73, 74}));  // ring-back: MscCrbt
  const SMscFuncInfoList got = products(1302);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[1].get_BUSI_TYPE(), 106);  // each keeps its own type
  EXPECT_EQ(got[1].get_SERVICE_ID(), 305032);
  EXPECT_EQ(got[0].get_FUNC_PARAM(), "139");

  world->db->transact(zp::store::Database::Intent::write, [](soci::session& sql) {
    sql << "UPDATE zp_sys_para SET para_value = '' WHERE para_name = 'MscCrbt'";
  });
  EXPECT_EQ(codes(1324), (std::vector<int>{74}));
}

// The counter's cancellation: one delete line per product the query
// returned. Cancelling GPS leaves Global Call's and ring-back's products.
TEST_P(ProductScope, CancellingGpsDeletesOnlyWhatWasShown) {
  const SMscFuncInfoList shown = products(1305);
  ASSERT_EQ(shown.size(), 2u);
  SSoInfo so;
  so.set_BUSI_CODE(1305);
  so.set_SERV_ID(601);
  so.set_OP_ID(11);
  so.set_SO_REGION_CODE(571);
  so.set_SO_COUNTY_CODE(1);
  so.set_SO_ORG_ID(110);
  SUserServiceOper oper;
  oper.set_ACT_TYPE(3);
  oper.set_BUSI_TYPE(102);
  oper.set_SERV_ID(601);
  oper.set_REMARK("柜台受理");
  SMscFuncOperList lines;
  for (const SMscFuncInfo& p : shown) {
    SMscFuncOper l;
    l.set_ACT_TYPE(3);
    l.set_BUSI_TYPE(102);
    l.set_PROD_ID(p.get_PROD_ID());
    l.set_FUNC_PARAM("");
    l.set_FUNC_TYPE(0);
    l.set_OPER_TYPE(1);
    l.set_PROPERTY("");
    l.set_REMARK("");
    l.set_SERV_ID(p.get_SERV_ID());
    l.set_REGION_CODE(571);
    l.set_SERVICE_ID(p.get_SERVICE_ID());
    lines.push_back(l);
  }
  SSoUserServiceIn in;
  in.set_BUSI_CODE(1305);
  in.set_SOINFO(so);
  in.set_USERSERVICEOPERLIST({oper});
  in.set_MSCFUNCOPERLIST(lines);
  SSoUserServiceOut out;
  CBSErrorMsg err;
  ASSERT_EQ(client.so_userService(in, out, err, nullptr), 0) << err.text1 << " " << err.text2;
  EXPECT_EQ(stored(), (std::vector<int>{62, 71, 72, 73, 74, 81}));
  EXPECT_EQ(codes(1302), (std::vector<int>{62, 71}));
  EXPECT_EQ(codes(1324), (std::vector<int>{73, 74}));
}

INSTANTIATE_TEST_SUITE_P(Backends, ProductScope, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });

}  // namespace
