// The verification strip's rules that need no widget: what a typed number
// and a typed password may hold, which privileges are asked for and what
// their answers decide, what the password and business-rule checks answer
// mean, and which result code the query hands back for each refusal.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

#include "MPublicDef.h"
#include "MSysmgntDef.h"

namespace zpverify {

// Result codes of a subscriber query, as the workspace reads them.
enum QueryResult : int {
  kVerified = 0,
  kBadPhone = 1,
  kNotFound = 2,        // binding, lookup or user/customer/account query failed
  kPasswordRefused = 3,
  kNotAccepted = 4,     // shown to the operator but not verified
  kRemoteQueryFailed = 5,
  kRuleRefusedAtKeypadSite = 6,
};

// verifyMode values.
enum VerifyMode : int { kNotVerified = 0, kByNumber = 1, kByPassword = 2 };

// The enterprise location that has a secure keypad at its counters.
inline constexpr const char* kKeypadLocation = "LOC_DAZUROV";
bool IsKeypadLocation(const std::string& locationCode);

// Privilege entities of the strip, each asked with privilege 10.
inline constexpr int kEntRemoteAccept = 49990;
inline constexpr int kEntRemoteQuery = 49991;
inline constexpr int kEntPassWaive = 49992;
inline constexpr int kPrivVerify = 10;
inline constexpr int kMaxPhoneLength = 11;
inline constexpr int kMaxPassLength = 6;

// Leading and trailing blanks (spaces, tabs, line breaks) removed.
std::string TrimBlanks(const std::string& text);

enum class PhoneInput { ok, empty, malformed };
// The number as typed, before it is trimmed.
PhoneInput ClassifyPhoneInput(const std::string& typed);

// Key filters: the character codes an edit keeps. Digits, Backspace (8) and
// the clipboard keys Ctrl+A/C/V/X (1, 3, 22, 24); nothing else, since any
// other character could only end up in the number or the password.
bool KeepsPhoneKey(char32_t key);
bool KeepsPasswordKey(char32_t key);

// The three asks, in the order 49990, 49991, 49992.
MSysmgntDef::SOperPrivAuthList PrivilegeAsks();

// Whether a subscriber of another region may be accepted: the first answer
// for 49990 decides. An answer list without it grants nothing: the library
// promises one answer per ask, so a missing one is a broken reply.
bool RemoteAcceptGranted(const MSysmgntDef::SOperPrivAuthList& answers);
// How many answers for 49991 refuse; each is told to the operator.
int RemoteQueryRefusals(const MSysmgntDef::SOperPrivAuthList& answers);
// The waiver as the answers for 49992 leave it (the last one wins); nothing
// when no answer speaks of it, so the caller's value stands.
std::optional<bool> PassWaiverIn(const MSysmgntDef::SOperPrivAuthList& answers);

// Result of a remote-area subscriber not granted acceptance, by whether the
// second privilege ask succeeded.
QueryResult RemoteRefusalResult(bool queryAskSucceeded);
// Result of a failed business-rule check at this location.
QueryResult RuleFailureResult(const std::string& locationCode);

// What the "验证密码" box becomes when the strip is primed for a business.
enum class PassCheckBox { keep, mandatory, optional };
// waivable: nothing when the waiver privilege could not be asked. A business
// that requires the password keeps requiring it then, rather than letting a
// failed privilege service open the way to skipping it.
PassCheckBox PassCheckBoxFor(short verifyType, std::optional<bool> waivable);
// Verification type 1 asks for the identity document to be shown.
bool NeedsDocumentNotice(short verifyType);

enum class PasswordVerdict { accepted, breaksRules, wrong };
PasswordVerdict PasswordVerdictOf(int checkResult);

// What one answer of the business-rule chain asks of the strip.
enum class RuleStep { pass, confirm, notice, refuse };
RuleStep RuleStepOf(int checkResult);

// The order header one check point of the chain is asked with: the
// subscriber's keys and place, the business and the operator.
struct OperatorContext {
  int busiCode = 0;
  short regionCode = 0;
  short countyCode = 0;
  int orgId = 0;
  int opId = 0;
};
MPublicDef::SSoInfo RuleCheckOrder(const MPublicDef::SUserInfo& user, const OperatorContext& op);

// The check points one chain has been asked at. A back end that points the
// chain back at a point already asked would otherwise keep it going for
// ever, asking or telling the operator the same thing each time.
class CheckPointTrail {
 public:
  // False when the point was asked before in this chain.
  bool Enter(int checkPoint) { return visited_.insert(checkPoint).second; }

 private:
  std::set<int> visited_;
};

}  // namespace zpverify
