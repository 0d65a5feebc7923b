// The product selection as the dialog holds it: one row per product of the
// plan's offer, the operator's marks on them, the relation rules over those
// rows, and the service classes that say which products need a detail. The
// dialog shows the rows and turns clicks and keys into calls here; nothing
// here touches a widget.
#pragma once

#include <memory>
#include <string>

#include "MBusiDataMgnt.h"
#include "MProductIntfApp.h"
#include "MPublicDef.h"
#include "lookup.h"
#include "offer_rows.h"
#include "relation_rules.h"

namespace products {

struct ProdEditRow : offers::OfferRow {
  // OfferRow: code, caption, checked, mandatory (status), action, validText,
  // expireText, chosenValid, inEffect, locked.
  int busiType = 0;  // the code behind busiTypeText
  std::string busiTypeText;
  std::string extProp[4];
  std::string funcParam;
  std::string serviceId;
};

class ProdSelection {
 public:
  ProdSelection();
  ~ProdSelection();

  void LoadProducts(int busiType, const std::string& mscCallServices, const MProductIntfApp::SBusiTypeList& busiTypes,
                    const MBusiDataMgnt::SCrbtsInfoList& ringList,
                    const MProductIntfApp::SProductRelationList& relations,
                    const MProductIntfApp::SProdPlanMapList& planProducts, const std::string& mscCrbtServices);
  void ApplyCurrentProducts(const MPublicDef::SMscFuncInfoList& current);
  // One record per checked row, in row order.
  MPublicDef::SMscFuncOperList Selection() const;

  // The rules under their product names, one step each (the dialog composes
  // them into all-or-nothing actions through Rules()).
  offers::Verdict CheckProductAdd(int code) { return rules_->CheckAdd(code); }
  offers::Verdict EnsureAnyPrerequisite(int code) { return rules_->EnsureAnyPrerequisite(code); }
  offers::Verdict CheckProductUncheck(int code) { return rules_->CheckRemove(code); }
  offers::Verdict AdjustForReplaced(std::size_t row) { return rules_->AdjustForReplaced(row); }
  offers::Verdict DeferDependents(int code, bool lock) { return rules_->DeferDependents(code, lock); }

  bool IsCallForwarding(const ProdEditRow& row) const;
  bool IsRingBack(const ProdEditRow& row) const;
  // Mandatory, or the subscriber's product under another business type: the
  // operator cannot change it here.
  bool Fixed(const ProdEditRow& row) const { return row.mandatory || row.busiType != busiType_; }
  // The catalogue text of a row's product, without a detail.
  std::string PlainCaption(int code) const;
  // The detail written into the row: the caption carries it in brackets.
  void SetDetail(ProdEditRow& row, const std::string& detail) const;

  offers::RowList<ProdEditRow>& Rows() { return rows_; }
  offers::RelationRules& Rules() { return *rules_; }
  const MBusiDataMgnt::SCrbtsInfoList& RingList() const { return ringList_; }
  int BusiType() const { return busiType_; }

 private:
  int busiType_ = 0;
  std::string mscCall_, mscCrbt_;
  MProductIntfApp::SProductRelationList relations_;
  MBusiDataMgnt::SCrbtsInfoList ringList_;
  std::unique_ptr<CBasicLookup<MProductIntfApp::SBusiTypeList>> busiTypeLookup_;
  std::unique_ptr<CBasicLookup<MProductIntfApp::SProdPlanMapList>> planProdLookup_;
  offers::RelationIndex index_;
  offers::RowList<ProdEditRow> rows_;
  std::unique_ptr<offers::RelationRules> rules_;
};

}  // namespace products
