#include "busi_public_service.h"

#include <soci/soci.h>

#include <cctype>
#include <cstdio>
#include <ctime>
#include <string>

#include "password.h"
#include "rows.h"
#include "service_support.h"
#include "subscriber_records.h"
#include "sessions.h"

namespace zp::backend {
namespace {

using namespace MBusiPublic;
using namespace MPublicDef;
using store::Database;
using store::Row;

std::int32_t storeFailed(CBSErrorMsg& err, const char* what, const std::exception& e) {
  return backend::storeFailed(err, kBusiStore, what, e);
}

long long packedAt(long long seconds) { return dateTimeAt(seconds).packed(); }


bool sixDigits(const std::string& s) {
  if (s.size() != 6) return false;
  for (unsigned char c : s)
    if (!std::isdigit(c)) return false;
  return true;
}

struct Subscriber {
  long long servId = 0, custId = 0, acctId = 0;
  int regionCode = 0, userSts = 0, billType = 0;
  long long stsDate = 0;
};

bool findSubscriber(soci::session& sql, long long servId, Subscriber& s) {
  Row r;
  if (!store::firstRow(sql,
                       "SELECT serv_id, cust_id, acct_id, region_code, user_sts, bill_type, sts_date FROM zp_user "
                       "WHERE serv_id = :s",
                       "iiiiiii", {servId}, r))
    return false;
  s.servId = r.i(0);
  s.custId = r.i(1);
  s.acctId = r.i(2);
  s.regionCode = static_cast<int>(r.i(3));
  s.userSts = static_cast<int>(r.i(4));
  s.billType = static_cast<int>(r.i(5));
  s.stsDate = r.i(6);
  return true;
}

}  // namespace

std::string normalisedDocumentNumber(const std::string& number) {
  std::string out;
  for (unsigned char c : number)
    if (c != ' ' && c != '\t') out += static_cast<char>(c < 0x80 ? std::toupper(c) : c);
  return out;
}

long long BusiPublicService::now() const { return config_.clock ? config_.clock() : std::time(nullptr); }

// A region's operators may set the lock in minutes as the system parameter
// PasswordLockMinutes of region 0; without it the server's own setting holds.
long long BusiPublicService::lockSeconds(soci::session& sql) const {
  Row r;
  if (store::firstRow(sql, "SELECT para_value FROM zp_sys_para WHERE para_name = :n AND region_code = 0", "s",
                      {std::string(kPasswordLockParameter)}, r)) {
    try {
      std::size_t used = 0;
      const long long minutes = std::stoll(r.s(0), &used);
      if (used == r.s(0).size() && minutes > 0 && minutes <= 7 * 24 * 60) return minutes * 60;
    } catch (const std::exception&) {
    }
  }
  return config_.passwordLock.count();
}

std::int32_t BusiPublicService::get_userServId(const SPhoneIn& sIn, SServIdOut& sOut, CBSErrorMsg& err) {
  static const char* const kWhat = "取用户标识";
  if (!has(sIn, SPhoneIn::kIdx_PHONE_ID) || sIn.get_PHONE_ID().empty())
    return refuse(err, kBusiRequest, kWhat, "请求中缺少手机号码PHONE_ID");
  try {
    db_.transact(Database::Intent::read, [&](soci::session& sql) {
      Row r;
      // No subscriber is an answer, not a failure: the counter tells the operator.
      sOut.set_SERV_ID(store::firstRow(sql, "SELECT serv_id FROM zp_user WHERE phone_id = :p", "i",
                                       {sIn.get_PHONE_ID()}, r)
                           ? r.i(0)
                           : 0);
    });
  } catch (const std::exception& e) {
    sOut = SServIdOut{};
    return storeFailed(err, kWhat, e);
  }
  return 0;
}

std::int32_t BusiPublicService::get_userInfo(const SServIdIn& sIn, SUserInfo& sOut, CBSErrorMsg& err) {
  static const char* const kWhat = "查询用户资料";
  if (!has(sIn, SServIdIn::kIdx_SERV_ID) || sIn.get_SERV_ID() == 0)
    return refuse(err, kBusiRequest, kWhat, "请求中缺少用户标识SERV_ID");
  bool found = false;
  try {
    db_.transact(Database::Intent::read, [&](soci::session& sql) {
      found = findUser(sql, sIn.get_SERV_ID(), "", sOut);
    });
  } catch (const std::exception& e) {
    sOut = SUserInfo{};
    return storeFailed(err, kWhat, e);
  }
  if (!found)
    return refuse(err, kBusiUnknownUser, kWhat, "用户资料不存在[SERV_ID=" + std::to_string(sIn.get_SERV_ID()) + "]");
  return 0;
}

std::int32_t BusiPublicService::get_custInfo(const SServIdIn& sIn, SCustInfo& sOut, CBSErrorMsg& err) {
  static const char* const kWhat = "查询客户资料";
  if (!has(sIn, SServIdIn::kIdx_SERV_ID) || sIn.get_SERV_ID() == 0)
    return refuse(err, kBusiRequest, kWhat, "请求中缺少用户标识SERV_ID");
  bool user = false, found = false;
  try {
    db_.transact(Database::Intent::read, [&](soci::session& sql) {
      Subscriber s;
      user = findSubscriber(sql, sIn.get_SERV_ID(), s);
      if (!user) return;
      Row r;
      found = store::firstRow(sql,
                              "SELECT cust_id, cust_name, cust_type, cust_class, reg_type, reg_nbr, region_code, "
                              "county_code, org_id, link_phone, post_address, vip_flag, create_date "
                              "FROM zp_customer WHERE cust_id = :c",
                              "isiiisiiissii", {s.custId}, r);
      if (!found) return;
      sOut.set_CUST_ID(r.i(0));
      sOut.set_CUST_NAME(r.s(1));
      sOut.set_CUST_TYPE(static_cast<std::int16_t>(r.i(2)));
      sOut.set_CUST_CLASS(static_cast<std::int16_t>(r.i(3)));
      sOut.set_REG_TYPE(static_cast<std::int16_t>(r.i(4)));
      sOut.set_REG_NBR(r.s(5));
      sOut.set_REGION_CODE(static_cast<std::int16_t>(r.i(6)));
      sOut.set_COUNTY_CODE(static_cast<std::int16_t>(r.i(7)));
      sOut.set_ORG_ID(static_cast<std::int32_t>(r.i(8)));
      sOut.set_LINK_PHONE(r.s(9));
      sOut.set_POST_ADDRESS(r.s(10));
      sOut.set_VIP_FLAG(static_cast<std::int16_t>(r.i(11)));
      sOut.set_CREATE_DATE(CBSDateTime(r.i(12)));
    });
  } catch (const std::exception& e) {
    sOut = SCustInfo{};
    return storeFailed(err, kWhat, e);
  }
  if (!user)
    return refuse(err, kBusiUnknownUser, kWhat, "用户资料不存在[SERV_ID=" + std::to_string(sIn.get_SERV_ID()) + "]");
  if (!found) return refuse(err, kBusiNotFound, kWhat, "用户的客户资料不存在");
  return 0;
}

std::int32_t BusiPublicService::get_acctInfo(const SServIdIn& sIn, SAcctInfo& sOut, CBSErrorMsg& err) {
  static const char* const kWhat = "查询帐户资料";
  if (!has(sIn, SServIdIn::kIdx_SERV_ID) || sIn.get_SERV_ID() == 0)
    return refuse(err, kBusiRequest, kWhat, "请求中缺少用户标识SERV_ID");
  // Only the subscriber's paying account is asked for by the counter.
  if (sIn.get_FLAG() != 0)
    return refuse(err, kBusiRequest, kWhat, "不支持的查询标志[" + std::to_string(sIn.get_FLAG()) + "]");
  bool user = false, found = false;
  try {
    db_.transact(Database::Intent::read, [&](soci::session& sql) {
      Subscriber s;
      user = findSubscriber(sql, sIn.get_SERV_ID(), s);
      if (!user) return;
      Row r;
      found = store::firstRow(sql,
                              "SELECT acct_id, cust_id, acct_name, acct_type, pay_type, region_code, county_code, "
                              "org_id, sts, create_date FROM zp_account WHERE acct_id = :a",
                              "iisiiiiiii", {s.acctId}, r);
      if (!found) return;
      sOut.set_ACCT_ID(r.i(0));
      sOut.set_CUST_ID(r.i(1));
      sOut.set_ACCT_NAME(r.s(2));
      sOut.set_ACCT_TYPE(static_cast<std::int16_t>(r.i(3)));
      sOut.set_PAY_TYPE(static_cast<std::int16_t>(r.i(4)));
      sOut.set_REGION_CODE(static_cast<std::int16_t>(r.i(5)));
      sOut.set_COUNTY_CODE(static_cast<std::int16_t>(r.i(6)));
      sOut.set_ORG_ID(static_cast<std::int32_t>(r.i(7)));
      sOut.set_STS(static_cast<std::int16_t>(r.i(8)));
      sOut.set_CREATE_DATE(CBSDateTime(r.i(9)));
    });
  } catch (const std::exception& e) {
    sOut = SAcctInfo{};
    return storeFailed(err, kWhat, e);
  }
  if (!user)
    return refuse(err, kBusiUnknownUser, kWhat, "用户资料不存在[SERV_ID=" + std::to_string(sIn.get_SERV_ID()) + "]");
  if (!found) return refuse(err, kBusiNotFound, kWhat, "用户的帐户资料不存在");
  return 0;
}

std::int32_t BusiPublicService::check_userPassword(const SCheckPasswordIn& sIn, SCheckPasswordOut& sOut,
                                                   CBSErrorMsg& err) {
  static const char* const kWhat = "用户密码校验";
  if (!has(sIn, SCheckPasswordIn::kIdx_PHONE_ID) || sIn.get_PHONE_ID().empty())
    return refuse(err, kBusiRequest, kWhat, "请求中缺少手机号码PHONE_ID");
  const long long at = now();
  const int maxFailures = config_.maxPasswordFailures;
  bool user = false;
  long long lockedUntil = 0;
  std::int32_t result = 0;
  int remain = maxFailures;
  std::string why;
  try {
    db_.transact(Database::Intent::write, [&](soci::session& sql) {
      Row r;
      // The subscriber's row is the lock that keeps two counters from
      // counting the same wrong attempt once.
      user = store::firstRow(sql,
                             "SELECT serv_id, password_flag, password_salt, password_hash FROM zp_user "
                             "WHERE phone_id = :p" + std::string(db_.rowLock()),
                             "iiss", {sIn.get_PHONE_ID()}, r);
      if (!user) return;
      const long long servId = r.i(0);
      const store::PasswordHash stored{r.s(2), r.s(3)};
      const bool hasPassword = r.i(1) != 0 && !stored.hash.empty();
      Row a;
      long long failures = 0;
      const bool counted = store::firstRow(
          sql, "SELECT fail_count, locked_until FROM zp_password_attempt WHERE serv_id = :s", "ii", {servId}, a);
      if (counted) {
        failures = a.i(0);
        if (a.i(1) > at) {
          lockedUntil = a.i(1);
          return;
        }
      }
      if (!hasPassword) {
        result = -1;
        why = "用户没有设置服务密码";
        return;
      }
      // A text that is not six digits cannot be anybody's password: it is
      // refused as breaking the rule and not counted as a guess.
      if (!sixDigits(sIn.get_PASSWORD())) {
        result = -1;
        why = "服务密码必须为六位数字";
        remain = static_cast<int>(maxFailures - failures);
        return;
      }
      if (store::verifyPassword(sIn.get_PASSWORD(), stored)) {
        if (counted) store::execute(sql, "DELETE FROM zp_password_attempt WHERE serv_id = :s", {servId});
        // The order of this subscriber may now say his password was checked,
        // but only from this session (see the order's check).
        if (const Caller* me = currentCaller()) {
          store::execute(sql, "DELETE FROM zp_session_password WHERE session_id = :s AND serv_id = :v",
                         {me->sessionId, servId});
          store::execute(sql,
                         "INSERT INTO zp_session_password (session_id, serv_id, verified_at) VALUES (:s, :v, :t)",
                         {me->sessionId, servId, at});
        }
        return;
      }
      ++failures;
      result = -2;
      long long until = 0;
      if (failures >= maxFailures) {
        until = at + lockSeconds(sql);
        why = "密码连续错误" + std::to_string(failures) + "次,密码已锁定至" + clockText(until);
        failures = 0;
        remain = 0;
      } else {
        remain = static_cast<int>(maxFailures - failures);
        why = "密码错误,再错" + std::to_string(remain) + "次将被锁定";
      }
      if (counted)
        store::execute(sql, "UPDATE zp_password_attempt SET fail_count = :f, locked_until = :l WHERE serv_id = :s",
                       {failures, until, servId});
      else
        store::execute(sql,
                       "INSERT INTO zp_password_attempt (serv_id, fail_count, locked_until) VALUES (:s, :f, :l)",
                       {servId, failures, until});
    });
  } catch (const std::exception& e) {
    sOut = SCheckPasswordOut{};
    return storeFailed(err, kWhat, e);
  }
  if (!user) return refuse(err, kBusiUnknownUser, kWhat, "用户资料不存在[" + sIn.get_PHONE_ID() + "]");
  if (lockedUntil)
    return refuse(err, kBusiPasswordLocked, "用户密码已锁定",
                  "密码连续错误" + std::to_string(maxFailures) + "次已被锁定,请于" + clockText(lockedUntil) +
                      "之后再试,或请用户到营业厅重置密码");
  sOut.set_RESULT(result);
  sOut.set_REMAIN_TRIES(remain);
  // The call itself succeeded; the texts say why the password was not taken.
  if (result != 0) {
    err.text1 = why;
    err.text2 = why;
  }
  return 0;
}

BusiRuleAnswer answerBusiRule(soci::session& sql, const SSoInfo& so, long long busiCode, long long point,
                              long long at) {
  BusiRuleAnswer answer;
  Subscriber s;
  answer.userFound = findSubscriber(sql, so.get_SERV_ID(), s);
  if (!answer.userFound) return answer;
  const auto holds = [&](const std::string& kind, long long value) -> bool {
    Row r;
    if (kind == "always") return true;
    if (kind == "user_stopped") return s.userSts != 1;
    if (kind == "prepaid") return s.billType == 1;
    if (kind == "remote_region")
      return has(so, SSoInfo::kIdx_SO_REGION_CODE) && so.get_SO_REGION_CODE() != s.regionCode;
    if (kind == "arrears") {
      long long owed = 0;
      if (store::firstRow(sql, "SELECT owe_fee FROM zp_acct_owe WHERE acct_id = :a", "i", {s.acctId}, r))
        owed = r.i(0);
      return owed > value;
    }
    if (kind == "recent_change") {
      const long long since = packedAt(at - value * 86400);
      if (s.stsDate >= since) return true;
      return store::firstRow(sql, "SELECT so_nbr FROM zp_order WHERE serv_id = :s AND so_date >= :d", "i",
                             {s.servId, since}, r);
    }
    answer.broken = "业务[" + std::to_string(busiCode) + "]检查点[" + std::to_string(point) + "]的条件[" + kind +
                    "]无法识别";
    return false;
  };
  store::forEachRow(sql,
                    "SELECT cond_kind, cond_value, check_result, check_desc, next_point, ent_id, priv_id "
                    "FROM zp_busi_rule WHERE busi_code = :b AND check_point = :p ORDER BY seq",
                    "siisiii", {busiCode, point}, [&](const Row& r) {
                      if (answer.answered || !answer.broken.empty() || !holds(r.s(0), r.i(1))) return;
                      answer.answered = true;
                      answer.result = static_cast<std::int32_t>(r.i(2));
                      answer.desc = r.s(3);
                      answer.nextPoint = static_cast<std::int32_t>(r.i(4));
                      answer.entId = static_cast<std::int32_t>(r.i(5));
                      answer.privId = static_cast<std::int32_t>(r.i(6));
                    });
  // Nothing at this point holds (or the business has no rules): passed.
  return answer;
}

std::int32_t BusiPublicService::check_busiRule(const SCheckBusiRuleIn& sIn, SSoCheckOut& sOut, CBSErrorMsg& err) {
  static const char* const kWhat = "业务规则检查";
  const SSoInfo& so = sIn.get_SOINFO();
  if (!has(sIn, SCheckBusiRuleIn::kIdx_SOINFO) || !has(so, SSoInfo::kIdx_BUSI_CODE))
    return refuse(err, kBusiRequest, kWhat, "请求中缺少业务代码BUSI_CODE");
  if (!has(so, SSoInfo::kIdx_SERV_ID) || so.get_SERV_ID() == 0)
    return refuse(err, kBusiRequest, kWhat, "请求中缺少用户标识SERV_ID");
  const long long busiCode = so.get_BUSI_CODE();
  const long long point = sIn.get_CHECKPOINT();
  const long long at = now();
  BusiRuleAnswer answer;
  try {
    db_.transact(Database::Intent::read,
                 [&](soci::session& sql) { answer = answerBusiRule(sql, so, busiCode, point, at); });
  } catch (const std::exception& e) {
    sOut = SSoCheckOut{};
    return storeFailed(err, kWhat, e);
  }
  if (!answer.userFound) {
    sOut = SSoCheckOut{};
    return refuse(err, kBusiUnknownUser, kWhat, "用户资料不存在[SERV_ID=" + std::to_string(so.get_SERV_ID()) + "]");
  }
  if (!answer.broken.empty()) {
    sOut = SSoCheckOut{};
    return refuse(err, kBusiRuleBroken, kWhat, answer.broken);
  }
  sOut.set_CHECKRESULT(answer.result);
  sOut.set_CHECKDESC(answer.desc);
  sOut.set_CHECKPOINT(answer.nextPoint);
  if (answer.answered) {
    sOut.set_ENTID(answer.entId);
    sOut.set_PRIVID(answer.privId);
  }
  return 0;
}

std::int32_t BusiPublicService::check_blackCust(const SCheckBlackCustIn& sIn, SCheckBlackCustOut& sOut,
                                                CBSErrorMsg& err) {
  static const char* const kWhat = "黑名单检查";
  const std::string number = normalisedDocumentNumber(sIn.get_REG_NBR());
  if (!has(sIn, SCheckBlackCustIn::kIdx_REG_NBR) || number.empty())
    return refuse(err, kBusiRequest, kWhat, "请求中缺少证件号码REG_NBR");
  try {
    db_.transact(Database::Intent::read, [&](soci::session& sql) {
      Row r;
      if (store::firstRow(sql, "SELECT list_type, reason FROM zp_black_list WHERE reg_type = :t AND reg_nbr = :n",
                          "is", {static_cast<long long>(sIn.get_REG_TYPE()), number}, r)) {
        sOut.set_RESULT(static_cast<std::int32_t>(r.i(0)));
        sOut.set_REASON(r.s(1));
      } else {
        sOut.set_RESULT(0);
        sOut.set_REASON("");
      }
    });
  } catch (const std::exception& e) {
    sOut = SCheckBlackCustOut{};
    return storeFailed(err, kWhat, e);
  }
  return 0;
}

std::int32_t BusiPublicService::get_codeList(const std::int32_t& iListNo, SCodeItemList& listItems,
                                             CBSErrorMsg& err) {
  static const char* const kWhat = "取代码表";
  try {
    db_.transact(Database::Intent::read, [&](soci::session& sql) {
      store::forEachRow(sql, "SELECT code, name FROM zp_code_list WHERE list_no = :l ORDER BY code", "is",
                        {static_cast<long long>(iListNo)}, [&](const Row& r) {
                          SCodeItem item;
                          item.set_LIST_NO(iListNo);
                          item.set_CODE(static_cast<std::int32_t>(r.i(0)));
                          item.set_NAME(r.s(1));
                          listItems.push_back(std::move(item));
                        });
    });
  } catch (const std::exception& e) {
    listItems.clear();
    return storeFailed(err, kWhat, e);
  }
  if (listItems.empty()) return refuse(err, kBusiNotFound, kWhat, "代码表[" + std::to_string(iListNo) + "]不存在");
  return 0;
}

std::int32_t BusiPublicService::get_verifyType(const std::int32_t& iBusiCode, SVerifyTypeOut& sOut,
                                               CBSErrorMsg& err) {
  static const char* const kWhat = "取业务验证方式";
  try {
    db_.transact(Database::Intent::read, [&](soci::session& sql) {
      Row r;
      sOut.set_BUSI_CODE(iBusiCode);
      sOut.set_VERIFY_TYPE(store::firstRow(sql, "SELECT verify_type FROM zp_busi_verify_type WHERE busi_code = :b",
                                           "i", {static_cast<long long>(iBusiCode)}, r)
                               ? static_cast<std::int16_t>(r.i(0))
                               : static_cast<std::int16_t>(0));
    });
  } catch (const std::exception& e) {
    sOut = SVerifyTypeOut{};
    return storeFailed(err, kWhat, e);
  }
  return 0;
}

}  // namespace zp::backend
