// The promotion selection as the dialog holds it: one row per catalogue
// entry, the operator's marks on them, the relation rules over those rows and
// the parameter limits of the three kinds. The dialog shows the rows and
// turns clicks and keys into calls here; nothing here touches a widget.
#pragma once

#include <memory>
#include <string>

#include "MProductIntfApp.h"
#include "MPublicDef.h"
#include "lookup.h"
#include "offer_rows.h"
#include "relation_rules.h"

namespace promotions {

struct PromEditRow : offers::OfferRow {
  // OfferRow: mandatory (status), validText, expireText, cycles,
  // chosenCycles, chosenValid, action, inEffect, locked.
  std::string typeText;
  std::string paraText;     // the catalogue's parameter
  std::string enteredPara;  // the operator's
  std::string serviceId;
  std::string priority;
  int mode = 0;  // validity mode number m
};

class PromSelection {
 public:
  PromSelection();
  ~PromSelection();

  void LoadPlanCatalogue(const MProductIntfApp::SSpromPlanMapList& catalogue,
                         const MProductIntfApp::SProductRelationList& relations, int opId, int opOrgId, int busiCode);
  void LoadTypeCatalogue(const MProductIntfApp::SBusiProdInfoList& offer,
                         const MProductIntfApp::SProductRelationList& relations, int opId, int opOrgId, int busiCode);
  void ApplyCurrentProms(const MPublicDef::SSpromInfoList& current);
  // One record per checked row, in row order.
  MProductIntfApp::SSpromPlanMapList Selection() const;

  // The relation rules under their promotion names, one step each (the
  // dialog composes them into all-or-nothing actions through Rules()).
  offers::Verdict CheckPromAdd(int code) { return rules_->CheckAdd(code); }
  offers::Verdict EnsureAnyPrerequisite(int code) { return rules_->EnsureAnyPrerequisite(code); }
  offers::Verdict CheckPromUncheck(int code) { return rules_->CheckRemove(code); }
  offers::Verdict AdjustForReplaced(std::size_t row) { return rules_->AdjustForReplaced(row); }
  offers::Verdict DeferDependents(int code, bool lock) { return rules_->DeferDependents(code, lock); }

  offers::RowList<PromEditRow>& Rows() { return rows_; }
  offers::RelationRules& Rules() { return *rules_; }
  bool TypeMode() const { return typeMode_; }
  int OpId() const { return opId_; }
  int OpOrgId() const { return opOrgId_; }
  // The cached limit of a kind (1..3): -1 not asked yet, -2 asked, nothing.
  int& Limit(int kind) { return limits_[kind - 1]; }

 private:
  int codeOf(const std::string& caption) const;
  void load(const MProductIntfApp::SProductRelationList& relations, int opId, int opOrgId);

  bool typeMode_ = false;
  std::unique_ptr<CBasicLookup<MProductIntfApp::SSpromPlanMapList>> promLookup_;
  std::unique_ptr<CBasicLookup<MProductIntfApp::SBusiProdInfoList>> typeLookup_;
  offers::RelationIndex index_;
  offers::RowList<PromEditRow> rows_;
  std::unique_ptr<offers::RelationRules> rules_;
  int opId_ = 0, opOrgId_ = 0;
  int limits_[3] = {-1, -1, -1};
};

}  // namespace promotions
