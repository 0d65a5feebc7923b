// The catalogue half of the business public service, behind IBusiCatalogue:
// business types, brands, plans, the promotions and products on offer, their
// relations, fee and prepayment items, whether a business carries fees and
// the fees of an order. Every refusal is a non-zero result with both error
// texts in Chinese; a list is empty after a refusal.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "MBusiPublic.h"
#include "database.h"

namespace soci {
class session;
}

namespace zp::backend {

class BusiCatalogueService : public MBusiPublic::IBusiCatalogueServant {
 public:
  // clock: seconds since 1970 for the validity filter; the system clock when empty.
  BusiCatalogueService(store::Database& db, std::function<long long()> clock) : db_(db), clock_(std::move(clock)) {}

  std::int32_t get_busiType(const MBusiPublic::SCatalogueIn& sIn, MProductIntfApp::SBusiTypeList& listOut,
                            CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_brands(const MBusiPublic::SCatalogueIn& sIn, MProductIntfApp::SBrandInfoList& listOut,
                          CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_plans(const MBusiPublic::SCatalogueIn& sIn, MProductIntfApp::SPlanIdInfoList& listOut,
                         CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_planSpromList(const MBusiPublic::SCatalogueIn& sIn, MProductIntfApp::SSpromPlanMapList& listOut,
                                 CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_busiPromList(const MBusiPublic::SCatalogueIn& sIn, MProductIntfApp::SBusiProdInfoList& listOut,
                                CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_prodRelation(const MBusiPublic::SCatalogueIn& sIn, MProductIntfApp::SProductRelationList& listOut,
                                CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_planProdList(const MBusiPublic::SCatalogueIn& sIn, MProductIntfApp::SProdPlanMapList& listOut,
                                CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_prodNames(const MBusiPublic::SCatalogueIn& sIn, MProductIntfApp::SProdNameList& listOut,
                             CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_bookItems(const MBusiPublic::SCatalogueIn& sIn, MProductIntfApp::SBookItemList& listOut,
                             CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_prepayItems(const MBusiPublic::SCatalogueIn& sIn, MProductIntfApp::SBookItemList& listOut,
                               CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_accItemRel(const MBusiPublic::SCatalogueIn& sIn, MProductIntfApp::SAccItemRelList& listOut,
                              CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_calFeeFlag(const MBusiPublic::SCalFeeFlagIn& sIn, std::int32_t& iFlag,
                              CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_soFee(const MBusiFeeMgntApp::SGetSoFeeIn& sIn, MBusiFeeMgntApp::SGetSoFeeOut& sOut,
                         CBSErrorMsg& cErrorMsg) override;

 private:
  long long nowPacked() const;
  store::Database& db_;
  std::function<long long()> clock_;
};

// The fees and prepayments of an order, as get_soFee answers them: the rules
// of the business for each priced item in turn (PROD_ID 0, the order itself,
// first), each fee taking the item's OPER_TYPE. zpserver prices a submitted
// order with the same function to hold its fee lines to the price.
void priceOrder(soci::session& sql, const MBusiFeeMgntApp::SFeeBusiInfo& busi,
                const std::vector<std::pair<long long, std::int16_t>>& priced, MPublicDef::SSoFeeList& fees,
                MPublicDef::SPrepayOperList& prepays);

enum BusiCatalogueRefusal : std::int32_t {
  kCatalogueStore = 3101,    // the store failed
  kCatalogueRequest = 3102,  // a required field is missing or out of range
};

}  // namespace zp::backend
