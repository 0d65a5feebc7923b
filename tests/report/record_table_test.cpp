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

// Names are cut at a character boundary, numbers and amounts are never cut,
// and a short amount field the paper can do without is left empty.
TEST(RecordTable, ALongTextIsFittedAsItsFieldSays) {
  RecordTable t = RecordTable::busiInvoice();
  std::string why;
  EXPECT_FALSE(t.set("payName", "x", &why));  // not open, no record
  t.open();
  ASSERT_TRUE(t.append());
  struct Case {
    const char* field;
    std::string value;
    bool ok;
    std::string kept;  // what the field holds afterwards
  };
  const std::string thirty = "张王李赵刘陈杨黄吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹";
  const Case cases[] = {
      {"eqptFee", "123.45", true, "123.45"},                            // 6 bytes fit
      {"eqptFee", "1234.56", true, ""},                                 // 7 do not: left empty
      {"feeValue1", "9999999.99", true, "9999999.99"},                  // 10 bytes fit
      {"feeValue2", "12345678.90", false, ""},                          // an amount is never cut
      {"totalFeeLower", "12345.67", true, "12345.67"},
      {"soNbr", std::string(65, '7'), false, ""},                       // nor a number
      {"date", "2026/12/10", true, "2026/12/10"},
      {"feeItemName1", "全球呼月功能费十个字", true, "全球呼月功能费十个字"},  // 20 GBK bytes
      {"feeItemName2", "全球呼月功能费十一个字", true, "全球呼月功能费十一个"},  // cut to 20
      {"feeItemName3", "月功能费ABCDEFGHIJKLM", true, "月功能费ABCDEFGHIJKL"},  // 8 + 12 bytes
      {"feeItemName4", "ABCDEFGHIJKLMNOPQRS全", true, "ABCDEFGHIJKLMNOPQRS"},  // never half a character
      {"payName", thirty, true, thirty.substr(0, 20 * 3)},              // 20 of 30 characters
      {"payName", std::string("\xF0\x9F\x98\x80"), false, thirty.substr(0, 20 * 3)},  // no GBK form
      {"colour", "red", false, ""},
  };
  for (const Case& c : cases) {
    why.clear();
    EXPECT_EQ(t.set(c.field, c.value, &why), c.ok) << c.field << " " << c.value;
    EXPECT_EQ(t.get(c.field), c.kept) << c.field;
    EXPECT_EQ(why.empty(), c.ok) << c.field;
  }
  // The reasons reach the operator inside the paper's failure message: in
  // his language, naming the field and what did not fit.
  const std::pair<std::pair<const char*, std::string>, const char*> reasons[] = {
      {{"soNbr", std::string(65, '7')}, "字段[soNbr]最多64字节,内容[" },
      {{"payName", "周\xF0\x9F\x98\x80明"}, "字段[payName]中的字符\"\xF0\x9F\x98\x80\"无法打印"},
      {{"colour", "red"}, "报表没有字段[colour]"},
  };
  for (const auto& [set, says] : reasons) {
    why.clear();
    EXPECT_FALSE(t.set(set.first, set.second, &why));
    EXPECT_EQ(why.rfind(says, 0), 0u) << why;
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
