// The promotions of the subscriber in the current order, as the promotion
// list frame holds them: the context of the subscriber and the operator, the
// offer of the business (plan-bound or by business type), its relations and
// one row per promotion kept, added or cancelled. The frame shows these rows
// and asks this class for every change; nothing here touches a widget.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "MProductIntfApp.h"
#include "MPublicDef.h"
#include "cbsdatetime.h"
#include "relation_records.h"
#include "lookup.h"
#include "offer_dates.h"
#include "offer_rows.h"
#include "relation_rules.h"

namespace promotions {

// One row of the frame's list.
struct PromRow : offers::OfferRow {
  std::string validDate;    // "YYYY/MM/DD"
  std::string expireDate;   // "YYYY/MM/DD"
  std::string createDate;   // the subscriber's promotion only
  std::string typeText;
  std::string paraText;     // the catalogue's parameter
  std::string enteredPara;  // the operator's, or the subscriber's own
  std::string serviceId;
  std::string priority;
  std::string chosenMode = "0";  // "0" immediately, "1" next cycle
  // OfferRow: isNew the new flag, chosenCycles, locked the lock flag.
};

struct PromContext {
  int busiType = 0;
  short userRegionCode = 0;
  std::int64_t servId = 0;
  int planId = 0;
  int busiCode = 0;
  short opRegionCode = 0, opCountyCode = 0;
  int opOrgId = 0, opId = 0;
  bool typeCatalogue = false;  // true: offered by business type
  CBSDateTime currentDate;
};

class PromOffer {
 public:
  PromOffer();
  ~PromOffer();

  // Reloads the offer for a subscriber and seeds the rows; 1 when done (also
  // with no business type), 0 after a reported failure (rows then empty).
  int LoadPromCatalogue(short userRegionCode, std::int64_t servId, int busiType, int planId, int busiCode,
                        short opRegionCode, short opCountyCode, int opOrgId, int opId);
  // Shows the subscriber's own promotions; true when he has at least one.
  bool MergeUserProms(const MPublicDef::SSpromInfoList& current);
  // Forgets subscriber, offer and rows.
  void Reset();

  std::string PromParaText(int code) const;
  std::string PromTypeCode(int code) const;

  int CountActiveProms() const;
  void BuildPromOpers(MPublicDef::SSpromOperList& out) const;
  void BuildPromCancelOpers(MPublicDef::SSpromOperList& out) const;

  // The rows as the selection dialog takes them.
  MPublicDef::SSpromInfoList CollectPromRows() const;
  // The dialog's choice applied to the rows; the row to select afterwards
  // (the last one appended), if any. Rows the offer does not list were not
  // in the dialog and keep their action.
  std::optional<std::size_t> ApplySelection(MProductIntfApp::SSpromPlanMapList chosen);
  // Deletes row i (it is not mandatory and not yet cancelled): the rules of
  // cancellation, then added rows that ended cancelled disappear.
  offers::Verdict CancelRow(std::size_t i);
  // The cancellation rule alone, for a row the caller already set to
  // "删除"; nothing is restored when it refuses.
  offers::Verdict CheckPromCancel(int code);

  offers::RowList<PromRow>& Rows() { return rows_; }
  const offers::RowList<PromRow>& Rows() const { return rows_; }
  const PromContext& Context() const { return ctx_; }
  const MProductIntfApp::SSpromPlanMapList& Catalogue() const { return catalogue_; }
  const MProductIntfApp::SBusiProdInfoList& TypeOffer() const { return typeOffer_; }
  const MProductIntfApp::SProductRelationList& Relations() const { return relations_; }
  offers::CalendarDate Today() const;

 private:
  std::string textOf(int code) const;
  int codeOf(const std::string& caption) const;
  // The dialog shows a row for the code: it is in the offer of the mode.
  bool offered(int code) const;
  void setRelations(const MProductIntfApp::SProductRelationList& relations);

  PromContext ctx_;
  MProductIntfApp::SSpromPlanMapList catalogue_;
  MProductIntfApp::SBusiProdInfoList typeOffer_;
  MProductIntfApp::SProductRelationList relations_;
  offers::RelationIndex index_;
  std::unique_ptr<CBasicLookup<MProductIntfApp::SSpromPlanMapList>> promLookup_;
  std::unique_ptr<CBasicLookup<MProductIntfApp::SBusiProdInfoList>> typeLookup_;
  offers::RowList<PromRow> rows_;
};

using offers::IndexOf;

}  // namespace promotions
