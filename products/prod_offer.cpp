#include "prod_offer.h"

#include <new>

#include "catalogue_lookups.h"
#include "cbusimgntpublic.h"
#include "cbusinesspublic.h"
#include "csysmgntpublic.h"
#include "gui_message.h"
#include "offer_scope.h"

namespace products {

namespace {

const char* const kDateFormat = "%Y/%M/%D";
const char* const kDateTimeFormat = "%Y/%M/%D %H:%N:%S";

std::string dateText(const CBSDateTime& t) { return t.isZero() ? std::string() : t.toString(kDateFormat); }

// A date column read back; a date-only text is taken at midnight.
CBSDateTime readDate(const std::string& text) {
  CBSDateTime t;
  if (!t.fromString(text, kDateTimeFormat)) t.fromString(text, kDateFormat);
  return t;
}

int toInt(const std::string& text) {
  try {
    return text.empty() ? 0 : std::stoi(text);
  } catch (...) {
    return 0;
  }
}

offers::OfferPolicy framePolicy() { return offers::ProductPolicy(offers::Presence::action); }

}  // namespace

std::optional<short> ParseProdPopedomValid(const std::string& value) {
  auto flag = [](char c) { return c == '0' || c == '1'; };
  if (value.size() != 3 || value[1] != '@' || !flag(value[0]) || !flag(value[2])) return std::nullopt;
  return static_cast<short>(value[0] - '0');
}

std::string ProdValidDateText(int m, const offers::CalendarDate& today) {
  return offers::SlashDate(m == 0 ? today : offers::FirstOfMonthPlus(today, m));
}

ProdOffer::ProdOffer() = default;
ProdOffer::~ProdOffer() = default;

offers::CalendarDate ProdOffer::Today() const {
  return {ctx_.currentDate.year(), ctx_.currentDate.month(), ctx_.currentDate.day()};
}

void ProdOffer::setRelations(const MProductIntfApp::SProductRelationList& relations) {
  relations_ = relations;
  index_ = IndexOf(relations_);
}

void ProdOffer::Reset() {
  ctx_ = ProdContext{};
  planProducts_.clear();
  setRelations({});
  busiTypes_.clear();
  names_.clear();
  ringList_.clear();
  mscCall_.clear();
  mscCrbt_.clear();
  busiTypeLookup_.reset();
  prodNameLookup_.reset();
  planProdLookup_.reset();
  rows_.Clear();
}

std::string ProdOffer::nameOf(int prodId) const {
  return prodNameLookup_ ? prodNameLookup_->TextOfCode(prodId) : std::to_string(prodId);
}

std::string ProdOffer::busiTypeTextOf(int busiType) const {
  return busiTypeLookup_ ? busiTypeLookup_->TextOfCode(busiType) : std::to_string(busiType);
}

int ProdOffer::LoadProductCatalogue(int busiType, short userRegionCode, int opId, int opOrgId, short opCountyCode,
                                    short opRegionCode, int busiCode, int planId, std::int64_t servId) {
  Reset();
  ctx_.busiType = busiType;
  ctx_.userRegionCode = userRegionCode;
  ctx_.servId = servId;
  ctx_.planId = planId;
  ctx_.busiCode = busiCode;
  ctx_.opRegionCode = opRegionCode;
  ctx_.opCountyCode = opCountyCode;
  ctx_.opOrgId = opOrgId;
  ctx_.opId = opId;

  CSysMgntPublic sysMgnt;
  {
    CBSDateTime now;
    if (sysMgnt.Init(0, 0, 0, 0, 0) && sysMgnt.getCurrentDate(now)) {
      ctx_.currentDate = now;
    } else {
      const CBSDateTime local = CBSDateTime::now();
      ctx_.currentDate = CBSDateTime::make(local.year(), local.month(), local.day());
    }
  }

  std::string value;
  if (!sysMgnt.GetSysParaMaxValue(userRegionCode, 0, "ProdPopedomValid", value)) {
    ShowGUIMessage("取系统产品列表权限控制参数[ProdPopedomValid]出错[%s]\n[%s]...!", "异常", 16,
                   sysMgnt.LastError().text1, sysMgnt.LastError().text2);
    return 0;
  }
  const auto popedom = ParseProdPopedomValid(value);
  if (!popedom) {
    ShowGUIMessage("[ProdPopedomValid]配置错误", "异常", 16);
    return 0;
  }

  // Unread classes stay empty: no product then counts as call forwarding or
  // ring-back, which is what the counter can still work with.
  if (!sysMgnt.GetSysParaMaxValue(0, 0, "MscCall", mscCall_)) mscCall_.clear();
  if (!sysMgnt.GetSysParaMaxValue(0, 0, "MscCrbt", mscCrbt_)) mscCrbt_.clear();

  {
    CBusimgntPublic busiMgnt;
    busiMgnt.Init(busiCode, opRegionCode, opCountyCode, opOrgId, opId);
    MBusiDataMgnt::SCrbtsInfo filter;
    filter.set_REGION_CODE(userRegionCode);
    if (!busiMgnt.GetCrbtsList(filter, ringList_)) ringList_.clear();
  }

  CBusinessPublic busi;
  if (!busi.Init(busiCode, opRegionCode, opCountyCode, opOrgId, opId)) {
    ShowGUIMessage("异常:初始化失败!,\n[%s!]\n[%s!]", "异常", 64, busi.LastError().text2, busi.LastError().text1);
    return 0;
  }
  if (!busi.GetBusiType(0, 0, busiTypes_)) {
    ShowGUIMessage("异常:调用后台服务<productintf>取业务类型busiType信息服务失败!,\n[%s!]\n[%s!]", "异常", 64,
                   busi.LastError().text2, busi.LastError().text1);
    busiTypes_.clear();
  }
  busiTypeLookup_ = zp::lookup::MakeBusiTypeLookup(busiTypes_);
  if (!busi.GetFuncn(0, names_)) names_.clear();
  prodNameLookup_ = zp::lookup::MakeProdNameLookup(names_);
  MProductIntfApp::SProductRelationList relations;
  if (!busi.GetPdrel(planId, 0, 0, relations)) relations.clear();
  setRelations(relations);

  if (!busi.GetBusiPlanProdList(busiType, planId, planProducts_, 0, *popedom)) {
    ShowGUIMessage("调用后台服务<productintf>获得(计划内)产品列表失败!\n错误[%s]\n[%s]请稍后再试!", "异常", 64,
                   busi.LastError().text2, busi.LastError().text1);
    planProducts_.clear();
    return 0;
  }
  planProdLookup_ = zp::lookup::MakePlanProdLookup(planProducts_);
  const offers::OfferPolicy policy = framePolicy();
  for (const auto& e : planProducts_) {
    if (!offers::Seeds(e.get_MANDATORY(), policy)) continue;
    ProdRow row;
    row.code = e.get_PRODUCT_ID();
    row.caption = nameOf(row.code);
    row.action = offers::kActAdded;
    row.validDate = ProdValidDateText(e.get_SUBSCR_MOD());
    row.expireDate = offers::kOpenEndDate;
    row.mandatory = true;
    row.busiType = busiType;
    row.busiTypeText = busiTypeTextOf(busiType);
    row.serviceId = std::to_string(e.get_SERVICE_ID());
    row.isNew = true;
    row.chosenMode = "0";
    rows_.Append(std::move(row));
  }
  return 1;
}

bool ProdOffer::MergeUserProducts(const MPublicDef::SMscFuncInfoList& current) {
  for (const auto& p : current) {
    if (!offers::InOrderScope(ctx_.busiType, p.get_BUSI_TYPE(), p.get_SERVICE_ID(), mscCrbt_)) continue;
    // The seeded row is recognised by its product code: its caption comes
    // from the product names, which need not match the offer's description.
    ProdRow* row = nullptr;
    for (auto& r : rows_)
      if (r.code == p.get_PROD_ID()) {
        row = &r;
        break;
      }
    if (row) {
      row->action = offers::kActKept;
      row->validDate = dateText(p.get_VALID_DATE());
      row->expireDate = dateText(p.get_EXPIRE_DATE());
      row->funcParam = p.get_FUNC_PARAM();
      row->isNew = false;
      continue;
    }
    ProdRow r;
    r.code = p.get_PROD_ID();
    r.caption = nameOf(r.code);
    r.action = offers::kActKept;
    r.validDate = dateText(p.get_VALID_DATE());
    r.expireDate = dateText(p.get_EXPIRE_DATE());
    r.mandatory = false;
    r.busiType = p.get_BUSI_TYPE();
    r.otherBusiness = !OfThisBusiness(r);
    r.busiTypeText = busiTypeTextOf(r.busiType);
    r.extProp[0] = p.get_EXT_PROP1();
    r.extProp[1] = p.get_EXT_PROP2();
    r.extProp[2] = p.get_EXT_PROP3();
    r.extProp[3] = p.get_EXT_PROP4();
    r.funcParam = p.get_FUNC_PARAM();
    r.serviceId = std::to_string(p.get_SERVICE_ID());
    r.isNew = false;
    r.chosenMode = "0";
    try {
      rows_.Append(std::move(r));
    } catch (const std::bad_alloc&) {
      ShowGUIMessage("异常:插入记录到列表框失败!!!请关闭业务受理稍后再重试.", "异常", 16);
      return false;
    }
  }
  return true;
}

int ProdOffer::CountActiveProducts() const {
  int n = 0;
  for (const auto& r : rows_)
    if (OfThisBusiness(r) && r.action != offers::kActCancelled) ++n;
  return n;
}

void ProdOffer::BuildProductOpers(MPublicDef::SMscFuncOperList& out) const {
  for (const auto& r : rows_) {
    if (r.action == offers::kActKept) continue;
    MPublicDef::SMscFuncOper op;
    op.set_ACT_TYPE(r.action == offers::kActAdded ? 1 : 3);
    op.set_BUSI_TYPE(ctx_.busiType);
    op.set_PROD_ID(r.code);
    op.set_FUNC_PARAM(r.funcParam);
    op.set_EXT_PROP1(r.extProp[0]);
    op.set_EXT_PROP2(r.extProp[1]);
    op.set_EXT_PROP3(r.extProp[2]);
    op.set_EXT_PROP4(r.extProp[3]);
    op.set_FUNC_TYPE(0);
    op.set_OPER_TYPE(1);
    op.set_PROPERTY(r.chosenMode == "1" ? "1" : "");
    op.set_REMARK("");
    op.set_SERV_ID(ctx_.servId);
    op.set_PLAN_ID(ctx_.planId);
    op.set_REGION_CODE(ctx_.userRegionCode);
    op.set_SERVICE_ID(toInt(r.serviceId));
    out.push_back(op);
  }
}

MPublicDef::SMscFuncInfoList ProdOffer::CollectProductRows() const {
  MPublicDef::SMscFuncInfoList out;
  for (const auto& r : rows_) {
    MPublicDef::SMscFuncInfo p;
    p.set_PROD_ID(r.code);
    p.set_BUSI_TYPE(r.busiType);
    p.set_PROPERTY(r.chosenMode);
    p.set_OPER_TYPE(r.action == offers::kActCancelled ? 3 : r.action == offers::kActAdded ? 1 : 2);
    p.set_FUNC_PARAM(r.funcParam);
    p.set_EXT_PROP1(r.extProp[0]);
    p.set_EXT_PROP2(r.extProp[1]);
    p.set_EXT_PROP3(r.extProp[2]);
    p.set_EXT_PROP4(r.extProp[3]);
    p.set_FUNC_TYPE(r.locked ? 1 : 0);
    const bool existing = r.action == offers::kActKept || r.action == offers::kActCancelled;
    const CBSDateTime valid = readDate(r.validDate);
    p.set_SERV_ID(existing && !valid.isZero() && valid < ctx_.currentDate ? 1 : 0);
    out.push_back(p);
  }
  return out;
}

std::optional<std::size_t> ProdOffer::ApplySelection(const MPublicDef::SMscFuncOperList& chosen) {
  // Only what the dialog offered can have been left unchecked there; a
  // product the subscriber holds outside the plan's offer had no row to
  // uncheck and stays as it is (the delete button cancels it).
  auto unchosen = [&](int code) {
    for (const auto& s : chosen)
      if (s.get_PROD_ID() == code) return false;
    for (const auto& e : planProducts_)
      if (e.get_PRODUCT_ID() == code) return true;
    return false;
  };
  rows_.RemoveIf([&](const ProdRow& r) {
    return OfThisBusiness(r) && r.action == offers::kActAdded && unchosen(r.code);
  });
  for (auto& r : rows_)
    if (OfThisBusiness(r) && r.action == offers::kActKept && unchosen(r.code)) r.action = offers::kActCancelled;

  std::optional<std::size_t> select;
  for (const auto& s : chosen) {
    ProdRow* row = nullptr;
    for (auto& r : rows_)
      if (r.code == s.get_PROD_ID()) {
        row = &r;
        break;
      }
    if (row) {
      if (row->action == offers::kActAdded) {
        row->validDate = ProdValidDateText(s.get_OPER_TYPE());
        row->expireDate = offers::kOpenEndDate;
        row->extProp[0] = s.get_EXT_PROP1();
        row->extProp[1] = s.get_EXT_PROP2();
        row->extProp[2] = s.get_EXT_PROP3();
        row->extProp[3] = s.get_EXT_PROP4();
        row->funcParam = s.get_FUNC_PARAM();
        row->chosenMode = std::to_string(s.get_OPER_TYPE());
        row->locked = s.get_PROPERTY() == "1";
      } else if (row->action == offers::kActCancelled) {
        row->action = offers::kActKept;
      }
      continue;
    }
    ProdRow r;
    r.code = s.get_PROD_ID();
    r.caption = nameOf(r.code);
    r.action = offers::kActAdded;
    r.validDate = ProdValidDateText(s.get_OPER_TYPE());
    r.expireDate = offers::kOpenEndDate;
    r.mandatory = s.get_FUNC_TYPE() == 1;
    r.busiType = s.get_BUSI_TYPE();
    r.otherBusiness = !OfThisBusiness(r);
    r.busiTypeText = busiTypeTextOf(r.busiType);
    r.extProp[0] = s.get_EXT_PROP1();
    r.extProp[1] = s.get_EXT_PROP2();
    r.extProp[2] = s.get_EXT_PROP3();
    r.extProp[3] = s.get_EXT_PROP4();
    r.funcParam = s.get_FUNC_PARAM();
    r.serviceId = std::to_string(s.get_SERVICE_ID());
    r.isNew = true;
    r.chosenMode = std::to_string(s.get_OPER_TYPE());
    r.locked = s.get_PROPERTY() == "1";
    rows_.Append(std::move(r));
    select = rows_.size() - 1;
  }
  return select;
}

offers::Verdict ProdOffer::CheckProductCancel(int code) {
  offers::RelationRules rules(rows_, index_, framePolicy());
  return rules.CheckRemove(code);
}

offers::Verdict ProdOffer::CancelRow(std::size_t i) {
  offers::RelationRules rules(rows_, index_, framePolicy());
  offers::Verdict v = rules.CancelRow(i);
  if (v) rows_.RemoveIf([](const ProdRow& r) { return r.action == offers::kActCancelled && r.isNew; });
  return v;
}

}  // namespace products
