// What zpserver re-checks in the content of an order before it stores it,
// in the order's own transaction, for the submission and for check_so: a
// counter on the shop network is not trusted to have built the order the way
// the counter module builds it.
//  - the subscriber as the business's rule chain judges him (state, arrears);
//  - product lines: the order's own business, offered by the catalogue for
//    the subscriber's plan or held by him within the order's scope, and the
//    relation rules (requires, any-of, excludes) after the order;
//  - promotion lines: the relation rules after the order, and the parameter
//    within the limits the order's operator holds;
//  - fee lines: the server's own price of the order, entry by entry, with at
//    most the discount the fee dialog lets an operator grant.
// Each check appends a Finding with a Chinese text saying what is wrong and
// what to do; an empty list means the content stands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MPublicDef.h"
#include "MVasDesk.h"
#include "business_codes.h"

namespace soci {
class session;
}

namespace zp::backend {

struct Finding {
  std::int32_t code;
  std::string text;
};

// Codes of the findings added here (the order check's own run 1 to 15).
enum ContentFinding : std::int32_t {
  kFindingBusiRule = 16,
  kFindingProduct = 17,
  kFindingProductRelation = 18,
  kFindingPromotionRelation = 19,
  kFindingPromotionPara = 20,
  kFindingFee = 21,
  kFindingPromotion = 22,
};

// What the order check already established: the business of the order, the
// subscriber as the store has him, the operator the order is checked for
// and the region of his session, the time of the check (seconds since 1970), and whether the order is being
// submitted (the counter asks check_so before it prices the order, so the
// fees are judged at submission only).
struct OrderFacts {
  Business business;
  const MPublicDef::SUserInfo& user;
  long long opId;
  long long opRegionCode;
  long long now;
  bool submitting;
};

void checkBusiRuleChain(soci::session& sql, const MVasDesk::SSoUserServiceIn& in, const OrderFacts& facts,
                        std::vector<Finding>& found);
void checkProductLines(soci::session& sql, const MVasDesk::SSoUserServiceIn& in, const OrderFacts& facts,
                       std::vector<Finding>& found);
void checkPromotionLines(soci::session& sql, const MVasDesk::SSoUserServiceIn& in, const OrderFacts& facts,
                         std::vector<Finding>& found);
void checkFeeLines(soci::session& sql, const MVasDesk::SSoUserServiceIn& in, const OrderFacts& facts,
                   std::vector<Finding>& found);

// All of the above, in that order; the fees only when submitting.
void checkOrderContent(soci::session& sql, const MVasDesk::SSoUserServiceIn& in, const OrderFacts& facts,
                       std::vector<Finding>& found);

}  // namespace zp::backend
