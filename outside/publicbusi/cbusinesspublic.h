// The public business library's object: the subscriber, customer and account
// of a phone number, the service password, the business-rule check points
// and the black and grey lists, each one remote call to the business public
// service of broker ZEPHYRON.
//
// Every operation returns true on success only, resets LastError() to
// 0, 0, "no error", "no error" at its start and leaves the reason of a
// failure there; no exception leaves it. Out values are written on success
// only.
#pragma once

#include <cstdint>
#include <string>

#include "MBusiFeeMgntApp.h"
#include "MBusiPublic.h"
#include "record_table.h"
#include "MProductIntfApp.h"
#include "MPublicDef.h"
#include "cbserrormsg.h"

class CBusinessPublic {
 public:
  CBusinessPublic() = default;
  CBusinessPublic(const CBusinessPublic&) = delete;
  CBusinessPublic& operator=(const CBusinessPublic&) = delete;

  // Binds to the broker; true when it can be reached. The operator context
  // follows the suite's calling convention; the service answers the same
  // whoever asks, and the rule check reads the operator from the order.
  bool Init(int busiCode, int regionCode, int countyCode, int orgId, int opId);

  // True with servId 0 when no subscriber has the number.
  bool GetUserServiceID(const std::string& phone, std::int64_t& servId);
  bool GetUserInfo(std::int64_t servId, MPublicDef::SUserInfo& info);
  bool GetCustomInfo(std::int64_t servId, MPublicDef::SCustInfo& info);
  // flag 0: the subscriber's paying account (the only one asked for).
  bool GetAcctInfo(MPublicDef::SAcctInfo& info, std::int64_t servId, int flag);

  // True when the service answered; result 0 correct, -1 the password breaks
  // the rules (six digits) or the subscriber has none, -2 wrong; for -1 and
  // -2 LastError's texts say why while its code stays 0. After five wrong
  // passwords in a row the password locks for a while the server sets
  // (zpserver: the system parameter PasswordLockMinutes of region 0, else 30
  // minutes): every attempt is then refused (false) with a text that says
  // until when; afterwards the right password unlocks it.
  bool CheckUserPassword(const std::string& phone, const std::string& password, int& result);

  // Runs one check point of the rule chain of so's BUSI_CODE (checkPoint 0
  // starts it) and sets checkPoint to the next point of the reply. a, b and c
  // are the caller's and are not changed. err receives LastError().
  bool CheckBusiRule(MPublicDef::SSoInfo& so, int& checkPoint, int& a, int& b, int& c,
                     MBusiPublic::SSoCheckOut& out, CBSErrorMsg& err);

  // result 1 black list, 2 grey list, 0 on neither.
  bool CheckBlackCust(int regType, const std::string& regNbr, int& result);

  const CBSErrorMsg& LastError() const { return error_; }

  // The sales catalogue. On success a list becomes the catalogue's; on false
  // it is left as it was. popedom 1 narrows an offer to what the operator may
  // sell (a plan's mandatory entries stay); valid 1 hides entries outside
  // their valid dates. Unnamed arguments follow the callers' convention and
  // are not read.
  // busiType 0: every type; otherwise that type alone, none when unknown.
  bool GetBusiType(int, short busiType, MProductIntfApp::SBusiTypeList& list);
  bool GetBrands(MProductIntfApp::SBrandInfoList& list, int, short, short);
  bool GetPlans(MProductIntfApp::SPlanIdInfoList& list);
  // Every promotion of the business under the plan, mandatory ones included.
  bool GetBusiPlanSpromList(int busiType, int planId, MProductIntfApp::SSpromPlanMapList& list, int, short popedom);
  // The promotions offered by business type, whatever the plan.
  bool GetBusiPromList(short busiType, MProductIntfApp::SBusiProdInfoList& list, int, short popedom, short valid);
  // The relations of the plan; planId 0 gives those that hold under every plan.
  bool GetPdrel(int planId, int, int, MProductIntfApp::SProductRelationList& list);
  // busiType 0: the plan's products of every type.
  bool GetBusiPlanProdList(int busiType, int planId, MProductIntfApp::SProdPlanMapList& list, int, short popedom);
  // prodId 0: the names of every product; otherwise that product's.
  bool GetFuncn(int prodId, MProductIntfApp::SProdNameList& list);
  // Every fee item; GetPpyn the prepayment items only.
  bool GetItemInfoList(MProductIntfApp::SBookItemList& list);
  bool GetPpyn(MProductIntfApp::SBookItemList& list);
  // Which discount item each fee item is discounted on; flag -1 every
  // relation, otherwise the relations of that kind (0 the counter's).
  bool GetBusiItem2AccItemList(MProductIntfApp::SAccItemRelList& list, int flag);

  // flag 1 when the business is priced for the region and user type, else 0;
  // soMode, soCause and afterFlag travel unread.
  bool GetCalFeeFlag(int busiCode, int region, int userType, int soMode, int soCause, int afterFlag, int& flag);
  // The fees and prepayments of an order by the back end's fee rules: the
  // business's own first, then those of each priced item in request order.
  bool GetBusinessSoFee(const MBusiFeeMgntApp::SGetSoFeeIn in, MBusiFeeMgntApp::SGetSoFeeOut& out);

  // The receipt of a submitted order, prepared by the back end into one new
  // record of `table` (the receipt's table). False, with the table as it was,
  // when the order is unknown or a text does not fit its field.
  bool PrintDataGetSoVoucher(int busiCode, int verifyMode, const std::string& phoneId,
                             const MPublicDef::SSoInfo& soInfo, const MPublicDef::SSoResultInfo& result,
                             const MPublicDef::SCustInfo& cust, const MPublicDef::SOperator& agent,
                             const std::string& memo, zp::report::RecordTable& table);
  // The invoice of a submitted order with its invoice lines (at most six),
  // into one new record of `table` (the invoice's table).
  bool PrintDataGetSoInvoice(const std::string& phoneId, const MPublicDef::SCustInfo& cust,
                             const MPublicDef::SSoResultInfo& result, const MPublicDef::STiketInfoList& tickets,
                             const std::string& remark, int opId, zp::report::RecordTable& table);
  // Counts one more printed invoice of the order header's SO_NBR; `count` is
  // then how many have been printed. The last three arguments travel unread.
  bool SetSoPrint(const MPublicDef::SSoInfo& header, int& count, int flag, const std::string& a,
                  const std::string& b);

 private:
  template <class In, class List>
  bool catalogueCall(const char* what, const zpd_operation& op, const In& in, List& list);
  MBusiPublic::SCatalogueIn catalogueIn(int busiType, int planId, int popedom, int valid, int flag) const;

  MBusiPublic::IBusiPublic client_;
  CBSErrorMsg error_;
  // The operator the catalogue narrows an offer for (popedom 1), from Init.
  int opId_ = 0;
};
