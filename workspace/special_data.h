// The details of GPS and ring-back tone services travel as a table of texts
// (`SSpecilDataInfo`): a list of column names and rows of cells. These are the
// conversions between such a table and the detail records, driven by each
// record's field table, and the order's special data built from the values
// of the detail pages. No widget is involved, so all of it is tested alone.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "MPublicDef.h"
#include "MVasDesk.h"
#include "zpb_record.h"

namespace zp::workspace {

// A cell that stands for "no value": an empty text or the text of a date-time
// that was never set.
inline constexpr const char* kUnsetDateTimeText = "0000-00-00 00:00:00";

// The text of a cell as a value of the field type `typeCode` (a
// zpb_type_code); false when it does not read as one (letters for a number,
// a number beyond the field's width, a date-time not in "%Y-%M-%D %H:%N:%S").
bool ParseCell(int typeCode, const std::string& text, zpb_value& value);
// A field's value as the text of its cell; false for a type this table
// format has no text for.
bool FormatCell(int typeCode, const zpb_value& value, std::string& text);

// Rows of the table as records of type R (one with a field table). One
// record is reused from row to row, so a field a row leaves empty keeps the
// value of the row before. Columns no field is named after are ignored.
// 0, or -1 at the first cell that does not convert (the rows before it stay
// in `records`).
template <class R>
int TableToRecords(const MVasDesk::SSpecilDataInfo& table, std::vector<R>& records) {
  records.clear();
  const auto& columns = table.get_FIELDLIST();
  const auto& rows = table.get_DATAINFOLIST();
  if (columns.empty() || rows.empty()) return 0;
  // Column position -> field index, resolved once.
  std::vector<int> fieldOf(columns.size(), -1);
  for (std::size_t c = 0; c < columns.size(); ++c)
    for (int f = 0; f < R::kFieldCount; ++f)
      if (columns[c].get_FIELD_NAME() == R::kFieldTable[f].name) {
        fieldOf[c] = f;
        break;
      }
  R record;
  for (const auto& row : rows) {
    const auto& cells = row.get_FIELDVALUELIST();
    for (std::size_t c = 0; c < columns.size(); ++c) {
      const int f = fieldOf[c];
      // A row shorter than the column list leaves its missing cells empty.
      if (f < 0 || c >= cells.size()) continue;
      const std::string& text = cells[c].get_FIELD_VALUE();
      if (text.empty() || text == kUnsetDateTimeText) continue;
      zpb_value value;
      if (!ParseCell(R::kFieldTable[f].type, text, value) || !record.set_by_index(f, value)) return -1;
    }
    records.push_back(record);
  }
  return 0;
}

// Records of type R as a table: every field of the field table is a column,
// in its order, and every field is written whether or not it was set. An
// empty sequence leaves the table as it was. 0, or -1 when a value has no
// text.
template <class R>
int RecordsToTable(const std::vector<R>& records, MVasDesk::SSpecilDataInfo& table) {
  if (records.empty()) return 0;
  MVasDesk::SFieldList columns;
  for (int f = 0; f < R::kFieldCount; ++f) {
    MVasDesk::SField column;
    column.set_FIELD_NAME(R::kFieldTable[f].name);
    columns.push_back(column);
  }
  MVasDesk::SDataInfoList rows;
  for (const R& record : records) {
    MVasDesk::SFieldValueList cells;
    for (int f = 0; f < R::kFieldCount; ++f) {
      MVasDesk::SFieldValue cell;
      std::string text;
      if (!FormatCell(R::kFieldTable[f].type, record.get_by_index(f), text)) return -1;
      cell.set_FIELD_VALUE(text);
      cells.push_back(cell);
    }
    MVasDesk::SDataInfo row;
    row.set_FIELDVALUELIST(cells);
    rows.push_back(row);
  }
  table.set_FIELDLIST(columns);
  table.set_DATAINFOLIST(rows);
  return 0;
}

// The code of a song item "[A01] name": the text between the first '[' and
// the first ']'; empty when either is missing or ']' comes first.
std::string SongCodeOf(const std::string& itemText);
// The position of the first item whose song code is `code`; nothing when no
// item has it (an empty code matches no item).
std::optional<int> SongIndexOf(const std::vector<std::string>& itemTexts, const std::string& code);
// "[" + SONG_ID + "] " + SONG_NAME.
std::string SongItemText(const std::string& songId, const std::string& songName);

// What the GPS page holds, as the operator left it. Codes are those of the
// selected items (0 when nothing is selected).
struct GpsPageValues {
  int spId = 0;
  int gpsType = 0;
  std::string selfNo;
  std::string cardNo;
  std::string remark;
};

// What the ring-back tone page holds.
struct CrbtsPageValues {
  int sendFlag = 0;
  std::string songText;  // the selected song item as shown
  std::string remark;
};

// The order's special data for the business type: one GPS or ring-back tone
// operation on the subscriber, as a table whose BUSI_TYPE is the type.
// actType is 1 (open) or 3 (cancel); any other value leaves ACT_TYPE unset.
// Nothing for the types that carry no details (all but 102 and 104).
std::optional<MVasDesk::SSpecilDataInfo> BuildOrderSpecialData(int busiType, int actType,
                                                               const MPublicDef::SUserInfo& user,
                                                               const GpsPageValues& gps,
                                                               const CrbtsPageValues& crbts);

}  // namespace zp::workspace
