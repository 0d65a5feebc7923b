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

#include "MBusiPublic.h"
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

 private:
  bool finish(std::int32_t result, const char* what);
  bool fail(std::int32_t code, const char* what, std::string message);

  MBusiPublic::IBusiPublic client_;
  CBSErrorMsg error_;
};
