#include "catalogue_lookups.h"

#include <QComboBox>
#include <gtest/gtest.h>

#include <string>

using namespace MProductIntfApp;
using namespace zp::lookup;

namespace {

// Every other field of a record holds a value of its own, so a lookup that
// read the wrong code or name field would show it.
template <class Lookup>
void expectReads(Lookup& l, int code, const std::string& name) {
  const std::string text = "[" + std::to_string(code) + "] " + name;
  EXPECT_EQ(l.TextOfCode(code), text);
  EXPECT_EQ(l.NameOfCode(code), name);
  EXPECT_EQ(l.CodeOfText(text), code);
  EXPECT_EQ(l.CodeOfName(name), code);
  QComboBox combo;
  l.FillCombo(&combo);
  ASSERT_EQ(combo.count(), 1);
  EXPECT_EQ(combo.itemText(0).toStdString(), text);
}

}  // namespace

TEST(CatalogueLookups, PromotionsOfAPlanReadPromIdAndPromName) {
  SSpromPlanMap r;
  r.set_PLAN_ID(901);
  r.set_PROM_ID(21);
  r.set_PROM_NAME("保底套餐");
  r.set_PRIORITY(902);
  r.set_MIN_NUM(903);
  r.set_MAX_NUM(904);
  r.set_DESCRIPTION("描述");
  r.set_SERVICE_ID(905);
  r.set_SUBSCR_PARAM("参数");
  r.set_SPROM_PARA(906);
  expectReads(*MakePromLookup({r}), 21, "保底套餐");
}

TEST(CatalogueLookups, BusinessProductsReadProdIdAndProdName) {
  SBusiProdInfo r;
  r.set_BUSI_TYPE(901);
  r.set_PROD_ID(22);
  r.set_PROD_NAME("GPRS套餐");
  r.set_IS_PROM(902);
  r.set_SERVICE_ID(903);
  r.set_VALID_CYCLE(904);
  expectReads(*MakeBusiProdLookup({r}), 22, "GPRS套餐");
}

TEST(CatalogueLookups, BusinessTypesReadASixteenBitBusiTypeAndBusiName) {
  SBusiType r;
  r.set_BUSI_TYPE(-7);
  r.set_BUSI_NAME("全球呼");
  r.set_SERVICE_ID(901);
  r.set_TYPE(902);
  r.set_DESCRIPTION("描述");
  r.set_BUSI_LEVEL(903);
  r.set_BUSI_CLASS(904);
  SBusiType top;
  top.set_BUSI_TYPE(32767);
  top.set_BUSI_NAME("最大");
  auto l = MakeBusiTypeLookup({r, top});
  expectReads(*MakeBusiTypeLookup({r}), -7, "全球呼");
  EXPECT_EQ(l->TextOfCode(32767), "[32767] 最大");
  // The code asked for is not narrowed to 16 bits: 65529 is not -7.
  EXPECT_EQ(l->TextOfCode(65536 - 7), "65529");
  EXPECT_EQ(l->NameOfCode(65536 + 32767), "");
}

TEST(CatalogueLookups, ProductNamesReadProdIdAndName) {
  SProdName r;
  r.set_PROD_ID(23);
  r.set_NAME("呼叫转移");
  expectReads(*MakeProdNameLookup({r}), 23, "呼叫转移");
}

TEST(CatalogueLookups, ProductsOfAPlanReadProductIdAndDescription) {
  SProdPlanMap r;
  r.set_PLAN_ID(901);
  r.set_SERVICE_ID(902);
  r.set_PRODUCT_ID(24);
  r.set_SUBSCR_MOD(903);
  r.set_MANDATORY(904);
  r.set_DESCRIPTION("彩铃功能");
  expectReads(*MakePlanProdLookup({r}), 24, "彩铃功能");
}

TEST(CatalogueLookups, BookItemsReadItemIdAndName) {
  SBookItem r;
  r.set_ITEM_ID(25);
  r.set_NAME("选号费");
  expectReads(*MakeBookItemLookup({r}), 25, "选号费");
}

TEST(CatalogueLookups, ServiceProvidersReadSpIdAndSpName) {
  MBusiDataMgnt::SSpInfo r;
  r.set_SP_ID(3);
  r.set_SP_NAME("定位服务商");
  r.set_SP_TYPE(901);
  r.set_STS(902);
  r.set_OP_ID(903);
  r.set_REMARK("备注");
  expectReads(*MakeSpLookup({r}), 3, "定位服务商");
}
