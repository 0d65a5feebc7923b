#include "busi_catalogue_service.h"

#include <soci/soci.h>

#include <ctime>
#include <string>
#include <vector>

#include "cbsdatetime.h"
#include "rows.h"
#include "sessions.h"
#include "service_support.h"

namespace zp::backend {
namespace {

using namespace MBusiPublic;
using namespace MProductIntfApp;
using store::Database;
using store::Param;
using store::Row;

std::int16_t i16(long long v) { return static_cast<std::int16_t>(v); }
std::int32_t i32(long long v) { return static_cast<std::int32_t>(v); }

// Runs one read of the catalogue; a store failure leaves no half list behind.
template <class List, class Fill>
std::int32_t readList(Database& db, CBSErrorMsg& err, const char* what, List& list, Fill&& fill) {
  try {
    db.transact(Database::Intent::read, [&](soci::session& sql) { fill(sql); });
  } catch (const std::exception& e) {
    list.clear();
    return storeFailed(err, kCatalogueStore, what, e);
  }
  return 0;
}

// The narrowing clauses shared by the offer lists. Mandatory entries of a
// plan survive the operator filter: the subscriber gets them whoever sells.
struct Offer {
  std::string where;
  std::vector<Param> params;

  void operatorMay(const SCatalogueIn& in, const char* itemColumn, const char* mandatoryColumn) {
    if (in.get_POPEDOM() != 1) return;
    where += " AND (";
    if (mandatoryColumn) where += std::string(mandatoryColumn) + " = 1 OR ";
    where += std::string("EXISTS (SELECT 1 FROM zp_op_popedom o WHERE o.op_id = :op AND o.prod_id = ") + itemColumn +
             "))";
    // What the signed-in operator may sell; the request's OP_ID was checked
    // to be his before the offer was built.
    const Caller* me = currentCaller();
    params.push_back(me ? me->opId : 0LL);
  }
  void validAt(const SCatalogueIn& in, long long packedNow) {
    if (in.get_VALID() != 1) return;
    where += " AND i.valid_date <= :vnow AND i.expire_date > :enow";
    params.push_back(packedNow);
    params.push_back(packedNow);
  }
};

}  // namespace

long long BusiCatalogueService::nowPacked() const {
  return dateTimeAt(clock_ ? clock_() : static_cast<long long>(std::time(nullptr))).packed();
}

std::int32_t BusiCatalogueService::get_busiType(const SCatalogueIn& sIn, SBusiTypeList& listOut, CBSErrorMsg& err) {
  static const char* const kWhat = "取业务类型";
  std::string query =
      "SELECT busi_type, busi_name, service_id, type, description, busi_level, subscr_mode, expire_mode, "
      "busi_class, disc_type FROM zp_busi_type";
  std::vector<Param> params;
  if (sIn.get_BUSI_TYPE() != 0) {
    query += " WHERE busi_type = :t";
    params.push_back(static_cast<long long>(sIn.get_BUSI_TYPE()));
  }
  query += " ORDER BY seq, busi_type";
  return readList(db_, err, kWhat, listOut, [&](soci::session& sql) {
    store::forEachRow(sql, query, "isiisiiiii", params, [&](const Row& r) {
      SBusiType t;
      t.set_BUSI_TYPE(i16(r.i(0)));
      t.set_BUSI_NAME(r.s(1));
      t.set_SERVICE_ID(i32(r.i(2)));
      t.set_TYPE(i16(r.i(3)));
      t.set_DESCRIPTION(r.s(4));
      t.set_BUSI_LEVEL(i16(r.i(5)));
      t.set_SUBSCR_MODE(i16(r.i(6)));
      t.set_EXPIRE_MODE(i16(r.i(7)));
      t.set_BUSI_CLASS(i16(r.i(8)));
      t.set_DISC_TYPE(i16(r.i(9)));
      listOut.push_back(std::move(t));
    });
  });
}

std::int32_t BusiCatalogueService::get_brands(const SCatalogueIn&, SBrandInfoList& listOut, CBSErrorMsg& err) {
  return readList(db_, err, "取品牌列表", listOut, [&](soci::session& sql) {
    store::forEachRow(sql,
                      "SELECT brand_id, brand_name, valid_date, expire_date, description FROM zp_brand "
                      "ORDER BY brand_id",
                      "isiis", {}, [&](const Row& r) {
                        SBrandInfo b;
                        b.set_BRAND_ID(i32(r.i(0)));
                        b.set_BRAND_NAME(r.s(1));
                        b.set_VALID_DATE(CBSDateTime(r.i(2)));
                        b.set_EXPIRE_DATE(CBSDateTime(r.i(3)));
                        b.set_DESCRIPTION(r.s(4));
                        listOut.push_back(std::move(b));
                      });
  });
}

std::int32_t BusiCatalogueService::get_plans(const SCatalogueIn&, SPlanIdInfoList& listOut, CBSErrorMsg& err) {
  return readList(db_, err, "取资费计划列表", listOut, [&](soci::session& sql) {
    store::forEachRow(sql,
                      "SELECT plan_id, brand_id, plan_name, pay_mode, valid_limit, expire_limit, valid_date, "
                      "expire_date, act_prop, description, busi_type FROM zp_plan ORDER BY plan_id",
                      "iisiiiiissi", {}, [&](const Row& r) {
                        SPlanIdInfo p;
                        p.set_PLAN_ID(i32(r.i(0)));
                        p.set_BRAND_ID(i32(r.i(1)));
                        p.set_PLAN_NAME(r.s(2));
                        p.set_PAY_MODE(i32(r.i(3)));
                        p.set_VALID_LIMIT(i32(r.i(4)));
                        p.set_EXPIRE_LIMIT(i32(r.i(5)));
                        p.set_VALID_DATE(CBSDateTime(r.i(6)));
                        p.set_EXPIRE_DATE(CBSDateTime(r.i(7)));
                        p.set_ACT_PROP(r.s(8));
                        p.set_DESCRIPTION(r.s(9));
                        p.set_BUSI_TYPE(i32(r.i(10)));
                        listOut.push_back(std::move(p));
                      });
  });
}

std::int32_t BusiCatalogueService::get_planSpromList(const SCatalogueIn& sIn, SSpromPlanMapList& listOut,
                                                     CBSErrorMsg& err) {
  if (const std::int32_t r = refuseUnlessCaller(err, "取可办理的促销或产品", currentCaller(), sIn.get_OP_ID(),
                                                has(sIn, SCatalogueIn::kIdx_OP_ID)))
    return r;
  static const char* const kWhat = "取计划内营销活动";
  Offer offer;
  offer.params = {static_cast<long long>(sIn.get_PLAN_ID()), static_cast<long long>(sIn.get_BUSI_TYPE())};
  offer.operatorMay(sIn, "i.prod_id", "p.mandatory");
  offer.validAt(sIn, nowPacked());
  const std::string query =
      "SELECT p.plan_id, i.prod_id, i.prod_name, i.priority, i.subscr_mode, i.expire_mode, i.is_global, i.min_num, "
      "i.max_num, i.description, i.valid_cycle, i.service_id, p.mandatory, i.subscr_param, i.sprom_para, "
      "i.prod_class FROM zp_plan_sprom p JOIN zp_catalogue_item i ON i.prod_id = p.prom_id "
      "WHERE p.plan_id = :p AND i.busi_type = :b AND i.is_prom = 1" +
      offer.where + " ORDER BY i.priority, i.prod_id";
  return readList(db_, err, kWhat, listOut, [&](soci::session& sql) {
    store::forEachRow(sql, query, "iisiiiiiisiiisii", offer.params, [&](const Row& r) {
      SSpromPlanMap m;
      m.set_PLAN_ID(i32(r.i(0)));
      m.set_PROM_ID(i32(r.i(1)));
      m.set_PROM_NAME(r.s(2));
      m.set_PRIORITY(i16(r.i(3)));
      m.set_SUBSCR_MODE(i16(r.i(4)));
      m.set_EXPIRE_MODE(i16(r.i(5)));
      m.set_IS_GLOBAL(i16(r.i(6)));
      m.set_MIN_NUM(i32(r.i(7)));
      m.set_MAX_NUM(i32(r.i(8)));
      m.set_DESCRIPTION(r.s(9));
      m.set_VALID_CYCLE(i16(r.i(10)));
      m.set_SERVICE_ID(i32(r.i(11)));
      m.set_MANDATORY(i16(r.i(12)));
      m.set_SUBSCR_PARAM(r.s(13));
      m.set_SPROM_PARA(r.i(14));
      m.set_PROD_CLASS(i16(r.i(15)));
      listOut.push_back(std::move(m));
    });
  });
}

std::int32_t BusiCatalogueService::get_busiPromList(const SCatalogueIn& sIn, SBusiProdInfoList& listOut,
                                                    CBSErrorMsg& err) {
  if (const std::int32_t r = refuseUnlessCaller(err, "取可办理的促销或产品", currentCaller(), sIn.get_OP_ID(),
                                                has(sIn, SCatalogueIn::kIdx_OP_ID)))
    return r;
  static const char* const kWhat = "取计划外营销活动";
  Offer offer;
  offer.params = {static_cast<long long>(sIn.get_BUSI_TYPE())};
  offer.operatorMay(sIn, "i.prod_id", nullptr);
  offer.validAt(sIn, nowPacked());
  const std::string query =
      "SELECT i.busi_type, i.prod_id, i.prod_name, i.is_prom, i.service_id, i.valid_cycle, i.subscr_mode, "
      "i.expire_mode FROM zp_catalogue_item i WHERE i.busi_type = :b AND i.is_prom = 1" +
      offer.where + " ORDER BY i.priority, i.prod_id";
  return readList(db_, err, kWhat, listOut, [&](soci::session& sql) {
    store::forEachRow(sql, query, "iisiiiii", offer.params, [&](const Row& r) {
      SBusiProdInfo p;
      p.set_BUSI_TYPE(i16(r.i(0)));
      p.set_PROD_ID(i32(r.i(1)));
      p.set_PROD_NAME(r.s(2));
      p.set_IS_PROM(i32(r.i(3)));
      p.set_SERVICE_ID(i32(r.i(4)));
      p.set_VALID_CYCLE(i16(r.i(5)));
      p.set_SUBSCR_MODE(i16(r.i(6)));
      p.set_EXPIRE_MODE(i16(r.i(7)));
      listOut.push_back(std::move(p));
    });
  });
}

std::int32_t BusiCatalogueService::get_prodRelation(const SCatalogueIn& sIn, SProductRelationList& listOut,
                                                    CBSErrorMsg& err) {
  return readList(db_, err, "取产品关系", listOut, [&](soci::session& sql) {
    store::forEachRow(sql,
                      "SELECT plan_id, prod_id, pre_prod_id, relate_type, description FROM zp_prod_relation "
                      "WHERE plan_id = :p ORDER BY prod_id, pre_prod_id",
                      "iiiis", {static_cast<long long>(sIn.get_PLAN_ID())}, [&](const Row& r) {
                        SProductRelation rel;
                        rel.set_PLAN_ID(i32(r.i(0)));
                        rel.set_PROD_ID(i32(r.i(1)));
                        rel.set_PRE_PROD_ID(i32(r.i(2)));
                        rel.set_RELATE_TYPE(i16(r.i(3)));
                        rel.set_DESCRIPTION(r.s(4));
                        listOut.push_back(std::move(rel));
                      });
  });
}

std::int32_t BusiCatalogueService::get_planProdList(const SCatalogueIn& sIn, SProdPlanMapList& listOut,
                                                    CBSErrorMsg& err) {
  if (const std::int32_t r = refuseUnlessCaller(err, "取可办理的促销或产品", currentCaller(), sIn.get_OP_ID(),
                                                has(sIn, SCatalogueIn::kIdx_OP_ID)))
    return r;
  static const char* const kWhat = "取计划内产品";
  Offer offer;
  offer.params = {static_cast<long long>(sIn.get_PLAN_ID())};
  // Business type 0 asks for the products of every type under the plan.
  if (sIn.get_BUSI_TYPE() != 0) {
    offer.where += " AND i.busi_type = :b";
    offer.params.push_back(static_cast<long long>(sIn.get_BUSI_TYPE()));
  }
  offer.operatorMay(sIn, "i.prod_id", "p.mandatory");
  offer.validAt(sIn, nowPacked());
  const std::string query =
      "SELECT p.plan_id, i.service_id, i.prod_id, i.subscr_mode, i.expire_mode, p.mandatory, i.description "
      "FROM zp_plan_prod p JOIN zp_catalogue_item i ON i.prod_id = p.product_id WHERE p.plan_id = :p "
      "AND i.is_prom = 0" +
      offer.where + " ORDER BY i.prod_id";
  return readList(db_, err, kWhat, listOut, [&](soci::session& sql) {
    store::forEachRow(sql, query, "iiiiiis", offer.params, [&](const Row& r) {
      SProdPlanMap m;
      m.set_PLAN_ID(i32(r.i(0)));
      m.set_SERVICE_ID(i32(r.i(1)));
      m.set_PRODUCT_ID(i32(r.i(2)));
      m.set_SUBSCR_MOD(i16(r.i(3)));
      m.set_EXPIRE_MOD(i16(r.i(4)));
      m.set_MANDATORY(i16(r.i(5)));
      m.set_DESCRIPTION(r.s(6));
      listOut.push_back(std::move(m));
    });
  });
}

std::int32_t BusiCatalogueService::get_prodNames(const SCatalogueIn& sIn, SProdNameList& listOut, CBSErrorMsg& err) {
  std::string query = "SELECT prod_id, prod_name FROM zp_catalogue_item WHERE is_prom = 0";
  std::vector<Param> params;
  if (sIn.get_FLAG() != 0) {
    query += " AND prod_id = :f";
    params.push_back(static_cast<long long>(sIn.get_FLAG()));
  }
  query += " ORDER BY prod_id";
  return readList(db_, err, "取产品名称", listOut, [&](soci::session& sql) {
    store::forEachRow(sql, query, "is", params, [&](const Row& r) {
      SProdName n;
      n.set_PROD_ID(i32(r.i(0)));
      n.set_NAME(r.s(1));
      listOut.push_back(std::move(n));
    });
  });
}

namespace {

std::int32_t bookItems(Database& db, CBSErrorMsg& err, const char* what, bool prepayOnly, SBookItemList& listOut) {
  const std::string query = std::string("SELECT item_id, name FROM zp_book_item") +
                            (prepayOnly ? " WHERE prepay = 1" : "") + " ORDER BY item_id";
  return readList(db, err, what, listOut, [&](soci::session& sql) {
    store::forEachRow(sql, query, "is", {}, [&](const Row& r) {
      SBookItem b;
      b.set_ITEM_ID(i32(r.i(0)));
      b.set_NAME(r.s(1));
      listOut.push_back(std::move(b));
    });
  });
}

}  // namespace

std::int32_t BusiCatalogueService::get_bookItems(const SCatalogueIn&, SBookItemList& listOut, CBSErrorMsg& err) {
  return bookItems(db_, err, "取营业科目", false, listOut);
}

std::int32_t BusiCatalogueService::get_prepayItems(const SCatalogueIn&, SBookItemList& listOut, CBSErrorMsg& err) {
  return bookItems(db_, err, "取预付科目", true, listOut);
}

std::int32_t BusiCatalogueService::get_accItemRel(const SCatalogueIn& sIn, SAccItemRelList& listOut,
                                                  CBSErrorMsg& err) {
  std::string query = "SELECT fee_item, disc_item, item_name FROM zp_acc_item_rel";
  std::vector<Param> params;
  if (sIn.get_FLAG() != -1) {
    query += " WHERE rel_flag = :f";
    params.push_back(static_cast<long long>(sIn.get_FLAG()));
  }
  query += " ORDER BY fee_item, disc_item";
  return readList(db_, err, "取优惠科目对应", listOut, [&](soci::session& sql) {
    store::forEachRow(sql, query, "iis", params, [&](const Row& r) {
      SAccItemRel rel;
      rel.set_FEE_ITEM(i32(r.i(0)));
      rel.set_DISC_ITEM(i32(r.i(1)));
      rel.set_ITEM_NAME(r.s(2));
      listOut.push_back(std::move(rel));
    });
  });
}

std::int32_t BusiCatalogueService::get_calFeeFlag(const SCalFeeFlagIn& sIn, std::int32_t& iFlag, CBSErrorMsg& err) {
  static const char* const kWhat = "取收费标志";
  if (!has(sIn, SCalFeeFlagIn::kIdx_BUSI_CODE) || sIn.get_BUSI_CODE() <= 0)
    return refuse(err, kCatalogueRequest, kWhat, "请求中缺少业务代码BUSI_CODE");
  std::vector<int> none;
  std::int32_t flag = 0;
  const std::int32_t r = readList(db_, err, kWhat, none, [&](soci::session& sql) {
    Row row;
    // A row for the region (or the user type) itself beats the one for every region.
    flag = store::firstRow(sql,
                           "SELECT flag FROM zp_fee_flag WHERE busi_code = :b AND (region_code = 0 OR region_code = :r) "
                           "AND (user_type = 0 OR user_type = :u) ORDER BY region_code DESC, user_type DESC",
                           "i",
                           {static_cast<long long>(sIn.get_BUSI_CODE()), static_cast<long long>(sIn.get_REGION_CODE()),
                            static_cast<long long>(sIn.get_USER_TYPE())},
                           row)
               ? i32(row.i(0))
               : 0;
  });
  if (r == 0) iFlag = flag;
  return r;
}

void priceOrder(soci::session& sql, const MBusiFeeMgntApp::SFeeBusiInfo& busi,
                const std::vector<std::pair<long long, std::int16_t>>& priced, MPublicDef::SSoFeeList& fees,
                MPublicDef::SPrepayOperList& prepays) {
  const long long busiCode = busi.get_BUSI_CODE();
  for (const auto& [prodId, operType] : priced) {
    store::forEachRow(sql,
                      "SELECT book_item_id, item_value, item_discount, item_count, remark FROM zp_fee_rule "
                      "WHERE busi_code = :b AND prod_id = :p ORDER BY seq",
                      "iiiis", {busiCode, prodId}, [&](const Row& row) {
                        MPublicDef::SSoFee fee;
                        fee.set_BOOK_ITEM_ID(i32(row.i(0)));
                        // The unit price and the count, as the money rule
                        // multiplies them: a line of two units is due twice
                        // its price, on the dialog and on the order alike.
                        fee.set_ITEM_VALUE(row.i(1));
                        fee.set_ITEM_DISCOUNT(row.i(2));
                        fee.set_ITEM_COUNT(row.i(3));
                        fee.set_ITEM_TOTAL(row.i(1) * (row.i(3) < 1 ? 1 : row.i(3)) + row.i(2));
                        fee.set_REMARK(row.s(4));
                        fee.set_OPER_TYPE(operType);
                        fee.set_SO_REGION_CODE(busi.get_SO_REGION_CODE());
                        fee.set_SO_COUNTY_CODE(busi.get_SO_COUNTY_CODE());
                        fee.set_SO_ORG_ID(busi.get_SO_ORG_ID());
                        fees.push_back(std::move(fee));
                      });
    store::forEachRow(sql,
                      "SELECT book_item_id, amount, remark FROM zp_prepay_rule WHERE busi_code = :b AND prod_id = :p "
                      "ORDER BY book_item_id",
                      "iis", {busiCode, prodId}, [&](const Row& row) {
                        MPublicDef::SPrepayOper pre;
                        pre.set_BOOK_ITEM_ID(i32(row.i(0)));
                        pre.set_AMOUNT(row.i(1));
                        pre.set_REMARK(row.s(2));
                        pre.set_REGION_CODE(busi.get_REGION_CODE());
                        prepays.push_back(std::move(pre));
                      });
  }
}

std::int32_t BusiCatalogueService::get_soFee(const MBusiFeeMgntApp::SGetSoFeeIn& sIn,
                                             MBusiFeeMgntApp::SGetSoFeeOut& sOut, CBSErrorMsg& err) {
  using MBusiFeeMgntApp::SFeeBusiInfo;
  using MBusiFeeMgntApp::SProductOper;
  static const char* const kWhat = "计算业务费用";
  const SFeeBusiInfo& busi = sIn.get_BUSIINFO();
  if (!has(sIn, MBusiFeeMgntApp::SGetSoFeeIn::kIdx_BUSIINFO) || !has(busi, SFeeBusiInfo::kIdx_BUSI_CODE) ||
      busi.get_BUSI_CODE() <= 0)
    return refuse(err, kCatalogueRequest, kWhat, "请求中缺少业务代码BUSI_CODE");
  for (const SProductOper& op : sIn.get_PRODUCTOPERLIST())
    if (!has(op, SProductOper::kIdx_PROD_ID))
      return refuse(err, kCatalogueRequest, kWhat, "费用请求的产品操作缺少产品代码PROD_ID");

  // The order itself (product 0) first, then each priced item in the order given.
  std::vector<std::pair<long long, std::int16_t>> priced{{0, 0}};
  for (const SProductOper& op : sIn.get_PRODUCTOPERLIST()) priced.emplace_back(op.get_PROD_ID(), op.get_OPER_TYPE());

  MPublicDef::SSoFeeList fees;
  MPublicDef::SPrepayOperList prepays;
  const std::int32_t r = readList(db_, err, kWhat, fees,
                                  [&](soci::session& sql) { priceOrder(sql, busi, priced, fees, prepays); });
  if (r != 0) return r;
  sOut.set_SOFEELIST(std::move(fees));
  sOut.set_PREPAYOPERLIST(std::move(prepays));
  return 0;
}

}  // namespace zp::backend
