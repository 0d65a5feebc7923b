#include "read_lane.h"

#include <algorithm>
#include <array>

#include "MBusiDataMgnt.h"
#include "MBusiPublic.h"
#include "MPrivmgnt.h"
#include "MSysmgntDef.h"
#include "MVasDesk.h"

namespace zp::backend {

namespace {

// Reads only: lookups of subscribers, code and catalogue lists, fees, rule
// checks, print data, the number list. Left out because they write: the
// sign-in and sign-out, the order (so_userService), the number reservation
// (do_signRes), the service password check (it counts wrong attempts) and
// the invoice's print count (set_soPrint).
constexpr std::array kReads{
    &MVasDesk::IVasDesk_get_info,
    &MVasDesk::IVasDesk_check_so,
    &MVasDesk::IVasDesk_query_resList,
    &MBusiPublic::IBusiPublic_get_userServId,
    &MBusiPublic::IBusiPublic_get_userInfo,
    &MBusiPublic::IBusiPublic_get_custInfo,
    &MBusiPublic::IBusiPublic_get_acctInfo,
    &MBusiPublic::IBusiPublic_check_busiRule,
    &MBusiPublic::IBusiPublic_check_blackCust,
    &MBusiPublic::IBusiPublic_get_codeList,
    &MBusiPublic::IBusiPublic_get_verifyType,
    &MBusiPublic::IBusiCatalogue_get_busiType,
    &MBusiPublic::IBusiCatalogue_get_brands,
    &MBusiPublic::IBusiCatalogue_get_plans,
    &MBusiPublic::IBusiCatalogue_get_planSpromList,
    &MBusiPublic::IBusiCatalogue_get_busiPromList,
    &MBusiPublic::IBusiCatalogue_get_prodRelation,
    &MBusiPublic::IBusiCatalogue_get_planProdList,
    &MBusiPublic::IBusiCatalogue_get_prodNames,
    &MBusiPublic::IBusiCatalogue_get_bookItems,
    &MBusiPublic::IBusiCatalogue_get_prepayItems,
    &MBusiPublic::IBusiCatalogue_get_accItemRel,
    &MBusiPublic::IBusiCatalogue_get_calFeeFlag,
    &MBusiPublic::IBusiCatalogue_get_soFee,
    &MBusiPublic::IBusiPrint_get_soVoucher,
    &MBusiPublic::IBusiPrint_get_soInvoice,
    &MBusiDataMgnt::IBusiDataMgnt_get_spInfoList,
    &MBusiDataMgnt::IBusiDataMgnt_get_crbtsList,
    &MPrivmgnt::IPrivelege_query_privelegeClassEntities,
    &MSysmgntDef::ISysmgntPublic_get_sysParaValue,
    &MSysmgntDef::ISysmgntPublic_get_currentDate,
    &MSysmgntDef::ISysmgntPublic_check_operRight,
    &MSysmgntDef::ISysmgntPublic_get_entVariable,
};

}  // namespace

bool readsOnly(std::string_view interfaceName, std::string_view serviceCode) {
  return std::any_of(kReads.begin(), kReads.end(), [&](const zpd_operation* op) {
    return op->serviceCode == serviceCode && op->interfaceName == interfaceName;
  });
}

}  // namespace zp::backend
