// The commit's printing: the receipt and the invoice of an order submitted to
// an in-process back end, printed to PDF, with every question and message.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QWidget>

#include "MVasDesk.h"
#include "backend_world.h"
#include "cbusinesspublic.h"
#include "gui_message.h"
#include "print_papers.h"
#include "printers.h"
#include "sample_orders.h"

namespace {

const char* kWorld = R"({
  "operators": [{"op_id": 11, "org_id": 110, "region_code": 571, "county_code": 1, "op_name": "张丽"}],
  "customers": [{"cust_id": 1, "cust_name": "周明", "region_code": 571}],
  "accounts": [{"acct_id": 2, "cust_id": 1}],
  "users": [{"serv_id": 501, "phone_id": "13900000501", "cust_id": 1, "acct_id": 2, "region_code": 571}],
  "sys_params": [{"region_code": 571, "para_name": "GUI1070", "para_value": "GPRS按月收费"}]
})";

class OrderPapersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world = std::make_unique<zp::testing::BackendWorld>(zp::store::Backend::sqlite, kWorld);
    ::setenv("ZP_RUN_PATH", run.path().toLocal8Bit().constData(), 1);
    ASSERT_TRUE(SetDefaultPrinterName("PDF:" + out.path().toStdString()));
    MVasDesk::IVasDesk desk;
    ASSERT_EQ(desk.bind_zpBroker("ZEPHYRON"), 0);
    MVasDesk::SSoUserServiceIn in = zp::testing::gprsOpen(501);
    MVasDesk::SSoUserServiceOut submitted;
    CBSErrorMsg err;
    ASSERT_EQ(desk.so_userService(in, submitted, err, nullptr), 0) << err.text2;
    order.busiCode = 1070;
    order.verifyMode = 1;
    order.soInfo = in.get_SOINFO();
    order.result = submitted.get_SORESULTINFO();
    order.tickets = submitted.get_TIKETINFOLIST();
    order.user.set_PHONE_ID("13900000501");
    order.user.set_REGION_CODE(571);
    order.cust.set_CUST_NAME("周明");
    ASSERT_TRUE(busiPublic.Init(1070, 571, 1, 110, 11));
    voucher.open();
    invoice.open();
  }
  void TearDown() override { ::unsetenv("ZP_RUN_PATH"); }
  int printed() const { return static_cast<int>(QDir(out.path()).entryList({"*.pdf"}, QDir::Files).size()); }
  bool print() { return PrintOrderPapers(&owner, PRINT_DIR_PARENT, busiPublic, order, voucher, invoice); }

  std::unique_ptr<zp::testing::BackendWorld> world;
  QTemporaryDir run, out;
  QWidget owner;
  CBusinessPublic busiPublic;
  OrderPapers order;
  zp::report::RecordTable voucher = zp::report::RecordTable::soVoucher();
  zp::report::RecordTable invoice = zp::report::RecordTable::busiInvoice();
};

}  // namespace

TEST_F(OrderPapersTest, BothPapersPrintedAndTheInvoiceCounted) {
  zpgui::MessageLog log({6, 6, 6});  // receipt? yes; printed right? yes; invoice? yes
  ASSERT_TRUE(print());
  EXPECT_EQ(printed(), 2);
  ASSERT_EQ(log.Shown().size(), 3u);
  EXPECT_EQ(log.Shown()[0], (zpgui::GUIMessage{"是否打印回执...!", "提示", 36}));
  EXPECT_EQ(log.Shown()[1].text, "是否打印成功？");
  EXPECT_EQ(log.Shown()[2], (zpgui::GUIMessage{"是否打印发票!", "提示", 36}));
  EXPECT_EQ(voucher.get("busiMemo"), "GPRS按月收费\n");  // the business's memo from the system parameters
  EXPECT_EQ(world->count("SELECT print_count FROM zp_order WHERE so_nbr = " +
                         std::to_string(order.result.get_SO_NBR())),
            1);
}

TEST_F(OrderPapersTest, NoToTheReceiptPreparesNothingAndNoLinesNoInvoiceQuestion) {
  order.tickets.clear();
  zpgui::MessageLog log({7});
  ASSERT_TRUE(print());
  EXPECT_EQ(log.Shown().size(), 1u);
  EXPECT_EQ(voucher.recordCount(), 0u);
  EXPECT_EQ(printed(), 0);
}

TEST_F(OrderPapersTest, AFailedCountWriteBackIsReported) {
  world->fail(MBusiPublic::IBusiPrint_set_soPrint, {9, 0, "回写发票打印次数", "后台忙"});
  zpgui::MessageLog log({7, 6});  // no receipt; the invoice
  ASSERT_TRUE(print());
  ASSERT_EQ(log.Shown().size(), 3u);
  EXPECT_EQ(log.Shown()[2],
            (zpgui::GUIMessage{"发票信息打印次数回写失败!\n错误[后台忙]\n[回写发票打印次数]请稍后再试!", "异常", 16}));
  EXPECT_EQ(printed(), 1);
}

TEST_F(OrderPapersTest, DataThatCannotBePreparedEndsWithoutAMessage) {
  order.result.set_SO_NBR(999999999);
  zpgui::MessageLog log({6});
  EXPECT_FALSE(print());
  EXPECT_EQ(log.Shown().size(), 1u);
  EXPECT_EQ(printed(), 0);
}
