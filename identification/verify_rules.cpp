#include "verify_rules.h"

#include "publicbusi_functions.h"

namespace zpverify {

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool IsDigit(char32_t key) { return key >= U'0' && key <= U'9'; }
bool IsEditingKey(char32_t key) { return key == 8 || key == 1 || key == 3 || key == 22 || key == 24; }
}  // namespace

bool IsKeypadLocation(const std::string& locationCode) { return locationCode == kKeypadLocation; }

std::string TrimBlanks(const std::string& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

PhoneInput ClassifyPhoneInput(const std::string& typed) {
  const std::string phone = TrimBlanks(typed);
  if (phone.empty()) return PhoneInput::empty;
  return CheckPhoneId(phone) == 1 ? PhoneInput::ok : PhoneInput::malformed;
}

bool KeepsPhoneKey(char32_t key) { return IsDigit(key) || IsEditingKey(key); }
bool KeepsPasswordKey(char32_t key) { return IsDigit(key) || IsEditingKey(key); }

MSysmgntDef::SOperPrivAuthList PrivilegeAsks() {
  MSysmgntDef::SOperPrivAuthList asks;
  for (int ent : {kEntRemoteAccept, kEntRemoteQuery, kEntPassWaive}) {
    MSysmgntDef::SOperPrivAuth ask;
    ask.set_ENT_ID(ent);
    ask.set_PRIV_ID(kPrivVerify);
    asks.push_back(ask);
  }
  return asks;
}

bool RemoteAcceptGranted(const MSysmgntDef::SOperPrivAuthList& answers) {
  for (const auto& answer : answers)
    if (answer.get_ENT_ID() == kEntRemoteAccept) return answer.get_AUTHORIZED() == 1;
  return false;
}

int RemoteQueryRefusals(const MSysmgntDef::SOperPrivAuthList& answers) {
  int refusals = 0;
  for (const auto& answer : answers)
    if (answer.get_ENT_ID() == kEntRemoteQuery && answer.get_AUTHORIZED() != 1) ++refusals;
  return refusals;
}

std::optional<bool> PassWaiverIn(const MSysmgntDef::SOperPrivAuthList& answers) {
  std::optional<bool> waivable;
  for (const auto& answer : answers)
    if (answer.get_ENT_ID() == kEntPassWaive) waivable = answer.get_AUTHORIZED() == 1;
  return waivable;
}

QueryResult RemoteRefusalResult(bool queryAskSucceeded) {
  return queryAskSucceeded ? kNotAccepted : kRemoteQueryFailed;
}

QueryResult RuleFailureResult(const std::string& locationCode) {
  return IsKeypadLocation(locationCode) ? kRuleRefusedAtKeypadSite : kNotAccepted;
}

PassCheckBox PassCheckBoxFor(short verifyType, std::optional<bool> waivable) {
  if (verifyType != 2) return PassCheckBox::keep;
  return waivable.value_or(false) ? PassCheckBox::optional : PassCheckBox::mandatory;
}

bool NeedsDocumentNotice(short verifyType) { return verifyType == 1; }

PasswordVerdict PasswordVerdictOf(int checkResult) {
  switch (checkResult) {
    case -1: return PasswordVerdict::breaksRules;
    case -2: return PasswordVerdict::wrong;
    default: return PasswordVerdict::accepted;
  }
}

RuleStep RuleStepOf(int checkResult) {
  switch (checkResult) {
    case 2: return RuleStep::confirm;
    case 3: return RuleStep::notice;
    case -1: return RuleStep::refuse;
    default: return RuleStep::pass;
  }
}

MPublicDef::SSoInfo RuleCheckOrder(const MPublicDef::SUserInfo& user, const OperatorContext& op) {
  MPublicDef::SSoInfo so;
  so.set_SERV_ID(user.get_SERV_ID());
  so.set_CUST_ID(user.get_CUST_ID());
  so.set_ACCT_ID(user.get_ACCT_ID());
  so.set_BUSI_CODE(op.busiCode);
  so.set_REGION_CODE(user.get_REGION_CODE());
  so.set_COUNTY_CODE(user.get_COUNTY_CODE());
  so.set_ORG_ID(user.get_ORG_ID());
  so.set_SO_REGION_CODE(op.regionCode);
  so.set_SO_COUNTY_CODE(op.countyCode);
  so.set_SO_ORG_ID(op.orgId);
  so.set_OP_ID(op.opId);
  return so;
}

}  // namespace zpverify
