// The lookups the screens build over the catalogue lists, one per list, each
// reading the code and the name field that list carries.
#pragma once

#include <memory>

#include "MBusiDataMgnt.h"
#include "MProductIntfApp.h"
#include "lookup.h"

namespace zp::lookup {

// Promotions offered under a plan: PROM_ID, PROM_NAME.
inline std::unique_ptr<CBasicLookup<MProductIntfApp::SSpromPlanMapList>> MakePromLookup(
    const MProductIntfApp::SSpromPlanMapList& l) {
  return MakeLookup(l, &MProductIntfApp::SSpromPlanMap::get_PROM_ID, &MProductIntfApp::SSpromPlanMap::get_PROM_NAME);
}

// Promotions or products offered by business type: PROD_ID, PROD_NAME.
inline std::unique_ptr<CBasicLookup<MProductIntfApp::SBusiProdInfoList>> MakeBusiProdLookup(
    const MProductIntfApp::SBusiProdInfoList& l) {
  return MakeLookup(l, &MProductIntfApp::SBusiProdInfo::get_PROD_ID, &MProductIntfApp::SBusiProdInfo::get_PROD_NAME);
}

// Business types: BUSI_TYPE (16 bits), BUSI_NAME.
inline std::unique_ptr<CBasicLookup<MProductIntfApp::SBusiTypeList>> MakeBusiTypeLookup(
    const MProductIntfApp::SBusiTypeList& l) {
  return MakeLookup(l, &MProductIntfApp::SBusiType::get_BUSI_TYPE, &MProductIntfApp::SBusiType::get_BUSI_NAME);
}

// Product names: PROD_ID, NAME.
inline std::unique_ptr<CBasicLookup<MProductIntfApp::SProdNameList>> MakeProdNameLookup(
    const MProductIntfApp::SProdNameList& l) {
  return MakeLookup(l, &MProductIntfApp::SProdName::get_PROD_ID, &MProductIntfApp::SProdName::get_NAME);
}

// Products of a plan: PRODUCT_ID, DESCRIPTION.
inline std::unique_ptr<CBasicLookup<MProductIntfApp::SProdPlanMapList>> MakePlanProdLookup(
    const MProductIntfApp::SProdPlanMapList& l) {
  return MakeLookup(l, &MProductIntfApp::SProdPlanMap::get_PRODUCT_ID,
                    &MProductIntfApp::SProdPlanMap::get_DESCRIPTION);
}

// Fee and prepayment items: ITEM_ID, NAME.
inline std::unique_ptr<CBasicLookup<MProductIntfApp::SBookItemList>> MakeBookItemLookup(
    const MProductIntfApp::SBookItemList& l) {
  return MakeLookup(l, &MProductIntfApp::SBookItem::get_ITEM_ID, &MProductIntfApp::SBookItem::get_NAME);
}

// Service providers: SP_ID, SP_NAME.
inline std::unique_ptr<CBasicLookup<MBusiDataMgnt::SSpInfoList>> MakeSpLookup(const MBusiDataMgnt::SSpInfoList& l) {
  return MakeLookup(l, &MBusiDataMgnt::SSpInfo::get_SP_ID, &MBusiDataMgnt::SSpInfo::get_SP_NAME);
}

}  // namespace zp::lookup
