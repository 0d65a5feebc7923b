#include "order_content_checks.h"

#include <soci/soci.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "busi_catalogue_service.h"
#include "busi_public_service.h"
#include "offer_scope.h"
#include "order_money.h"
#include "prom_limits.h"
#include "relation_index.h"
#include "rows.h"
#include "service_support.h"

namespace zp::backend {
namespace {

using namespace MPublicDef;
using namespace MVasDesk;
using store::Row;

// The fee calculation books a fixed reduction of the order on this item.
constexpr int kReductionItem = 27000003;
// The fee dialog never lets an operator discount this item.
constexpr int kItemNeverDiscounted = 22000002;

std::string yuan(std::int64_t fen) {
  const bool negative = fen < 0;
  const std::uint64_t m = negative ? static_cast<std::uint64_t>(-(fen + 1)) + 1 : static_cast<std::uint64_t>(fen);
  std::string cents = std::to_string(m % 100);
  if (cents.size() < 2) cents.insert(0, "0");
  return (negative ? "-" : "") + std::to_string(m / 100) + "." + cents;
}

// A catalogue item as the operator knows it: its name with its code.
std::string itemText(soci::session& sql, long long id) {
  Row r;
  if (store::firstRow(sql, "SELECT prod_name FROM zp_catalogue_item WHERE prod_id = :p", "s", {id}, r))
    return r.s(0) + "[" + std::to_string(id) + "]";
  return "[" + std::to_string(id) + "]";
}

std::string bookItemText(soci::session& sql, long long id) {
  Row r;
  if (store::firstRow(sql, "SELECT name FROM zp_book_item WHERE item_id = :i", "s", {id}, r))
    return r.s(0) + "[" + std::to_string(id) + "]";
  return "[" + std::to_string(id) + "]";
}

std::string ringBackServices(soci::session& sql) {
  Row r;
  if (!store::firstRow(sql, "SELECT para_value FROM zp_sys_para WHERE para_name = 'MscCrbt' AND region_code = 0", "s",
                       {}, r))
    return {};
  return r.s(0);
}

// Whether the operator may sell only what he is listed for, by the switch
// "<name>" ("popedom@valid") of the subscriber's region, else of region 0,
// as the counter reads it before it lists the catalogue. A missing or
// malformed switch restricts nothing, as it lists nothing more.
struct PopedomSwitch {
  bool popedom = false;
  bool valid = false;
};
PopedomSwitch popedomSwitch(soci::session& sql, const char* name, long long region) {
  Row r;
  PopedomSwitch s;
  if (!store::firstRow(sql,
                       "SELECT para_value FROM zp_sys_para WHERE para_name = :n AND (region_code = :r OR "
                       "region_code = 0) ORDER BY CASE WHEN region_code = 0 THEN 1 ELSE 0 END",
                       "s", {std::string(name), region}, r))
    return s;
  const std::string v = r.s(0);
  if (v.size() != 3 || v[1] != '@') return s;
  s.popedom = v[0] == '1';
  s.valid = v[2] == '1';
  return s;
}

bool operatorMaySell(soci::session& sql, long long opId, long long item) {
  Row r;
  return store::firstRow(sql, "SELECT op_id FROM zp_op_popedom WHERE op_id = :o AND prod_id = :p", "i", {opId, item},
                         r);
}

offers::RelationIndex relationsOf(soci::session& sql, long long planId) {
  std::vector<offers::Relation> all;
  store::forEachRow(sql,
                    "SELECT prod_id, pre_prod_id, relate_type FROM zp_prod_relation WHERE plan_id = :p "
                    "ORDER BY prod_id, pre_prod_id",
                    "iii", {planId}, [&](const Row& r) {
                      all.push_back({static_cast<int>(r.i(0)), static_cast<int>(r.i(1)), static_cast<int>(r.i(2))});
                    });
  return offers::RelationIndex(std::move(all));
}

// The subscriber's items before the order and what the order does to them.
struct ItemChange {
  std::set<int> before, added, removed;
  bool after(int code) const { return added.count(code) || (before.count(code) && !removed.count(code)); }
};

// The relation rules, judged on the subscriber's items after the order. Only
// what the order breaks is its fault: an item it adds, or one it takes away
// from an item that stays. A relation the subscriber already broke before
// the order (a catalogue changed since) does not stop him from being served.
void checkRelations(soci::session& sql, const offers::RelationIndex& relations, const ItemChange& c,
                    const std::string& noun, std::int32_t code, std::vector<Finding>& found) {
  for (std::size_t pos = 0; pos < relations.size(); ++pos) {
    const offers::Relation& rel = relations[pos];
    const int item = rel.prodId, other = rel.preProdId;
    if (!c.after(item)) continue;
    if (rel.type == offers::kRequires && !c.after(other) && (c.added.count(item) || c.removed.count(other)))
      found.push_back({code, noun + itemText(sql, item) + "依赖" + noun + itemText(sql, other) + ",订单之后用户没有" +
                                 noun + itemText(sql, other) + ",请一并办理或保留"});
    if (rel.type == offers::kExcludes && c.after(other) && (c.added.count(item) || c.added.count(other)))
      found.push_back({code, noun + itemText(sql, item) + "与" + noun + itemText(sql, other) +
                                 "互斥,不能同时拥有,请取消其中一个"});
  }
  std::set<int> present(c.added);
  for (int i : c.before)
    if (c.after(i)) present.insert(i);
  for (int item : present) {
    std::vector<int> anyOf;
    bool anyPresent = false, anyRemoved = false;
    for (std::size_t pos : relations.ByProd(item)) {
      const offers::Relation& rel = relations[pos];
      if (rel.type != offers::kAnyOf) continue;
      anyOf.push_back(rel.preProdId);
      anyPresent = anyPresent || c.after(rel.preProdId);
      anyRemoved = anyRemoved || c.removed.count(rel.preProdId);
    }
    if (anyOf.empty() || anyPresent || !(c.added.count(item) || anyRemoved)) continue;
    std::string names;
    for (int o : anyOf) names += (names.empty() ? "" : "、") + itemText(sql, o);
    found.push_back({code, noun + itemText(sql, item) + "至少需要" + noun + names + "中的一个,请一并办理或保留"});
  }
}

std::optional<long long> wholeNumber(const std::string& text) {
  long long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return v;
}

// The operator's limit for a kind of promotion parameter, as the selection
// dialog works it out from the privilege entities of the kind's class that
// he holds; -1 when none applies.
int operatorParaLimit(soci::session& sql, long long opId, int kind) {
  const long long privClass = promotions::PrivClassOf(kind);
  MSysmgntDef::SPrivEntityList entities;
  MSysmgntDef::SOperPrivAuthList answers;
  store::forEachRow(sql,
                    "SELECT e.ent_id, e.ent_name, (SELECT COUNT(*) FROM zp_operator_right o WHERE o.op_id = :o AND "
                    "o.ent_id = e.ent_id AND o.priv_id = :p) FROM zp_priv_entity e WHERE e.priv_class = :c "
                    "ORDER BY e.ent_id",
                    "isi", {opId, privClass, privClass}, [&](const Row& r) {
                      MSysmgntDef::SPrivEntity e;
                      e.set_ENT_ID(static_cast<std::int32_t>(r.i(0)));
                      e.set_ENT_NAME(r.s(1));
                      entities.push_back(e);
                      MSysmgntDef::SOperPrivAuth a;
                      a.set_ENT_ID(static_cast<std::int32_t>(r.i(0)));
                      a.set_PRIV_ID(static_cast<std::int32_t>(privClass));
                      a.set_AUTHORIZED(r.i(2) > 0 ? 1 : 0);
                      answers.push_back(a);
                    });
  return promotions::LimitFromAnswers(kind, entities, answers, -1);
}

// A promotion's parameter against what the selection dialog would have let
// this operator enter; empty when it stands.
std::string paraRefusal(soci::session& sql, const SSpromOper& p, long long opId, bool& limitsAsked, int (&limits)[3]) {
  const std::string& para = p.get_SPROM_PARA();
  if (para.empty()) return {};
  const long long prom = p.get_SPROM_ID();
  Row r;
  std::string type;
  if (store::firstRow(sql, "SELECT subscr_param FROM zp_catalogue_item WHERE prod_id = :p AND is_prom = 1", "s", {prom},
                      r))
    type = r.s(0);
  const std::string what = "促销" + itemText(sql, prom) + "的参数[" + para + "]";
  if (type != "1" && type != "2" && type != "3") return what + "无效:普通促销没有参数,请不要填写";
  const int kind = type[0] - '0';
  if (!limitsAsked) {
    for (int k = 1; k <= 3; ++k) limits[k - 1] = operatorParaLimit(sql, opId, k);
    limitsAsked = true;
  }
  const int limit = limits[kind - 1];
  if (limit < 1)
    return what + "不能受理:营业员[" + std::to_string(opId) + "]没有设置该类促销参数的权限,请不要填写参数";
  const auto value = wholeNumber(para);
  if (kind == promotions::kDiscount) {
    if (!value || *value < 1 || *value > 100) return what + "无效:折扣比例必须在[1--100]之间";
    if (*value < limit)
      return what + "低于营业员可给的最低折扣比例[" + std::to_string(limit) + "],请重新选择促销参数";
    return {};
  }
  if (!value || *value < 0) return what + "不是有效的金额,请重新选择促销参数";
  if (kind == promotions::kMinimum && *value < limit)
    return what + "低于营业员可输入的最低消费限额[" + yuan(limit) + "元],请重新选择促销参数";
  if (kind == promotions::kReduction && *value > limit)
    return what + "超出营业员可输入的最大减免金额[" + yuan(limit) + "元],请重新选择促销参数";
  return {};
}

// An added promotion takes effect today (no date) or later, never in the
// past, and ends after it takes effect (no date: it runs on); empty when
// its dates stand.
std::string validityRefusal(soci::session& sql, const SSpromOper& p, const CBSDateTime& startOfToday) {
  const CBSDateTime valid = p.get_VALID_DATE(), expire = p.get_EXPIRE_DATE();
  const std::string what = "促销" + itemText(sql, p.get_SPROM_ID());
  if (!valid.isZero() && valid < startOfToday)
    return what + "的生效日期[" + valid.toString("%Y-%M-%D") + "]早于今天,不能受理;请重新选择该促销";
  const CBSDateTime from = valid.isZero() ? startOfToday : valid;
  if (!expire.isZero() && !(expire > from))
    return what + "的失效日期[" + expire.toString("%Y-%M-%D") + "]不晚于生效日期[" + from.toString("%Y-%M-%D") +
           "],不能受理;请重新选择该促销的有效期";
  return {};
}

}  // namespace

void checkBusiRuleChain(soci::session& sql, const SSoUserServiceIn& in, const OrderFacts& facts,
                        std::vector<Finding>& found) {
  SSoInfo so = in.get_SOINFO();
  so.set_BUSI_CODE(facts.business.busiCode);
  // The order is taken where its operator signed in, whether or not the
  // order says so: a subscriber of another region is one, and the chain's
  // rules for him hold.
  so.set_SO_REGION_CODE(static_cast<std::int16_t>(facts.opRegionCode));
  // The chain as the verification strip walks it: a confirmation or a
  // notice leads on to its next point, a refusal stops the order. A point
  // reached twice ends the walk; every point on the way has been judged.
  std::set<long long> visited;
  long long point = 0;
  while (visited.insert(point).second) {
    const BusiRuleAnswer a = answerBusiRule(sql, so, facts.business.busiCode, point, facts.now);
    if (!a.userFound) return;  // the order check reports the unknown subscriber
    if (!a.broken.empty()) {
      found.push_back({kFindingBusiRule, "业务规则检查无法完成:" + a.broken + ",请与管理员联系"});
      return;
    }
    if (a.result == -1) {
      found.push_back({kFindingBusiRule, "业务规则检查不通过:" + a.desc});
      return;
    }
    if (a.result != 2 && a.result != 3) return;
    point = a.nextPoint;
  }
}

void checkProductLines(soci::session& sql, const SSoUserServiceIn& in, const OrderFacts& facts,
                       std::vector<Finding>& found) {
  const SMscFuncOperList& lines = in.get_MSCFUNCOPERLIST();
  if (lines.empty()) return;
  const int busiType = facts.business.busiType;
  const long long servId = facts.user.get_SERV_ID();
  const long long planId = facts.user.get_PLAN_ID();
  const std::string ringBack = ringBackServices(sql);

  ItemChange change;
  std::set<int> inScope;
  store::forEachRow(sql, "SELECT prod_id, busi_type, service_id FROM zp_user_product WHERE serv_id = :s", "iii",
                    {servId}, [&](const Row& r) {
                      const int prod = static_cast<int>(r.i(0));
                      change.before.insert(prod);
                      if (offers::InOrderScope(busiType, static_cast<int>(r.i(1)), static_cast<int>(r.i(2)), ringBack))
                        inScope.insert(prod);
                    });

  const PopedomSwitch sale = popedomSwitch(sql, "ProdPopedomValid", facts.user.get_REGION_CODE());
  const std::size_t before = found.size();
  for (const SMscFuncOper& p : lines) {
    const int prod = p.get_PROD_ID();
    // An added product is filed under the order's own type. A deleted one
    // is known by the subscriber's own product within the order's scope;
    // the type on its line says nothing (a cancellation files every deleted
    // product under one type, whatever the business).
    if (p.get_ACT_TYPE() == 1 && p.get_BUSI_TYPE() != busiType) {
      found.push_back({kFindingProduct, "产品" + itemText(sql, prod) + "的业务类型[" + std::to_string(p.get_BUSI_TYPE()) +
                                            "]与本业务[" + std::to_string(busiType) + "]不符,不能受理"});
      continue;
    }
    Row r;
    switch (p.get_ACT_TYPE()) {
      case 1:
        if (!store::firstRow(sql,
                             "SELECT pp.mandatory FROM zp_plan_prod pp JOIN zp_catalogue_item i ON i.prod_id = "
                             "pp.product_id WHERE pp.plan_id = :l AND pp.product_id = :p AND i.is_prom = 0 AND "
                             "i.busi_type = :b",
                             "i", {planId, static_cast<long long>(prod), static_cast<long long>(busiType)}, r))
          found.push_back({kFindingProduct, "产品" + itemText(sql, prod) + "不是本业务为用户资费计划[" +
                                                std::to_string(planId) + "]提供的产品,不能开通"});
        else if (sale.popedom && r.i(0) != 1 && !operatorMaySell(sql, facts.opId, prod))
          found.push_back({kFindingProduct, "营业员[" + std::to_string(facts.opId) + "]没有销售产品" +
                                                itemText(sql, prod) + "的权限,不能开通"});
        else if (change.before.count(prod))
          found.push_back({kFindingProduct, "用户已有产品" + itemText(sql, prod) + ",不能重复开通"});
        else
          change.added.insert(prod);
        break;
      case 2:
      case 3:
        if (!inScope.count(prod))
          found.push_back({kFindingProduct, "用户没有本业务范围内的产品" + itemText(sql, prod) + ",不能" +
                                                (p.get_ACT_TYPE() == 3 ? "取消" : "变更")});
        else if (p.get_ACT_TYPE() == 3)
          change.removed.insert(prod);
        break;
      default:
        found.push_back({kFindingProduct, "产品" + itemText(sql, prod) + "的操作类型[" +
                                              std::to_string(p.get_ACT_TYPE()) + "]无效,应为1开通、2变更或3取消"});
    }
  }
  // Relations are judged only on lines that stand by themselves.
  if (found.size() != before) return;
  checkRelations(sql, relationsOf(sql, planId), change, "产品", kFindingProductRelation, found);
}

void checkPromotionLines(soci::session& sql, const SSoUserServiceIn& in, const OrderFacts& facts,
                         std::vector<Finding>& found) {
  const SSpromOperList& lines = in.get_SPROMOPERLIST();
  if (lines.empty()) return;
  const int busiType = facts.business.busiType;
  const long long servId = facts.user.get_SERV_ID();

  // A business whose promotions come with the plan offers those of the
  // subscriber's plan and relates them under it; the others relate their
  // promotions under every plan (0), as the promotion frame loads them.
  Row t;
  const bool planBound =
      store::firstRow(sql, "SELECT type FROM zp_busi_type WHERE busi_type = :b", "i", {static_cast<long long>(busiType)},
                      t) &&
      t.i(0) == 1;
  const long long planId = planBound ? facts.user.get_PLAN_ID() : 0;

  ItemChange change;
  store::forEachRow(sql, "SELECT sprom_id FROM zp_user_promotion WHERE serv_id = :s", "i", {servId},
                    [&](const Row& r) { change.before.insert(static_cast<int>(r.i(0))); });

  const PopedomSwitch sale = popedomSwitch(sql, "PromPopedomValid", facts.user.get_REGION_CODE());
  const long long today = dateTimeAt(facts.now).packed();
  const CBSDateTime now = dateTimeAt(facts.now);
  const CBSDateTime startOfToday = CBSDateTime::make(now.year(), now.month(), now.day());
  bool limitsAsked = false;
  int limits[3] = {-1, -1, -1};
  const std::size_t before = found.size();
  for (const SSpromOper& p : lines) {
    const int prom = p.get_SPROM_ID();
    switch (p.get_ACT_TYPE()) {
      case 1: {
        // The plan's mandatory promotions come with it whoever sells; the
        // others only from an operator listed for them, when the region
        // says so. A business without plan lists its promotions by their
        // validity as well, when the region says so.
        Row o;
        const bool inPlan =
            planBound && store::firstRow(sql, "SELECT mandatory FROM zp_plan_sprom WHERE plan_id = :l AND prom_id = :p",
                                         "i", {planId, static_cast<long long>(prom)}, o);
        const bool mandatory = inPlan && o.i(0) == 1;
        Row v;
        const bool current =
            planBound || !sale.valid ||
            store::firstRow(sql,
                            "SELECT prod_id FROM zp_catalogue_item WHERE prod_id = :p AND valid_date <= :a AND "
                            "expire_date > :b",
                            "i", {static_cast<long long>(prom), today, today}, v);
        if (planBound && !inPlan)
          found.push_back({kFindingPromotion, "促销" + itemText(sql, prom) + "不是用户资费计划[" +
                                                          std::to_string(planId) + "]的促销,不能办理"});
        else if (sale.popedom && !mandatory && !operatorMaySell(sql, facts.opId, prom))
          found.push_back({kFindingPromotion, "营业员[" + std::to_string(facts.opId) + "]没有办理促销" +
                                                          itemText(sql, prom) + "的权限,不能办理"});
        else if (!current)
          found.push_back({kFindingPromotion, "促销" + itemText(sql, prom) + "不在有效期内,不能办理"});
        else if (change.before.count(prom))
          found.push_back({kFindingPromotion, "用户已有促销" + itemText(sql, prom) + ",不能重复办理"});
        else if (const std::string why = validityRefusal(sql, p, startOfToday); !why.empty())
          found.push_back({kFindingPromotion, why});
        else
          change.added.insert(prom);
        break;
      }
      case 3: {
        // A cancellation ends the promotion now, or at a date it gives
        // between today and the end the promotion has: a later one would
        // keep it longer than it had, an earlier one end it in the past.
        const CBSDateTime end = p.get_EXPIRE_DATE();
        Row e;
        if (!end.isZero() &&
            store::firstRow(sql, "SELECT expire_date FROM zp_user_promotion WHERE serv_id = :s AND sprom_id = :p", "i",
                            {servId, static_cast<long long>(prom)}, e) &&
            (end < startOfToday || (e.i(0) != 0 && end > CBSDateTime(e.i(0)))))
          found.push_back({kFindingPromotion, "促销" + itemText(sql, prom) + "的取消日期[" + end.toString("%Y-%M-%D") +
                                                  "]不在今天和该促销原失效日期[" +
                                                  CBSDateTime(e.i(0)).toString("%Y-%M-%D") +
                                                  "]之间,不能受理;请重新选择要取消的促销"});
        change.removed.insert(prom);
        break;
      }
      case 2:
        break;
      default:
        found.push_back({kFindingPromotion, "促销" + itemText(sql, prom) + "的操作类型[" +
                                                        std::to_string(p.get_ACT_TYPE()) + "]无效,应为1办理或3取消"});
        continue;
    }
    // A change carries a parameter as well as an addition does.
    if (p.get_ACT_TYPE() == 1 || p.get_ACT_TYPE() == 2) {
      const std::string why = paraRefusal(sql, p, facts.opId, limitsAsked, limits);
      if (!why.empty()) found.push_back({kFindingPromotionPara, why});
    }
  }
  if (found.size() != before) return;
  checkRelations(sql, relationsOf(sql, planId), change, "促销", kFindingPromotionRelation, found);
}

void checkFeeLines(soci::session& sql, const SSoUserServiceIn& in, const OrderFacts& facts,
                   std::vector<Finding>& found) {
  const SSoFeeList& order = in.get_SOFEELIST();
  // Entries that break the money rule were refused already; a price cannot
  // be compared with them.
  for (const SSoFee& fee : order)
    if (!zpmoney::EntryAgrees(fee)) return;
  if (!zpmoney::OrderAmount(order)) return;

  // Whether the business is priced at all for this subscriber, as the
  // workspace asks before the fee dialog.
  Row r;
  const bool priced =
      store::firstRow(sql,
                      "SELECT flag FROM zp_fee_flag WHERE busi_code = :b AND (region_code = 0 OR region_code = :r) "
                      "AND (user_type = 0 OR user_type = :u) ORDER BY region_code DESC, user_type DESC",
                      "i",
                      {static_cast<long long>(facts.business.busiCode),
                       static_cast<long long>(facts.user.get_REGION_CODE()),
                       static_cast<long long>(facts.user.get_USER_TYPE())},
                      r) &&
      r.i(0) == 1;

  // The server's own price of this order: the order itself, then its
  // promotions, then its products, as the counter asks for it; prepayments
  // become entries of their own when the operator confirms the fees.
  SSoFeeList expected;
  if (priced) {
    std::vector<std::pair<long long, std::int16_t>> items{{0, 0}};
    for (const SSpromOper& p : in.get_SPROMOPERLIST()) items.emplace_back(p.get_SPROM_ID(), 2);
    for (const SMscFuncOper& p : in.get_MSCFUNCOPERLIST()) items.emplace_back(p.get_PROD_ID(), 2);
    MBusiFeeMgntApp::SFeeBusiInfo header;
    header.set_BUSI_CODE(facts.business.busiCode);
    header.set_REGION_CODE(facts.user.get_REGION_CODE());
    header.set_PLAN_ID(facts.user.get_PLAN_ID());
    SPrepayOperList prepays;
    priceOrder(sql, header, items, expected, prepays);
    for (const SPrepayOper& pre : prepays) {
      SSoFee fee;
      fee.set_BOOK_ITEM_ID(pre.get_BOOK_ITEM_ID());
      fee.set_ITEM_VALUE(pre.get_AMOUNT());
      fee.set_ITEM_DISCOUNT(0);
      fee.set_ITEM_COUNT(1);
      expected.push_back(fee);
    }
  }

  const auto count = [](const SSoFee& f) { return f.get_ITEM_COUNT() < 1 ? 1LL : static_cast<long long>(f.get_ITEM_COUNT()); };
  std::vector<bool> used(order.size(), false);
  std::set<int> expectedItems;
  std::int64_t expectedTotal = 0;
  for (const SSoFee& e : expected) {
    expectedItems.insert(e.get_BOOK_ITEM_ID());
    expectedTotal += zpmoney::EntryAmount(e).value_or(0);
    std::optional<std::size_t> match, sameItem;
    for (std::size_t i = 0; i < order.size() && !match; ++i) {
      if (used[i] || order[i].get_BOOK_ITEM_ID() != e.get_BOOK_ITEM_ID()) continue;
      if (!sameItem) sameItem = i;
      if (order[i].get_ITEM_VALUE() == e.get_ITEM_VALUE() && count(order[i]) == count(e) &&
          order[i].get_ITEM_DISCOUNT() == e.get_ITEM_DISCOUNT())
        match = i;
    }
    if (match) {
      used[*match] = true;
      continue;
    }
    const std::string item = bookItemText(sql, e.get_BOOK_ITEM_ID());
    if (sameItem) {
      used[*sameItem] = true;
      const SSoFee& o = order[*sameItem];
      found.push_back({kFindingFee, "费用科目" + item + "的金额" + yuan(o.get_ITEM_VALUE()) + "元×" +
                                        std::to_string(count(o)) + "(优惠" + yuan(o.get_ITEM_DISCOUNT()) +
                                        "元)与本业务计算的费用" + yuan(e.get_ITEM_VALUE()) + "元×" +
                                        std::to_string(count(e)) + "(优惠" + yuan(e.get_ITEM_DISCOUNT()) +
                                        "元)不符,请重新计算费用"});
    } else {
      found.push_back({kFindingFee, "费用不全:缺少本业务应收的费用科目" + item + "(" +
                                        yuan(zpmoney::EntryAmount(e).value_or(0)) + "元),请重新计算费用"});
    }
  }

  // What is left can only be a discount the operator granted in the fee
  // dialog: an entry of its own on the discount item of a calculated fee
  // item, negative, taking off at most what the fee items it discounts come
  // to (the dialog lets the whole amount be waived, no more).
  std::map<int, std::int64_t> granted;
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (used[i]) continue;
    const SSoFee& g = order[i];
    const int item = g.get_BOOK_ITEM_ID();
    const std::int64_t amount = *zpmoney::EntryAmount(g);
    bool discountsAFee = false;
    store::forEachRow(sql, "SELECT fee_item FROM zp_acc_item_rel WHERE disc_item = :d", "i",
                      {static_cast<long long>(item)}, [&](const Row& rel) {
                        const int fee = static_cast<int>(rel.i(0));
                        if (fee != kItemNeverDiscounted && expectedItems.count(fee)) discountsAFee = true;
                      });
    const bool grantShaped = amount < 0 && count(g) == 1 && g.get_ITEM_DISCOUNT() == 0;
    if (!grantShaped || !discountsAFee || expectedItems.count(item) || item == kReductionItem) {
      found.push_back({kFindingFee, "费用科目" + bookItemText(sql, item) + "的费用" + yuan(amount) +
                                        "元不是本业务计算出的费用,也不是可给的优惠,请重新计算费用"});
      continue;
    }
    granted[item] += amount;
  }
  for (const auto& [disc, amount] : granted) {
    std::int64_t cap = 0;
    store::forEachRow(sql, "SELECT fee_item FROM zp_acc_item_rel WHERE disc_item = :d", "i",
                      {static_cast<long long>(disc)}, [&](const Row& rel) {
                        const int feeItem = static_cast<int>(rel.i(0));
                        if (feeItem == kItemNeverDiscounted) return;
                        for (const SSoFee& e : expected)
                          if (e.get_BOOK_ITEM_ID() == feeItem) cap += zpmoney::EntryAmount(e).value_or(0);
                      });
    if (-amount > cap)
      found.push_back({kFindingFee, "优惠科目" + bookItemText(sql, disc) + "优惠" + yuan(-amount) +
                                        "元,超出了可优惠的金额" + yuan(cap < 0 ? 0 : cap) + "元,请重新计算费用"});
    else
      expectedTotal += amount;
  }

  const std::int64_t total = *zpmoney::OrderAmount(order);
  const bool entriesStand =
      std::none_of(found.begin(), found.end(), [](const Finding& f) { return f.code == kFindingFee; });
  if (entriesStand && total != expectedTotal)
    found.push_back({kFindingFee, "订单费用合计" + yuan(total) + "元与本业务计算的应收" + yuan(expectedTotal) +
                                      "元不符,请重新计算费用"});
}

void checkOrderContent(soci::session& sql, const SSoUserServiceIn& in, const OrderFacts& facts,
                       std::vector<Finding>& found) {
  checkBusiRuleChain(sql, in, facts, found);
  checkProductLines(sql, in, facts, found);
  checkPromotionLines(sql, in, facts, found);
  if (facts.submitting) checkFeeLines(sql, in, facts, found);
}

}  // namespace zp::backend
