// The checks an order passes before the back end is asked anything, and the
// delete lines of a cancellation's current products.
#include "commit_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "gbk.h"

using zp::workspace::CurrentProductDeletes;
using zp::workspace::FirstOrderRefusal;
using zp::workspace::OrderEntry;

namespace {

// An entry that passes every check: each case below breaks one thing.
OrderEntry Passing(int busiType, int operation) {
  OrderEntry e;
  e.busiType = busiType;
  e.operation = operation;
  e.isdn = "55100001";
  e.spId = "[1] 天途定位";
  e.gpsType = "[2] 人员定位";
  e.songId = "[A01] 生日快乐";
  e.agentRegNbr = "33010219800101123X";
  e.agentName = "钱一";
  e.agentRegType = 1;
  e.typedTexts = {{"备注", "浙A·11111 出差", 1, "edGcallRemark"}, {"经办人", "钱一", 2, "edSoMen"}};
  e.productsApply = true;
  e.activeProms = 1;
  e.activeProducts = 1;
  return e;
}

using zp::workspace::kCancel;
using zp::workspace::kChange;
using zp::workspace::kOpen;

TEST(CommitRules, EachCheckRefusesWithItsTextPageAndField) {
  const struct {
    int busiType, operation;
    void (*breakIt)(OrderEntry&);
    int check;
    const char* text;
    int tab;
    const char* focus;
  } cases[] = {
      {101, kOpen, [](OrderEntry& e) { e.isdn = "  "; }, 1, "全球呼号码不能为空！", 1, ""},
      {102, kOpen, [](OrderEntry& e) { e.spId = ""; }, 2, "服务提供商代码不能为空！", 1, "cmbSPId"},
      {102, kOpen, [](OrderEntry& e) { e.gpsType = " "; }, 3, "服务使用方式不能为空！", 1, "cmbGpsType"},
      {104, kOpen, [](OrderEntry& e) { e.songId = ""; }, 4, "铃声不能为空！", 1, "cmbSongId"},
      {5, kOpen, [](OrderEntry& e) { e.activeProms = e.activeProducts = 0; }, 5, "必须选择一个促销或产品信息！", 1, ""},
      {5, kChange, [](OrderEntry& e) { e.activeProms = e.activeProducts = 0; }, 5, "必须选择一个促销或产品信息！", 1, ""},
      {102, kOpen, [](OrderEntry& e) { e.productsApply = false; e.activeProms = 0; }, 6, "必须选择一个促销信息！", 1, ""},
      {5, kChange, [](OrderEntry& e) { e.productsApply = false; e.activeProms = 0; }, 6, "必须选择一个促销信息！", 1, ""},
      {131, kOpen, [](OrderEntry& e) { e.activeProducts = 0; }, 7, "GPRS接入点必须选择一个产品（接入点）信息！", 1, ""},
      {131, kChange, [](OrderEntry& e) { e.activeProducts = 0; }, 7, "GPRS接入点必须选择一个产品（接入点）信息！", 1, ""},
      {101, kCancel, [](OrderEntry& e) { e.agentRegNbr = " \t"; }, 8, "请输入经办人证件号码！", 2, "edRegNbr"},
      {5, kChange, [](OrderEntry& e) { e.agentName = ""; }, 9, "请输入经办人！", 2, "edSoMen"},
  };
  for (const auto& c : cases) {
    ASSERT_FALSE(FirstOrderRefusal(Passing(c.busiType, c.operation))) << c.check;
    OrderEntry e = Passing(c.busiType, c.operation);
    c.breakIt(e);
    const auto refusal = FirstOrderRefusal(e);
    ASSERT_TRUE(refusal) << "check " << c.check;
    EXPECT_EQ(refusal->check, c.check);
    EXPECT_EQ(refusal->text, c.text);
    EXPECT_EQ(refusal->tab, c.tab) << c.check;
    EXPECT_EQ(refusal->focus, c.focus) << c.check;
  }
}

// The detail checks belong to the opening of their own business, and the
// offer checks to the operations that change the offer.
TEST(CommitRules, ChecksApplyOnlyWhereTheyBelong) {
  const struct {
    int busiType, operation;
    void (*breakIt)(OrderEntry&);
  } passing[] = {
      {101, kCancel, [](OrderEntry& e) { e.isdn = ""; }},          // a cancellation has its own number
      {102, kCancel, [](OrderEntry& e) { e.spId = e.gpsType = ""; }},
      {104, kCancel, [](OrderEntry& e) { e.songId = ""; }},
      {5, kOpen, [](OrderEntry& e) { e.isdn = e.spId = e.gpsType = e.songId = ""; }},  // not GPRS's fields
      {101, kCancel, [](OrderEntry& e) { e.activeProms = e.activeProducts = 0; }},
      {131, kCancel, [](OrderEntry& e) { e.activeProducts = 0; }},
      {5, kOpen, [](OrderEntry& e) { e.activeProducts = 0; }},      // a promotion is enough where products apply
      {5, kOpen, [](OrderEntry& e) { e.activeProms = 0; }},         // and so is a product
  };
  for (const auto& c : passing) {
    OrderEntry e = Passing(c.busiType, c.operation);
    c.breakIt(e);
    const auto refusal = FirstOrderRefusal(e);
    EXPECT_FALSE(refusal) << c.busiType << "/" << c.operation << ": " << (refusal ? refusal->text : "");
  }
}

TEST(CommitRules, TheFirstFailingCheckIsTheOneTold) {
  OrderEntry e = Passing(101, kOpen);
  e.isdn = "";
  e.activeProms = e.activeProducts = 0;
  e.agentRegNbr = e.agentName = "";
  EXPECT_EQ(FirstOrderRefusal(e)->check, 1);
  e.isdn = "55100001";
  EXPECT_EQ(FirstOrderRefusal(e)->check, 5);
  e.activeProms = 1;
  EXPECT_EQ(FirstOrderRefusal(e)->check, 8);
  e.agentRegNbr = "1";
  EXPECT_EQ(FirstOrderRefusal(e)->check, 9);
}

TEST(CommitRules, NoOperationCheckedPassesOnlyTheAgentChecks) {
  OrderEntry e = Passing(101, 0);
  e.isdn = "";
  e.activeProms = e.activeProducts = 0;
  EXPECT_FALSE(FirstOrderRefusal(e));
}

// An order that could not carry what the operator entered is refused before
// the back end is asked anything: an agent without a document type would
// be left out of the order, and a character GBK has no code for could not
// be sent at all (the operator would learn it only after collecting the
// fees, from a message naming no field).
TEST(CommitRules, WhatTheOrderCouldNotCarryIsRefusedWithItsField) {
  const struct {
    const char* name;
    void (*breakIt)(OrderEntry&);
    int check;
    const char* text;
    int tab;
    const char* focus;
  } cases[] = {
      {"no document type", [](OrderEntry& e) { e.agentRegType = 0; }, 10, "请选择经办人证件类型！", 2, "cmbRegType"},
      {"a rare character in the agent's name", [](OrderEntry& e) { e.typedTexts[1].text = "刘䶮"; }, 11,
       "经办人中的字符\"䶮\"系统无法保存,请改用其他字或写法后再提交！", 2, "edSoMen"},
      {"an emoji in the remark", [](OrderEntry& e) { e.typedTexts[0].text = "出差\U0001F600好"; }, 11,
       "备注中的字符\"\U0001F600\"系统无法保存,请改用其他字或写法后再提交！", 1, "edGcallRemark"},
      {"the first text told first",
       [](OrderEntry& e) {
         e.typedTexts[0].text = "\U0001F600";
         e.typedTexts[1].text = "\U00020BB7";
       },
       11, "备注中的字符\"\U0001F600\"系统无法保存,请改用其他字或写法后再提交！", 1, "edGcallRemark"},
      {"an agent's phone one longer than the receipt prints",
       [](OrderEntry& e) { e.agentLinkPhone = "0571-87654321-139123456789"; }, 12,
       "联系电话最多25位,回执上打印不下更长的号码,请只填写一个号码！", 2, "edLinkPhone"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    OrderEntry e = Passing(102, kOpen);
    c.breakIt(e);
    const auto refusal = FirstOrderRefusal(e);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->check, c.check);
    EXPECT_EQ(refusal->text, c.text);
    EXPECT_EQ(refusal->tab, c.tab);
    EXPECT_EQ(refusal->focus, c.focus);
  }
  OrderEntry fits = Passing(102, kOpen);
  fits.agentLinkPhone = "0571-87654321-13912345678";
  EXPECT_FALSE(FirstOrderRefusal(fits)) << "a phone the receipt holds whole";
  // The input checks come first: the operator fixes what is missing before
  // what is mistyped.
  OrderEntry e = Passing(101, kOpen);
  e.agentName = "";
  e.agentRegType = 0;
  e.typedTexts[0].text = "\U0001F600";
  EXPECT_EQ(FirstOrderRefusal(e)->check, 9);
}

TEST(CommitRules, OnlyCharactersWithoutAGbkCodeAreFound) {
  using zp::gbk::firstWithoutGbk;
  for (const char* fine : {"", "钱一", "浙A·11111", "Zhou-Ming_01@example.cn", "（接入点）！"})
    EXPECT_FALSE(firstWithoutGbk(fine)) << fine;
  EXPECT_EQ(firstWithoutGbk("a\U00020BB7b\U0001F600"), "\U00020BB7");
  EXPECT_EQ(firstWithoutGbk("周\u20A9"), "\u20A9");  // the won sign
}

TEST(CommitRules, OperationsBecomeTheirActTypes) {
  EXPECT_EQ(zp::workspace::ActTypeOf(kOpen), 1);
  EXPECT_EQ(zp::workspace::ActTypeOf(kCancel), 3);
  EXPECT_EQ(zp::workspace::ActTypeOf(kChange), 2);
  EXPECT_EQ(zp::workspace::ActTypeOf(0), 0);
}

TEST(CommitRules, EveryCurrentProductGetsADeleteLineUnderType102) {
  MPublicDef::SMscFuncInfoList current(2);
  current[0].set_PROD_ID(3201);
  current[0].set_BUSI_TYPE(5);  // filed under another type: the line still says 102
  current[0].set_SERV_ID(602);
  current[0].set_SERVICE_ID(1102);
  current[0].set_FUNC_PARAM("13957100099");
  current[0].set_REMARK("旧备注");
  current[1].set_PROD_ID(3202);
  current[1].set_BUSI_TYPE(102);
  current[1].set_SERV_ID(602);
  current[1].set_SERVICE_ID(1103);
  const auto lines = CurrentProductDeletes(current, 573);
  ASSERT_EQ(lines.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const auto& l = lines[i];
    EXPECT_EQ(l.get_ACT_TYPE(), 3);
    EXPECT_EQ(l.get_BUSI_TYPE(), 102);
    EXPECT_EQ(l.get_PROD_ID(), current[i].get_PROD_ID());
    EXPECT_EQ(l.get_SERV_ID(), 602);
    EXPECT_EQ(l.get_SERVICE_ID(), current[i].get_SERVICE_ID());
    EXPECT_EQ(l.get_REGION_CODE(), 573);
    EXPECT_EQ(l.get_FUNC_PARAM(), "");
    EXPECT_EQ(l.get_FUNC_TYPE(), 0);
    EXPECT_EQ(l.get_OPER_TYPE(), 1);
    EXPECT_EQ(l.get_PROPERTY(), "");
    EXPECT_EQ(l.get_REMARK(), "");
  }
  EXPECT_TRUE(CurrentProductDeletes({}, 571).empty());
}

}  // namespace
