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
  "operator_rights": [{"op_id": 11, "ent_id": 51505}],
  "customers": [{"cust_id": 1, "cust_name": "周明", "region_code": 571}],
  "accounts": [{"acct_id": 2, "cust_id": 1}],
  "users": [{"serv_id": 501, "phone_id": "13900000501", "cust_id": 1, "acct_id": 2, "region_code": 571},
            {"serv_id": 502, "phone_id": "13900000502", "cust_id": 1, "acct_id": 2, "region_code": 571}],
  "book_items": [{"item_id": 100, "name": "GPRS功能费"}, {"item_id": 101, "name": "全球呼国际漫游月功能使用费用项"},
                 {"item_id": 301, "name": "功能费优惠"}],
  "acc_item_rels": [{"fee_item": 101, "disc_item": 301}],
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
    zp::testing::priceGprsOpen(*world->db, in.get_SOFEELIST());
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
  int printed() const { return static_cast<int>(Pdfs().size()); }
  QStringList Pdfs() const { return QDir(out.path()).entryList({"*.pdf"}, QDir::Files, QDir::Name); }
  // The papers printed since `before`: their page counts and texts.
  std::vector<std::pair<int, std::string>> PrintedSince(const QStringList& before) const {
    std::vector<std::pair<int, std::string>> papers;
    for (const QString& name : Pdfs()) {
      if (before.contains(name)) continue;
      const std::string path = out.filePath(name).toStdString();
      const std::string info = Run("pdfinfo '" + path + "'");
      const std::size_t at = info.find("Pages:");
      papers.emplace_back(at == std::string::npos ? -1 : std::stoi(info.substr(at + 6)),
                          Run("pdftotext -layout '" + path + "' -"));
    }
    return papers;
  }
  static std::string Run(const std::string& command) {
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
      char buffer[4096];
      for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
      ::pclose(pipe);
    }
    return text;
  }
  // Submits `in` and makes it the order to print.
  void Submit(MVasDesk::SSoUserServiceIn in) {
    MVasDesk::IVasDesk desk;
    ASSERT_EQ(desk.bind_zpBroker("ZEPHYRON"), 0);
    MVasDesk::SSoUserServiceOut submitted;
    CBSErrorMsg err;
    ASSERT_EQ(desk.so_userService(in, submitted, err, nullptr), 0) << err.text2;
    order.soInfo = in.get_SOINFO();
    order.result = submitted.get_SORESULTINFO();
    order.tickets = submitted.get_TIKETINFOLIST();
  }
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

// The order is submitted whatever happens to its papers: a paper whose data
// cannot be prepared is reported with the order's number, and the operator
// may try again or go on without it.
TEST_F(OrderPapersTest, DataThatCannotBePreparedIsReportedWithTheOrdersNumberAndMayBeTriedAgain) {
  const long long soNbr = order.result.get_SO_NBR();
  world->fail(MBusiPublic::IBusiPrint_get_soVoucher, {31, 0, "取受理回执打印数据", "打印服务暂停"});
  world->fail(MBusiPublic::IBusiPrint_get_soInvoice, {32, 0, "取发票打印数据", "打印服务暂停"});
  // receipt? yes; again? yes; again? no; invoice? yes; again? no
  zpgui::MessageLog log({6, 6, 7, 6, 7});
  EXPECT_FALSE(print());
  const std::string receiptFailed = "业务已受理成功,业务流水号[" + std::to_string(soNbr) +
                                    "]。\n回执打印数据准备失败:\n[取受理回执打印数据]\n[打印服务暂停]\n"
                                    "是否重新准备并打印回执?选\"否\"将不打印回执,请记下业务流水号。";
  const std::string invoiceFailed = "业务已受理成功,业务流水号[" + std::to_string(soNbr) +
                                    "]。\n发票打印数据准备失败:\n[取发票打印数据]\n[打印服务暂停]\n"
                                    "是否重新准备并打印发票?选\"否\"将不打印发票,请记下业务流水号。";
  EXPECT_EQ(log.Shown(), (std::vector<zpgui::GUIMessage>{{"是否打印回执...!", "提示", 36},
                                                         {receiptFailed, "提示", 52},
                                                         {receiptFailed, "提示", 52},
                                                         {"是否打印发票!", "提示", 36},
                                                         {invoiceFailed, "提示", 52}}));
  EXPECT_EQ(printed(), 0);
  EXPECT_EQ(world->count("SELECT print_count FROM zp_order WHERE so_nbr = " + std::to_string(soNbr)), 0);

  // Tried again once the service is back: both papers come out.
  world->dispatcher->clear_faults();
  zpgui::MessageLog again({6, 6, 6});
  EXPECT_TRUE(print());
  EXPECT_EQ(printed(), 2);
}

TEST_F(OrderPapersTest, PapersThatDoNotPrintAreReportedAndTheInvoiceIsNotCounted) {
  QTemporaryDir noTemplates;
  zpgui::MessageLog log({6, 6});
  EXPECT_TRUE(PrintOrderPapers(&owner, noTemplates.path().toStdString(), busiPublic, order, voucher, invoice));
  EXPECT_EQ(log.Shown(), (std::vector<zpgui::GUIMessage>{{"是否打印回执...!", "提示", 36},
                                                         {"回执打印失败...!", "提示", 64},
                                                         {"是否打印发票!", "提示", 36},
                                                         {"发票打印失败...!", "提示", 64}}));
  EXPECT_EQ(printed(), 0);
  EXPECT_EQ(world->count("SELECT print_count FROM zp_order WHERE so_nbr = " +
                         std::to_string(order.result.get_SO_NBR())),
            0);
}

// The workspace's tables serve one customer after another: each paper holds
// its own order alone.
TEST_F(OrderPapersTest, TwoOrdersThroughOneWorkspaceEachPrintTheirOwnPapers) {
  const std::string first = std::to_string(order.result.get_SO_NBR());
  QStringList before = Pdfs();
  {
    zpgui::MessageLog log({6, 6, 6});
    ASSERT_TRUE(print());
  }
  const auto firstPapers = PrintedSince(before);
  Submit(zp::testing::gprsOpen(502));
  const std::string second = std::to_string(order.result.get_SO_NBR());
  ASSERT_NE(first, second);
  before = Pdfs();
  {
    zpgui::MessageLog log({6, 6, 6});
    ASSERT_TRUE(print());
  }
  const auto secondPapers = PrintedSince(before);
  ASSERT_EQ(firstPapers.size(), 2u);
  ASSERT_EQ(secondPapers.size(), 2u);
  for (const auto& [pages, text] : firstPapers) {
    EXPECT_EQ(pages, 1);
    EXPECT_NE(text.find(first), std::string::npos) << text;
  }
  for (const auto& [pages, text] : secondPapers) {
    EXPECT_EQ(pages, 1);
    EXPECT_NE(text.find(second), std::string::npos) << text;
    EXPECT_EQ(text.find(first), std::string::npos) << "the first customer's order rode along:\n" << text;
  }
  EXPECT_EQ(voucher.recordCount(), 1u);
  EXPECT_EQ(invoice.recordCount(), 1u);
}

TEST_F(OrderPapersTest, ALargeOrderWithLongNamesPrintsWhole) {
  MVasDesk::SSoUserServiceIn in = zp::testing::gprsOpen(502);
  MPublicDef::SSoFee fee;
  fee.set_BOOK_ITEM_ID(101);  // a 15-character name
  fee.set_ITEM_VALUE(1300000);
  fee.set_ITEM_DISCOUNT(-42000);
  fee.set_ITEM_COUNT(1);
  fee.set_ITEM_TOTAL(1258000);
  MPublicDef::SSoFee grant;
  grant.set_BOOK_ITEM_ID(301);
  grant.set_ITEM_VALUE(-23433);
  grant.set_ITEM_COUNT(1);
  grant.set_ITEM_TOTAL(-23433);
  in.set_SOFEELIST({fee, grant});
  zp::testing::priceGprsOpen(*world->db, {fee});
  // The papers name the customer as the store has him.
  const std::string longName = "张王李赵刘陈杨黄吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹";  // 30 characters
  world->db->transact(zp::store::Database::Intent::write, [&](soci::session& sql) {
    sql << "UPDATE zp_customer SET cust_name = :n WHERE cust_id = 1", soci::use(longName);
  });
  Submit(in);
  order.cust.set_CUST_NAME(longName);
  const QStringList before = Pdfs();
  zpgui::MessageLog log({6, 6, 6});
  ASSERT_TRUE(print());
  EXPECT_EQ(log.Shown().size(), 3u) << "no failure to report";
  const auto papers = PrintedSince(before);
  ASSERT_EQ(papers.size(), 2u);
  const std::string soNbr = std::to_string(order.result.get_SO_NBR());
  const std::string& receipt = papers[0].second.find("12345.67") == std::string::npos ? papers[0].second
                                                                                       : papers[1].second;
  const std::string& bill = &receipt == &papers[0].second ? papers[1].second : papers[0].second;
  EXPECT_NE(receipt.find(soNbr), std::string::npos) << receipt;
  EXPECT_NE(receipt.find("张王李赵刘陈杨黄吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹"), std::string::npos) << receipt;
  EXPECT_NE(bill.find(soNbr), std::string::npos) << bill;
  EXPECT_NE(bill.find("12345.67"), std::string::npos) << bill;
  EXPECT_NE(bill.find("壹万贰仟叁佰肆拾伍元陆角柒分"), std::string::npos) << bill;
  EXPECT_NE(bill.find("全球呼国际漫游月功能"), std::string::npos) << bill;
  EXPECT_NE(bill.find("-234.33"), std::string::npos) << bill;
  EXPECT_EQ(invoice.get("totalFeeLower"), "12345.67");
}
