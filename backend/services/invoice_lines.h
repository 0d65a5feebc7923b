// The invoice lines of an order, named from the fee item catalogue: those
// an order yields when it is submitted, and those of an order already
// stored, which the printed invoice is made from.
#pragma once

#include <soci/soci.h>

#include <string>

#include "MPublicDef.h"

namespace zp::backend {

// The fee item's catalogue name, or "费用项<id>" for an item it lacks.
std::string bookItemName(soci::session& sql, int itemId);

// The lines of fee entries about to be booked (money rule of the order).
MPublicDef::STiketInfoList invoiceLinesOf(soci::session& sql, const MPublicDef::SSoFeeList& fees);

// The lines of a stored order: its booked fee amounts that are not 0, in
// the order's own order.
MPublicDef::STiketInfoList storedInvoiceLines(soci::session& sql, long long soNbr);

// Of a stored order's booked fee amounts, the sum of those whose item the
// catalogue calls a prepayment: money paid ahead onto the account, which
// the invoice shows in a box of its own, apart from the business's fees.
long long storedPrepayTotal(soci::session& sql, long long soNbr);

}  // namespace zp::backend
