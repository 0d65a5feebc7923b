// Worlds of many plain subscribers and the order that opens GPRS for one of
// them: what the durability test and the server benchmark submit by the
// hundred.
#pragma once

#include <soci/soci.h>

#include <string>

#include "MVasDesk.h"
#include "database.h"
#include "fixtures.h"

namespace zp::testing {

// The phone number of the i-th subscriber of manySubscribers.
inline std::string manySubscribersPhone(long long i) { return "139" + std::to_string(10000000 + i); }

// A fixture document with `count` subscribers of region 571, SERV_ID from
// `firstServId` on, phones manySubscribersPhone(0, 1, ...), none with GPRS; one customer and one account; operator
// 11 of region 571, who may open GPRS; the GPRS promotion 2901 and the fee
// item 100, on which GPRS opening is priced at 10.00.
inline std::string manySubscribers(long long firstServId, int count) {
  std::string doc = R"({"operators": [{"op_id": 11, "password": "pw0011", "org_id": 110, "region_code": 571, "county_code": 1}],
    "operator_rights": [{"op_id": 11, "ent_id": 51505}],
    "catalogue_items": [{"prod_id": 2901, "busi_type": 5, "prod_name": "GPRS包月"}],
    "book_items": [{"item_id": 100, "name": "GPRS功能费"}],
    "fee_flags": [{"busi_code": 1070, "flag": 1}],
    "fee_rules": [{"busi_code": 1070, "book_item_id": 100, "item_value": 1000}],
    "customers": [{"cust_id": 1}], "accounts": [{"acct_id": 1, "cust_id": 1}], "users": [)";
  for (int i = 0; i < count; ++i) {
    if (i) doc += ",";
    doc += R"({"serv_id": )" + std::to_string(firstServId + i) + R"(, "phone_id": ")" + manySubscribersPhone(i) +
           R"(", "cust_id": 1, "acct_id": 1, "region_code": 571})";
  }
  return doc + "]}";
}

// An order's line adding promotion spromId of busiType, and its fee entry
// of `fen` on book item bookItem.
inline MPublicDef::SSpromOper promotionAdded(int spromId, int busiType) {
  MPublicDef::SSpromOper prom;
  prom.set_ACT_TYPE(1);
  prom.set_SPROM_ID(spromId);
  prom.set_BUSI_TYPE(busiType);
  return prom;
}
inline MPublicDef::SSoFee feeEntry(int bookItem, long long fen) {
  MPublicDef::SSoFee fee;
  fee.set_BOOK_ITEM_ID(bookItem);
  fee.set_ITEM_VALUE(fen);
  return fee;
}

// Opens GPRS (business code 1070) with one fee line and, when asked, one
// promotion line: an order of two or three lines.
inline MVasDesk::SSoUserServiceIn gprsOpen(long long servId, bool withPromotion = false) {
  MPublicDef::SSoInfo so;
  so.set_BUSI_CODE(1070);
  so.set_SERV_ID(servId);
  so.set_OP_ID(11);
  MPublicDef::SUserServiceOper oper;
  oper.set_ACT_TYPE(1);
  oper.set_BUSI_TYPE(5);
  oper.set_SERV_ID(servId);
  oper.set_REMARK("GPRS");
  MVasDesk::SSoUserServiceIn in;
  in.set_BUSI_CODE(1070);
  in.set_SOINFO(so);
  in.set_USERSERVICEOPERLIST({oper});
  in.set_SOFEELIST({feeEntry(100, 1000)});
  if (withPromotion) in.set_SPROMOPERLIST({promotionAdded(2901, 5)});
  return in;
}

// Opens Global Call (business code 1302) for servId with `number`, which
// the operator reserved. opId names the operator in the order and the
// reservation (0 leaves it to the session); a priced order also takes
// promotion 31 and the opening fee (book item 100, 20.00 yuan).
inline MVasDesk::SSoUserServiceIn globalCallOpen(long long servId, const std::string& number, int opId = 0,
                                                 bool priced = true) {
  MPublicDef::SSoInfo so;
  so.set_BUSI_CODE(1302);
  so.set_SERV_ID(servId);
  if (opId != 0) so.set_OP_ID(opId);
  MPublicDef::SUserServiceOper oper;
  oper.set_ACT_TYPE(1);
  oper.set_BUSI_TYPE(101);
  oper.set_SERV_ID(servId);
  oper.set_RES_CODE(1);
  oper.set_RES_ID(number);
  oper.set_REMARK("全球呼");
  MVasDesk::SResSign sign;
  sign.set_RES_ID(number);
  sign.set_RES_CODE(1);
  if (opId != 0) sign.set_OP_ID(opId);
  MVasDesk::SSoUserServiceIn in;
  in.set_BUSI_CODE(1302);
  in.set_SOINFO(so);
  in.set_USERSERVICEOPERLIST({oper});
  in.set_RESSIGNLIST({sign});
  if (priced) {
    in.set_SPROMOPERLIST({promotionAdded(31, 101)});
    in.set_SOFEELIST({feeEntry(100, 2000)});
  }
  return in;
}

// Prices GPRS opening (1070) at exactly these fee entries and prepayments,
// in place of its price so far. zpserver holds an order's fees to its own
// price, so a test that submits other fees than gprsOpen's first says what
// the catalogue priced them at (a discount granted at the counter is no
// part of the price).
inline void priceGprsOpen(store::Database& db, const MPublicDef::SSoFeeList& fees,
                          const MPublicDef::SPrepayOperList& prepays = {}) {
  db.transact(store::Database::Intent::write, [](soci::session& sql) {
    sql << "DELETE FROM zp_fee_flag WHERE busi_code = 1070";
    sql << "DELETE FROM zp_fee_rule WHERE busi_code = 1070";
    sql << "DELETE FROM zp_prepay_rule WHERE busi_code = 1070";
  });
  std::string doc = R"({"fee_flags": [{"busi_code": 1070, "flag": 1}], "fee_rules": [)";
  for (std::size_t i = 0; i < fees.size(); ++i)
    doc += (i ? "," : "") + std::string(R"({"busi_code": 1070, "seq": )") + std::to_string(i + 1) +
           R"(, "book_item_id": )" + std::to_string(fees[i].get_BOOK_ITEM_ID()) + R"(, "item_value": )" +
           std::to_string(fees[i].get_ITEM_VALUE()) + R"(, "item_discount": )" +
           std::to_string(fees[i].get_ITEM_DISCOUNT()) + R"(, "item_count": )" +
           std::to_string(fees[i].get_ITEM_COUNT() < 1 ? 1 : fees[i].get_ITEM_COUNT()) + "}";
  doc += R"(], "prepay_rules": [)";
  for (std::size_t i = 0; i < prepays.size(); ++i)
    doc += (i ? "," : "") + std::string(R"({"busi_code": 1070, "book_item_id": )") +
           std::to_string(prepays[i].get_BOOK_ITEM_ID()) + R"(, "amount": )" + std::to_string(prepays[i].get_AMOUNT()) +
           "}";
  store::loadFixtures(db, doc + "]}");
}

}  // namespace zp::testing
