#include "prod_selection.h"

#include "catalogue_lookups.h"
#include "offer_scope.h"
#include "prod_offer.h"

namespace products {

namespace {

int toInt(const std::string& text) {
  try {
    return text.empty() ? 0 : std::stoi(text);
  } catch (...) {
    return 0;
  }
}

}  // namespace

ProdSelection::ProdSelection()
    : rules_(std::make_unique<offers::RelationRules>(rows_, index_, offers::ProductPolicy(offers::Presence::checkMark))) {}
ProdSelection::~ProdSelection() = default;

void ProdSelection::LoadProducts(int busiType, const std::string& mscCallServices,
                                 const MProductIntfApp::SBusiTypeList& busiTypes,
                                 const MBusiDataMgnt::SCrbtsInfoList& ringList,
                                 const MProductIntfApp::SProductRelationList& relations,
                                 const MProductIntfApp::SProdPlanMapList& planProducts,
                                 const std::string& mscCrbtServices) {
  busiType_ = busiType;
  mscCall_ = mscCallServices;
  mscCrbt_ = mscCrbtServices;
  relations_ = relations;
  ringList_ = ringList;
  busiTypeLookup_ = zp::lookup::MakeBusiTypeLookup(busiTypes);
  planProdLookup_ = zp::lookup::MakePlanProdLookup(planProducts);
  index_ = IndexOf(relations_);
  rows_.Clear();
  rules_ = std::make_unique<offers::RelationRules>(rows_, index_, offers::ProductPolicy(offers::Presence::checkMark));
  for (const auto& e : planProducts) {
    ProdEditRow r;
    r.code = e.get_PRODUCT_ID();
    r.caption = PlainCaption(r.code);
    r.mandatory = e.get_MANDATORY() == 1;
    r.checked = r.mandatory;
    r.action = r.mandatory ? offers::kActAdded : "";
    r.validText = e.get_SUBSCR_MOD() != 0 ? offers::kValidNext : offers::kValidNow;
    r.expireText = e.get_EXPIRE_MOD() != 0 ? offers::kExpireNext : offers::kExpireNow;
    r.chosenValid = r.validText;
    r.busiType = busiType;
    r.busiTypeText = busiTypeLookup_->TextOfCode(busiType);
    r.serviceId = std::to_string(e.get_SERVICE_ID());
    rows_.Append(std::move(r));
  }
}

std::string ProdSelection::PlainCaption(int code) const {
  return planProdLookup_ ? planProdLookup_->TextOfCode(code) : std::to_string(code);
}

void ProdSelection::SetDetail(ProdEditRow& row, const std::string& detail) const {
  row.funcParam = detail;
  row.caption = detail.empty() ? PlainCaption(row.code) : PlainCaption(row.code) + "（" + detail + "）";
}

bool ProdSelection::IsCallForwarding(const ProdEditRow& row) const {
  return offers::InServiceClass(toInt(row.serviceId), mscCall_);
}

bool ProdSelection::IsRingBack(const ProdEditRow& row) const {
  return offers::InServiceClass(toInt(row.serviceId), mscCrbt_);
}

void ProdSelection::ApplyCurrentProducts(const MPublicDef::SMscFuncInfoList& current) {
  for (const auto& p : current) {
    for (std::size_t i : std::vector<std::size_t>(rows_.RowsOf(p.get_PROD_ID()))) {
      ProdEditRow& row = rows_[i];
      if (p.get_OPER_TYPE() == 3) {
        row.action = offers::kActCancelled;
        row.checked = false;
      } else {
        row.checked = true;
        if (row.validText == offers::kValidNow && p.get_PROPERTY() == "1") row.chosenValid = offers::kValidNext;
        if (p.get_OPER_TYPE() == 1) {
          row.action = offers::kActAdded;
        } else {
          row.action = offers::kActKept;
          row.busiType = p.get_BUSI_TYPE();
          row.otherBusiness = row.busiType != busiType_;
          row.busiTypeText = busiTypeLookup_ ? busiTypeLookup_->TextOfCode(row.busiType)
                                             : std::to_string(row.busiType);
        }
      }
      row.extProp[0] = p.get_EXT_PROP1();
      row.extProp[1] = p.get_EXT_PROP2();
      row.extProp[2] = p.get_EXT_PROP3();
      row.extProp[3] = p.get_EXT_PROP4();
      row.funcParam = p.get_FUNC_PARAM();
      row.inEffect = p.get_SERV_ID() == 1;
      row.locked = p.get_FUNC_TYPE() == 1;
    }
  }
}

MPublicDef::SMscFuncOperList ProdSelection::Selection() const {
  MPublicDef::SMscFuncOperList out;
  for (const auto& r : rows_) {
    if (!r.checked) continue;
    MPublicDef::SMscFuncOper s;
    s.set_PROD_ID(r.code);
    s.set_OPER_TYPE(r.chosenValid == offers::kValidNow ? 0 : 1);
    s.set_FUNC_TYPE(r.mandatory ? 1 : 0);
    s.set_PROPERTY(r.locked ? "1" : "0");
    s.set_BUSI_TYPE(r.busiType);
    s.set_SERVICE_ID(toInt(r.serviceId));
    s.set_FUNC_PARAM(r.funcParam);
    s.set_EXT_PROP1(r.extProp[0]);
    s.set_EXT_PROP2(r.extProp[1]);
    s.set_EXT_PROP3(r.extProp[2]);
    s.set_EXT_PROP4(r.extProp[3]);
    out.push_back(s);
  }
  return out;
}

}  // namespace products
