#include "verify_rules.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace zpverify;

namespace {

MSysmgntDef::SOperPrivAuth Answer(int ent, int authorized) {
  MSysmgntDef::SOperPrivAuth a;
  a.set_ENT_ID(ent);
  a.set_PRIV_ID(kPrivVerify);
  a.set_AUTHORIZED(static_cast<std::int16_t>(authorized));
  return a;
}

}  // namespace

TEST(VerifyRules, PhoneInputIsTrimmedThenCheckedAsAMobileNumber) {
  struct Case {
    std::string typed;
    PhoneInput expected;
  };
  const Case cases[] = {
      {"", PhoneInput::empty},
      {"   \t ", PhoneInput::empty},
      {"13900000501", PhoneInput::ok},
      {"  13900000501 ", PhoneInput::ok},  // blanks around do not make it wrong
      {"1390000050", PhoneInput::malformed},
      {"139000005011", PhoneInput::malformed},
      {"12900000501", PhoneInput::malformed},  // no mobile segment
      {"139 0000 0501", PhoneInput::malformed},  // blanks inside stay
  };
  for (const Case& c : cases) EXPECT_EQ(ClassifyPhoneInput(c.typed), c.expected) << '"' << c.typed << '"';
  EXPECT_EQ(TrimBlanks(" \r\n13900000501\t "), "13900000501");
}

TEST(VerifyRules, KeyFiltersKeepDigitsAndEditingKeysOnly) {
  struct Case {
    char32_t key;
    bool kept;
  };
  const Case cases[] = {
      {U'0', true}, {U'5', true},  {U'9', true},   {8, true},     {1, true},     {3, true},
      {22, true},   {24, true},    {U'a', false},  {U'-', false}, {U' ', false}, {U'/', false},
      {U':', false}, {U'%', false}, {U'\'', false}, {13, false},   {0x4E00, false}, {U'０', false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KeepsPhoneKey(c.key), c.kept) << "phone key " << static_cast<unsigned>(c.key);
    EXPECT_EQ(KeepsPasswordKey(c.key), c.kept) << "password key " << static_cast<unsigned>(c.key);
  }
}

TEST(VerifyRules, AsksTheThreeEntitiesInOrderWithPrivilegeTen) {
  const auto asks = PrivilegeAsks();
  ASSERT_EQ(asks.size(), 3u);
  const int entities[] = {49990, 49991, 49992};
  for (std::size_t i = 0; i < asks.size(); ++i) {
    EXPECT_EQ(asks[i].get_ENT_ID(), entities[i]);
    EXPECT_EQ(asks[i].get_PRIV_ID(), 10);
  }
}

TEST(VerifyRules, PrivilegeAnswersDecideAcceptanceQueryAndWaiver) {
  using List = MSysmgntDef::SOperPrivAuthList;
  struct Case {
    const char* what;
    List answers;
    bool accept;
    int queryRefusals;
    std::optional<bool> waiver;
  };
  const Case cases[] = {
      {"all granted", {Answer(49990, 1), Answer(49991, 1), Answer(49992, 1)}, true, 0, true},
      {"all refused", {Answer(49990, 0), Answer(49991, 0), Answer(49992, 0)}, false, 1, false},
      {"only 1 grants", {Answer(49990, 2), Answer(49991, -1), Answer(49992, 2)}, false, 1, false},
      {"first 49990 decides", {Answer(49990, 0), Answer(49990, 1)}, false, 0, std::nullopt},
      {"every refused 49991 counts", {Answer(49991, 0), Answer(49991, 1), Answer(49991, 0)}, false, 2, std::nullopt},
      {"last 49992 wins", {Answer(49992, 1), Answer(49992, 0)}, false, 0, false},
      // A broken reply grants nothing and leaves the waiver as it was.
      {"empty reply", {}, false, 0, std::nullopt},
      {"other entities only", {Answer(100, 1)}, false, 0, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RemoteAcceptGranted(c.answers), c.accept) << c.what;
    EXPECT_EQ(RemoteQueryRefusals(c.answers), c.queryRefusals) << c.what;
    EXPECT_EQ(PassWaiverIn(c.answers), c.waiver) << c.what;
  }
}

TEST(VerifyRules, PasswordBoxFollowsVerificationTypeAndWaiver) {
  struct Case {
    short verifyType;
    std::optional<bool> waivable;
    PassCheckBox box;
    bool documentNotice;
  };
  const Case cases[] = {
      {2, true, PassCheckBox::optional, false},
      {2, false, PassCheckBox::mandatory, false},
      {2, std::nullopt, PassCheckBox::mandatory, false},  // the waiver could not be asked
      {1, true, PassCheckBox::keep, true},
      {0, false, PassCheckBox::keep, false},
      {3, true, PassCheckBox::keep, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PassCheckBoxFor(c.verifyType, c.waivable), c.box) << c.verifyType;
    EXPECT_EQ(NeedsDocumentNotice(c.verifyType), c.documentNotice) << c.verifyType;
  }
}

TEST(VerifyRules, CheckAnswersMapToStepsAndResults) {
  EXPECT_EQ(PasswordVerdictOf(-1), PasswordVerdict::breaksRules);
  EXPECT_EQ(PasswordVerdictOf(-2), PasswordVerdict::wrong);
  for (int other : {0, 1, -3, 2}) EXPECT_EQ(PasswordVerdictOf(other), PasswordVerdict::accepted) << other;

  struct RuleCase {
    int checkResult;
    RuleStep step;
  };
  const RuleCase rules[] = {{2, RuleStep::confirm}, {3, RuleStep::notice}, {-1, RuleStep::refuse},
                            {0, RuleStep::pass},    {1, RuleStep::pass},   {-2, RuleStep::pass}};
  for (const RuleCase& c : rules) EXPECT_EQ(RuleStepOf(c.checkResult), c.step) << c.checkResult;

  EXPECT_EQ(RuleFailureResult("LOC_DAZUROV"), 6);
  EXPECT_EQ(RuleFailureResult(""), 4);
  EXPECT_EQ(RuleFailureResult("LOC_DAZUROV "), 4);
  EXPECT_EQ(RemoteRefusalResult(true), 4);
  EXPECT_EQ(RemoteRefusalResult(false), 5);
}

TEST(VerifyRules, RuleCheckOrderCarriesTheSubscriberAndTheOperatorOnly) {
  MPublicDef::SUserInfo user;
  user.set_SERV_ID(501);
  user.set_CUST_ID(1);
  user.set_ACCT_ID(2);
  user.set_REGION_CODE(572);
  user.set_COUNTY_CODE(3);
  user.set_ORG_ID(720);
  user.set_PLAN_ID(7);
  const MPublicDef::SSoInfo so = RuleCheckOrder(user, {1302, 571, 1, 110, 11});
  EXPECT_EQ(so.get_SERV_ID(), 501);
  EXPECT_EQ(so.get_CUST_ID(), 1);
  EXPECT_EQ(so.get_ACCT_ID(), 2);
  EXPECT_EQ(so.get_BUSI_CODE(), 1302);
  EXPECT_EQ(so.get_REGION_CODE(), 572);
  EXPECT_EQ(so.get_COUNTY_CODE(), 3);
  EXPECT_EQ(so.get_ORG_ID(), 720);
  EXPECT_EQ(so.get_SO_REGION_CODE(), 571);
  EXPECT_EQ(so.get_SO_COUNTY_CODE(), 1);
  EXPECT_EQ(so.get_SO_ORG_ID(), 110);
  EXPECT_EQ(so.get_OP_ID(), 11);
  using S = MPublicDef::SSoInfo;
  std::uint64_t expected = 0;
  for (int i : {S::kIdx_SERV_ID, S::kIdx_CUST_ID, S::kIdx_ACCT_ID, S::kIdx_BUSI_CODE, S::kIdx_REGION_CODE,
                S::kIdx_COUNTY_CODE, S::kIdx_ORG_ID, S::kIdx_SO_REGION_CODE, S::kIdx_SO_COUNTY_CODE, S::kIdx_SO_ORG_ID,
                S::kIdx_OP_ID})
    expected |= std::uint64_t{1} << i;
  EXPECT_EQ(so.UsedMarker, expected) << "every field set travels, and no other";
}

TEST(VerifyRules, CheckPointTrailRefusesAPointAskedBefore) {
  CheckPointTrail trail;
  EXPECT_TRUE(trail.Enter(0));
  EXPECT_TRUE(trail.Enter(1));
  EXPECT_TRUE(trail.Enter(2));
  EXPECT_FALSE(trail.Enter(1));
  EXPECT_FALSE(trail.Enter(0));
}
