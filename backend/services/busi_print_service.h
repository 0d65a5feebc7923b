// The papers of a submitted order: the receipt's and the invoice's fields,
// prepared from the stored order and what the counter sends of it, and the
// invoice's print count.
#pragma once

#include "MBusiPublic.h"
#include "database.h"

namespace zp::backend {

// Refusals of the print service.
enum BusiPrintRefusal : std::int32_t {
  kPrintStore = 3201,    // the store failed
  kPrintRequest = 3202,  // a required field is missing
  kPrintNoOrder = 3203,  // no stored order with that SO_NBR
  kPrintOtherRegion = 3204,  // the order was taken in another region than the operator's
};

class BusiPrintService : public MBusiPublic::IBusiPrintServant {
 public:
  explicit BusiPrintService(store::Database& db) : db_(db) {}
  std::int32_t get_soVoucher(const MBusiPublic::SPrintVoucherIn& sIn, MBusiPublic::SPrintFieldList& listOut,
                             CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_soInvoice(const MBusiPublic::SPrintInvoiceIn& sIn, MBusiPublic::SPrintFieldList& listOut,
                             CBSErrorMsg& cErrorMsg) override;
  std::int32_t set_soPrint(const MPublicDef::SSoInfo& sIn, MBusiPublic::SSoPrintOut& sOut,
                           CBSErrorMsg& cErrorMsg) override;

 private:
  store::Database& db_;
};

// An amount in fen as the invoice's upper-case amount ("壹拾伍元整").
std::string upperCaseAmount(long long fen);

}  // namespace zp::backend
