#include "invoice_lines.h"

#include "order_money.h"
#include "rows.h"

namespace zp::backend {

std::string bookItemName(soci::session& sql, int itemId) {
  store::Row r;
  if (store::firstRow(sql, "SELECT name FROM zp_book_item WHERE item_id = :i", "s", {static_cast<long long>(itemId)},
                      r))
    return r.s(0);
  return "费用项" + std::to_string(itemId);
}

MPublicDef::STiketInfoList invoiceLinesOf(soci::session& sql, const MPublicDef::SSoFeeList& fees) {
  return zpmoney::InvoiceLinesOf(fees, [&sql](int itemId) { return bookItemName(sql, itemId); });
}

MPublicDef::STiketInfoList storedInvoiceLines(soci::session& sql, long long soNbr) {
  MPublicDef::STiketInfoList lines;
  store::forEachRow(sql,
                    "SELECT item_id, amount FROM zp_order_line WHERE so_nbr = :n AND kind = 'fee' AND amount <> 0 "
                    "ORDER BY line_no",
                    "ii", {soNbr}, [&](const store::Row& r) {
                      MPublicDef::STiketInfo line;
                      line.set_BOOK_ITEM_ID(static_cast<std::int32_t>(r.i(0)));
                      line.set_ITEM_COUNT(1);
                      line.set_ITEM_TOTAL(r.i(1));
                      lines.push_back(std::move(line));
                    });
  for (MPublicDef::STiketInfo& line : lines) line.set_BOOK_ITEM_NAME(bookItemName(sql, line.get_BOOK_ITEM_ID()));
  return lines;
}

long long storedPrepayTotal(soci::session& sql, long long soNbr) {
  store::Row r;
  store::firstRow(sql,
                  "SELECT COALESCE(SUM(l.amount), 0) FROM zp_order_line l JOIN zp_book_item b ON b.item_id = l.item_id "
                  "WHERE l.so_nbr = :n AND l.kind = 'fee' AND b.prepay = 1",
                  "i", {soNbr}, r);
  return r.i(0);
}

}  // namespace zp::backend
