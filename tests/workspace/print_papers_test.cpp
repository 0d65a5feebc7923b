#include "print_papers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdlib>

#include "gui_message.h"
#include "printers.h"

namespace {

// A run directory of the test's own (the host's settings live there) and a
// folder the PDF pseudo-printer prints into.
class PrintPapers : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("ZP_RUN_PATH", run.path().toLocal8Bit().constData(), 1);
    pdf = "PDF:" + out.path().toStdString();
  }
  void TearDown() override { ::unsetenv("ZP_RUN_PATH"); }
  int printed() const { return static_cast<int>(QDir(out.path()).entryList({"*.pdf"}, QDir::Files).size()); }

  QTemporaryDir run, out;
  std::string pdf;
  const std::string voucher = std::string(PRINT_DIR) + "/publicBusiSoVoucher.rmf";
  const std::string invoice = std::string(PRINT_DIR) + "/publicBusiInvoice.rmf";
};

zp::report::RecordTable oneReceipt() {
  zp::report::RecordTable t = zp::report::RecordTable::soVoucher();
  t.open();
  t.append();
  t.set("soNbr", "100001");
  return t;
}

}  // namespace

TEST_F(PrintPapers, AKnownPrinterIsTakenWithoutAWord) {
  ASSERT_TRUE(SetDefaultPrinterName(pdf));
  zpgui::MessageLog log;
  zpgui::PrinterSetupScript setup;
  std::string name;
  EXPECT_TRUE(EnsurePrinter(&name));
  EXPECT_EQ(name, pdf);
  EXPECT_TRUE(log.Shown().empty());
  EXPECT_TRUE(setup.OpenedOn().empty());
}

TEST_F(PrintPapers, AnUnknownPrinterLeadsToTheNoticeAndTheChosenOneIsKept) {
  ASSERT_TRUE(SetDefaultPrinterName("LaserJet 9 at the back"));
  zpgui::MessageLog log;
  zpgui::PrinterSetupScript setup;
  setup.Pick("also unknown");
  setup.Pick(pdf);
  std::string name;
  ASSERT_TRUE(EnsurePrinter(&name));
  EXPECT_EQ(name, pdf);
  ASSERT_EQ(log.Shown().size(), 2u);  // once per invalid name
  EXPECT_EQ(log.Shown()[0], (zpgui::GUIMessage{"当前配置打印机[LaserJet 9 at the back]无效,请您重新选择打印机!", "打印机无效", 16}));
  EXPECT_EQ(log.Shown()[1].text, "当前配置打印机[also unknown]无效,请您重新选择打印机!");
  EXPECT_EQ(GetDefaultPrinterName(), pdf);  // the configured printer from now on
}

TEST_F(PrintPapers, CancellingTheSetupAsksWhetherToGiveUp) {
  ASSERT_TRUE(SetDefaultPrinterName("gone"));
  {
    zpgui::MessageLog log({6});  // Yes: give up
    zpgui::PrinterSetupScript setup;
    setup.Refuse();
    EXPECT_FALSE(EnsurePrinter(nullptr));
    ASSERT_EQ(log.Shown().size(), 2u);
    EXPECT_EQ(log.Shown()[1], (zpgui::GUIMessage{"警告：您确认放弃打印报表吗?放弃之后将无法重新打印!", "确认操作", 292}));
    EXPECT_EQ(GetDefaultPrinterName(), "gone");
  }
  {
    zpgui::MessageLog log({7});  // No: choose again, without the notice again
    zpgui::PrinterSetupScript setup;
    setup.Refuse();
    setup.Pick(pdf);
    EXPECT_TRUE(EnsurePrinter(nullptr));
    ASSERT_EQ(log.Shown().size(), 2u);
    EXPECT_EQ(log.Shown()[0].caption, "打印机无效");
    EXPECT_EQ(log.Shown()[1].flags, 292);
    EXPECT_EQ(setup.OpenedOn().size(), 2u);
  }
}

TEST_F(PrintPapers, TheReceiptIsPrintedAgainUntilItCameOutRight) {
  ASSERT_TRUE(SetDefaultPrinterName(pdf));
  QWidget owner;
  zpgui::MessageLog log({7, 7, 7, 6});
  ASSERT_TRUE(PrintTemplate(&owner, voucher, oneReceipt(), false));
  EXPECT_EQ(printed(), 4);
  ASSERT_EQ(log.Shown().size(), 4u);
  EXPECT_EQ(log.Shown()[0], (zpgui::GUIMessage{"是否打印成功？", "提示", 52}));
}

TEST_F(PrintPapers, TheInvoiceIsPrintedOnceAndWithoutAnOwnerNothing) {
  ASSERT_TRUE(SetDefaultPrinterName(pdf));
  QWidget owner;
  zpgui::MessageLog log;
  zp::report::RecordTable t = zp::report::RecordTable::busiInvoice();
  t.open();
  t.append();
  ASSERT_TRUE(PrintTemplate(&owner, invoice, t, false));
  EXPECT_EQ(printed(), 1);
  EXPECT_TRUE(log.Shown().empty());
  EXPECT_FALSE(PrintTemplate(nullptr, invoice, t, false));
  EXPECT_FALSE(PrintTemplate(&owner, std::string(PRINT_DIR) + "/none.rmf", t, false));
  EXPECT_EQ(printed(), 1);
}
