#include "subscriber_records.h"

#include <soci/soci.h>

#include "rows.h"

namespace zp::backend {
namespace {

using namespace MPublicDef;
using store::Row;

const char* const kUserColumns =
    "serv_id, phone_id, cust_id, acct_id, region_code, county_code, org_id, plan_id, brand, user_type, "
    "user_sts, os_sts, bill_type, sim_id, password_flag, create_date, sts_date";

SUserInfo userInfoOf(const Row& r) {
  SUserInfo u;
  u.set_SERV_ID(r.i(0));
  u.set_PHONE_ID(r.s(1));
  u.set_CUST_ID(r.i(2));
  u.set_ACCT_ID(r.i(3));
  u.set_REGION_CODE(static_cast<std::int16_t>(r.i(4)));
  u.set_COUNTY_CODE(static_cast<std::int16_t>(r.i(5)));
  u.set_ORG_ID(static_cast<std::int32_t>(r.i(6)));
  u.set_PLAN_ID(static_cast<std::int32_t>(r.i(7)));
  u.set_BRAND(static_cast<std::int32_t>(r.i(8)));
  u.set_USER_TYPE(static_cast<std::int16_t>(r.i(9)));
  u.set_USER_STS(static_cast<std::int16_t>(r.i(10)));
  u.set_OS_STS(r.s(11));
  u.set_BILL_TYPE(static_cast<std::int16_t>(r.i(12)));
  u.set_SIM_ID(r.s(13));
  u.set_PASSWORD_FLAG(static_cast<std::int16_t>(r.i(14)));
  u.set_CREATE_DATE(CBSDateTime(r.i(15)));
  u.set_STS_DATE(CBSDateTime(r.i(16)));
  return u;
}

}  // namespace

bool findUser(soci::session& sql, long long servId, const std::string& lock, SUserInfo& out) {
  Row r;
  if (!store::firstRow(sql, std::string("SELECT ") + kUserColumns + " FROM zp_user WHERE serv_id = :s" + lock,
                       "isiiiiiiiiisisiii", {servId}, r))
    return false;
  out = userInfoOf(r);
  return true;
}

}  // namespace zp::backend
