// The products of the subscriber in the current order, as the product list
// frame holds them: the context of the subscriber and the operator, the
// plan's offer with its relations, the ring list and the two service classes,
// and one row per product kept, added or cancelled. The frame shows these
// rows and asks this class for every change; nothing here touches a widget.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "MBusiDataMgnt.h"
#include "MProductIntfApp.h"
#include "MPublicDef.h"
#include "cbsdatetime.h"
#include "relation_records.h"
#include "lookup.h"
#include "offer_dates.h"
#include "offer_rows.h"
#include "relation_rules.h"

namespace products {

// One row of the frame's list.
struct ProdRow : offers::OfferRow {
  // OfferRow: code, caption, action, mandatory (status), isNew (new flag),
  // locked (lock flag).
  std::string validDate;   // "YYYY/MM/DD"
  std::string expireDate;  // "YYYY/MM/DD"
  int busiType = 0;        // the code behind busiTypeText
  std::string busiTypeText;
  std::string extProp[4];
  std::string funcParam;   // forwarding number or song id
  std::string serviceId;
  std::string chosenMode = "0";  // "0" at once, "1" from the next cycle
};

struct ProdContext {
  int busiType = 0;
  short userRegionCode = 0;
  std::int64_t servId = 0;
  int planId = 0;
  int busiCode = 0;
  short opRegionCode = 0, opCountyCode = 0;
  int opOrgId = 0, opId = 0;
  CBSDateTime currentDate;
};

// "ProdPopedomValid": exactly "p@v" with p and v each 0 or 1; the popedom
// flag p, or nothing for any other value (the empty one included).
std::optional<short> ParseProdPopedomValid(const std::string& value);

// The valid date of a product chosen with validity mode m: today for 0, the
// first day of the month m months on otherwise.
std::string ProdValidDateText(int m, const offers::CalendarDate& today);

class ProdOffer {
 public:
  ProdOffer();
  ~ProdOffer();

  // Reloads the offer for a subscriber and seeds the mandatory products; 1
  // when loaded, 0 after a reported failure (rows then empty).
  int LoadProductCatalogue(int busiType, short userRegionCode, int opId, int opOrgId, short opCountyCode,
                           short opRegionCode, int busiCode, int planId, std::int64_t servId);
  // Shows the subscriber's products that belong to this order; false when a
  // row could not be added (reported; the merge stopped there).
  bool MergeUserProducts(const MPublicDef::SMscFuncInfoList& current);
  // Forgets subscriber, offer and rows.
  void Reset();

  std::string ProdValidDateText(int m) const { return products::ProdValidDateText(m, Today()); }

  // A row of the order's business type (others are shown by the scope rule
  // and cannot be changed here).
  bool OfThisBusiness(const ProdRow& row) const { return row.busiType == ctx_.busiType; }
  int CountActiveProducts() const;
  void BuildProductOpers(MPublicDef::SMscFuncOperList& out) const;

  // The rows as the selection dialog takes them.
  MPublicDef::SMscFuncInfoList CollectProductRows() const;
  // The dialog's choice applied to the rows; the row to select afterwards
  // (the last one appended), if any. Rows the plan's offer does not list
  // were not in the dialog and keep their action.
  std::optional<std::size_t> ApplySelection(const MPublicDef::SMscFuncOperList& chosen);
  // Deletes row i: the cancellation rule, all-or-nothing; then added rows
  // that ended cancelled disappear.
  offers::Verdict CancelRow(std::size_t i);
  // The cancellation rule alone, for a row the caller already set to
  // "删除"; nothing is restored when it refuses.
  offers::Verdict CheckProductCancel(int code);

  offers::RowList<ProdRow>& Rows() { return rows_; }
  const offers::RowList<ProdRow>& Rows() const { return rows_; }
  const ProdContext& Context() const { return ctx_; }
  const MProductIntfApp::SProdPlanMapList& PlanProducts() const { return planProducts_; }
  const MProductIntfApp::SProductRelationList& Relations() const { return relations_; }
  const MProductIntfApp::SBusiTypeList& BusiTypes() const { return busiTypes_; }
  const MBusiDataMgnt::SCrbtsInfoList& RingList() const { return ringList_; }
  const std::string& MscCallServices() const { return mscCall_; }
  const std::string& MscCrbtServices() const { return mscCrbt_; }
  offers::CalendarDate Today() const;

 private:
  std::string nameOf(int prodId) const;
  std::string busiTypeTextOf(int busiType) const;
  void setRelations(const MProductIntfApp::SProductRelationList& relations);

  ProdContext ctx_;
  MProductIntfApp::SProdPlanMapList planProducts_;
  MProductIntfApp::SProductRelationList relations_;
  MProductIntfApp::SBusiTypeList busiTypes_;
  MProductIntfApp::SProdNameList names_;
  MBusiDataMgnt::SCrbtsInfoList ringList_;
  std::string mscCall_, mscCrbt_;
  offers::RelationIndex index_;
  std::unique_ptr<CBasicLookup<MProductIntfApp::SBusiTypeList>> busiTypeLookup_;
  std::unique_ptr<CBasicLookup<MProductIntfApp::SProdNameList>> prodNameLookup_;
  std::unique_ptr<CBasicLookup<MProductIntfApp::SProdPlanMapList>> planProdLookup_;
  offers::RowList<ProdRow> rows_;
};

using offers::IndexOf;

}  // namespace products
