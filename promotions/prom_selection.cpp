#include "prom_selection.h"

#include "catalogue_lookups.h"
#include "prom_offer.h"
#include "prom_rules.h"

namespace promotions {

namespace {

int toInt(const std::string& text) {
  try {
    return text.empty() ? 0 : std::stoi(text);
  } catch (...) {
    return 0;
  }
}

}  // namespace

PromSelection::PromSelection() = default;
PromSelection::~PromSelection() = default;

int PromSelection::codeOf(const std::string& caption) const {
  if (typeMode_ && typeLookup_) return typeLookup_->CodeOfText(caption);
  if (!typeMode_ && promLookup_) return promLookup_->CodeOfText(caption);
  return zp::lookup::leadingNumber(caption);
}

void PromSelection::load(const MProductIntfApp::SProductRelationList& relations, int opId, int opOrgId) {
  for (int& l : limits_) l = -1;
  opId_ = opId;
  opOrgId_ = opOrgId;
  index_ = IndexOf(relations);
  rows_.Clear();
  rules_ = std::make_unique<offers::RelationRules>(rows_, index_, offers::PromotionPolicy(offers::Presence::checkMark));
}

void PromSelection::LoadPlanCatalogue(const MProductIntfApp::SSpromPlanMapList& catalogue,
                                      const MProductIntfApp::SProductRelationList& relations, int opId, int opOrgId,
                                      int busiCode) {
  typeMode_ = false;
  load(relations, opId, opOrgId);
  typeLookup_.reset();
  promLookup_ = zp::lookup::MakePromLookup(catalogue);
  for (const auto& e : catalogue) {
    PromEditRow r;
    r.caption = promLookup_->TextOfCode(e.get_PROM_ID());
    r.code = codeOf(r.caption);
    r.mandatory = e.get_MANDATORY() == 1;
    r.checked = r.mandatory;
    r.mode = ValidityMode(e.get_SUBSCR_MODE(), busiCode, false);
    r.validText = ValidModeText(r.mode);
    r.chosenValid = r.validText;
    r.expireText = ExpireModeText(e.get_EXPIRE_MODE());
    r.cycles = std::to_string(e.get_VALID_CYCLE());
    r.typeText = PromTypeText(e.get_SUBSCR_PARAM());
    // An ordinary promotion has no parameter to show.
    r.paraText = CatalogueParaText(e.get_SUBSCR_PARAM(), e.get_SPROM_PARA());
    r.action = r.mandatory ? offers::kActAdded : "";
    r.serviceId = std::to_string(e.get_SERVICE_ID());
    r.priority = std::to_string(e.get_PRIORITY());
    rows_.Append(std::move(r));
  }
}

void PromSelection::LoadTypeCatalogue(const MProductIntfApp::SBusiProdInfoList& offer,
                                      const MProductIntfApp::SProductRelationList& relations, int opId, int opOrgId,
                                      int busiCode) {
  typeMode_ = true;
  load(relations, opId, opOrgId);
  promLookup_.reset();
  typeLookup_ = zp::lookup::MakeBusiProdLookup(offer);
  for (const auto& e : offer) {
    PromEditRow r;
    r.caption = typeLookup_->TextOfCode(e.get_PROD_ID());
    r.code = codeOf(r.caption);
    r.mode = ValidityMode(e.get_SUBSCR_MODE(), busiCode, true);
    r.validText = ValidModeText(r.mode);
    r.chosenValid = r.validText;
    r.expireText = ExpireModeText(e.get_EXPIRE_MODE());
    r.cycles = std::to_string(e.get_VALID_CYCLE());
    r.typeText = kTypeOrdinary;
    r.serviceId = std::to_string(e.get_SERVICE_ID());
    r.priority = "0";
    rows_.Append(std::move(r));
  }
}

void PromSelection::ApplyCurrentProms(const MPublicDef::SSpromInfoList& current) {
  for (const auto& p : current) {
    PromEditRow* row = nullptr;
    for (auto& r : rows_)
      if (codeOf(r.caption) == p.get_SPROM_ID()) {
        row = &r;
        break;
      }
    if (!row) continue;
    if (p.get_SPROM_TYPE() == 3) {
      row->action = offers::kActCancelled;
      row->checked = false;
    } else {
      row->checked = true;
      if (!typeMode_ || p.get_REMARK() != "0") row->chosenCycles = p.get_REMARK();
      if (row->validText == offers::kValidNow && p.get_PROPERTY() == "1") row->chosenValid = offers::kValidNext;
      row->action = p.get_SPROM_TYPE() == 1 ? offers::kActAdded : offers::kActKept;
    }
    if (row->typeText != kTypeOrdinary) row->enteredPara = p.get_SPROM_PARA();
    row->inEffect = p.get_REGION_CODE() == 1;
    row->locked = p.get_PAY_MODE() == 1;
  }
}

MProductIntfApp::SSpromPlanMapList PromSelection::Selection() const {
  MProductIntfApp::SSpromPlanMapList out;
  for (const auto& r : rows_) {
    if (!r.checked) continue;
    MProductIntfApp::SSpromPlanMap s;
    s.set_PROM_ID(codeOf(r.caption));
    s.set_MANDATORY(r.mandatory ? 1 : 0);
    s.set_SUBSCR_MODE(static_cast<std::int16_t>(r.validText == offers::kValidNow    ? 0
                                                 : r.validText == offers::kValidNext ? 1
                                                                                     : r.mode));
    s.set_EXPIRE_MODE(r.expireText == offers::kExpireNow ? 0 : 1);
    s.set_VALID_CYCLE(static_cast<std::int16_t>(toInt(r.cycles)));
    s.set_MAX_NUM(toInt(r.chosenCycles));
    s.set_MIN_NUM(r.chosenValid == offers::kValidNow ? 0 : 1);
    s.set_SUBSCR_PARAM(SubscrParamOfType(r.typeText));
    s.set_DESCRIPTION(r.enteredPara);
    s.set_SERVICE_ID(toInt(r.serviceId));
    s.set_PRIORITY(static_cast<std::int16_t>(toInt(r.priority)));
    s.set_IS_GLOBAL(r.locked ? 1 : 0);
    out.push_back(s);
  }
  return out;
}

}  // namespace promotions
