#include "busidata_service.h"

#include <soci/soci.h>

#include <string>

#include "rows.h"
#include "service_support.h"

namespace zp::backend {
namespace {

using namespace MBusiDataMgnt;

}  // namespace

std::int32_t BusiDataService::get_spInfoList(const std::int32_t&, SSpInfoList& listSpInfo, CBSErrorMsg& err) {
  try {
    db_.transact(store::Database::Intent::read, [&](soci::session& sql) {
      store::forEachRow(sql,
                        "SELECT sp_id, sp_name, sp_type, sts, oper_date, op_id, remark FROM zp_sp_info "
                        "WHERE sts = :s ORDER BY sp_id",
                        "isiiiis", {static_cast<long long>(kSpValid)}, [&](const store::Row& r) {
                          SSpInfo sp;
                          sp.set_SP_ID(static_cast<std::int32_t>(r.i(0)));
                          sp.set_SP_NAME(r.s(1));
                          sp.set_SP_TYPE(static_cast<std::int16_t>(r.i(2)));
                          sp.set_STS(static_cast<std::int16_t>(r.i(3)));
                          sp.set_OPER_DATE(CBSDateTime(r.i(4)));
                          sp.set_OP_ID(static_cast<std::int32_t>(r.i(5)));
                          sp.set_REMARK(r.s(6));
                          listSpInfo.push_back(std::move(sp));
                        });
    });
  } catch (const std::exception& e) {
    listSpInfo.clear();
    return refuse(err, kBusiDataStore, "取服务商列表", std::string("数据库访问失败:") + e.what());
  }
  return 0;
}

std::int32_t BusiDataService::get_crbtsList(const SCrbtsInfo& sFilter, SCrbtsInfoList& listCrbts, CBSErrorMsg& err) {
  static const char* const kWhat = "取彩铃铃声列表";
  // Songs are kept per region; a filter without one would hand every
  // region's catalogue to the counter.
  if (!((sFilter.UsedMarker >> SCrbtsInfo::kIdx_REGION_CODE) & 1u))
    return refuse(err, kBusiDataRequest, kWhat, "查询条件中缺少地区REGION_CODE");
  try {
    db_.transact(store::Database::Intent::read, [&](soci::session& sql) {
      store::forEachRow(sql,
                        "SELECT song_id, song_name, region_code, county_code, remark FROM zp_crbt_song "
                        "WHERE region_code = :r ORDER BY song_id",
                        "ssiis", {static_cast<long long>(sFilter.get_REGION_CODE())}, [&](const store::Row& r) {
                          SCrbtsInfo song;
                          song.set_SONG_ID(r.s(0));
                          song.set_SONG_NAME(r.s(1));
                          song.set_REGION_CODE(static_cast<std::int16_t>(r.i(2)));
                          song.set_COUNTY_CODE(static_cast<std::int16_t>(r.i(3)));
                          song.set_REMARK(r.s(4));
                          listCrbts.push_back(std::move(song));
                        });
    });
  } catch (const std::exception& e) {
    listCrbts.clear();
    return refuse(err, kBusiDataStore, kWhat, std::string("数据库访问失败:") + e.what());
  }
  return 0;
}

}  // namespace zp::backend
