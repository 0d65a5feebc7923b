#include "record_table.h"

#include <gtest/gtest.h>

using zp::report::RecordTable;

TEST(RecordTable, TheReceiptAndInvoiceFields) {
  const RecordTable voucher = RecordTable::soVoucher();
  EXPECT_EQ(voucher.fields().size(), 20u);
  ASSERT_NE(voucher.find("busiMemo"), nullptr);
  EXPECT_EQ(voucher.find("busiMemo")->maxBytes, 2000u);
  EXPECT_EQ(voucher.find("assureLinkPhone")->maxBytes, 25u);
  const RecordTable invoice = RecordTable::busiInvoice();
  EXPECT_EQ(invoice.fields().size(), 29u);
  EXPECT_EQ(invoice.find("feeItemName6")->maxBytes, 20u);
  EXPECT_EQ(invoice.find("feeValue1")->maxBytes, 10u);
  EXPECT_EQ(invoice.find("eqptFee")->maxBytes, 6u);
  EXPECT_EQ(invoice.find("feeValue7"), nullptr);
}

TEST(RecordTable, ATextLongerThanItsFieldIsRefusedNotCut) {
  RecordTable t = RecordTable::busiInvoice();
  std::string why;
  EXPECT_FALSE(t.set("payName", "x", &why));  // not open, no record
  t.open();
  ASSERT_TRUE(t.append());
  struct Case {
    const char* field;
    std::string value;
    bool ok;
  };
  const Case cases[] = {
      {"eqptFee", "123.45", true},    // 6 bytes fit
      {"eqptFee", "1234.56", false},  // 7 do not
      {"date", "2026/12/10", true},
      {"feeItemName1", "全球呼月功能费十个字", true},      // 10 characters, 20 GBK bytes
      {"feeItemName2", "全球呼月功能费十一个字", false},   // 22 bytes
      {"payName", std::string("\xF0\x9F\x98\x80"), false},  // no GBK form
      {"colour", "red", false},
  };
  for (const Case& c : cases) {
    const std::string before = t.get(c.field);
    EXPECT_EQ(t.set(c.field, c.value, &why), c.ok) << c.field << " " << c.value;
    EXPECT_EQ(t.get(c.field), c.ok ? c.value : before) << c.field;
    if (!c.ok) {
      EXPECT_FALSE(why.empty());
    }
  }
}

TEST(RecordTable, RecordsAreAddedAndCleared) {
  RecordTable t = RecordTable::soVoucher();
  EXPECT_FALSE(t.append());
  t.open();
  ASSERT_TRUE(t.append());
  ASSERT_TRUE(t.set("soNbr", "100001"));
  ASSERT_TRUE(t.append());
  ASSERT_TRUE(t.set("soNbr", "100002"));
  EXPECT_EQ(t.recordCount(), 2u);
  EXPECT_EQ(t.get("soNbr", 0), "100001");
  EXPECT_EQ(t.get("soNbr", 1), "100002");
  EXPECT_EQ(t.get("soNbr", 2), "");
  t.clear();
  EXPECT_EQ(t.recordCount(), 0u);
  EXPECT_THROW(RecordTable({{"a", 1}, {"a", 2}}), std::invalid_argument);
}
