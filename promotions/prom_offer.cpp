#include "prom_offer.h"

#include <charconv>

#include "catalogue_lookups.h"
#include "cbusinesspublic.h"
#include "csysmgntpublic.h"
#include "gui_message.h"
#include "money.h"
#include "prom_permission.h"
#include "prom_rules.h"

namespace promotions {

namespace {

const char* const kDateFormat = "%Y/%M/%D";
const char* const kDateTimeFormat = "%Y/%M/%D %H:%N:%S";

std::string dateText(const CBSDateTime& t) { return t.isZero() ? std::string() : t.toString(kDateFormat); }
std::string dateTimeText(const CBSDateTime& t) { return t.isZero() ? std::string() : t.toString(kDateTimeFormat); }

// A date column read back as the order line wants it; a date-only text is
// taken at midnight.
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

// The subscriber's parameter as the row shows it.
std::string userParaText(const std::string& type, const std::string& para) {
  if (type == "1" || type == "3") {
    if (para.empty()) return {};
    // Fen as the back end stores them; a text that is no number is shown as
    // it came rather than as a made-up 0.00.
    std::int64_t fen = 0;
    const auto [end, ec] = std::from_chars(para.data(), para.data() + para.size(), fen);
    if (ec != std::errc() || end != para.data() + para.size()) return para;
    return CurrencyToPlainText(fen);
  }
  if (type == "2") return para;
  return {};
}

}  // namespace

PromOffer::PromOffer() = default;
PromOffer::~PromOffer() = default;

offers::CalendarDate PromOffer::Today() const {
  return {ctx_.currentDate.year(), ctx_.currentDate.month(), ctx_.currentDate.day()};
}

void PromOffer::setRelations(const MProductIntfApp::SProductRelationList& relations) {
  relations_ = relations;
  index_ = IndexOf(relations_);
}

void PromOffer::Reset() {
  ctx_ = PromContext{};
  catalogue_.clear();
  typeOffer_.clear();
  setRelations({});
  promLookup_.reset();
  typeLookup_.reset();
  rows_.Clear();
}

std::string PromOffer::textOf(int code) const {
  if (ctx_.typeCatalogue) return typeLookup_ ? typeLookup_->TextOfCode(code) : std::to_string(code);
  return promLookup_ ? promLookup_->TextOfCode(code) : std::to_string(code);
}

int PromOffer::codeOf(const std::string& caption) const {
  if (ctx_.typeCatalogue && typeLookup_) return typeLookup_->CodeOfText(caption);
  if (!ctx_.typeCatalogue && promLookup_) return promLookup_->CodeOfText(caption);
  return zp::lookup::leadingNumber(caption);
}

int PromOffer::LoadPromCatalogue(short userRegionCode, std::int64_t servId, int busiType, int planId, int busiCode,
                                 short opRegionCode, short opCountyCode, int opOrgId, int opId) {
  Reset();
  ctx_.userRegionCode = userRegionCode;
  ctx_.servId = servId;
  ctx_.busiType = busiType;
  ctx_.planId = planId;
  ctx_.busiCode = busiCode;
  ctx_.opRegionCode = opRegionCode;
  ctx_.opCountyCode = opCountyCode;
  ctx_.opOrgId = opOrgId;
  ctx_.opId = opId;

  {
    CSysMgntPublic sysMgnt;
    CBSDateTime now;
    if (sysMgnt.Init(0, 0, 0, 0, 0) && sysMgnt.getCurrentDate(now)) {
      ctx_.currentDate = now;
    } else {
      const CBSDateTime local = CBSDateTime::now();
      ctx_.currentDate = CBSDateTime::make(local.year(), local.month(), local.day());
    }
  }
  if (busiType == 0) return 1;

  const auto flags = ReadPromPopedomFlags(userRegionCode);
  if (!flags) return 0;

  CBusinessPublic busi;
  if (!busi.Init(busiCode, opRegionCode, opCountyCode, opOrgId, opId)) {
    ShowGUIMessage("异常:初始化失败!,\n[%s!]\n[%s!]", "异常", 64, busi.LastError().text2, busi.LastError().text1);
    return 0;
  }
  MProductIntfApp::SBusiTypeList types;
  if (!busi.GetBusiType(0, static_cast<short>(busiType), types)) {
    ShowGUIMessage("异常:调用后台服务<productintf>取业务类型busiType信息服务失败!,\n[%s!]\n[%s!]", "异常", 64,
                   busi.LastError().text2, busi.LastError().text1);
    return 0;
  }
  if (types.empty()) {
    ShowGUIMessage("提示:后台参数表cp.pm_busi_type_def没有配置本业务类型（%d），请配置!", "提示", 64, busiType);
    return 0;
  }
  ctx_.typeCatalogue = types.front().get_TYPE() != 1;
  MProductIntfApp::SProductRelationList relations;
  if (!ctx_.typeCatalogue) {
    busi.GetPdrel(planId, 0, 0, relations);
  } else {
    busi.GetPdrel(0, 0, 0, relations);
    ctx_.planId = 0;
  }
  setRelations(relations);

  if (!ctx_.typeCatalogue) {
    if (!busi.GetBusiPlanSpromList(busiType, planId, catalogue_, 0, flags->popedom)) {
      ShowGUIMessage("调用后台服务<productintf>获得(计划内)促销列表失败!\n错误[%s]\n[%s]请稍后再试!", "异常", 64,
                     busi.LastError().text2, busi.LastError().text1);
      catalogue_.clear();
      return 0;
    }
    promLookup_ = zp::lookup::MakePromLookup(catalogue_);
    const offers::OfferPolicy policy = offers::PromotionPolicy(offers::Presence::action);
    for (auto& e : catalogue_) {
      if (!offers::Seeds(e.get_MANDATORY(), policy)) continue;
      PromRow row;
      row.caption = textOf(e.get_PROM_ID());
      row.code = codeOf(row.caption);
      row.action = offers::kActAdded;
      row.validDate = ValidDateText(e, true, busiCode, Today());
      row.expireDate = ExpireDateText(e, true, busiCode, Today());
      row.mandatory = e.get_MANDATORY() == 1;
      row.typeText = PromTypeText(e.get_SUBSCR_PARAM());
      row.paraText = CatalogueParaText(e.get_SUBSCR_PARAM(), e.get_SPROM_PARA());
      row.serviceId = std::to_string(e.get_SERVICE_ID());
      row.priority = std::to_string(e.get_PRIORITY());
      row.isNew = true;
      row.chosenMode = "0";
      row.chosenCycles = "0";
      rows_.Append(std::move(row));
    }
  } else {
    if (!busi.GetBusiPromList(static_cast<short>(busiType), typeOffer_, 0, flags->popedom, flags->valid)) {
      ShowGUIMessage("调用后台服务获得促销列表(计划外)失败!\n错误[%s]\n[%s]请稍后再试!", "异常", 64,
                     busi.LastError().text2, busi.LastError().text1);
      typeOffer_.clear();
      return 0;
    }
    typeLookup_ = zp::lookup::MakeBusiProdLookup(typeOffer_);
  }
  return 1;
}

std::string PromOffer::PromParaText(int code) const {
  if (ctx_.typeCatalogue) return {};
  for (const auto& e : catalogue_)
    if (e.get_PROM_ID() == code) return CatalogueParaText(e.get_SUBSCR_PARAM(), e.get_SPROM_PARA());
  return {};
}

std::string PromOffer::PromTypeCode(int code) const {
  if (ctx_.typeCatalogue) return "0";
  for (const auto& e : catalogue_)
    if (e.get_PROM_ID() == code) return e.get_SUBSCR_PARAM();
  return "0";
}

bool PromOffer::MergeUserProms(const MPublicDef::SSpromInfoList& current) {
  for (const auto& p : current) {
    PromRow* row = nullptr;
    if (!ctx_.typeCatalogue) {
      for (auto& r : rows_)
        if (codeOf(r.caption) == p.get_SPROM_ID()) {
          row = &r;
          break;
        }
    }
    if (row) {
      row->action = offers::kActKept;
      row->validDate = dateText(p.get_VALID_DATE());
      row->expireDate = dateText(p.get_EXPIRE_DATE());
      row->createDate = dateTimeText(p.get_CREATE_DATE());
      const std::string& type = p.get_SUBSCR_PARAM();
      if (type == "1" || type == "2" || type == "3") row->enteredPara = userParaText(type, p.get_SPROM_PARA());
      row->isNew = false;
      continue;
    }
    PromRow r;
    r.caption = textOf(p.get_SPROM_ID());
    r.code = codeOf(r.caption);
    r.action = offers::kActKept;
    r.validDate = dateText(p.get_VALID_DATE());
    r.expireDate = dateText(p.get_EXPIRE_DATE());
    r.createDate = dateTimeText(p.get_CREATE_DATE());
    r.mandatory = false;
    const std::string type = PromTypeCode(p.get_SPROM_ID());
    r.typeText = PromTypeText(type);
    r.paraText = PromParaText(p.get_SPROM_ID());
    r.enteredPara = userParaText(type, p.get_SPROM_PARA());
    r.serviceId = std::to_string(p.get_SERVICE_ID());
    r.priority = std::to_string(p.get_SPROM_PRIOR());
    r.isNew = false;
    r.chosenMode = "0";
    r.chosenCycles = "0";
    rows_.Append(std::move(r));
  }
  // Seeded optional promotions are not offered to a subscriber who already
  // has the business; mandatory seeds stay.
  rows_.RemoveIf([](const PromRow& r) { return r.action == offers::kActAdded && !r.mandatory; });
  return !current.empty();
}

int PromOffer::CountActiveProms() const {
  int n = 0;
  for (const auto& r : rows_)
    if (r.action != offers::kActCancelled) ++n;
  return n;
}

namespace {

void fillCommon(MPublicDef::SSpromOper& op, const PromRow& r, const PromContext& ctx, int code) {
  op.set_BUSI_TYPE(ctx.busiType);
  op.set_PAY_MODE(0);
  op.set_PLAN_ID(ctx.typeCatalogue ? 0 : ctx.planId);
  op.set_REMARK("");
  op.set_SERV_ID(ctx.servId);
  op.set_SPROM_ID(code);
  op.set_SPROM_PRIOR(static_cast<std::int16_t>(toInt(r.priority)));
  op.set_SPROM_TYPE(0);
  op.set_REGION_CODE(ctx.userRegionCode);
  op.set_PSPROM_ID(0);
  op.set_SERVICE_ID(toInt(r.serviceId));
  op.set_VALID_DATE(CBSDateTime(0));
}

}  // namespace

void PromOffer::BuildPromOpers(MPublicDef::SSpromOperList& out) const {
  for (const auto& r : rows_) {
    if (r.action == offers::kActKept) continue;
    MPublicDef::SSpromOper op;
    op.set_ACT_TYPE(r.action == offers::kActAdded ? 1 : 3);
    fillCommon(op, r, ctx_, codeOf(r.caption));
    op.set_PROPERTY(r.chosenMode == "1" ? "1" : "");
    std::string para;
    if (r.typeText == kTypeMinimum || r.typeText == kTypeReduction) {
      if (!r.enteredPara.empty()) para = std::to_string(StringToInt64(r.enteredPara));
    } else if (r.typeText == kTypeDiscount) {
      para = r.enteredPara;
    }
    op.set_SPROM_PARA(para);
    const bool open = r.chosenCycles.empty() || r.chosenCycles == "0" || r.action == offers::kActCancelled;
    op.set_EXPIRE_DATE(open ? CBSDateTime(0) : readDate(r.expireDate));
    out.push_back(op);
  }
}

void PromOffer::BuildPromCancelOpers(MPublicDef::SSpromOperList& out) const {
  for (const auto& r : rows_) {
    if (r.action == offers::kActAdded) continue;
    MPublicDef::SSpromOper op;
    op.set_ACT_TYPE(3);
    fillCommon(op, r, ctx_, codeOf(r.caption));
    op.set_PROPERTY("");
    op.set_SPROM_PARA("");
    op.set_EXPIRE_DATE(CBSDateTime(0));
    out.push_back(op);
  }
}

MPublicDef::SSpromInfoList PromOffer::CollectPromRows() const {
  MPublicDef::SSpromInfoList out;
  for (const auto& r : rows_) {
    MPublicDef::SSpromInfo p;
    p.set_SPROM_ID(codeOf(r.caption));
    p.set_PROPERTY(r.chosenMode);
    p.set_REMARK(r.chosenCycles);
    p.set_SPROM_TYPE(r.action == offers::kActCancelled ? 3 : r.action == offers::kActAdded ? 1 : 2);
    p.set_SPROM_PARA(r.enteredPara);
    p.set_PAY_MODE(r.locked ? 1 : 0);
    const bool existing = r.action == offers::kActKept || r.action == offers::kActCancelled;
    const CBSDateTime valid = readDate(r.validDate);
    p.set_REGION_CODE(existing && !valid.isZero() && valid < ctx_.currentDate ? 1 : 0);
    out.push_back(p);
  }
  return out;
}

bool PromOffer::offered(int code) const {
  if (ctx_.typeCatalogue) {
    for (const auto& e : typeOffer_)
      if (e.get_PROD_ID() == code) return true;
    return false;
  }
  for (const auto& e : catalogue_)
    if (e.get_PROM_ID() == code) return true;
  return false;
}

std::optional<std::size_t> PromOffer::ApplySelection(MProductIntfApp::SSpromPlanMapList chosen) {
  // Only what the dialog offered can have been left unchecked there; a
  // promotion the subscriber holds outside the offer had no row to uncheck
  // and stays as it is (the delete button cancels it).
  auto unchosen = [&](int code) {
    for (const auto& s : chosen)
      if (s.get_PROM_ID() == code) return false;
    return offered(code);
  };
  rows_.RemoveIf([&](const PromRow& r) { return r.action == offers::kActAdded && unchosen(codeOf(r.caption)); });
  for (auto& r : rows_)
    if (r.action == offers::kActKept && unchosen(codeOf(r.caption))) r.action = offers::kActCancelled;

  std::optional<std::size_t> select;
  for (auto& s : chosen) {
    PromRow* row = nullptr;
    for (auto& r : rows_)
      if (codeOf(r.caption) == s.get_PROM_ID()) {
        row = &r;
        break;
      }
    if (row) {
      if (row->action == offers::kActAdded) {
        row->validDate = ValidDateText(s, false, ctx_.busiCode, Today());
        row->expireDate = ExpireDateText(s, false, ctx_.busiCode, Today());
        row->chosenCycles = std::to_string(s.get_MAX_NUM());
        if (s.get_SUBSCR_MODE() == 0) row->chosenMode = std::to_string(s.get_MIN_NUM());
        row->enteredPara = s.get_DESCRIPTION();
        row->locked = s.get_IS_GLOBAL() == 1;
      } else if (row->action == offers::kActCancelled) {
        row->action = offers::kActKept;
      }
      continue;
    }
    PromRow r;
    r.caption = textOf(s.get_PROM_ID());
    r.code = codeOf(r.caption);
    r.action = offers::kActAdded;
    r.validDate = ValidDateText(s, false, ctx_.busiCode, Today());
    r.expireDate = ExpireDateText(s, false, ctx_.busiCode, Today());
    r.mandatory = s.get_MANDATORY() == 1;
    r.typeText = PromTypeText(s.get_SUBSCR_PARAM());
    r.paraText = PromParaText(s.get_PROM_ID());
    r.enteredPara = s.get_DESCRIPTION();
    r.serviceId = std::to_string(s.get_SERVICE_ID());
    r.priority = std::to_string(s.get_PRIORITY());
    r.isNew = true;
    r.chosenMode = std::to_string(s.get_MIN_NUM());
    r.chosenCycles = std::to_string(s.get_MAX_NUM());
    r.locked = s.get_IS_GLOBAL() == 1;
    rows_.Append(std::move(r));
    select = rows_.size() - 1;
  }
  return select;
}

offers::Verdict PromOffer::CheckPromCancel(int code) {
  offers::RelationRules rules(rows_, index_, offers::PromotionPolicy(offers::Presence::action));
  return rules.CheckRemove(code);
}

offers::Verdict PromOffer::CancelRow(std::size_t i) {
  offers::RelationRules rules(rows_, index_, offers::PromotionPolicy(offers::Presence::action));
  offers::Verdict v = rules.CancelRow(i);
  if (v) rows_.RemoveIf([](const PromRow& r) { return r.action == offers::kActCancelled && r.isNew; });
  return v;
}

}  // namespace promotions
