// The papers of a submitted order: the back end prepares the receipt's and
// the invoice's fields from the stored order, the library fills the paper's
// record table, and the invoice's print count is kept.
#include <gtest/gtest.h>

#include "MVasDesk.h"
#include "busi_print_service.h"
#include "busi_world.h"
#include "cbusinesspublic.h"
#include "sample_orders.h"

using zp::report::RecordTable;
using zp::store::Backend;

namespace {

class PrintData : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    world = std::make_unique<zp::testing::BackendWorld>(GetParam(), zp::testing::kBusiWorld);
    MVasDesk::IVasDesk desk;
    ASSERT_EQ(desk.bind_zpBroker("ZEPHYRON"), 0);
    CBSErrorMsg err;
    ASSERT_EQ(desk.so_userService(zp::testing::gprsOpen(503), submitted, err, nullptr), 0) << err.text2;
    ASSERT_TRUE(lib.Init(1070, 571, 1, 110, 11));
    cust.set_CUST_NAME("周明");
    cust.set_REG_TYPE(1);
    cust.set_REG_NBR("330102197003071231");
    agent.set_SO_MAN("吴晓燕");
    agent.set_REG_TYPE(1);
    agent.set_REG_NBR("330106199002023456");
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
  EXPECT_EQ(voucher.get("busiName"), "GPRS开通");
  EXPECT_EQ(voucher.get("busiMemo"), "GPRS月费10元\n");
  EXPECT_EQ(voucher.get("soDate"), result().get_SO_DATE().toString("%Y/%M/%D %H:%N:%S"));
  EXPECT_EQ(voucher.get("soOpId").rfind("11", 0), 0u);

  // A memo longer than its field, or an order the back end does not know:
  // false with the reason, and the table as it was.
  const std::string longMemo(2001, 'x');
  EXPECT_FALSE(lib.PrintDataGetSoVoucher(1070, 2, "13900000503", {}, result(), cust, agent, longMemo, voucher));
  EXPECT_NE(lib.LastError().text2.find("busiMemo"), std::string::npos);
  MPublicDef::SSoResultInfo unknown;
  unknown.set_SO_NBR(999999999);
  EXPECT_FALSE(lib.PrintDataGetSoVoucher(1070, 2, "13900000503", {}, unknown, cust, agent, "", voucher));
  EXPECT_EQ(lib.LastError().code, zp::backend::kPrintNoOrder);
  EXPECT_NE(lib.LastError().text1, "no error");
  EXPECT_EQ(voucher.recordCount(), 1u);
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

  const MPublicDef::STiketInfoList seven(7, tickets[0]);
  EXPECT_FALSE(lib.PrintDataGetSoInvoice("13900000503", cust, result(), seven, "", 11, invoice));
  EXPECT_EQ(invoice.recordCount(), 1u);
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
  };
  for (const Case& c : cases) EXPECT_EQ(zp::backend::upperCaseAmount(c.fen), c.text) << c.fen;
}
