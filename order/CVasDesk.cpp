#include "CVasDesk.h"

#include <thread>
#include <utility>

#include "gui_message.h"
#include "unknown_submissions.h"
#include "wait_box.h"
#include "zpd_client.h"
#include "zpd_stub.h"

namespace {
// The messages of a failed call. The service calls name the server's text
// (the second) first; the fee calculation names the first text first.
constexpr const char* kSignFailed = "预占号码[%s]失败!\n错误[%s]\n[%s]\n请稍后再试!";
constexpr const char* kUnsignFailed = "释放号码[%s]失败!\n错误[%s]\n[%s]\n请稍后再试!";
constexpr const char* kCallFailed = "对不起,\n[%s!]\n[%s!]";
constexpr const char* kCheckFound = "数据检查错误,\n[%s]";
constexpr const char* kFeeFailed = "计算受理费用失败,\n[%s]\n[%s]";
constexpr const char* kNotice = "提示";
constexpr const char* kException = "异常";
constexpr int kInformation = 64;
constexpr int kError = 16;

constexpr const char* kConfirming = "提交结果未知，正在确认...";
constexpr const char* kAskGoOn =
    "提交结果未知:没有收到后台的答复,业务可能已经受理,也可能没有受理。\n错误[%s]\n[%s]\n"
    "是否继续确认？选择\"否\"后,请在\"结果未知的业务\"中确认后再受理,不要重复提交。";
constexpr const char* kLeftUnknown =
    "业务提交结果未知,请在\"结果未知的业务\"中确认结果后再处理,不要重复提交!\n错误[%s]\n[%s]";
constexpr const char* kLeftUnknownNotKept =
    "业务提交结果未知,请不要重复提交!\n错误[%s]\n[%s]\n"
    "结果未知的业务无法记入[%s],关闭本窗口后将无法在\"结果未知的业务\"中确认。\n"
    "请记下:号码%s 业务[%s] 标识%s,并与系统管理员联系。";
constexpr const char* kEarlierStored =
    "此前结果未知的业务已经受理,业务流水号:%s。\n本次的业务内容与它不同,没有提交。"
    "请在\"结果未知的业务\"中打印它的回执和发票,核对已受理的业务后再处理!";
constexpr const char* kExpired =
    "此前结果未知的业务已超过后台可以确认的期限(%s小时),无法再确认它是否已经受理,本次没有提交。\n"
    "请重新查询该用户,核对其业务后再受理!";
constexpr const char* kStoredButListed =
    "业务已受理,但它在结果未知的业务记录[%s]中的一行无法删除(标识%s)。\n"
    "以后在\"结果未知的业务\"中确认它时,它的回执和发票已经打印过,请不要重复打印,并与系统管理员联系!";
constexpr const char* kSignConfirming = "预占结果未知，正在确认...";
constexpr const char* kSignAskGoOn =
    "预占结果未知:没有收到后台的答复,号码可能已经预占,也可能没有预占。\n错误[%s]\n[%s]\n是否继续确认？";
constexpr const char* kSignUnknown =
    "预占号码[%s]的结果未知:没有收到后台的答复,号码可能已经预占,也可能没有预占。\n错误[%s]\n[%s]\n"
    "请重新选号;重新选号、重新查询或关闭本窗口时将再次确认,已预占的号码将被释放。";
constexpr int kYesNoQuestion = 36;

// A reply that arrived whole but could not be read (of another call, cut
// short, of a record this counter does not know): the server answered, so
// it may well have done the work.
bool ReplyUnreadable(std::int32_t r) {
  return r == ZPE_CLN_OUT_BEGIN_STREAM || r == ZPE_CLN_MARSHAL_OUT || r == ZPE_CLN_OUT_END_STREAM ||
         r == ZPE_CLN_ZPB_EXCEPTION;
}
// A call whose request may have reached the server although no reply came,
// or none that could be read; the server's own failure to write its reply,
// or a failure of its own after the service ran, is as good as lost.
bool ReplyLost(std::int32_t r) {
  return r == ZPE_SEND || r == ZPE_RECEIVE || r == ZPE_TIMEOUT || r == ZPE_BAD_REPLY || r == ZPE_SRV_BAD_REPLY ||
         r == ZPE_SRV_EXCEPTION || ReplyUnreadable(r);
}
// zpserver's answers that come before it looks at the call's key, or
// instead of its answer: its sign-in gate refused the session, its store
// failed (the transaction was rolled back, a kept reply could not be read),
// or the runtime failed. Such an answer says nothing of what an earlier
// sending under the key did.
constexpr std::int32_t kServerStoreFailed = 1001;
constexpr std::int32_t kSessionRefusedFirst = 4101, kSessionRefusedLast = 4105;
bool KeyNotJudged(std::int32_t r) {
  return zpd_is_runtime_failure(r) || ReplyUnreadable(r) || r == kServerStoreFailed ||
         (r >= kSessionRefusedFirst && r <= kSessionRefusedLast);
}
// While asking again under a key: only the server's answer for that key
// ends the question.
bool StillUnknown(std::int32_t r) { return ReplyLost(r) || KeyNotJudged(r); }

std::string NowText() {
  return CBSDateTime::now().toString("%Y/%M/%D %H:%N:%S");
}

// An order as it goes on the wire: two submissions are the same order when
// these are the same.
std::string WireForm(const MVasDesk::SSoUserServiceIn& in) {
  static constexpr zpb_name kOrder{"zpclient.SubmittedOrder"};
  zpb_stream s;
  s.open();
  s.begin_stream(kOrder);
  zpb_write(s, in);
  s.end_stream();
  return s.take_bytes();
}

// The business type whose order carries a number from the pool.
constexpr int kGlobalCall = 101;
}  // namespace

CVasDesk::~CVasDesk() { vasDesk.unbind(); }

bool CVasDesk::Init(int busiCode, short regionCode, short countyCode, int orgId, int opId) {
  this->busiCode = busiCode;
  this->regionCode = regionCode;
  this->countyCode = countyCode;
  this->orgId = orgId;
  this->opId = opId;
  busiPublic.Init(busiCode, regionCode, countyCode, orgId, opId);  // its result is not the facade's
  return vasDesk.bind_zpBroker("ZEPHYRON") == 0;
}

void CVasDesk::GetInitParams(int& busiCode, short& regionCode, short& countyCode, int& orgId, int& opId) const {
  busiCode = this->busiCode;
  regionCode = this->regionCode;
  countyCode = this->countyCode;
  orgId = this->orgId;
  opId = this->opId;
}

bool CVasDesk::GetInfo(MVasDesk::SGetInfoOut& out) {
  MPublicDef::SFetchCtInfoIn in;
  in.set_BUSI_CODE(busiCode);
  in.set_REGION_CODE(userInfo.get_REGION_CODE());
  in.set_COUNTY_CODE(userInfo.get_COUNTY_CODE());
  in.set_ORG_ID(userInfo.get_ORG_ID());
  in.set_OP_ID(opId);
  in.set_ISNORMAL(1);
  in.set_SERV_ID(userInfo.get_SERV_ID());
  in.set_CUST_ID(custInfo.get_CUST_ID());

  lastError.reset();
  serviceInfoList.clear();
  const bool ok = vasDesk.get_info(in, out, lastError, nullptr) == 0;
  // Whatever the reply carried, even from a failed call.
  serviceInfoList = out.get_USERSERVICEINFOLIST();
  return ok;
}

bool CVasDesk::QueryResList(std::int32_t maxNum, const std::string& startNo, const std::string& endNo,
                            MVasDesk::SResInfoList& out) {
  MVasDesk::SQueryResListIn in;
  in.set_BUSI_CODE(busiCode);
  in.set_REGION_CODE(regionCode);
  in.set_COUNTY_CODE(countyCode);
  in.set_ORG_ID(orgId);
  in.set_OP_ID(opId);
  in.set_BRAND(0);
  in.set_MAX_NUM(maxNum);
  in.set_START_NO(startNo);
  in.set_END_NO(endNo);
  in.set_RES_STS(1);
  in.set_RES_TYPE(30);

  lastError.reset();
  MVasDesk::SQueryResListOut reply;
  if (vasDesk.query_resList(in, reply, lastError, nullptr) != 0) return false;
  out = reply.get_RESINFOLIST();
  return true;
}

bool CVasDesk::SignRes(const MVasDesk::SResInfo& res) {
  UnsignRes();
  resSign = {};

  MVasDesk::SDoSignResIn in;
  in.set_BUSI_CODE(busiCode);
  in.set_REGION_CODE(regionCode);
  in.set_COUNTY_CODE(countyCode);
  in.set_ORG_ID(orgId);
  in.set_OP_ID(opId);
  in.set_AGENT_ID(0);
  in.set_RES_CODE(res.get_RES_CODE());
  in.set_RES_ID(res.get_RES_ID());
  in.set_ACT_TYPE(1);

  MVasDesk::SDoSignResOut reply;
  // Asked again under its key when the reply is lost: a number is never
  // reserved twice, and the facade learns which number it holds.
  const std::string key = zpd_new_call_key();
  bool lost = false;
  const std::int32_t r = CallUntilAnswered(
      key,
      [&] {
        lastError.reset();
        reply = {};
        return vasDesk.do_signRes(in, reply, lastError, nullptr);
      },
      [&] { lost = true; }, [] {}, kSignConfirming, kSignAskGoOn);
  if (lost && StillUnknown(r)) {
    // The operator stopped: the number may be reserved for him all the
    // same, out of the pool and counted among the numbers he may hold, with
    // nothing here to give it back. The key is kept to ask again.
    unknownSigns.push_back({key, in});
    ShowGUIMessage(kSignUnknown, kNotice, kError, res.get_RES_ID(), lastError.text2, lastError.text1);
    return false;
  }
  if (r != 0) {
    ShowGUIMessage(kSignFailed, kNotice, kInformation, res.get_RES_ID(), lastError.text2, lastError.text1);
    return false;
  }
  resSign = reply.get_RESSIGN();
  return true;
}

bool CVasDesk::UnsignRes() {
  // Each reservation left unknown is asked again under its key: one made
  // answers with its kept reply, one refused with its refusal, and one that
  // never arrived is made now; whichever is held is given back.
  std::vector<UnknownSign> stillUnknown;
  for (const UnknownSign& u : std::exchange(unknownSigns, {})) {
    MVasDesk::SDoSignResOut reply;
    lastError.reset();
    std::int32_t r;
    {
      const zpd_call_key_scope scope(u.key);
      r = vasDesk.do_signRes(u.request, reply, lastError, nullptr);
    }
    if (StillUnknown(r)) {
      ShowGUIMessage(kUnsignFailed, kNotice, kInformation, u.request.get_RES_ID(), lastError.text2, lastError.text1);
      stillUnknown.push_back(u);
    } else if (r == 0) {
      Release(reply.get_RESSIGN());
    }
  }
  unknownSigns = std::move(stillUnknown);
  if (resSign.get_RES_ID().empty()) return false;
  // Forgotten before the call: whatever happens, the facade holds nothing.
  const MVasDesk::SResSign held = std::exchange(resSign, {});
  // The number a submission left unknown carried may be the stored order's:
  // let go, not given back (the server would refuse to release it); the
  // list of unknown outcomes tells.
  if (!pendingKey.empty() && held.get_RES_ID() == pendingNumber) return false;
  return Release(held);
}

bool CVasDesk::Release(const MVasDesk::SResSign& sign) {
  MVasDesk::SDoSignResIn in;
  in.set_BUSI_CODE(busiCode);
  in.set_REGION_CODE(sign.get_REGION_CODE());
  in.set_COUNTY_CODE(sign.get_COUNTY_CODE());
  in.set_ORG_ID(sign.get_ORG_ID());
  in.set_OP_ID(sign.get_OP_ID());
  in.set_AGENT_ID(sign.get_AGENT_ID());
  in.set_RES_CODE(sign.get_RES_CODE());
  in.set_RES_ID(sign.get_RES_ID());
  in.set_ACT_TYPE(2);

  lastError.reset();
  MVasDesk::SDoSignResOut reply;
  if (vasDesk.do_signRes(in, reply, lastError, nullptr) != 0) {
    ShowGUIMessage(kUnsignFailed, kNotice, kInformation, in.get_RES_ID(), lastError.text2, lastError.text1);
    return false;
  }
  return true;
}

void CVasDesk::AddUserServiceOper(short actType, const std::string& remark) {
  serviceOperList.clear();
  MPublicDef::SUserServiceOper oper;
  oper.set_ACT_TYPE(actType);
  oper.set_BUSI_TYPE(busiType);
  oper.set_SERV_ID(userInfo.get_SERV_ID());
  oper.set_REGION_CODE(userInfo.get_REGION_CODE());
  oper.set_SERV_PARAM(" ");
  oper.set_SPROM_ID(0);
  if (busiType == kGlobalCall) {
    // The number the subscriber already has, else the one just reserved.
    if (!serviceInfoList.empty()) {
      oper.set_RES_CODE(serviceInfoList.front().get_RES_CODE());
      oper.set_RES_ID(serviceInfoList.front().get_RES_ID());
    } else {
      oper.set_RES_CODE(resSign.get_RES_CODE());
      oper.set_RES_ID(resSign.get_RES_ID());
    }
  }
  oper.set_REMARK(remark);
  serviceOperList.push_back(std::move(oper));
}

int CVasDesk::CheckSo(short afterFlag, CBSDateTime afterDate, short verifyMode) {
  BuildSoInfo(afterFlag, afterDate, verifyMode);
  const MVasDesk::SSoUserServiceIn in = OrderRequest(RequestFor::check);
  lastError.reset();
  MPublicDef::SCheckSoOut out;
  if (vasDesk.check_so(in, out, lastError, nullptr) != 0) {
    ShowGUIMessage(kCallFailed, kNotice, kInformation, lastError.text2, lastError.text1);
    return 1;
  }
  if (out.get_VALID_COUNT() >= 1) {
    std::string findings;
    for (const auto& finding : out.get_CHECKDATALIST()) findings += finding.get_CHECKDESC() + "\n";
    ShowGUIMessage(kCheckFound, kNotice, kInformation, findings);
    return 6;
  }
  return 0;
}

void CVasDesk::BuildSoInfo(short afterFlag, CBSDateTime afterDate, short verifyMode) {
  soInfo = {};
  soInfo.set_BUSI_CODE(busiCode);
  soInfo.set_SO_NBR(0);
  soInfo.set_SO_MODE(1);
  soInfo.set_SO_CAUSE(0);
  soInfo.set_ISNORMAL(0);
  soInfo.set_AFTER_FLAG(afterFlag);
  if (afterFlag == 1) soInfo.set_AFTER_DATE(afterDate);
  soInfo.set_SERV_ID(userInfo.get_SERV_ID());
  soInfo.set_RSERV_ID(0);
  soInfo.set_CUST_ID(userInfo.get_CUST_ID());
  soInfo.set_ACCT_ID(userInfo.get_ACCT_ID());
  soInfo.set_GROUP_ID(0);
  soInfo.set_OP_ID(opId);
  soInfo.set_REGION_CODE(userInfo.get_REGION_CODE());
  soInfo.set_COUNTY_CODE(userInfo.get_COUNTY_CODE());
  soInfo.set_ORG_ID(userInfo.get_ORG_ID());
  soInfo.set_SO_REGION_CODE(regionCode);
  soInfo.set_SO_COUNTY_CODE(countyCode);
  soInfo.set_SO_ORG_ID(orgId);
  soInfo.set_PAY_TYPE(0);
  soInfo.set_BANK_ID(0);
  soInfo.set_EXT_HOLDS("1");
  soInfo.set_EXT_HOLDS1("2");
  soInfo.set_EXT_HOLDS2("3");
  soInfo.set_RSO_NBR(0);
  soInfo.set_MSO_NBR(0);
  soInfo.set_REMARK("");
  soInfo.set_VERIFY_MODE(verifyMode);
}

CVasDesk::Settled CVasDesk::SettleUnknownSubmission(short afterFlag, CBSDateTime afterDate, short verifyMode,
                                                    MVasDesk::SSoUserServiceOut& out) {
  if (pendingKey.empty() || pendingServId != userInfo.get_SERV_ID() || pendingBusiCode != busiCode)
    return Settled::goOn;
  BuildSoInfo(afterFlag, afterDate, verifyMode);
  // The fees are not collected yet: the same order is the same whatever
  // the operator would confirm this time.
  return SettleEarlier(WireForm(OrderRequest(RequestFor::content)) == pendingContent, out);
}

CVasDesk::Settled CVasDesk::SettleEarlier(bool same, MVasDesk::SSoUserServiceOut& out) {
  const std::string earlierKey = pendingKey;
  bool leftListed = false;
  // A changed order's earlier one, found stored, stays listed: the customer
  // paid for it, and its receipt and invoice are printed from the list.
  switch (ConfirmSubmission(earlierKey, out, /*keepStoredListed=*/!same, &leftListed)) {
    case Outcome::stored:
      if (same) {  // the kept reply, as sending it again would have had it
        if (leftListed)
          ShowGUIMessage(kStoredButListed, kNotice, kError, UnknownSubmissions(opId).Path(), earlierKey);
        Submitted();
        return Settled::stored;
      }
      lastError.reset();
      ShowGUIMessage(kEarlierStored, kNotice, kError, std::to_string(out.get_SORESULTINFO().get_SO_NBR()));
      return Settled::stop;
    case Outcome::notStored:
      return Settled::goOn;  // that key stays unserved for good; this order is a new one
    case Outcome::expired:
      lastError.reset();
      ShowGUIMessage(kExpired, kNotice, kError, std::to_string(kCallKeyKeptSeconds / 3600));
      return Settled::stop;
    case Outcome::unknown:
      ShowGUIMessage(kLeftUnknown, kNotice, kError, lastError.text2, lastError.text1);
      return Settled::stop;
  }
  return Settled::stop;
}

MVasDesk::SSoUserServiceIn CVasDesk::OrderRequest(RequestFor what) const {
  const bool submit = what != RequestFor::check;
  MVasDesk::SSoUserServiceIn in;
  in.set_BUSI_CODE(busiCode);
  in.set_SOINFO(soInfo);
  in.set_USERSERVICEOPERLIST(serviceOperList);
  if (submit && specilDataInfo.get_BUSI_TYPE() > 0) in.set_SPECILDATAINFO(specilDataInfo);
  if (!resSign.get_RES_ID().empty() && busiType == kGlobalCall) in.set_RESSIGNLIST({resSign});
  if (!spromOperList.empty()) in.set_SPROMOPERLIST(spromOperList);
  if (!mscFuncOperList.empty()) in.set_MSCFUNCOPERLIST(mscFuncOperList);
  if (what == RequestFor::submit && !soFeeList.empty()) in.set_SOFEELIST(soFeeList);
  if (submit && operatorMan.get_REG_TYPE() != 0 && !operatorMan.get_REG_NBR().empty()) {
    in.set_OPERATORMAN(operatorMan);
  }
  // Deposits, equipment and prepayments are never sent: prepayments reach
  // the back end as fee lines.
  return in;
}

int CVasDesk::CalcSoFee() {
  lastError.reset();

  MBusiFeeMgntApp::SFeeBusiInfo header;
  header.set_BUSI_CODE(soInfo.get_BUSI_CODE());
  header.set_REGION_CODE(userInfo.get_REGION_CODE());
  header.set_COUNTY_CODE(userInfo.get_COUNTY_CODE());
  header.set_ORG_ID(userInfo.get_ORG_ID());
  header.set_SO_REGION_CODE(soInfo.get_SO_REGION_CODE());
  header.set_SO_COUNTY_CODE(soInfo.get_SO_COUNTY_CODE());
  header.set_SO_ORG_ID(soInfo.get_SO_ORG_ID());
  header.set_CUST_CLASS(custInfo.get_CUST_CLASS());
  header.set_PLAN_ID(userInfo.get_PLAN_ID());
  header.set_ISNORMAL(soInfo.get_ISNORMAL());

  // Promotions first, then products under the subscriber's own plan; the
  // entries' own action plays no part in the price.
  MBusiFeeMgntApp::SProductOperList products;
  for (const auto& prom : spromOperList) {
    MBusiFeeMgntApp::SProductOper p;
    p.set_BUSI_TYPE(prom.get_BUSI_TYPE());
    p.set_PLAN_ID(prom.get_PLAN_ID());
    p.set_PROD_ID(prom.get_SPROM_ID());
    p.set_SERVICE_ID(prom.get_SERVICE_ID());
    p.set_OPER_TYPE(2);
    products.push_back(std::move(p));
  }
  for (const auto& func : mscFuncOperList) {
    MBusiFeeMgntApp::SProductOper p;
    p.set_BUSI_TYPE(func.get_BUSI_TYPE());
    p.set_PLAN_ID(userInfo.get_PLAN_ID());
    p.set_PROD_ID(func.get_PROD_ID());
    p.set_SERVICE_ID(func.get_SERVICE_ID());
    p.set_OPER_TYPE(2);
    products.push_back(std::move(p));
  }

  MBusiFeeMgntApp::SGetSoFeeIn in;
  in.set_BUSIINFO(header);
  if (!products.empty()) in.set_PRODUCTOPERLIST(std::move(products));

  soFeeOut = {};
  const bool ok = busiPublic.GetBusinessSoFee(in, soFeeOut);
  lastError = busiPublic.LastError();
  if (!ok) {
    ShowGUIMessage(kFeeFailed, kException, kError, lastError.text1, lastError.text2);
    return 1;
  }
  return 0;
}

void CVasDesk::SetSoFeeList(const MPublicDef::SSoFeeList& fees, const MPublicDef::SPrepayOperList& prepays) {
  soFeeList = fees;
  prepayOperList = prepays;
}

bool CVasDesk::SubmitSo(MVasDesk::SSoUserServiceOut& out) {
  const MVasDesk::SSoUserServiceIn in = OrderRequest(RequestFor::submit);
  const std::string order = WireForm(in);
  bool again = !pendingKey.empty() && pendingServId == userInfo.get_SERV_ID() && pendingBusiCode == busiCode;
  const bool same = order == pendingOrder;
  if (again && (!same || PastAsking(pendingKey))) {
    // Sent under the earlier key, a changed order would get the earlier
    // one's reply if that one was stored: the operator would collect and
    // print for an order the server does not hold. And a key the server may
    // have forgotten would have even the same order stored a second time.
    MVasDesk::SSoUserServiceOut earlier;
    switch (SettleEarlier(same, earlier)) {
      case Settled::stored:
        out = earlier;
        return false;
      case Settled::stop:
        return true;
      case Settled::goOn:
        again = false;
        break;
    }
  }
  if (!again) {
    pendingKey = zpd_new_call_key();
    pendingServId = userInfo.get_SERV_ID();
    pendingBusiCode = busiCode;
    pendingOrder = order;
    pendingContent = WireForm(OrderRequest(RequestFor::content));
    pendingNumber = busiType == kGlobalCall ? resSign.get_RES_ID() : std::string();
  }
  const std::string key = pendingKey;
  UnknownSubmission entry;
  entry.key = key;
  entry.busiCode = busiCode;
  entry.busiType = busiType;
  entry.phoneId = userInfo.get_PHONE_ID();
  entry.servId = userInfo.get_SERV_ID();
  // Should the order turn out stored, its papers are printed from these.
  entry.papers = PapersText({soInfo, custInfo, operatorMan});
  bool remembered = true;
  bool lost = false;
  const std::int32_t r = CallUntilAnswered(
      key,
      [&] {
        lastError.reset();
        out = {};
        return vasDesk.so_userService(in, out, lastError, nullptr);
      },
      [&] {
        lost = true;
        entry.at = NowText();
        remembered = UnknownSubmissions(opId).Remember(entry);
      },
      [&] { UnknownSubmissions(opId).Forget(key); }, kConfirming, kAskGoOn);
  // A first sending refused outright (no server, a busy one, an ended
  // session) did nothing: a plain failure. Once a sending under the key may
  // have been done, only the server's answer for the key tells.
  if ((lost || again) && StillUnknown(r)) {
    if (remembered) {
      ShowGUIMessage(kLeftUnknown, kNotice, kError, lastError.text2, lastError.text1);
    } else {
      // Not in the list, the order could be confirmed only from this
      // workspace, and only until it is closed: the operator keeps its key.
      ShowGUIMessage(kLeftUnknownNotKept, kNotice, kError, lastError.text2, lastError.text1,
                     UnknownSubmissions(opId).Path(), entry.phoneId, std::to_string(busiCode), key);
    }
    return true;  // the key stays pending: the next submission is this one again
  }
  pendingKey.clear();
  // Its outcome is known now. Stored and left in the list, the order would
  // be offered there for its papers a second time.
  if (again && !UnknownSubmissions(opId).Forget(key) && r == 0)
    ShowGUIMessage(kStoredButListed, kNotice, kError, UnknownSubmissions(opId).Path(), key);
  if (r != 0) {
    ShowGUIMessage(kCallFailed, kNotice, kInformation, lastError.text2, lastError.text1);
    return true;
  }
  Submitted();
  return false;
}

void CVasDesk::Submitted() {
  spromOperList.clear();
  mscFuncOperList.clear();
  soFeeList.clear();
}

bool CVasDesk::PastAsking(const std::string& key) const {
  const std::int64_t made = zpd_call_key_micros(key);
  if (made < 0) return false;  // a key of an older counter: its age is not known
  const std::int64_t now = clockMicros ? clockMicros()
                                       : std::chrono::duration_cast<std::chrono::microseconds>(
                                             std::chrono::system_clock::now().time_since_epoch())
                                             .count();
  return now - made >= (kCallKeyKeptSeconds - 3600) * std::int64_t{1000000};
}

void CVasDesk::Reset() {
  spromOperList.clear();
  mscFuncOperList.clear();
  soFeeList.clear();
  prepayOperList.clear();
  serviceInfoList.clear();
  serviceOperList.clear();
  resSign = {};  // forgotten, not given back: the pool's lease frees it
  specilDataInfo = {};
  soInfo = {};
  soFeeOut = {};
}

std::int32_t CVasDesk::CallUntilAnswered(const std::string& key, const std::function<std::int32_t()>& call,
                                        const std::function<void()>& onLost,
                                        const std::function<void()>& onAnswered, const char* waitText,
                                        const char* askText) {
  const zpd_call_key_scope scope(key);
  std::int32_t r = call();
  if (!ReplyLost(r)) return r;
  onLost();
  zpgui::WaitBox box(waitText);
  for (;;) {
    // The window does not answer while the tries run: tries that wait out
    // their deadline (a silent server) hand back to the operator as soon as
    // they have taken as long as one call may, not after all of them.
    const auto began = std::chrono::steady_clock::now();
    for (int i = 0; i < confirmTries; ++i) {
      if (confirmPause.count() > 0) std::this_thread::sleep_for(confirmPause);
      // The transport reconnects by itself; a client object whose bind was
      // lost binds again.
      if (!vasDesk.is_bound() && vasDesk.bind_zpBroker("ZEPHYRON") != 0) continue;
      r = call();
      if (!StillUnknown(r)) {
        onAnswered();
        return r;
      }
      if (std::chrono::steady_clock::now() - began >= vasDesk.timeout()) break;
    }
    if (ShowGUIMessage(askText, kNotice, kYesNoQuestion, lastError.text2, lastError.text1) != zpgui::kAnswerYes)
      return r;
  }
}

CVasDesk::Outcome CVasDesk::ConfirmSubmission(const std::string& key, MVasDesk::SSoUserServiceOut& out,
                                              bool keepStoredListed, bool* leftListed) {
  if (leftListed) *leftListed = false;
  // The order itself is not sent: a served key is answered with its reply
  // whatever the request holds, and one never served is refused for want of
  // an order.
  MVasDesk::SSoUserServiceIn probe;
  probe.set_BUSI_CODE(busiCode);
  lastError.reset();
  out = {};
  std::int32_t r;
  {
    const zpd_call_key_scope scope(key);
    r = vasDesk.so_userService(probe, out, lastError, nullptr);
  }
  if (StillUnknown(r)) return Outcome::unknown;  // the server did not look the key up
  // Judged before the pending key (which `key` may be) is cleared.
  const Outcome outcome = r == 0 ? Outcome::stored : PastAsking(key) ? Outcome::expired : Outcome::notStored;
  if (outcome != Outcome::stored || !keepStoredListed) {
    const bool forgotten = UnknownSubmissions(opId).Forget(key);
    if (leftListed) *leftListed = !forgotten && outcome == Outcome::stored;
  }
  if (key == pendingKey) pendingKey.clear();
  return outcome;
}
