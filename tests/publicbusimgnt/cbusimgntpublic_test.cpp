#include "scoped_env.h"
#include "cbusimgntpublic.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backend_world.h"
#include "busidata_service.h"

using namespace MBusiDataMgnt;
using zp::store::Backend;
using zp::testing::BackendWorld;

namespace {

using zp::testing::ScopedEnv;

// Providers 1, 3 and 4 are in service; 2 and 5 are not (listed out of order
// on purpose). Songs of regions 571 and 572, out of order too.
const char* kWorld = R"({
  "service_providers": [
    {"sp_id": 3, "sp_name": "星图导航", "sp_type": 1, "sts": 1, "oper_date": "2024-06-15 14:30:00", "op_id": 11, "remark": "车队管理"},
    {"sp_id": 2, "sp_name": "停用服务商", "sts": 0},
    {"sp_id": 1, "sp_name": "天途定位", "sp_type": 2},
    {"sp_id": 5, "sp_name": "待审核服务商", "sts": 2},
    {"sp_id": 4, "sp_name": "通达位置"}],
  "crbt_songs": [
    {"region_code": 571, "song_id": "S03", "song_name": "春江花月夜"},
    {"region_code": 571, "song_id": "S01", "song_name": "茉莉花", "county_code": 1, "remark": "民乐"},
    {"region_code": 571, "song_id": "S02", "song_name": "高山流水"},
    {"region_code": 572, "song_id": "T01", "song_name": "太湖美"}]
})";

SCrbtsInfo regionFilter(short region) {
  SCrbtsInfo f;
  f.set_REGION_CODE(region);
  return f;
}

SSpInfo sentinelSp() {
  SSpInfo s;
  s.set_SP_ID(-1);
  s.set_SP_NAME("kept");
  return s;
}

SCrbtsInfo sentinelSong() {
  SCrbtsInfo s;
  s.set_SONG_ID("kept");
  return s;
}

bool isChinese(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return true;
  return false;
}

class BusimgntPublic : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    world = std::make_unique<BackendWorld>(GetParam(), kWorld);
    ASSERT_TRUE(lib.Init(1304, 571, 1, 110, 11)) << lib.LastError().text2;
  }

  std::unique_ptr<BackendWorld> world;
  CBusimgntPublic lib;
};

TEST_P(BusimgntPublic, ServiceProvidersInServiceBySpId) {
  SSpInfoList list = {sentinelSp()};  // replaced, not appended to
  ASSERT_TRUE(lib.GetSpInfoList(list)) << lib.LastError().text2;
  EXPECT_EQ(lib.LastError(), CBSErrorMsg{});
  std::vector<int> ids;
  for (const SSpInfo& sp : list) ids.push_back(sp.get_SP_ID());
  EXPECT_EQ(ids, (std::vector<int>{1, 3, 4}));
  ASSERT_EQ(list.size(), 3u);
  const SSpInfo& three = list[1];
  EXPECT_EQ(three.get_SP_NAME(), "星图导航");
  EXPECT_EQ(three.get_SP_TYPE(), 1);
  EXPECT_EQ(three.get_STS(), 1);
  EXPECT_EQ(three.get_OPER_DATE().toString(), "2024-06-15 14:30:00");
  EXPECT_EQ(three.get_OP_ID(), 11);
  EXPECT_EQ(three.get_REMARK(), "车队管理");
  EXPECT_EQ(list[0].get_SP_NAME(), "天途定位");
  EXPECT_EQ(list[0].get_SP_TYPE(), 2);
  EXPECT_EQ(list[2].get_SP_NAME(), "通达位置");
}

TEST_P(BusimgntPublic, SongsOfTheFiltersRegion) {
  struct Case {
    short region;
    std::vector<std::string> ids;
  };
  const Case cases[] = {{571, {"S01", "S02", "S03"}}, {572, {"T01"}}, {573, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.region);
    SCrbtsInfoList list = {sentinelSong()};
    ASSERT_TRUE(lib.GetCrbtsList(regionFilter(c.region), list)) << lib.LastError().text2;
    std::vector<std::string> ids;
    for (const SCrbtsInfo& s : list) {
      ids.push_back(s.get_SONG_ID());
      EXPECT_EQ(s.get_REGION_CODE(), c.region);
    }
    EXPECT_EQ(ids, c.ids);
  }
  SCrbtsInfoList list;
  ASSERT_TRUE(lib.GetCrbtsList(regionFilter(571), list));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].get_SONG_NAME(), "茉莉花");
  EXPECT_EQ(list[0].get_COUNTY_CODE(), 1);
  EXPECT_EQ(list[0].get_REMARK(), "民乐");
  EXPECT_EQ(list[2].get_SONG_NAME(), "春江花月夜");
}

TEST_P(BusimgntPublic, FilterWithoutRegionIsRefused) {
  SCrbtsInfoList list = {sentinelSong()};
  SCrbtsInfo noRegion;
  noRegion.set_SONG_ID("S01");
  EXPECT_FALSE(lib.GetCrbtsList(noRegion, list));
  EXPECT_EQ(lib.LastError().code, zp::backend::kBusiDataRequest);
  EXPECT_TRUE(isChinese(lib.LastError().text1) && isChinese(lib.LastError().text2));
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].get_SONG_ID(), "kept");
}

TEST_P(BusimgntPublic, ServerRefusalsReachLastErrorAndLeaveTheList) {
  const CBSErrorMsg refusal{4712, 5, "故障注入", "营业数据服务暂停"};
  struct Case {
    const zpd_operation& op;
    std::function<bool(CBusimgntPublic&, bool& kept)> call;
  };
  const Case cases[] = {
      {IBusiDataMgnt_get_spInfoList,
       [](CBusimgntPublic& l, bool& kept) {
         SSpInfoList list = {sentinelSp()};
         const bool ok = l.GetSpInfoList(list);
         kept = list.size() == 1 && list[0].get_SP_ID() == -1;
         return ok;
       }},
      {IBusiDataMgnt_get_crbtsList,
       [](CBusimgntPublic& l, bool& kept) {
         SCrbtsInfoList list = {sentinelSong()};
         const bool ok = l.GetCrbtsList(regionFilter(571), list);
         kept = list.size() == 1 && list[0].get_SONG_ID() == "kept";
         return ok;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.op.qualifiedName);
    world->fail(c.op, {refusal.code, refusal.code2, refusal.text1, refusal.text2});
    bool kept = false;
    EXPECT_FALSE(c.call(lib, kept));
    EXPECT_TRUE(kept);
    EXPECT_EQ(lib.LastError(), refusal);
    world->dispatcher->clear_faults();
    EXPECT_TRUE(c.call(lib, kept)) << lib.LastError().text2;
    EXPECT_FALSE(kept);
    EXPECT_EQ(lib.LastError(), CBSErrorMsg{});
  }
}

TEST_P(BusimgntPublic, UnreachableServer) {
  {
    ScopedEnv broker("ZP_BROKER_ZEPHYRON", "inproc:" + zp::testing::uniqueName("nobody"));
    CBusimgntPublic other;
    EXPECT_FALSE(other.Init(1304, 571, 1, 110, 11));
    EXPECT_EQ(other.LastError().code, ZPE_CONNECT);
    EXPECT_NE(other.LastError().text1, "no error");
    EXPECT_NE(other.LastError().text2.find("ZPE_CONNECT"), std::string::npos) << other.LastError().text2;
    EXPECT_NE(other.LastError().text2.find("后台服务[ZEPHYRON]("), std::string::npos) << "names the broker's address";
    SSpInfoList list = {sentinelSp()};
    EXPECT_FALSE(other.GetSpInfoList(list));
    EXPECT_EQ(other.LastError().code, ZPE_NOT_BOUND);
    EXPECT_NE(other.LastError().text1, "no error");
    EXPECT_EQ(list.size(), 1u);
  }
  world->registration.reset();
  SCrbtsInfoList list = {sentinelSong()};
  EXPECT_FALSE(lib.GetCrbtsList(regionFilter(571), list));
  EXPECT_EQ(lib.LastError().code, ZPE_CONNECT);
  EXPECT_NE(lib.LastError().text2.find("ZPE_CONNECT"), std::string::npos) << lib.LastError().text2;
    EXPECT_NE(lib.LastError().text2.find("后台服务[ZEPHYRON]("), std::string::npos) << "names the broker's address";
  EXPECT_EQ(list.size(), 1u);
}

TEST_P(BusimgntPublic, StallPastTheDeadlineIsATimeout) {
  world->serveTcp();
  world->fail(IBusiDataMgnt_get_crbtsList, {0, 0, "", "", std::chrono::milliseconds(1500)});
  {
    ScopedEnv deadline("ZP_CALL_TIMEOUT_MS", "300");
    CBusimgntPublic remote;
    ASSERT_TRUE(remote.Init(1324, 571, 1, 110, 11)) << remote.LastError().text2;
    SSpInfoList sps;
    EXPECT_TRUE(remote.GetSpInfoList(sps)) << remote.LastError().text2;  // other operations answer in time
    EXPECT_EQ(sps.size(), 3u);
    SCrbtsInfoList list = {sentinelSong()};
    EXPECT_FALSE(remote.GetCrbtsList(regionFilter(571), list));
    EXPECT_EQ(remote.LastError().code, ZPE_TIMEOUT);
    EXPECT_NE(remote.LastError().text2.find("ZPE_TIMEOUT"), std::string::npos) << remote.LastError().text2;
    EXPECT_NE(remote.LastError().text2.find("后台服务[ZEPHYRON]("), std::string::npos) << "names the broker's address";
    EXPECT_NE(remote.LastError().text1, "no error");
    EXPECT_EQ(list.size(), 1u);
  }
  world->dispatcher->clear_faults();
  world->tcp->stop();  // waits for the stalled call before the store goes
}

INSTANTIATE_TEST_SUITE_P(Backends, BusimgntPublic, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });

// The demo region as zpserver --seed-demo loads it.
TEST(BusimgntPublicDemo, DemoProvidersAndSongs) {
  BackendWorld world(Backend::sqlite, "{}");
  ASSERT_NO_THROW(zp::testing::loadDemo(*world.db, {"10-core.json", "20-sysmgnt.json"}));
  CBusimgntPublic lib;
  ASSERT_TRUE(lib.Init(1304, 571, 1, 5710101, 1001));

  SSpInfoList sps;
  ASSERT_TRUE(lib.GetSpInfoList(sps)) << lib.LastError().text2;
  EXPECT_GE(sps.size(), 3u);
  bool hasThree = false;
  for (const SSpInfo& sp : sps) {
    EXPECT_EQ(sp.get_STS(), zp::backend::kSpValid);
    hasThree |= sp.get_SP_ID() == 3;  // the provider of subscriber 13957100004's GPS
  }
  EXPECT_TRUE(hasThree);
  EXPECT_LT(sps.size(), static_cast<std::size_t>(world.count("SELECT COUNT(*) FROM zp_sp_info")));

  struct Case {
    short region;
    std::size_t atLeast;
  };
  for (const Case& c : {Case{571, 6}, Case{572, 2}}) {
    SCOPED_TRACE(c.region);
    SCrbtsInfoList songs;
    ASSERT_TRUE(lib.GetCrbtsList(regionFilter(c.region), songs)) << lib.LastError().text2;
    EXPECT_GE(songs.size(), c.atLeast);
  }
  SCrbtsInfoList songs;
  ASSERT_TRUE(lib.GetCrbtsList(regionFilter(571), songs));
  bool hasA01 = false;
  for (const SCrbtsInfo& s : songs) hasA01 |= s.get_SONG_ID() == "A01";  // subscriber 13957100002's ring
  EXPECT_TRUE(hasA01);
}

}  // namespace
