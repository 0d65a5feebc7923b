#include <gtest/gtest.h>

#include <cstring>

#include "MBusiFeeMgntApp.h"
#include "MPublicDef.h"
#include "MSysmgntDef.h"
#include "MVasDesk.h"

using namespace MPublicDef;

namespace {

constexpr zpb_name kFrame{"test.Records.ParamOut"};

template <class T>
std::string encode(const T& value) {
  zpb_stream s;
  s.open();
  s.begin_stream(kFrame);
  zpb_write(s, value);
  EXPECT_TRUE(s.end_stream()) << s.error();
  return s.bytes();
}

template <class T>
bool decode(const std::string& bytes, T& into, std::string* why = nullptr) {
  zpb_stream s;
  s.open_for_reading(bytes);
  const bool ok = s.begin_stream(kFrame) && zpb_read(s, into) && s.end_stream();
  if (why) *why = s.error();
  return ok;
}

template <class T>
std::string le(T v) {
  std::string s(sizeof v, '\0');
  std::memcpy(s.data(), &v, sizeof v);
  return s;
}

const std::string kHeader = le(zpb_stream::kFrameMagic) + le(kFrame.id);

}  // namespace

TEST(Records, NamesAsTheyTravel) {
  EXPECT_STREQ(SSoInfo::kStructName.text, "MPublicDef.SSoInfo");
  EXPECT_STREQ(SSoFee::kListName.text, "MPublicDef..SSoFeeList");
  EXPECT_STREQ(MVasDesk::SResSign::kStructName.text, "MVasDesk.SResSign");
  EXPECT_STREQ(MSysmgntDef::SPrivEntity::kListName.text, "MSysmgntDef..SPrivEntityList");
}

TEST(Records, AnEmptyRecordIsItsNameAndTwoZeroWords) {
  EXPECT_EQ(encode(SSoInfo{}), kHeader + le(SSoInfo::kStructName.id) + le<std::uint64_t>(0) + le<std::uint64_t>(0));
}

TEST(Records, SettersMarkTheirBitInBothWordsAndCopiesKeepThem) {
  SSoInfo so;
  so.set_SO_NBR(7);
  EXPECT_EQ(so.UsedMarker, 1u);
  EXPECT_EQ(so.Marker, 1u);
  so.set_REMARK("");
  EXPECT_EQ(so.UsedMarker, 1u | 1ull << 38);
  const SSoInfo copy = so;
  EXPECT_EQ(copy.UsedMarker, so.UsedMarker);
  EXPECT_EQ(copy.Marker, so.Marker);
  // Fields travel in declaration order: SO_NBR (int64), then REMARK (text).
  EXPECT_EQ(encode(so), kHeader + le(SSoInfo::kStructName.id) + le(so.Marker) + le(so.UsedMarker) +
                            le<std::int64_t>(7) + le<std::uint32_t>(0));
}

TEST(Records, FieldIndexesAreTheWireOrder) {
  struct Case {
    int index;
    int expect;
    const char* what;
  };
  const Case cases[] = {
      {SFetchCtInfoIn::kIdx_SERV_ID, 5, "SFetchCtInfoIn.SERV_ID"},
      {SUserInfo::kIdx_PHONE_ID, 18, "SUserInfo.PHONE_ID"},
      {SUserInfo::kIdx_USER_PROPERTY, 35, "SUserInfo.USER_PROPERTY"},
      {SCustInfo::kIdx_REGION_DETAIL, 42, "SCustInfo.REGION_DETAIL"},
      {SAcctInfo::kIdx_ACCT_CLASS, 25, "SAcctInfo.ACCT_CLASS"},
      {SSoInfo::kIdx_VERIFY_MODE, 36, "SSoInfo.VERIFY_MODE"},
      {SSoFee::kIdx_PAY_TYPE, 14, "SSoFee.PAY_TYPE"},
      {SSpromOper::kIdx_PSPROM_ID, 12, "SSpromOper.PSPROM_ID"},
      {SSoResultInfo::kIdx_NEED_PRINT, 6, "SSoResultInfo.NEED_PRINT"},
      {MVasDesk::SSoUserServiceIn::kIdx_OPERATORMAN, 10, "SSoUserServiceIn.OPERATORMAN"},
      {MVasDesk::SQueryResListIn::kIdx_RES_STS, 12, "SQueryResListIn.RES_STS"},
      {MBusiFeeMgntApp::SGetSoFeeIn::kIdx_PRODUCTOPERLIST, 1, "SGetSoFeeIn.PRODUCTOPERLIST"},
      {MSysmgntDef::SOperPrivAuth::kIdx_AUTHORIZED, 2, "SOperPrivAuth.AUTHORIZED"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.index, c.expect) << c.what;
  EXPECT_EQ(SUserInfo::kFieldCount, 36);
  EXPECT_EQ(SCustInfo::kFieldCount, 43);
  EXPECT_EQ(SSoInfo::kFieldCount, 39);
  EXPECT_EQ(MVasDesk::SGetInfoOut::kFieldCount, 9);
}

TEST(Records, AbsentFieldsKeepTheirValueOnRead) {
  SUserInfo sent;
  sent.set_PHONE_ID("13957100002");
  SUserInfo got;
  got.set_REMARK("老客户");
  got.set_SERV_ID(9002);
  got.set_CREATE_DATE(CBSDateTime::make(2020, 1, 2));
  ASSERT_TRUE(decode(encode(sent), got));
  EXPECT_EQ(got.get_PHONE_ID(), "13957100002");
  EXPECT_EQ(got.get_REMARK(), "老客户");
  EXPECT_EQ(got.get_SERV_ID(), 9002);
  EXPECT_EQ(got.get_CREATE_DATE(), CBSDateTime::make(2020, 1, 2));
  EXPECT_EQ(got.UsedMarker, 1ull << 18);  // the words are the sender's
  EXPECT_EQ(got.Marker, 1ull << 18);
}

TEST(Records, MoneyIs64Bit) {
  SSoFee fee;
  fee.set_ITEM_VALUE(5'000'000'000LL);
  fee.set_ITEM_DISCOUNT(-3'000'000'000LL);
  fee.set_ITEM_TOTAL(2'000'000'000LL + 2'000'000'000LL);
  SSoFee back;
  ASSERT_TRUE(decode(encode(fee), back));
  EXPECT_EQ(back.get_ITEM_VALUE(), 5'000'000'000LL);
  EXPECT_EQ(back.get_ITEM_DISCOUNT(), -3'000'000'000LL);
  EXPECT_EQ(back.get_ITEM_TOTAL(), 4'000'000'000LL);
}

TEST(Records, NestedRecordsAndListsRoundTrip) {
  MVasDesk::SSoUserServiceIn order;
  SSoInfo so;
  so.set_SO_NBR(1);
  so.set_AFTER_DATE(CBSDateTime::make(2026, 12, 1, 8, 0, 0));
  so.set_REMARK("");
  order.set_BUSI_CODE(1302);
  order.set_SOINFO(so);
  SUserServiceOper oper;
  oper.set_RES_ID("57100001");
  oper.set_SERV_PARAM(" ");
  order.set_USERSERVICEOPERLIST({oper});
  MVasDesk::SSpecilDataInfo sd;
  sd.set_BUSI_TYPE(104);
  MVasDesk::SField f;
  f.set_FIELD_NAME("SONG_ID");
  MVasDesk::SFieldValue v;
  v.set_FIELD_VALUE("A01");
  MVasDesk::SDataInfo row;
  row.set_FIELDVALUELIST({v});
  sd.set_FIELDLIST({f});
  sd.set_DATAINFOLIST({row, row});
  order.set_SPECILDATAINFO(sd);
  SOperator agent;
  agent.set_SO_MAN("吴晓燕");
  order.set_OPERATORMAN(agent);
  order.set_SOFEELIST({});  // present and empty
  MVasDesk::SSoUserServiceIn back;
  ASSERT_TRUE(decode(encode(order), back));
  EXPECT_EQ(back, order);
  EXPECT_TRUE(back.UsedMarker & (1ull << MVasDesk::SSoUserServiceIn::kIdx_SOFEELIST));
  EXPECT_FALSE(back.UsedMarker & (1ull << MVasDesk::SSoUserServiceIn::kIdx_EQPTOPERLIST));
}

TEST(Records, ListsAppendAndACountOfZeroAddsNothing) {
  MSysmgntDef::SPrivEntity a, b;
  a.set_ENT_ID(1);
  b.set_ENT_ID(2);
  MSysmgntDef::SPrivEntityList list = {a};
  ASSERT_TRUE(decode(encode(MSysmgntDef::SPrivEntityList{b, b}), list));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].get_ENT_ID(), 1);
  EXPECT_EQ(list[2].get_ENT_ID(), 2);
  ASSERT_TRUE(decode(encode(MSysmgntDef::SPrivEntityList{}), list));
  EXPECT_EQ(list.size(), 3u);

  // An element that fails to read is discarded; the ones before it stay.
  std::string bytes = encode(MSysmgntDef::SPrivEntityList{a, b});
  bytes.resize(bytes.size() - 2);
  MSysmgntDef::SPrivEntityList partial;
  EXPECT_FALSE(decode(bytes, partial));
  ASSERT_EQ(partial.size(), 1u);
  EXPECT_EQ(partial[0].get_ENT_ID(), 1);
}

TEST(Records, ARecordOfAnotherShapeFails) {
  std::string why;
  MVasDesk::SField field;
  // A list where a record is expected, another record's name, and a record
  // claiming a field it does not have.
  EXPECT_FALSE(decode(encode(MVasDesk::SFieldList{}), field, &why));
  MVasDesk::SFieldValue value;
  value.set_FIELD_VALUE("x");
  EXPECT_FALSE(decode(encode(value), field, &why));
  EXPECT_NE(why.find("MVasDesk.SField"), std::string::npos) << why;
  const std::string extra = kHeader + le(MVasDesk::SField::kStructName.id) + le<std::uint64_t>(3) +
                            le<std::uint64_t>(3) + le<std::uint32_t>(1) + "a" + le<std::uint32_t>(1) + "b";
  EXPECT_FALSE(decode(extra, field, &why));
  EXPECT_NE(why.find("does not have"), std::string::npos) << why;
}

TEST(Records, DescriptorTablesOfTheSpecialDataRecords) {
  const std::vector<std::pair<const char*, int>> gpsOper = {
      {"CARD_NO", 2}, {"CREATE_DATE", 10}, {"GPS_TYPE", 3}, {"REGION_CODE", 3}, {"REMARK", 2},
      {"SELF_NO", 2}, {"SERV_ID", 5},      {"SP_ID", 4},    {"ACT_TYPE", 3},    {"BUSI_TYPE", 4}};
  ASSERT_EQ(SGpsOper::kFieldCount, static_cast<int>(gpsOper.size()));
  for (int i = 0; i < SGpsOper::kFieldCount; ++i) {
    EXPECT_STREQ(SGpsOper::kFieldTable[i].name, gpsOper[i].first);
    EXPECT_EQ(SGpsOper::kFieldTable[i].type, gpsOper[i].second) << gpsOper[i].first;
  }
  EXPECT_EQ(SGpsInfo::kFieldCount, 13);
  EXPECT_EQ(SUserCrbtsInfo::kFieldCount, 14);
  EXPECT_STREQ(SUserCrbtsOper::kFieldTable[5].name, "SONG_ID");
  EXPECT_STREQ(SUserCrbtsOper::kFieldTable[11].name, "EXT_HOLDS3");

  SUserCrbtsOper op;
  EXPECT_TRUE(op.set_by_index(SUserCrbtsOper::kIdx_SONG_ID, zpb_value(std::string("A01"))));
  EXPECT_TRUE(op.set_by_index(SUserCrbtsOper::kIdx_SERV_ID, zpb_value(std::int64_t{9002})));
  EXPECT_EQ(op.get_SONG_ID(), "A01");
  EXPECT_EQ(op.UsedMarker, (1ull << 5) | 1ull);
  // The wrong type or an index outside the record changes nothing.
  EXPECT_FALSE(op.set_by_index(SUserCrbtsOper::kIdx_TRADMARK, zpb_value(std::int32_t{1})));
  EXPECT_FALSE(op.set_by_index(12, zpb_value(std::string("x"))));
  EXPECT_FALSE(op.set_by_index(-1, zpb_value(std::string("x"))));
  EXPECT_EQ(op.UsedMarker, (1ull << 5) | 1ull);
  // A field reads by index whether or not it was set.
  EXPECT_EQ(std::get<std::int16_t>(op.get_by_index(SUserCrbtsOper::kIdx_TRADMARK)), 0);
  EXPECT_EQ(std::get<std::string>(op.get_by_index(SUserCrbtsOper::kIdx_SONG_ID)), "A01");
  EXPECT_EQ(std::get<std::string>(op.get_by_index(99)), "");
  SGpsInfo info;
  EXPECT_TRUE(std::get<CBSDateTime>(info.get_by_index(SGpsInfo::kIdx_CREATE_DATE)).isZero());
}
