#include "scoped_env.h"
#include "csysmgntpublic.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "backend_world.h"
#include "sysmgnt_service.h"

using namespace MSysmgntDef;
using zp::store::Backend;
using zp::testing::BackendWorld;

namespace {

using zp::testing::ScopedEnv;

// Region 571 has its own PromPopedomValid, region 572 an explicitly empty
// one, every other region falls back to region 0. Operator 11 holds three
// rights, operator 12 one of them.
const char* kWorld = R"({
  "operators": [{"op_id": 11, "org_id": 110, "region_code": 571},
                {"op_id": 12, "org_id": 120, "region_code": 571}],
  "operator_rights": [{"op_id": 11, "ent_id": 100, "priv_id": 10},
                      {"op_id": 11, "ent_id": 101, "priv_id": 10},
                      {"op_id": 11, "ent_id": 4101, "priv_id": 41},
                      {"op_id": 12, "ent_id": 101, "priv_id": 10}],
  "sys_params": [{"region_code": 0, "para_name": "PromPopedomValid", "para_value": "0@0"},
                 {"region_code": 571, "para_name": "PromPopedomValid", "para_value": "1@1"},
                 {"region_code": 572, "para_name": "PromPopedomValid", "para_value": ""},
                 {"region_code": 0, "para_name": "MscCall", "para_value": "1121,1122"},
                 {"region_code": 571, "para_name": "GUI1302", "para_value": "全球呼开通即时生效"}],
  "ent_variables": [{"var_name": "OTHER", "var_value": "not this one"},
                    {"var_name": "LOCATION", "var_value": "LOC_DAZUROV"}]
})";

// Sets an environment variable for one scope and puts the old value back.
SOperPrivAuth ask(int entId, std::optional<int> privId) {
  SOperPrivAuth a;
  a.set_ENT_ID(entId);
  if (privId) a.set_PRIV_ID(*privId);
  return a;
}

bool isChinese(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return true;
  return false;
}

class SysMgntPublic : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    ZP_REQUIRE_BACKEND(GetParam());
    world = std::make_unique<BackendWorld>(GetParam(), kWorld);
    ASSERT_TRUE(lib.Init(0, 0, 0, 0, 0)) << lib.LastError().text2;
  }

  std::unique_ptr<BackendWorld> world;
  CSysMgntPublic lib;
};

TEST_P(SysMgntPublic, ParameterOfTheRegionElseOfRegionZero) {
  struct Case {
    int region;
    const char* name;
    std::optional<std::string> value;  // none: refused
  };
  const Case cases[] = {
      {571, "PromPopedomValid", "1@1"},  // the region's own row wins
      {572, "PromPopedomValid", ""},     // an empty own value is still the region's
      {573, "PromPopedomValid", "0@0"},  // no own row: region 0's
      {0, "PromPopedomValid", "0@0"},
      {0, "MscCall", "1121,1122"},
      {571, "MscCall", "1121,1122"},
      {571, "GUI1302", "全球呼开通即时生效"},
      {572, "GUI1302", std::nullopt},  // another region's row is no fallback
      {571, "prompopedomvalid", std::nullopt},  // names are exact
      {571, "NoSuchParameter", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.region) + " " + c.name);
    std::string value = "untouched";
    const bool ok = lib.GetSysParaMaxValue(c.region, 0, c.name, value);
    ASSERT_EQ(ok, c.value.has_value()) << lib.LastError().text1 << " / " << lib.LastError().text2;
    if (ok) {
      EXPECT_EQ(value, *c.value);
      EXPECT_EQ(lib.LastError(), CBSErrorMsg{});
    } else {
      EXPECT_EQ(value, "untouched");
      EXPECT_EQ(lib.LastError().code, zp::backend::kSysMgntUnknownParameter);
      EXPECT_TRUE(isChinese(lib.LastError().text1));
      EXPECT_NE(lib.LastError().text2.find(c.name), std::string::npos) << lib.LastError().text2;
    }
  }
}

TEST_P(SysMgntPublic, RequestsTheServerCannotAnswerAreRefused) {
  std::string value = "untouched";
  EXPECT_FALSE(lib.GetSysParaMaxValue(571, 1, "PromPopedomValid", value));  // only flag 0 is defined
  EXPECT_EQ(lib.LastError().code, zp::backend::kSysMgntRequest);
  EXPECT_TRUE(isChinese(lib.LastError().text1) && isChinese(lib.LastError().text2));
  EXPECT_FALSE(lib.GetSysParaMaxValue(571, 0, "", value));
  EXPECT_EQ(lib.LastError().code, zp::backend::kSysMgntRequest);
  // A name without a GBK form never leaves the client.
  EXPECT_FALSE(lib.GetSysParaMaxValue(571, 0, "Prom\xF0\x9F\x98\x80", value));
  EXPECT_EQ(lib.LastError().code, ZPE_CLN_MARSHAL_IN);
  EXPECT_NE(lib.LastError().text1, "no error");
  EXPECT_EQ(value, "untouched");
  // The next call starts from a clean error record.
  EXPECT_TRUE(lib.GetSysParaMaxValue(571, 0, "PromPopedomValid", value));
  EXPECT_EQ(lib.LastError(), CBSErrorMsg{});
}

TEST_P(SysMgntPublic, CurrentDateIsTheServersClock) {
  CBSDateTime now;
  ASSERT_TRUE(lib.getCurrentDate(now)) << lib.LastError().text2;
  EXPECT_EQ(now.toString(), "2026-12-10 10:00:00");
  world->clock += 86400 * 30 + 3661;
  ASSERT_TRUE(lib.getCurrentDate(now));
  EXPECT_EQ(now.toString(), "2027-01-09 11:01:01");
}

TEST_P(SysMgntPublic, EnterpriseLocationVariable) {
  std::string value;
  ASSERT_TRUE(lib.GetEntVariable(value)) << lib.LastError().text2;
  EXPECT_EQ(value, "LOC_DAZUROV");
  world->db->transact(zp::store::Database::Intent::write,
                      [](soci::session& sql) { sql << "DELETE FROM zp_ent_variable WHERE var_name = 'LOCATION'"; });
  value = "untouched";
  EXPECT_FALSE(lib.GetEntVariable(value));
  EXPECT_EQ(value, "untouched");
  EXPECT_EQ(lib.LastError().code, zp::backend::kSysMgntNoVariable);
  EXPECT_TRUE(isChinese(lib.LastError().text1) && isChinese(lib.LastError().text2));
}

TEST_P(SysMgntPublic, OperatorRightsOneAnswerPerAskInAskOrder) {
  const SOperPrivAuthList asks = {
      ask(4101, 41),          // granted under its own privilege
      ask(4101, 10),          // the entity, under another privilege
      ask(999, 10),           // an entity nobody knows
      ask(101, 10),           // granted to both operators
      ask(101, 41),           // the entity, but not this privilege
      ask(100, 10),           // granted to operator 11 only
      ask(100, std::nullopt)  // a question without its privilege grants nothing
  };
  struct Case {
    int opId;
    std::vector<int> granted;
  };
  const Case cases[] = {{11, {1, 0, 0, 1, 0, 1, 0}}, {12, {0, 0, 0, 1, 0, 0, 0}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.opId);
    SOperPrivAuthList answers = {ask(7, 7), ask(8, 8)};  // replaced, not appended to
    world->signIn(c.opId);
    ASSERT_TRUE(lib.CheckOperRight(c.opId, c.opId * 10, asks, answers)) << lib.LastError().text2;
    ASSERT_EQ(answers.size(), asks.size());
    for (std::size_t i = 0; i < asks.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(answers[i].get_ENT_ID(), asks[i].get_ENT_ID());
      EXPECT_EQ(answers[i].get_PRIV_ID(), asks[i].get_PRIV_ID());
      EXPECT_TRUE((answers[i].UsedMarker >> SOperPrivAuth::kIdx_AUTHORIZED) & 1u);
      EXPECT_EQ(answers[i].get_AUTHORIZED(), c.granted[i]);
    }
  }

  world->signIn(11);
  SOperPrivAuthList answers = {ask(7, 7)};
  ASSERT_TRUE(lib.CheckOperRight(11, 110, {}, answers));
  EXPECT_TRUE(answers.empty());

  // Only the signed-in operator's own rights are told.
  answers = {ask(7, 7)};
  EXPECT_FALSE(lib.CheckOperRight(12, 120, asks, answers));
  EXPECT_EQ(lib.LastError().code, zp::backend::kSessionMismatch);
  EXPECT_TRUE(isChinese(lib.LastError().text1) && isChinese(lib.LastError().text2));
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].get_ENT_ID(), 7);
}

// A refusal of the server reaches LastError as it was sent, the outputs
// stay as they were, and the next call starts from a clean record.
TEST_P(SysMgntPublic, ServerRefusalsReachLastError) {
  const CBSErrorMsg refusal{4711, 3, "故障注入", "系统管理服务暂停"};
  // Each call reports whether the library succeeded and whether the output
  // argument still holds what the caller put there.
  struct Case {
    const zpd_operation& op;
    std::function<bool(CSysMgntPublic&, bool& kept)> call;
  };
  const Case cases[] = {
      {ISysmgntPublic_get_sysParaValue,
       [](CSysMgntPublic& l, bool& kept) {
         std::string v = "kept";
         const bool ok = l.GetSysParaMaxValue(571, 0, "PromPopedomValid", v);
         kept = v == "kept";
         return ok;
       }},
      {ISysmgntPublic_get_currentDate,
       [](CSysMgntPublic& l, bool& kept) {
         CBSDateTime d = CBSDateTime::make(2001, 2, 3);
         const bool ok = l.getCurrentDate(d);
         kept = d == CBSDateTime::make(2001, 2, 3);
         return ok;
       }},
      {ISysmgntPublic_check_operRight,
       [](CSysMgntPublic& l, bool& kept) {
         SOperPrivAuthList answers = {ask(7, 7)};
         const bool ok = l.CheckOperRight(11, 110, {ask(101, 10)}, answers);
         kept = answers.size() == 1 && answers[0].get_ENT_ID() == 7;
         return ok;
       }},
      {ISysmgntPublic_get_entVariable,
       [](CSysMgntPublic& l, bool& kept) {
         std::string v = "kept";
         const bool ok = l.GetEntVariable(v);
         kept = v == "kept";
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

TEST_P(SysMgntPublic, UnreachableServer) {
  {
    ScopedEnv broker("ZP_BROKER_ZEPHYRON", "inproc:" + zp::testing::uniqueName("nobody"));
    CSysMgntPublic other;
    EXPECT_FALSE(other.Init(0, 0, 0, 0, 0));
    EXPECT_EQ(other.LastError().code, ZPE_CONNECT);
    EXPECT_NE(other.LastError().text1, "no error");
    EXPECT_NE(other.LastError().text2.find("ZPE_CONNECT"), std::string::npos) << other.LastError().text2;
    EXPECT_NE(other.LastError().text2.find("后台服务[ZEPHYRON]("), std::string::npos) << "names the broker's address";
    // An object whose Init failed refuses every call with a text.
    std::string v = "kept";
    EXPECT_FALSE(other.GetSysParaMaxValue(571, 0, "PromPopedomValid", v));
    EXPECT_EQ(other.LastError().code, ZPE_NOT_BOUND);
    EXPECT_NE(other.LastError().text2.find("ZPE_NOT_BOUND"), std::string::npos) << other.LastError().text2;
    EXPECT_NE(other.LastError().text2.find("后台服务[ZEPHYRON]("), std::string::npos) << "names the broker's address";
    EXPECT_NE(other.LastError().text1, "no error");
    EXPECT_EQ(v, "kept");
  }
  {
    // No address anywhere: neither in the environment nor in a settings file.
    ScopedEnv runPath("ZP_RUN_PATH", (std::filesystem::temp_directory_path() / zp::testing::uniqueName("none")).string());
    ScopedEnv broker("ZP_BROKER_ZEPHYRON", "");
    CSysMgntPublic other;
    EXPECT_FALSE(other.Init(0, 0, 0, 0, 0));
    EXPECT_EQ(other.LastError().code, ZPE_BROKER_UNKNOWN);
  }
  // The server refuses once, then goes away: the second failure carries
  // nothing of the first.
  world->fail(ISysmgntPublic_get_sysParaValue, {4711, 3, "故障注入", "系统管理服务暂停"});
  std::string v;
  EXPECT_FALSE(lib.GetSysParaMaxValue(571, 0, "PromPopedomValid", v));
  world->registration.reset();
  EXPECT_FALSE(lib.GetSysParaMaxValue(571, 0, "PromPopedomValid", v));
  EXPECT_EQ(lib.LastError().code, ZPE_CONNECT);
  EXPECT_EQ(lib.LastError().code2, 0);
  EXPECT_NE(lib.LastError().text1, "故障注入");
  EXPECT_NE(lib.LastError().text1, "no error");
  EXPECT_NE(lib.LastError().text2.find("ZPE_CONNECT"), std::string::npos) << lib.LastError().text2;
    EXPECT_NE(lib.LastError().text2.find("后台服务[ZEPHYRON]("), std::string::npos) << "names the broker's address";
  CBSDateTime d;
  EXPECT_FALSE(lib.getCurrentDate(d));
  EXPECT_EQ(lib.LastError().code, ZPE_CONNECT);
  EXPECT_NE(lib.LastError().text2.find("ZPE_CONNECT"), std::string::npos) << lib.LastError().text2;
    EXPECT_NE(lib.LastError().text2.find("后台服务[ZEPHYRON]("), std::string::npos) << "names the broker's address";
}

TEST_P(SysMgntPublic, StallPastTheDeadlineIsATimeout) {
  world->serveTcp();
  world->fail(ISysmgntPublic_get_currentDate, {0, 0, "", "", std::chrono::milliseconds(1500)});
  {
    ScopedEnv deadline("ZP_CALL_TIMEOUT_MS", "300");
    CSysMgntPublic remote;
    ASSERT_TRUE(remote.Init(0, 0, 0, 0, 0)) << remote.LastError().text2;
    CBSDateTime d = CBSDateTime::make(2001, 2, 3);
    EXPECT_FALSE(remote.getCurrentDate(d));
    EXPECT_EQ(remote.LastError().code, ZPE_TIMEOUT);
    EXPECT_NE(remote.LastError().text2.find("ZPE_TIMEOUT"), std::string::npos) << remote.LastError().text2;
    EXPECT_NE(remote.LastError().text2.find("后台服务[ZEPHYRON]("), std::string::npos) << "names the broker's address";
    EXPECT_NE(remote.LastError().text1, "no error");
    EXPECT_EQ(d, CBSDateTime::make(2001, 2, 3));
  }
  world->dispatcher->clear_faults();
  world->tcp->stop();  // waits for the stalled call before the store goes
}

INSTANTIATE_TEST_SUITE_P(Backends, SysMgntPublic, ::testing::Values(Backend::sqlite, Backend::postgresql),
                         [](const auto& info) { return std::string(zp::testing::backendName(info.param)); });

// A server whose answers do not pair with the asks: the library must not
// hand them on, since callers pair answers with asks by position.
class MisshapenAnswers : public ISysmgntPublicServant {
 public:
  std::function<void(const SOperPrivAuthList&, SOperPrivAuthList&)> answer;
  std::int32_t get_sysParaValue(const SSysParaIn&, SSysParaOut&, CBSErrorMsg&) override { return 0; }
  std::int32_t get_currentDate(const std::int32_t&, SSysDateOut&, CBSErrorMsg&) override { return 0; }
  std::int32_t check_operRight(const SCheckOperRightIn& in, SOperPrivAuthList& out, CBSErrorMsg&) override {
    answer(in.get_ASKS(), out);
    return 0;
  }
  std::int32_t get_entVariable(const std::int32_t&, SEntVariableOut&, CBSErrorMsg&) override { return 0; }
};

TEST(SysMgntPublicReplies, AnswersThatDoNotPairWithTheAsksAreRefused) {
  auto servant = std::make_shared<MisshapenAnswers>();
  auto dispatcher = std::make_shared<zpd_dispatcher>();
  register_ISysmgntPublic(*dispatcher, servant);
  const std::string name = zp::testing::uniqueName("misshapen");
  zpd_inproc_registration registration(name, dispatcher);
  ScopedEnv broker("ZP_BROKER_ZEPHYRON", "inproc:" + name);
  CSysMgntPublic lib;
  ASSERT_TRUE(lib.Init(0, 0, 0, 0, 0));

  struct Case {
    const char* what;
    std::function<void(const SOperPrivAuthList&, SOperPrivAuthList&)> answer;
    bool accepted;
    std::vector<int> granted;
  };
  const Case cases[] = {
      {"echo with odd grants",
       [](const SOperPrivAuthList& asks, SOperPrivAuthList& out) {
         out = asks;
         out[0].set_AUTHORIZED(1);
         out[1].set_AUTHORIZED(7);  // anything but 1 is a refusal
       },
       true, {1, 0}},
      {"one answer short", [](const SOperPrivAuthList& asks, SOperPrivAuthList& out) { out = {asks[0]}; }, false, {}},
      {"one answer too many",
       [](const SOperPrivAuthList& asks, SOperPrivAuthList& out) {
         out = asks;
         out.push_back(asks[0]);
       },
       false, {}},
      {"answers swapped",
       [](const SOperPrivAuthList& asks, SOperPrivAuthList& out) { out = {asks[1], asks[0]}; }, false, {}},
  };
  const SOperPrivAuthList asks = {ask(1, 10), ask(2, 10)};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    servant->answer = c.answer;
    SOperPrivAuthList answers = {ask(7, 7)};
    ASSERT_EQ(lib.CheckOperRight(11, 110, asks, answers), c.accepted) << lib.LastError().text2;
    if (c.accepted) {
      ASSERT_EQ(answers.size(), c.granted.size());
      for (std::size_t i = 0; i < answers.size(); ++i) EXPECT_EQ(answers[i].get_AUTHORIZED(), c.granted[i]);
    } else {
      ASSERT_EQ(answers.size(), 1u);
      EXPECT_EQ(answers[0].get_ENT_ID(), 7);
      EXPECT_NE(lib.LastError().code, 0);
      EXPECT_TRUE(isChinese(lib.LastError().text2));
    }
  }
}

// The demo region as zpserver --seed-demo loads it: what the counter reads
// of it through this library.
TEST(SysMgntPublicDemo, DemoRegionParameters) {
  BackendWorld world(Backend::sqlite, "{}");
  // The demo documents load in name order; the core region comes first.
  ASSERT_NO_THROW(zp::testing::loadDemo(*world.db, {"10-core.json", "20-sysmgnt.json"}));

  CSysMgntPublic lib;
  ASSERT_TRUE(lib.Init(0, 0, 0, 0, 0));
  struct Case {
    int region;
    std::string name;
    std::string value;  // empty: any non-empty text
  };
  std::vector<Case> cases = {{571, "PromPopedomValid", "1@1"}, {571, "ProdPopedomValid", "1@0"},
                             {0, "MscCall", ""},               {0, "MscCrbt", ""}};
  for (const char* code : {"1302", "1303", "1304", "1070", "1324", "1076"})
    cases.push_back({571, std::string("GUI") + code, ""});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string value;
    ASSERT_TRUE(lib.GetSysParaMaxValue(c.region, 0, c.name, value)) << lib.LastError().text2;
    if (c.value.empty()) {
      EXPECT_FALSE(value.empty());
    } else {
      EXPECT_EQ(value, c.value);
    }
    if (c.name.starts_with("GUI")) {
      EXPECT_TRUE(isChinese(value)) << value;
    }
  }
  // The ring-back service of the demo subscriber is a ring-back product.
  std::string crbt;
  ASSERT_TRUE(lib.GetSysParaMaxValue(0, 0, "MscCrbt", crbt));
  EXPECT_NE(crbt.find("1104"), std::string::npos);
  std::string location;
  ASSERT_TRUE(lib.GetEntVariable(location));
  EXPECT_FALSE(location.empty());
  EXPECT_NE(location, "LOC_DAZUROV");  // the demo counters have no keypad
}

}  // namespace
