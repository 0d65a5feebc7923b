// The papers of a submitted order: the back end prepares the receipt's and
// the invoice's fields from the stored order, the library fills the paper's
// record table, and the invoice's print count is kept.
#include <gtest/gtest.h>

#include "MVasDesk.h"
#include "busi_print_service.h"
#include "busi_world.h"
#include "cbusinesspublic.h"
#include "fixtures.h"
#include "sample_orders.h"
#include "sessions.h"

using zp::report::RecordTable;
using zp::store::Backend;

namespace {

class PrintData : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    world = std::make_unique<zp::testing::BackendWorld>(GetParam(), zp::testing::kBusiWorld);
    // The operator who submits the orders: he may open GPRS, here and in 572.
    zp::store::loadFixtures(*world->db, R"({"operators": [{"op_id": 11, "org_id": 110, "region_code": 571}],
        "operator_rights": [{"op_id": 11, "ent_id": 51505}, {"op_id": 11, "ent_id": 49990}],
        "book_items": [{"item_id": 100, "name": "GPRS功能费"}]})");
    world->signIn(11);
    MVasDesk::IVasDesk desk;
    ASSERT_EQ(desk.bind_zpBroker("ZEPHYRON"), 0);
    CBSErrorMsg err;
    // The order of 503 is taken with an agent; the counter's copies of the
    // customer (周明, of the store) and of the agent are as it sent them.
    cust.set_CUST_NAME("周明");
    cust.set_REG_TYPE(1);
    cust.set_REG_NBR("330102197003071231");
    cust.set_LINK_PHONE("13900000501");
    agent.set_SO_MAN("吴晓燕");
    agent.set_REG_TYPE(1);
    agent.set_REG_NBR("330106199002023451");
    agent.set_LINK_PHONE("13700000077");
    MVasDesk::SSoUserServiceIn order = zp::testing::gprsOpen(503);
    order.set_OPERATORMAN(agent);
    zp::testing::priceGprsOpen(*world->db, order.get_SOFEELIST());
    ASSERT_EQ(desk.so_userService(order, submitted, err, nullptr), 0) << err.text2;
    ASSERT_TRUE(lib.Init(1070, 571, 1, 110, 11));
  }
  const MPublicDef::SSoResultInfo& result() const { return submitted.get_SORESULTINFO(); }

  std::unique_ptr<zp::testing::BackendWorld> world;
  MVasDesk::SSoUserServiceOut submitted;
  CBusinessPublic lib;
  MPublicDef::SCustInfo cust;
  MPublicDef::SOperator agent;
};

}  // namespace

TEST_P(PrintData, TheReceiptOfTheStoredOrder) {
  RecordTable voucher = RecordTable::soVoucher();
  voucher.open();
  ASSERT_TRUE(lib.PrintDataGetSoVoucher(1070, 2, "13900000503", {}, result(), cust, agent, "GPRS月费10元\n", voucher))
      << lib.LastError().text2;
  ASSERT_EQ(voucher.recordCount(), 1u);
  EXPECT_EQ(voucher.get("soNbr"), std::to_string(result().get_SO_NBR()));
  EXPECT_EQ(voucher.get("custName"), "周明");
  EXPECT_EQ(voucher.get("custNum"), "13900000503");
  EXPECT_EQ(voucher.get("regType"), "身份证");
  EXPECT_EQ(voucher.get("assurer"), "吴晓燕");
  EXPECT_EQ(voucher.get("assureLinkPhone"), "13700000077");
  EXPECT_EQ(voucher.get("busiName"), "GPRS开通");
  EXPECT_EQ(voucher.get("busiMemo"), "GPRS月费10元\n");
  EXPECT_EQ(voucher.get("soDate"), result().get_SO_DATE().toString("%Y/%M/%D %H:%N:%S"));
  EXPECT_EQ(voucher.get("soOpId").rfind("11", 0), 0u);

  // A memo and a name longer than their fields are cut; the table holds
  // this order's record alone however often it is filled.
  const std::string longMemo(2001, 'x');
  const std::string longName = std::string(30, 'A') + "张王李赵刘陈杨黄吴周徐孙马朱胡郭何高林罗";  // 30 + 40 GBK bytes
  world->db->transact(zp::store::Database::Intent::write, [&](soci::session& sql) {
    sql << "UPDATE zp_customer SET cust_name = :n WHERE cust_id = 1", soci::use(longName);
  });
  ASSERT_TRUE(lib.PrintDataGetSoVoucher(1070, 2, "13900000503", {}, result(), cust, agent, longMemo, voucher))
      << lib.LastError().text2;
  ASSERT_EQ(voucher.recordCount(), 1u);
  EXPECT_EQ(voucher.get("busiMemo"), std::string(2000, 'x'));
  EXPECT_EQ(voucher.get("custName"), std::string(30, 'A') + "张王李赵刘陈杨黄吴周徐孙马朱胡郭何");  // 64 bytes
  EXPECT_EQ(voucher.get("soNbr"), std::to_string(result().get_SO_NBR()));

  // An order the back end does not know: false with the reason, and the
  // table as it was.
  MPublicDef::SSoResultInfo unknown;
  unknown.set_SO_NBR(999999999);
  EXPECT_FALSE(lib.PrintDataGetSoVoucher(1070, 2, "13900000503", {}, unknown, cust, agent, "", voucher));
  EXPECT_EQ(lib.LastError().code, zp::backend::kPrintNoOrder);
  EXPECT_NE(lib.LastError().text1, "no error");
  EXPECT_EQ(voucher.recordCount(), 1u);
}

// What the store knows of the order is printed as it was stored: a counter
// that sends another business, a password it never had checked, another
// subscriber's number, another day, another customer or another agent gets
// a receipt and an invoice of the order as it was taken (GPRS opened for
// 503 on the day, for 周明 on his documents, with 吴晓燕 as agent).
TEST_P(PrintData, ThePapersSayWhatTheOrderStoredNotWhatTheCounterSends) {
  MPublicDef::SSoResultInfo forged = result();
  forged.set_SO_DATE(CBSDateTime::make(2020, 1, 2, 3, 4, 5));
  MPublicDef::SCustInfo otherCust;
  otherCust.set_CUST_NAME("郑国强");
  otherCust.set_REG_TYPE(3);
  otherCust.set_REG_NBR("E12345678");
  otherCust.set_LINK_PHONE("13600000066");
  MPublicDef::SOperator otherAgent;
  otherAgent.set_SO_MAN("钱立新");
  otherAgent.set_REG_TYPE(4);
  otherAgent.set_REG_NBR("军字第0099号");
  otherAgent.set_LINK_PHONE("13500000055");
  RecordTable voucher = RecordTable::soVoucher();
  voucher.open();
  ASSERT_TRUE(lib.PrintDataGetSoVoucher(1071, 2, "13900000501", {}, forged, otherCust, otherAgent, "", voucher))
      << lib.LastError().text2;
  EXPECT_EQ(voucher.get("busiName"), "GPRS开通");
  EXPECT_EQ(voucher.get("busiSoMode2"), "凭有效证件受理");
  EXPECT_EQ(voucher.get("custNum"), "13900000503");
  EXPECT_EQ(voucher.get("soDate"), result().get_SO_DATE().toString("%Y/%M/%D %H:%N:%S"));
  EXPECT_EQ(voucher.get("custName"), "周明");
  EXPECT_EQ(voucher.get("regType"), "身份证");
  EXPECT_EQ(voucher.get("regNum"), "330102197003071231");
  EXPECT_EQ(voucher.get("assurer"), "吴晓燕");
  EXPECT_EQ(voucher.get("assureRegType"), "身份证");
  EXPECT_EQ(voucher.get("assureRegNum"), "330106199002023451");
  EXPECT_EQ(voucher.get("assureLinkPhone"), "13700000077");
  RecordTable invoice = RecordTable::busiInvoice();
  invoice.open();
  ASSERT_TRUE(lib.PrintDataGetSoInvoice("13900000501", otherCust, forged, {}, "", 11, invoice))
      << lib.LastError().text2;
  EXPECT_EQ(invoice.get("phoneId"), "13900000503");
  EXPECT_EQ(invoice.get("date"), result().get_SO_DATE().toString("%Y/%M/%D"));
  EXPECT_EQ(invoice.get("operDate"), result().get_SO_DATE().toString("%Y/%M/%D"));
  EXPECT_EQ(invoice.get("payName"), "周明");
  EXPECT_EQ(invoice.get("linkPhone"), "13900000501");

  // An order taken on the password checked in this session says so,
  // whatever mode the counter's copy gives.
  int checked = -1;
  ASSERT_TRUE(lib.CheckUserPassword("13900000504", "246810", checked));
  ASSERT_EQ(checked, 0);
  MVasDesk::SSoUserServiceIn in = zp::testing::gprsOpen(504);
  MPublicDef::SSoInfo so = in.get_SOINFO();
  so.set_VERIFY_MODE(2);
  in.set_SOINFO(so);
  MVasDesk::IVasDesk desk;
  ASSERT_EQ(desk.bind_zpBroker("ZEPHYRON"), 0);
  MVasDesk::SSoUserServiceOut byPassword;
  CBSErrorMsg err;
  ASSERT_EQ(desk.so_userService(in, byPassword, err, nullptr), 0) << err.text2;
  ASSERT_TRUE(lib.PrintDataGetSoVoucher(1070, 1, "13900000504", {}, byPassword.get_SORESULTINFO(), cust, agent, "",
                                        voucher))
      << lib.LastError().text2;
  EXPECT_EQ(voucher.get("busiSoMode2"), "凭服务密码受理");
  EXPECT_EQ(voucher.get("custNum"), "13900000504");
  // That order was taken without an agent: its receipt names none.
  EXPECT_EQ(voucher.get("assurer"), "");
  EXPECT_EQ(voucher.get("assureRegNum"), "");
}

TEST_P(PrintData, TheInvoiceWithItsLinesAndTheAmountInWords) {
  RecordTable invoice = RecordTable::busiInvoice();
  invoice.open();
  const MPublicDef::STiketInfoList& tickets = submitted.get_TIKETINFOLIST();
  ASSERT_EQ(tickets.size(), 1u);  // the GPRS order charges one fee of 10 yuan
  ASSERT_TRUE(lib.PrintDataGetSoInvoice("13900000503", cust, result(), tickets, "", 11, invoice))
      << lib.LastError().text2;
  EXPECT_EQ(invoice.get("feeItemName1"), tickets[0].get_BOOK_ITEM_NAME());
  EXPECT_EQ(invoice.get("feeValue1"), "10.00");
  EXPECT_EQ(invoice.get("totalFeeLower"), "10.00");
  EXPECT_EQ(invoice.get("totalFeeUpper"), "壹拾元整");
  EXPECT_EQ(invoice.get("payName"), "周明");
  EXPECT_EQ(invoice.get("newBusiFee"), "10.00");
  EXPECT_EQ(invoice.get("prepayFee"), "") << "nothing was paid ahead";

  // Printed again by another clerk: he is the one who issues the invoice,
  // the order stays the first clerk's.
  zp::store::loadFixtures(*world->db, R"({"operators": [{"op_id": 12, "org_id": 110, "region_code": 571}]})");
  world->signIn(12);
  CBusinessPublic other;
  ASSERT_TRUE(other.Init(1070, 571, 1, 110, 12));
  ASSERT_TRUE(other.PrintDataGetSoInvoice("13900000503", cust, result(), tickets, "", 12, invoice))
      << other.LastError().text2;
  EXPECT_EQ(invoice.get("ticketer"), "12");
  EXPECT_EQ(invoice.get("soOper"), "11");
  EXPECT_EQ(invoice.get("totalFeeLower"), "10.00");
}

// A large order with a long item name, a counter discount, a reduction and
// more lines than the form has: the invoice asks exactly what the order
// booked, names are cut, amounts never are.
TEST_P(PrintData, TheInvoiceAsksWhatTheStoredOrderBooked) {
  zp::store::loadFixtures(*world->db, R"({"book_items": [
      {"item_id": 101, "name": "全球呼国际漫游月功能使用费用"}, {"item_id": 301, "name": "功能费优惠"},
      {"item_id": 103, "name": "手续费"}, {"item_id": 201, "name": "预存话费", "prepay": 1}],
      "acc_item_rels": [{"fee_item": 101, "disc_item": 301}]})");
  const auto entry = [](int item, std::int64_t value, std::int64_t discount, int count = 1) {
    MPublicDef::SSoFee fee;
    fee.set_BOOK_ITEM_ID(item);
    fee.set_ITEM_VALUE(value);
    fee.set_ITEM_DISCOUNT(discount);
    fee.set_ITEM_COUNT(count);
    fee.set_ITEM_TOTAL(value * count + discount);
    return fee;
  };
  MVasDesk::SSoUserServiceIn in = zp::testing::gprsOpen(504);
  // 11000.00 - 1000.00 (calculated) - 234.33 (granted) + 0.00 + 2 x 5.00
  // + 2000.00 + 200.00 + 300.00 + 70.00 = 12345.67; the entry of 0.00 sits
  // among the first six, where a line of its own would push one out.
  in.set_SOFEELIST({entry(101, 1100000, -100000), entry(301, -23433, 0), entry(103, 0, 0), entry(103, 500, 0, 2),
                    entry(201, 200000, 0), entry(103, 20000, 0), entry(103, 30000, 0), entry(103, 7000, 0)});
  // Priced so by the catalogue, but for the 234.33 granted at the counter.
  zp::testing::priceGprsOpen(*world->db, {entry(101, 1100000, -100000), entry(103, 0, 0), entry(103, 500, 0, 2),
                                          entry(201, 200000, 0), entry(103, 20000, 0), entry(103, 30000, 0),
                                          entry(103, 7000, 0)});
  MVasDesk::IVasDesk desk;
  ASSERT_EQ(desk.bind_zpBroker("ZEPHYRON"), 0);
  MVasDesk::SSoUserServiceOut out;
  CBSErrorMsg err;
  ASSERT_EQ(desk.so_userService(in, out, err, nullptr), 0) << err.text2;
  EXPECT_EQ(world->count("SELECT SUM(amount) FROM zp_order_line WHERE kind = 'fee' AND so_nbr = " +
                         std::to_string(out.get_SORESULTINFO().get_SO_NBR())),
            1234567);
  EXPECT_EQ(out.get_TIKETINFOLIST().size(), 7u) << "the line of 0.00 is no invoice line";

  const std::string longName = "张王李赵刘陈杨黄吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹";  // 30 characters
  world->db->transact(zp::store::Database::Intent::write, [&](soci::session& sql) {
    sql << "UPDATE zp_customer SET cust_name = :n WHERE cust_id = 1", soci::use(longName);
  });
  RecordTable invoice = RecordTable::busiInvoice();
  invoice.open();
  // The counter's copy of the lines does not decide what the invoice asks.
  ASSERT_TRUE(lib.PrintDataGetSoInvoice("13900000504", cust, out.get_SORESULTINFO(), {}, "", 11, invoice))
      << lib.LastError().text2;
  ASSERT_EQ(invoice.recordCount(), 1u);
  EXPECT_EQ(invoice.get("soNbr"), std::to_string(out.get_SORESULTINFO().get_SO_NBR()));
  EXPECT_EQ(invoice.get("totalFeeLower"), "12345.67");
  EXPECT_EQ(invoice.get("totalFeeUpper"), "壹万贰仟叁佰肆拾伍元陆角柒分");
  EXPECT_EQ(invoice.get("newBusiFee"), "") << "a short field that cannot hold the amount (10345.67) stays empty";
  EXPECT_EQ(invoice.get("prepayFee"), "2000.00");
  EXPECT_EQ(invoice.get("payName"), "张王李赵刘陈杨黄吴周徐孙马朱胡郭何高林罗");  // 20 of 30
  const std::pair<const char*, const char*> lines[] = {
      {"全球呼国际漫游月功能", "10000.00"}, {"功能费优惠", "-234.33"}, {"手续费", "10.00"},
      {"预存话费", "2000.00"},             {"手续费", "200.00"},     {"其他费用", "370.00"}};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(invoice.get("feeItemName" + std::to_string(i + 1)), lines[i].first) << i;
    EXPECT_EQ(invoice.get("feeValue" + std::to_string(i + 1)), lines[i].second) << i;
  }
}

// Money paid ahead onto the account is no fee of the business: the boxes
// under the lines show the two apart, and together they are the total.
TEST_P(PrintData, ThePrepaymentHasABoxOfItsOwn) {
  zp::store::loadFixtures(*world->db, R"({"book_items": [{"item_id": 201, "name": "预存话费", "prepay": 1},
      {"item_id": 202, "name": "预存GPRS费", "prepay": 1}]})");
  const auto entry = [](int item, std::int64_t value) {
    MPublicDef::SSoFee fee;
    fee.set_BOOK_ITEM_ID(item);
    fee.set_ITEM_VALUE(value);
    fee.set_ITEM_COUNT(1);
    fee.set_ITEM_TOTAL(value);
    return fee;
  };
  // 12.50 of fees around two prepayments, 30.00 and 20.01.
  const MPublicDef::SSoFeeList fees = {entry(201, 3000), entry(100, 1000), entry(202, 2001), entry(100, 250)};
  MVasDesk::SSoUserServiceIn in = zp::testing::gprsOpen(504);
  in.set_SOFEELIST(fees);
  zp::testing::priceGprsOpen(*world->db, fees);
  MVasDesk::IVasDesk desk;
  ASSERT_EQ(desk.bind_zpBroker("ZEPHYRON"), 0);
  MVasDesk::SSoUserServiceOut out;
  CBSErrorMsg err;
  ASSERT_EQ(desk.so_userService(in, out, err, nullptr), 0) << err.text2;

  RecordTable invoice = RecordTable::busiInvoice();
  invoice.open();
  ASSERT_TRUE(lib.PrintDataGetSoInvoice("13900000504", cust, out.get_SORESULTINFO(), {}, "", 11, invoice))
      << lib.LastError().text2;
  EXPECT_EQ(invoice.get("newBusiFee"), "12.50");
  EXPECT_EQ(invoice.get("prepayFee"), "50.01");
  EXPECT_EQ(invoice.get("totalFeeLower"), "62.51");
}

TEST_P(PrintData, EachPrintedInvoiceIsCounted) {
  MPublicDef::SSoInfo header;
  header.set_SO_NBR(result().get_SO_NBR());
  int count = 0;
  ASSERT_TRUE(lib.SetSoPrint(header, count, 0, "", ""));
  EXPECT_EQ(count, 1);
  ASSERT_TRUE(lib.SetSoPrint(header, count, 0, "", ""));
  EXPECT_EQ(count, 2);
  header.set_SO_NBR(999999999);
  EXPECT_FALSE(lib.SetSoPrint(header, count, 0, "", ""));
  EXPECT_EQ(count, 2);
  world->fail(MBusiPublic::IBusiPrint_set_soPrint, {77, 0, "回写", "后台忙"});
  header.set_SO_NBR(result().get_SO_NBR());
  EXPECT_FALSE(lib.SetSoPrint(header, count, 0, "", ""));
  EXPECT_EQ(lib.LastError().text2, "后台忙");
}

// An order's papers belong to the region that took it. Subscriber 504
// lives in 572, but operator 11 of 571 took his order: 571's clerks print
// and count it, whatever their organisation; a clerk of 572 neither reads
// its customer and fees nor moves its print count, and no clerk counts a
// print in another operator's name.
TEST_P(PrintData, AnOrderIsPrintedAndCountedOnlyInTheRegionThatTookIt) {
  MVasDesk::IVasDesk desk;
  ASSERT_EQ(desk.bind_zpBroker("ZEPHYRON"), 0);
  MVasDesk::SSoUserServiceOut remote;
  CBSErrorMsg err;
  ASSERT_EQ(desk.so_userService(zp::testing::gprsOpen(504), remote, err, nullptr), 0) << err.text2;
  zp::store::loadFixtures(*world->db, R"({"operators": [
      {"op_id": 12, "org_id": 120, "region_code": 571, "county_code": 2},
      {"op_id": 21, "org_id": 210, "region_code": 572, "county_code": 3}]})");
  const auto printCount = [&](const MPublicDef::SSoResultInfo& r) {
    return world->count("SELECT print_count FROM zp_order WHERE so_nbr = " + std::to_string(r.get_SO_NBR()));
  };

  world->signIn(21);
  CBusinessPublic stranger;
  ASSERT_TRUE(stranger.Init(1070, 572, 3, 210, 21));
  for (const MPublicDef::SSoResultInfo& order : {result(), remote.get_SORESULTINFO()}) {
    SCOPED_TRACE(order.get_SO_NBR());
    RecordTable voucher = RecordTable::soVoucher();
    voucher.open();
    EXPECT_FALSE(stranger.PrintDataGetSoVoucher(1070, 2, "13900000504", {}, order, cust, agent, "", voucher));
    EXPECT_EQ(stranger.LastError().code, zp::backend::kPrintOtherRegion);
    EXPECT_NE(stranger.LastError().text2.find("不是本地区受理的业务"), std::string::npos) << stranger.LastError().text2;
    EXPECT_EQ(voucher.recordCount(), 0u);
    RecordTable invoice = RecordTable::busiInvoice();
    invoice.open();
    EXPECT_FALSE(stranger.PrintDataGetSoInvoice("13900000504", cust, order, {}, "", 21, invoice));
    EXPECT_EQ(stranger.LastError().code, zp::backend::kPrintOtherRegion);
    EXPECT_EQ(invoice.recordCount(), 0u);
    MPublicDef::SSoInfo header;
    header.set_SO_NBR(order.get_SO_NBR());
    header.set_OP_ID(21);
    int count = -7;
    EXPECT_FALSE(stranger.SetSoPrint(header, count, 0, "", ""));
    EXPECT_EQ(stranger.LastError().code, zp::backend::kPrintOtherRegion);
    EXPECT_EQ(count, -7);
    EXPECT_EQ(printCount(order), 0);
  }

  // A colleague of 571 in another organisation and county prints it.
  world->signIn(12);
  CBusinessPublic colleague;
  ASSERT_TRUE(colleague.Init(1070, 571, 2, 120, 12));
  RecordTable voucher = RecordTable::soVoucher();
  voucher.open();
  ASSERT_TRUE(colleague.PrintDataGetSoVoucher(1070, 2, "13900000504", {}, remote.get_SORESULTINFO(), cust, agent, "",
                                              voucher))
      << colleague.LastError().text2;
  EXPECT_EQ(voucher.get("soOrgId"), "110");
  RecordTable invoice = RecordTable::busiInvoice();
  invoice.open();
  ASSERT_TRUE(colleague.PrintDataGetSoInvoice("13900000504", cust, remote.get_SORESULTINFO(), {}, "", 12, invoice))
      << colleague.LastError().text2;
  EXPECT_EQ(invoice.get("totalFeeLower"), "10.00");
  MPublicDef::SSoInfo header;
  header.set_SO_NBR(remote.get_SORESULTINFO().get_SO_NBR());
  int count = 0;
  ASSERT_TRUE(colleague.SetSoPrint(header, count, 0, "", "")) << colleague.LastError().text2;
  EXPECT_EQ(count, 1);
  // ...but not in the name of the clerk who took it.
  header.set_OP_ID(11);
  EXPECT_FALSE(colleague.SetSoPrint(header, count, 0, "", ""));
  EXPECT_EQ(colleague.LastError().code, zp::backend::kSessionMismatch);
  EXPECT_EQ(printCount(remote.get_SORESULTINFO()), 1);
}

INSTANTIATE_TEST_SUITE_P(Backends, PrintData, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });

TEST(UpperCaseAmount, ReadsAsOnAnInvoice) {
  struct Case {
    long long fen;
    const char* text;
  };
  const Case cases[] = {
      {0, "零元整"},
      {1500, "壹拾伍元整"},
      {100001, "壹仟元零壹分"},
      {1234567, "壹万贰仟叁佰肆拾伍元陆角柒分"},
      {10000000, "壹拾万元整"},
      {100000100, "壹佰万零壹元整"},
      {250, "贰元伍角"},
      {-500, "负伍元整"},
      // Zeros inside a section, and a section of zeros between two others,
      // each read once.
      {100500, "壹仟零伍元整"},
      {101000, "壹仟零壹拾元整"},
      {10000100000, "壹亿零壹仟元整"},
      {123456789, "壹佰贰拾叁万肆仟伍佰陆拾柒元捌角玖分"},
  };
  for (const Case& c : cases) EXPECT_EQ(zp::backend::upperCaseAmount(c.fen), c.text) << c.fen;
}
