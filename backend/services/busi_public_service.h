// The business public service behind IBusiPublic: subscriber, customer and
// account lookups, the service password with its lock, the business-rule
// check points, the black and grey lists, code lists and the verification
// type of a business. Every refusal is a non-zero result with both error
// texts in Chinese.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "MBusiPublic.h"
#include "database.h"

namespace soci {
class session;
}

namespace zp::backend {

struct BusiPublicConfig {
  // Wrong passwords in a row that lock the subscriber's password.
  int maxPasswordFailures = 5;
  // How long a locked password refuses every attempt, the right one too;
  // afterwards the right password unlocks it and the count starts again.
  // The system parameter PasswordLockMinutes of region 0 overrides it.
  std::chrono::seconds passwordLock{30 * 60};
  // Seconds since 1970; the system clock when empty.
  std::function<long long()> clock;
};

class BusiPublicService : public MBusiPublic::IBusiPublicServant {
 public:
  BusiPublicService(store::Database& db, BusiPublicConfig config) : db_(db), config_(std::move(config)) {}

  std::int32_t get_userServId(const MBusiPublic::SPhoneIn& sIn, MBusiPublic::SServIdOut& sOut,
                              CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_userInfo(const MBusiPublic::SServIdIn& sIn, MPublicDef::SUserInfo& sOut,
                            CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_custInfo(const MBusiPublic::SServIdIn& sIn, MPublicDef::SCustInfo& sOut,
                            CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_acctInfo(const MBusiPublic::SServIdIn& sIn, MPublicDef::SAcctInfo& sOut,
                            CBSErrorMsg& cErrorMsg) override;
  std::int32_t check_userPassword(const MBusiPublic::SCheckPasswordIn& sIn, MBusiPublic::SCheckPasswordOut& sOut,
                                  CBSErrorMsg& cErrorMsg) override;
  std::int32_t check_busiRule(const MBusiPublic::SCheckBusiRuleIn& sIn, MBusiPublic::SSoCheckOut& sOut,
                              CBSErrorMsg& cErrorMsg) override;
  std::int32_t check_blackCust(const MBusiPublic::SCheckBlackCustIn& sIn, MBusiPublic::SCheckBlackCustOut& sOut,
                               CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_codeList(const std::int32_t& iListNo, MBusiPublic::SCodeItemList& listItems,
                            CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_verifyType(const std::int32_t& iBusiCode, MBusiPublic::SVerifyTypeOut& sOut,
                              CBSErrorMsg& cErrorMsg) override;

 private:
  long long now() const;
  long long lockSeconds(soci::session& sql) const;
  store::Database& db_;
  BusiPublicConfig config_;
};

// One check point of a business's rule chain for the order's subscriber:
// the first row of the point whose condition holds answers. A point where
// nothing holds passes (result 0, next point 0). The counter walks the chain
// through check_busiRule; zpserver walks the same chain when it re-checks an
// order, so a subscriber the chain refuses is refused however the order came.
struct BusiRuleAnswer {
  bool userFound = false;
  bool answered = false;
  std::string broken;  // a condition of the chain that is not known: the chain is configured wrongly
  std::int32_t result = 0;
  std::string desc;
  std::int32_t nextPoint = 0;
  std::int32_t entId = 0;
  std::int32_t privId = 0;
};
BusiRuleAnswer answerBusiRule(soci::session& sql, const MPublicDef::SSoInfo& so, long long busiCode, long long point,
                              long long at);

// A document number as the black and grey lists keep it and compare it:
// without blanks, letters in upper case (an identity number ends in 'X'
// however the counter typed it).
std::string normalisedDocumentNumber(const std::string& number);

inline constexpr const char* kPasswordLockParameter = "PasswordLockMinutes";

enum BusiPublicRefusal : std::int32_t {
  kBusiStore = 3001,           // the store failed
  kBusiRequest = 3002,         // a required field is missing or out of range
  kBusiUnknownUser = 3003,     // no subscriber with that SERV_ID or phone number
  kBusiNotFound = 3004,        // the customer, account or code list does not exist
  kBusiPasswordLocked = 3005,  // too many wrong passwords in a row; try again later
  kBusiRuleBroken = 3006,      // a rule of the chain is configured wrongly
};

}  // namespace zp::backend
