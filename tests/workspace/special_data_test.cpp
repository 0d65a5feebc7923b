// The special-data table of GPS and ring-back tone details, both ways, and
// the order's special data built from the detail pages; the operator rights
// of each business type. No widget and no back end.
#include "special_data.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "operator_rights.h"

using namespace zp::workspace;

namespace {

using Row = std::vector<std::string>;

MVasDesk::SSpecilDataInfo Table(const std::vector<std::string>& columns, const std::vector<Row>& rows) {
  MVasDesk::SSpecilDataInfo t;
  MVasDesk::SFieldList fields;
  for (const auto& c : columns) {
    MVasDesk::SField f;
    f.set_FIELD_NAME(c);
    fields.push_back(f);
  }
  MVasDesk::SDataInfoList data;
  for (const Row& r : rows) {
    MVasDesk::SFieldValueList cells;
    for (const auto& v : r) {
      MVasDesk::SFieldValue cell;
      cell.set_FIELD_VALUE(v);
      cells.push_back(cell);
    }
    MVasDesk::SDataInfo d;
    d.set_FIELDVALUELIST(cells);
    data.push_back(d);
  }
  t.set_FIELDLIST(fields);
  t.set_DATAINFOLIST(data);
  return t;
}

std::vector<std::string> Columns(const MVasDesk::SSpecilDataInfo& t) {
  std::vector<std::string> names;
  for (const auto& f : t.get_FIELDLIST()) names.push_back(f.get_FIELD_NAME());
  return names;
}

std::vector<Row> Rows(const MVasDesk::SSpecilDataInfo& t) {
  std::vector<Row> rows;
  for (const auto& d : t.get_DATAINFOLIST()) {
    Row r;
    for (const auto& c : d.get_FIELDVALUELIST()) r.push_back(c.get_FIELD_VALUE());
    rows.push_back(r);
  }
  return rows;
}

TEST(TableToRecords, RowsCarryOverWhatTheNextRowLeavesEmptyAndIgnoreUnknownColumns) {
  const auto table = Table({"SP_ID", "REMARK", "NOT_A_FIELD", "CREATE_DATE", "SERV_ID", "GPS_TYPE"},
                           {{"3", "车队", "x", "2025-04-01 08:30:00", "9004", "2"},
                            {"5", "", "y", "0000-00-00 00:00:00", "", "1"}});
  std::vector<MPublicDef::SGpsInfo> records;
  ASSERT_EQ(TableToRecords(table, records), 0);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].get_SP_ID(), 3);
  EXPECT_EQ(records[0].get_REMARK(), "车队");
  EXPECT_EQ(records[0].get_CREATE_DATE(), CBSDateTime::make(2025, 4, 1, 8, 30, 0));
  EXPECT_EQ(records[0].get_SERV_ID(), 9004);
  EXPECT_EQ(records[1].get_SP_ID(), 5);
  EXPECT_EQ(records[1].get_GPS_TYPE(), 1);
  EXPECT_EQ(records[1].get_REMARK(), "车队") << "an empty cell keeps the row before's value";
  EXPECT_EQ(records[1].get_CREATE_DATE(), CBSDateTime::make(2025, 4, 1, 8, 30, 0));
  EXPECT_EQ(records[1].get_SERV_ID(), 9004);
  // Untouched fields stay unset: the presence bits say what the table held.
  EXPECT_FALSE((records[0].UsedMarker >> MPublicDef::SGpsInfo::kIdx_CARD_NO) & 1u);
  EXPECT_TRUE((records[0].UsedMarker >> MPublicDef::SGpsInfo::kIdx_SP_ID) & 1u);
}

TEST(TableToRecords, AnUnsetDateLeavesTheFieldUnset) {
  std::vector<MPublicDef::SUserCrbtsInfo> records;
  ASSERT_EQ(TableToRecords(Table({"CREATE_DATE", "SONG_ID"}, {{"0000-00-00 00:00:00", "A01"}}), records), 0);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_TRUE(records[0].get_CREATE_DATE().isZero());
  EXPECT_FALSE((records[0].UsedMarker >> MPublicDef::SUserCrbtsInfo::kIdx_CREATE_DATE) & 1u);
  EXPECT_EQ(records[0].get_SONG_ID(), "A01");
}

TEST(TableToRecords, ACellThatDoesNotConvertStopsAtItsRow) {
  const struct {
    const char* column;
    const char* good;
    const char* bad;
  } cases[] = {{"SP_ID", "1", "abc"},
               {"GPS_TYPE", "1", "40000"},  // beyond int16
               {"SP_ID", "1", "99999999999"},  // beyond int32
               {"SERV_ID", "1", "99999999999999999999"},
               {"CREATE_DATE", "2025-01-01 00:00:00", "2025-02-30 00:00:00"},
               {"CREATE_DATE", "2025-01-01 00:00:00", "2025/04/01 08:30:00"}};
  for (const auto& c : cases) {
    std::vector<MPublicDef::SGpsInfo> records;
    const auto table = Table({"REMARK", c.column}, {{"first", c.good}, {"second", c.bad}, {"third", c.good}});
    EXPECT_EQ(TableToRecords(table, records), -1) << c.column << "=" << c.bad;
    ASSERT_EQ(records.size(), 1u) << c.column << "=" << c.bad;
    EXPECT_EQ(records[0].get_REMARK(), "first");
  }
}

TEST(TableToRecords, NumbersReadAsScanfReadsThem) {
  const struct {
    const char* cell;
    int spId;
  } cases[] = {{"12", 12}, {" 7", 7}, {"-3", -3}, {"15abc", 15}, {"+8", 8}};
  for (const auto& c : cases) {
    std::vector<MPublicDef::SGpsInfo> records;
    ASSERT_EQ(TableToRecords(Table({"SP_ID"}, {{c.cell}}), records), 0) << c.cell;
    EXPECT_EQ(records.at(0).get_SP_ID(), c.spId) << c.cell;
  }
}

TEST(TableToRecords, NoColumnsOrNoRowsGiveNothing) {
  std::vector<MPublicDef::SGpsInfo> records(1);
  EXPECT_EQ(TableToRecords(Table({}, {{"1"}}), records), 0);
  EXPECT_TRUE(records.empty());
  EXPECT_EQ(TableToRecords(Table({"SP_ID"}, {}), records), 0);
  EXPECT_TRUE(records.empty());
  // A short row: the missing cells are empty, not read past the row's end.
  EXPECT_EQ(TableToRecords(Table({"SP_ID", "REMARK"}, {{"4"}}), records), 0);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].get_SP_ID(), 4);
}

TEST(RecordsToTable, WritesEveryFieldInTableOrderSetOrNot) {
  MPublicDef::SGpsOper oper;
  oper.set_SP_ID(3);
  oper.set_REMARK("备注");
  oper.set_SERV_ID(9000000004LL);
  oper.set_ACT_TYPE(1);
  MVasDesk::SSpecilDataInfo table;
  ASSERT_EQ(RecordsToTable(std::vector<MPublicDef::SGpsOper>{oper}, table), 0);
  EXPECT_EQ(Columns(table), (std::vector<std::string>{"CARD_NO", "CREATE_DATE", "GPS_TYPE", "REGION_CODE", "REMARK",
                                                      "SELF_NO", "SERV_ID", "SP_ID", "ACT_TYPE", "BUSI_TYPE"}));
  EXPECT_EQ(Rows(table),
            (std::vector<Row>{{"", "0000-00-00 00:00:00", "0", "0", "备注", "", "9000000004", "3", "1", "0"}}));

  // And back: what was written reads as it was.
  std::vector<MPublicDef::SGpsOper> again;
  ASSERT_EQ(TableToRecords(table, again), 0);
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].get_SERV_ID(), 9000000004LL);
  EXPECT_EQ(again[0].get_REMARK(), "备注");
}

TEST(RecordsToTable, NothingToWriteLeavesTheTableAlone) {
  auto table = Table({"SONG_ID"}, {{"A01"}});
  table.set_BUSI_TYPE(104);
  EXPECT_EQ(RecordsToTable(std::vector<MPublicDef::SUserCrbtsOper>{}, table), 0);
  EXPECT_EQ(Rows(table), (std::vector<Row>{{"A01"}}));
  EXPECT_EQ(table.get_BUSI_TYPE(), 104);
}

TEST(SongCodes, TheCodeIsBetweenTheFirstBrackets) {
  const struct {
    const char* item;
    const char* code;
  } cases[] = {{"[A01] Happy", "A01"}, {"[A01] [B] x", "A01"}, {"no brackets", ""}, {"[open only", ""},
               {"close] only", ""},   {"]A[", ""},            {"[] empty", ""},     {"", ""}};
  for (const auto& c : cases) EXPECT_EQ(SongCodeOf(c.item), c.code) << c.item;
  EXPECT_EQ(SongItemText("A01", "Happy"), "[A01] Happy");

  const std::vector<std::string> items{"[A01] 生日快乐", "[A02] 茉莉花", "[A02] 重复", "无编号"};
  EXPECT_EQ(SongIndexOf(items, "A02"), 1);
  EXPECT_EQ(SongIndexOf(items, "A03"), std::nullopt);
  EXPECT_EQ(SongIndexOf(items, ""), std::nullopt) << "an empty code is not the item without brackets";
}

MPublicDef::SUserInfo Subscriber() {
  MPublicDef::SUserInfo user;
  user.set_SERV_ID(9004);
  user.set_REGION_CODE(571);
  return user;
}

TEST(OrderSpecialData, GpsCarriesThePageTheOperationAndTheSubscriber) {
  const GpsPageValues gps{3, 2, "SD-001", "浙A·12345", "车队"};
  for (const auto& [act, cell] : {std::pair{1, "1"}, std::pair{3, "3"}, std::pair{2, "0"}}) {
    const auto table = BuildOrderSpecialData(102, act, Subscriber(), gps, {});
    ASSERT_TRUE(table.has_value());
    EXPECT_EQ(table->get_BUSI_TYPE(), 102);
    EXPECT_EQ(Rows(*table), (std::vector<Row>{{"浙A·12345", "0000-00-00 00:00:00", "2", "571", "车队", "SD-001", "9004",
                                               "3", cell, "102"}}))
        << act;
  }
}

TEST(OrderSpecialData, RingBackToneTakesTheSongCodeOfTheItem) {
  const CrbtsPageValues crbts{1, "[A02] 茉莉花", "彩铃备注"};
  const auto table = BuildOrderSpecialData(104, 1, Subscriber(), {}, crbts);
  ASSERT_TRUE(table.has_value());
  EXPECT_EQ(table->get_BUSI_TYPE(), 104);
  EXPECT_EQ(Columns(*table), (std::vector<std::string>{"SERV_ID", "REGION_CODE", "BUSI_TYPE", "SEND_FLAG", "TRADMARK",
                                                       "SONG_ID", "ACT_TYPE", "REMARK", "PASSWD", "EXT_HOLDS1",
                                                       "EXT_HOLDS2", "EXT_HOLDS3"}));
  EXPECT_EQ(Rows(*table), (std::vector<Row>{{"9004", "571", "104", "1", "1", "A02", "1", "彩铃备注", "", "", "", ""}}));
}

TEST(OrderSpecialData, OtherBusinessesCarryNone) {
  for (int type : {101, 5, 131, 0})
    EXPECT_FALSE(BuildOrderSpecialData(type, 1, Subscriber(), {1, 1, "a", "b", "c"}, {1, "[A01] x", "r"}).has_value())
        << type;
}

TEST(OperatorRights, EachTypeAsksItsEntitiesAndOnlyAnAuthorisedAnswerGrants) {
  const auto answer = [](int entity, int authorized, int priv = 10) {
    MSysmgntDef::SOperPrivAuth a;
    a.set_ENT_ID(entity);
    a.set_PRIV_ID(priv);
    a.set_AUTHORIZED(static_cast<std::int16_t>(authorized));
    return a;
  };
  const struct {
    int type;
    std::vector<int> asked;
    MSysmgntDef::SOperPrivAuthList answers;
    OperatorRights rights;
  } cases[] = {
      {101, {51501, 51502}, {answer(51501, 1), answer(51502, 0)}, {true, false}},
      {101, {51501, 51502}, {answer(51501, 0), answer(51502, 0)}, {false, false}},
      {101, {51501, 51502}, {answer(51502, 1)}, {false, true}},
      {101, {51501, 51502}, {answer(51501, 1, 11)}, {false, false}},  // another privilege
      {102, {51507, 51508}, {answer(51507, 1), answer(51508, 1)}, {true, true}},
      {102, {51507, 51508}, {answer(51501, 1), answer(51502, 1)}, {false, false}},  // Global Call's
      {5, {51505, 51506}, {answer(51505, 1), answer(51506, 0)}, {true, false}},
      {104, {}, {}, {true, true}},
      {131, {}, {}, {true, true}},
      {7, {}, {answer(51501, 1)}, {false, false}},
  };
  for (const auto& c : cases) {
    std::vector<int> asked;
    for (const auto& a : RightAsksFor(c.type)) {
      asked.push_back(a.get_ENT_ID());
      EXPECT_EQ(a.get_PRIV_ID(), 10);
    }
    EXPECT_EQ(asked, c.asked) << c.type;
    EXPECT_EQ(RightsFrom(c.type, c.answers), c.rights) << c.type;
  }
}

}  // namespace
