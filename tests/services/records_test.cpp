#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "MBusiFeeMgntApp.h"
#include "MBusiPublic.h"
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

namespace {

// One field as the definition must declare it: its index constant, whether
// its getter has the expected type, and the presence bits its setter sets.
struct FieldCheck {
  const char* name;
  int index;
  bool typeMatches;
  std::uint64_t setterBits;
};

#define FIELD(R, NAME, T)                                                                             \
  FieldCheck {                                                                                        \
    #NAME, R::kIdx_##NAME,                                                                            \
        std::is_same_v<std::remove_cvref_t<decltype(std::declval<const R&>().get_##NAME())>, T>, [] { \
          R r;                                                                                        \
          r.set_##NAME(T{});                                                                          \
          return r.UsedMarker;                                                                        \
        }()                                                                                           \
  }

using I16 = std::int16_t;
using I32 = std::int32_t;
using I64 = std::int64_t;
using Text = std::string;
using Time = CBSDateTime;

// The table lists the fields in wire order, so entry i must be field i.
void expectFields(const char* record, int fieldCount, const std::vector<FieldCheck>& table) {
  EXPECT_EQ(fieldCount, static_cast<int>(table.size())) << record;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const FieldCheck& f = table[i];
    EXPECT_EQ(f.index, static_cast<int>(i)) << record << "." << f.name;
    EXPECT_TRUE(f.typeMatches) << record << "." << f.name;
    EXPECT_EQ(f.setterBits, std::uint64_t{1} << i) << record << "." << f.name;
  }
}

}  // namespace

TEST(Records, FieldsAreDeclaredInWireOrderWithTheirTypes) {
  expectFields("SSoInfo", SSoInfo::kFieldCount,
               {FIELD(SSoInfo, SO_NBR, I64),         FIELD(SSoInfo, BUSI_CODE, I32),
                FIELD(SSoInfo, SO_MODE, I16),        FIELD(SSoInfo, SO_CAUSE, I16),
                FIELD(SSoInfo, ISNORMAL, I16),       FIELD(SSoInfo, AFTER_FLAG, I16),
                FIELD(SSoInfo, AFTER_DATE, Time),    FIELD(SSoInfo, SERV_ID, I64),
                FIELD(SSoInfo, RSERV_ID, I64),       FIELD(SSoInfo, CUST_ID, I64),
                FIELD(SSoInfo, ACCT_ID, I64),        FIELD(SSoInfo, GROUP_ID, I64),
                FIELD(SSoInfo, OP_ID, I32),          FIELD(SSoInfo, REGION_CODE, I16),
                FIELD(SSoInfo, COUNTY_CODE, I16),    FIELD(SSoInfo, ORG_ID, I32),
                FIELD(SSoInfo, SO_REGION_CODE, I16), FIELD(SSoInfo, SO_COUNTY_CODE, I16),
                FIELD(SSoInfo, SO_ORG_ID, I32),      FIELD(SSoInfo, SO_DATE, Time),
                FIELD(SSoInfo, PROCESS_ID, I16),     FIELD(SSoInfo, PROCESS_RESULT, I16),
                FIELD(SSoInfo, OPEN_STS, I16),       FIELD(SSoInfo, DIRECT_FLAG, I16),
                FIELD(SSoInfo, PROCESS_DATE, Time),  FIELD(SSoInfo, PAY_TYPE, I16),
                FIELD(SSoInfo, BANK_ID, I32),        FIELD(SSoInfo, BANK_ACCT, Text),
                FIELD(SSoInfo, CHECK_NO, Text),      FIELD(SSoInfo, SPROM_ID, I32),
                FIELD(SSoInfo, EXT_HOLDS, Text),     FIELD(SSoInfo, EXT_HOLDS1, Text),
                FIELD(SSoInfo, EXT_HOLDS2, Text),    FIELD(SSoInfo, RSO_NBR, I64),
                FIELD(SSoInfo, MSO_NBR, I64),        FIELD(SSoInfo, RELATE_MSO_NBR, I64),
                FIELD(SSoInfo, VERIFY_MODE, I16),    FIELD(SSoInfo, SCORE, I16),
                FIELD(SSoInfo, REMARK, Text)});
  expectFields("SFetchCtInfoIn", SFetchCtInfoIn::kFieldCount,
               {FIELD(SFetchCtInfoIn, BUSI_CODE, I32), FIELD(SFetchCtInfoIn, SO_MODE, I16),
                FIELD(SFetchCtInfoIn, SO_CAUSE, I16), FIELD(SFetchCtInfoIn, ISNORMAL, I32),
                FIELD(SFetchCtInfoIn, AFTER_FLAG, I16), FIELD(SFetchCtInfoIn, SERV_ID, I64),
                FIELD(SFetchCtInfoIn, CUST_ID, I64), FIELD(SFetchCtInfoIn, ACCT_ID, I64),
                FIELD(SFetchCtInfoIn, GROUP_ID, I64), FIELD(SFetchCtInfoIn, OP_ID, I32),
                FIELD(SFetchCtInfoIn, REGION_CODE, I16), FIELD(SFetchCtInfoIn, COUNTY_CODE, I16),
                FIELD(SFetchCtInfoIn, ORG_ID, I32)});
  expectFields("SSoFee", SSoFee::kFieldCount,
               {FIELD(SSoFee, BOOK_ITEM_ID, I32), FIELD(SSoFee, RES_CODE, I32), FIELD(SSoFee, ITEM_VALUE, I64),
                FIELD(SSoFee, ITEM_DISCOUNT, I64), FIELD(SSoFee, ITEM_RETREAT, I64), FIELD(SSoFee, ITEM_COUNT, I64),
                FIELD(SSoFee, ITEM_TOTAL, I64), FIELD(SSoFee, REMARK, Text), FIELD(SSoFee, OPER_TYPE, I16),
                FIELD(SSoFee, SO_REGION_CODE, I16), FIELD(SSoFee, SO_COUNTY_CODE, I16),
                FIELD(SSoFee, SO_ORG_ID, I32), FIELD(SSoFee, OP_ID, I32), FIELD(SSoFee, CHARGE_DATE, Time),
                FIELD(SSoFee, PAY_TYPE, I32)});
  using MVasDesk::SSoUserServiceIn;
  expectFields("SSoUserServiceIn", SSoUserServiceIn::kFieldCount,
               {FIELD(SSoUserServiceIn, BUSI_CODE, I32), FIELD(SSoUserServiceIn, SOINFO, SSoInfo),
                FIELD(SSoUserServiceIn, USERSERVICEOPERLIST, SUserServiceOperList),
                FIELD(SSoUserServiceIn, MSCFUNCOPERLIST, SMscFuncOperList),
                FIELD(SSoUserServiceIn, SPROMOPERLIST, SSpromOperList),
                FIELD(SSoUserServiceIn, DEPOSITOPERLIST, SDepositOperList),
                FIELD(SSoUserServiceIn, EQPTOPERLIST, SEqptOperList),
                FIELD(SSoUserServiceIn, SOFEELIST, SSoFeeList),
                FIELD(SSoUserServiceIn, SPECILDATAINFO, MVasDesk::SSpecilDataInfo),
                FIELD(SSoUserServiceIn, RESSIGNLIST, MVasDesk::SResSignList),
                FIELD(SSoUserServiceIn, OPERATORMAN, SOperator),
                FIELD(SSoUserServiceIn, PREPAYOPERLIST, SPrepayOperList)});
  using MBusiFeeMgntApp::SFeeBusiInfo;
  expectFields("SFeeBusiInfo", SFeeBusiInfo::kFieldCount,
               {FIELD(SFeeBusiInfo, BUSI_CODE, I32), FIELD(SFeeBusiInfo, REGION_CODE, I16),
                FIELD(SFeeBusiInfo, COUNTY_CODE, I16), FIELD(SFeeBusiInfo, ORG_ID, I32),
                FIELD(SFeeBusiInfo, SO_REGION_CODE, I16), FIELD(SFeeBusiInfo, SO_COUNTY_CODE, I16),
                FIELD(SFeeBusiInfo, SO_ORG_ID, I32), FIELD(SFeeBusiInfo, CUST_CLASS, I16),
                FIELD(SFeeBusiInfo, PLAN_ID, I32), FIELD(SFeeBusiInfo, ISNORMAL, I16),
                FIELD(SFeeBusiInfo, RESERVED1, I64), FIELD(SFeeBusiInfo, RESERVED2, I64),
                FIELD(SFeeBusiInfo, RESERVED3, I16)});
  using MSysmgntDef::SPrivEntity;
  expectFields("SPrivEntity", SPrivEntity::kFieldCount,
               {FIELD(SPrivEntity, ENT_ID, I32), FIELD(SPrivEntity, ENT_NAME, Text),
                FIELD(SPrivEntity, ENT_OWN_ID, I32), FIELD(SPrivEntity, ENT_CLASS_ID, I16),
                FIELD(SPrivEntity, ENT_TYPE_ID, I16), FIELD(SPrivEntity, NODE_ID, I32)});
  using MBusiPublic::SSoCheckOut;
  expectFields("SSoCheckOut", SSoCheckOut::kFieldCount,
               {FIELD(SSoCheckOut, CHECKRESULT, I32), FIELD(SSoCheckOut, CHECKDESC, Text),
                FIELD(SSoCheckOut, CHECKPOINT, I32), FIELD(SSoCheckOut, ENTID, I32),
                FIELD(SSoCheckOut, PRIVID, I32)});
  EXPECT_EQ(SUserInfo::kIdx_PHONE_ID, 18);
  EXPECT_EQ(SUserInfo::kFieldCount, 36);
  EXPECT_EQ(SCustInfo::kFieldCount, 43);
  EXPECT_EQ(MVasDesk::SGetInfoOut::kFieldCount, 9);
}

#undef FIELD

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

TEST(Records, PresenceBitsBeyondTheFieldsAreNotSent) {
  // A caller may mark "everything" by assigning the word wholesale; what
  // travels must still be a record the other side accepts.
  SCheckOut sent;
  sent.set_CHECKDESC("超出");
  sent.UsedMarker = ~std::uint64_t{0};
  SCheckOut got;
  std::string why;
  ASSERT_TRUE(decode(encode(sent), got, &why)) << why;
  EXPECT_EQ(got.UsedMarker, 0b11u);
  EXPECT_EQ(got.get_CHECKDESC(), "超出");
}

namespace {

// The variant alternative that carries each descriptor type code.
int typeCodeOf(const zpb_value& v) {
  constexpr int codes[] = {ZPB_TEXT, ZPB_INT16, ZPB_INT32, ZPB_INT64, ZPB_DATETIME};
  return codes[v.index()];
}

// Every entry of a descriptor table agrees with the field of the same index:
// the value by index has the table's type, and giving it back sets bit i only.
template <class R>
void expectTableMatchesFields(const char* record) {
  for (int i = 0; i < R::kFieldCount; ++i) {
    const R empty;
    const zpb_value v = empty.get_by_index(i);
    EXPECT_EQ(typeCodeOf(v), R::kFieldTable[i].type) << record << "." << R::kFieldTable[i].name;
    R r;
    EXPECT_TRUE(r.set_by_index(i, v)) << record << "." << R::kFieldTable[i].name;
    EXPECT_EQ(r.UsedMarker, std::uint64_t{1} << i) << record << "." << R::kFieldTable[i].name;
    EXPECT_EQ(r.Marker, std::uint64_t{1} << i) << record << "." << R::kFieldTable[i].name;
  }
}

}  // namespace

TEST(Records, EveryDescriptorTableAgreesWithItsRecord) {
  expectTableMatchesFields<SGpsInfo>("SGpsInfo");
  expectTableMatchesFields<SGpsOper>("SGpsOper");
  expectTableMatchesFields<SUserCrbtsInfo>("SUserCrbtsInfo");
  expectTableMatchesFields<SUserCrbtsOper>("SUserCrbtsOper");
  EXPECT_STREQ(SGpsInfo::kFieldTable[SGpsInfo::kIdx_STS_DATE].name, "STS_DATE");
  EXPECT_STREQ(SUserCrbtsInfo::kFieldTable[SUserCrbtsInfo::kIdx_PASSWD].name, "PASSWD");
}

TEST(Records, DescriptorTablesOfTheSpecialDataRecords) {
  struct Case {
    const char* record;
    const zpb_field_desc* table;
    int count;
    std::vector<std::pair<const char*, int>> expect;  // name and type code, in index order
  };
  const Case cases[] = {
      {"SGpsInfo", SGpsInfo::kFieldTable, SGpsInfo::kFieldCount,
       {{"CARD_NO", 2}, {"CREATE_DATE", 10}, {"GPS_TYPE", 3}, {"REGION_CODE", 3}, {"REMARK", 2},
        {"SELF_NO", 2}, {"SERV_ID", 5}, {"SP_ID", 4}, {"BUSI_TYPE", 4}, {"STS", 3}, {"STS_DATE", 10},
        {"VALID_DATE", 10}, {"EXPIRE_DATE", 10}}},
      {"SGpsOper", SGpsOper::kFieldTable, SGpsOper::kFieldCount,
       {{"CARD_NO", 2}, {"CREATE_DATE", 10}, {"GPS_TYPE", 3}, {"REGION_CODE", 3}, {"REMARK", 2},
        {"SELF_NO", 2}, {"SERV_ID", 5}, {"SP_ID", 4}, {"ACT_TYPE", 3}, {"BUSI_TYPE", 4}}},
      {"SUserCrbtsInfo", SUserCrbtsInfo::kFieldTable, SUserCrbtsInfo::kFieldCount,
       {{"SERV_ID", 5}, {"REGION_CODE", 3}, {"BUSI_TYPE", 4}, {"SEND_FLAG", 3}, {"TRADMARK", 3},
        {"SONG_ID", 2}, {"CREATE_DATE", 10}, {"STS", 3}, {"STS_DATE", 10}, {"REMARK", 2}, {"PASSWD", 2},
        {"EXT_HOLDS1", 2}, {"EXT_HOLDS2", 2}, {"EXT_HOLDS3", 2}}},
      {"SUserCrbtsOper", SUserCrbtsOper::kFieldTable, SUserCrbtsOper::kFieldCount,
       {{"SERV_ID", 5}, {"REGION_CODE", 3}, {"BUSI_TYPE", 4}, {"SEND_FLAG", 3}, {"TRADMARK", 3},
        {"SONG_ID", 2}, {"ACT_TYPE", 3}, {"REMARK", 2}, {"PASSWD", 2}, {"EXT_HOLDS1", 2}, {"EXT_HOLDS2", 2},
        {"EXT_HOLDS3", 2}}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(c.count, static_cast<int>(c.expect.size())) << c.record;
    for (int i = 0; i < c.count; ++i) {
      EXPECT_STREQ(c.table[i].name, c.expect[i].first) << c.record << " index " << i;
      EXPECT_EQ(c.table[i].type, c.expect[i].second) << c.record << "." << c.expect[i].first;
    }
  }

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
  EXPECT_EQ(op.Marker, (1ull << 5) | 1ull);
  // A field reads by index whether or not it was set.
  EXPECT_EQ(std::get<std::int16_t>(op.get_by_index(SUserCrbtsOper::kIdx_TRADMARK)), 0);
  EXPECT_EQ(std::get<std::string>(op.get_by_index(SUserCrbtsOper::kIdx_SONG_ID)), "A01");
  EXPECT_EQ(std::get<std::string>(op.get_by_index(99)), "");
  EXPECT_EQ(std::get<std::string>(op.get_by_index(-1)), "");
  SGpsInfo info;
  EXPECT_TRUE(std::get<CBSDateTime>(info.get_by_index(SGpsInfo::kIdx_CREATE_DATE)).isZero());
}
