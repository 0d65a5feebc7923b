// CVasDesk: the one way from a counter window to the acceptance service and
// the fee calculation. It holds the operator context and the order under
// construction, builds every request from that state, calls, and turns a
// failed call into one message box; the caller only tests the result.
//
// Every call resets the error record first; afterwards GetErrorMsg gives
// the call's record. Everything runs on the user-interface thread and
// blocks until the call returns.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "MBusiFeeMgntApp.h"
#include "MPublicDef.h"
#include "MVasDesk.h"
#include "cbsdatetime.h"
#include "cbserrormsg.h"
#include "cbusinesspublic.h"

class CVasDesk {
 public:
  CVasDesk() = default;
  virtual ~CVasDesk();
  CVasDesk(const CVasDesk&) = delete;
  CVasDesk& operator=(const CVasDesk&) = delete;

  // Stores the operator context and binds to broker ZEPHYRON; true when
  // bound. The fee library's own Init result is not part of it.
  bool Init(int busiCode, short regionCode, short countyCode, int orgId, int opId);
  // Why the service client is not bound (after a failed Init), in Chinese,
  // naming the broker's address and the deadline.
  std::string BindFailureText() const { return vasDesk.failure_text(ZPE_NOT_BOUND); }
  void SetBusiCode(int code) { busiCode = code; }
  void SetBusiType(int type) { busiType = type; }
  void GetInitParams(int& busiCode, short& regionCode, short& countyCode, int& orgId, int& opId) const;

  void SetCustInfo(const MPublicDef::SCustInfo& info) { custInfo = info; }
  void SetUserInfo(const MPublicDef::SUserInfo& info) { userInfo = info; }
  void GetCustInfo(MPublicDef::SCustInfo& info) const { info = custInfo; }
  void GetUserInfo(MPublicDef::SUserInfo& info) const { info = userInfo; }
  void GetSoInfo(MPublicDef::SSoInfo& info) const { info = soInfo; }

  // The subscriber's current services; they are kept for
  // AddUserServiceOper even when the call fails. Shows nothing.
  bool GetInfo(MVasDesk::SGetInfoOut& out);
  // Free numbers of the pool between startNo and endNo; `out` is written on
  // success only. Shows nothing: the number dialog reports a failure.
  bool QueryResList(std::int32_t maxNum, const std::string& startNo, const std::string& endNo,
                    MVasDesk::SResInfoList& out);
  // Reserves `res`, giving back the number held before. On failure no
  // number is held. A reservation whose reply was lost and whose
  // confirmation the operator stopped may have been made on the server:
  // the operator is told so, and its key is kept for UnsignRes.
  bool SignRes(const MVasDesk::SResInfo& res);
  // Gives back the held number; false when none is held or the release
  // failed. Either way the number is forgotten. A reservation left unknown
  // is asked after again under its key first and, found made, given back
  // too; should the server still not answer for it, it is told and kept
  // for the next time. With neither, nothing is called. The number a
  // submission whose outcome is unknown carried is forgotten, not given
  // back: it may be the stored order's.
  bool UnsignRes();

  // The order's one service operation: actType 1 open, 2 modify, 3 close.
  void AddUserServiceOper(short actType, const std::string& remark);
  void SetSpecilDataInfo(const MVasDesk::SSpecilDataInfo& info) { specilDataInfo = info; }
  void SetSpromOperList(const MPublicDef::SSpromOperList& list) { spromOperList = list; }
  void SetMscFuncOperList(const MPublicDef::SMscFuncOperList& list) { mscFuncOperList = list; }
  void SetOperatorMan(const MPublicDef::SOperator& agent) { operatorMan = agent; }

  // Builds the order header and has the order checked: 0 passed, 1 the call
  // failed, 6 the check found errors (both shown).
  int CheckSo(short afterFlag, CBSDateTime afterDate, short verifyMode);
  // Called before CheckSo with its arguments, the order otherwise complete
  // but for its fees. A submission of this subscriber's business whose
  // outcome is unknown is settled first: stored, it has opened the
  // business and taken its number, so the check would refuse the order as
  // a new one and the operator would not learn it was taken.
  //   goOn:   nothing unknown for them, or the earlier one was never stored
  //           (this order goes as a new one);
  //   stop:   shown why: the earlier one was stored and this order differs
  //           from it (it stays listed for its papers), or its outcome is
  //           still not known, or no longer can be;
  //   stored: the earlier one is this very order (its fees aside, which
  //           the operator has not collected again): `out` is its reply,
  //           GetSoInfo its header and GetErrorMsg its texts, as SubmitSo
  //           would have given them.
  enum class Settled { goOn, stop, stored };
  Settled SettleUnknownSubmission(short afterFlag, CBSDateTime afterDate, short verifyMode,
                                  MVasDesk::SSoUserServiceOut& out);
  // Prices the checked order: 0 success, 1 failure (shown).
  int CalcSoFee();
  void GetSoFeeOut(MBusiFeeMgntApp::SGetSoFeeOut& out) const { out = soFeeOut; }
  // The fees the operator confirmed; the prepayments are kept, not sent.
  void SetSoFeeList(const MPublicDef::SSoFeeList& fees, const MPublicDef::SPrepayOperList& prepays);
  // Submits the order. True means FAILURE (shown); on success the
  // promotion, product and fee lists are emptied.
  //
  // The order travels under a key of its own. When no reply comes (a
  // timeout, a lost connection) the facade asks again under the same key
  // until the server answers, the operator being asked every few tries
  // whether to go on; the server answers a key it has served with its first
  // reply, so the order is stored once. Should the operator stop, the
  // submission is remembered as unknown (unknown_submissions.h) and the
  // facade's next submission of the same order goes under the same key: a
  // stored first one is what it gets back. An order changed since (other
  // promotions, products, fees) is not sent until the first one's outcome
  // is known: when the server holds the first one the operator is told its
  // number and the changed one is not submitted (true); when it does not,
  // the changed order goes under a key of its own.
  bool SubmitSo(MVasDesk::SSoUserServiceOut& out);
  void GetErrorMsg(CBSErrorMsg& error) const { error = lastError; }

  // Forgets the order, and a held number without giving it back. The
  // operator context, business type, subscriber and agent stay; so does the
  // key of a submission whose outcome is unknown.
  void Reset();

  // What a submission left unknown turned out to be, asked under its key
  // without sending the order again. A key the server never served is
  // refused and from then on stays "not stored", even should the lost
  // request still arrive. A key older than the server keeps keys (less an
  // hour, for a clock set right meanwhile) and not known to it is
  // "expired": it may have been served and forgotten, so only the
  // subscriber's services can tell. A known outcome takes the key off the
  // operator's list of unknown outcomes, unless it is stored and
  // `keepStoredListed`: its papers are then still to be printed from there.
  // `*leftListed` tells a stored one that was to leave the list and could
  // not (the list could not be written): it will be offered for its papers
  // again.
  enum class Outcome { stored, notStored, unknown, expired };
  Outcome ConfirmSubmission(const std::string& key, MVasDesk::SSoUserServiceOut& out, bool keepStoredListed = false,
                            bool* leftListed = nullptr);
  // The counter's clock in microseconds since 1970, by which a key's age
  // is judged; the system clock unless a test moves it.
  void SetClock(std::function<std::int64_t()> micros) { clockMicros = std::move(micros); }
  // The key of the last submission whose outcome is unknown; empty when none.
  const std::string& PendingSubmissionKey() const { return pendingKey; }
  // How often, and how far apart, a call whose reply was lost is asked again
  // before the operator is asked whether to go on; he is asked sooner once
  // the tries have taken as long as one call may (a silent server).
  void SetConfirmRetries(int tries, std::chrono::milliseconds pause) {
    confirmTries = tries;
    confirmPause = pause;
  }

 private:
  // The order as check_so or so_userService carries it; `content` is the
  // submission's order without its fees.
  enum class RequestFor { check, submit, content };
  MVasDesk::SSoUserServiceIn OrderRequest(RequestFor what) const;
  // The order header as CheckSo sends it.
  void BuildSoInfo(short afterFlag, CBSDateTime afterDate, short verifyMode);
  // Gives back a number held under `sign`.
  bool Release(const MVasDesk::SResSign& sign);
  // Asks what the pending submission became and tells the operator what
  // follows for this order, `same` as that one or changed: stored and the
  // same, `out` is its reply; stored and changed, expired or still unknown,
  // stop (told); never stored, go on as a new order.
  Settled SettleEarlier(bool same, MVasDesk::SSoUserServiceOut& out);

  // In the order the facade has always declared them.
  CBSErrorMsg lastError;
  CBusinessPublic busiPublic;
  std::int32_t busiCode = 0;
  std::int16_t regionCode = 0;
  std::int16_t countyCode = 0;
  std::int32_t orgId = 0;
  std::int32_t opId = 0;
  std::int32_t busiType = 0;
  MPublicDef::SCustInfo custInfo;
  MPublicDef::SUserInfo userInfo;
  MVasDesk::SResSign resSign;
  MPublicDef::SUserServiceInfoList serviceInfoList;
  MPublicDef::SUserServiceOperList serviceOperList;
  MVasDesk::SSpecilDataInfo specilDataInfo;
  MPublicDef::SSpromOperList spromOperList;
  MPublicDef::SMscFuncOperList mscFuncOperList;
  MPublicDef::SSoInfo soInfo;
  MBusiFeeMgntApp::SGetSoFeeOut soFeeOut;
  MPublicDef::SSoFeeList soFeeList;
  MPublicDef::SPrepayOperList prepayOperList;
  MPublicDef::SOperator operatorMan;
  MVasDesk::IVasDesk vasDesk;

  // Runs call() under the key and, while its outcome is unknown, asks again
  // under the same key (the wait box shows waitText), asking the operator
  // with askText every confirmTries whether to go on; returns the last
  // result. `onLost` runs once, when the first reply is lost; `onAnswered`
  // when a later try is answered.
  std::int32_t CallUntilAnswered(const std::string& key, const std::function<std::int32_t()>& call,
                                 const std::function<void()>& onLost, const std::function<void()>& onAnswered,
                                 const char* waitText, const char* askText);
  // Whether the server may have forgotten the key by now.
  bool PastAsking(const std::string& key) const;
  // The success of a submission: the order's lists are spent.
  void Submitted();
  std::function<std::int64_t()> clockMicros;
  std::string pendingKey;        // the submission whose outcome is unknown
  std::string pendingOrder;      // that submission's order as it went on the wire
  std::string pendingContent;    // the same without its fees
  std::string pendingNumber;     // the reserved number it carried; empty when none
  std::int64_t pendingServId = 0;
  std::int32_t pendingBusiCode = 0;
  // Reservations whose outcome was left unknown, to be asked after again.
  struct UnknownSign {
    std::string key;
    MVasDesk::SDoSignResIn request;
  };
  std::vector<UnknownSign> unknownSigns;
  int confirmTries = 5;
  std::chrono::milliseconds confirmPause{1000};
};
