#include "special_data.h"

#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cstdlib>

#include "cbsdatetime.h"

namespace zp::workspace {
namespace {
constexpr const char* kDateTimeFormat = "%Y-%M-%D %H:%N:%S";
constexpr int kGps = 102;
constexpr int kRingBack = 104;

// scanf's "%d"/"%lld": blanks, a sign and digits; what follows is not read.
// Unlike scanf, a number beyond the field's width is refused instead of
// being wrapped into another number.
bool ParseInteger(const std::string& text, long long low, long long high, long long& out) {
  long long v = 0;
  if (std::sscanf(text.c_str(), "%lld", &v) != 1) return false;
  if (v < low || v > high) return false;
  // sscanf saturates on overflow; so does our range check for 64 bits.
  if (v == LLONG_MAX || v == LLONG_MIN) {
    errno = 0;
    std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE) return false;
  }
  out = v;
  return true;
}
}  // namespace

bool ParseCell(int typeCode, const std::string& text, zpb_value& value) {
  long long n = 0;
  switch (typeCode) {
    case ZPB_TEXT:
      value = text;
      return true;
    case ZPB_INT16:
      if (!ParseInteger(text, INT16_MIN, INT16_MAX, n)) return false;
      value = static_cast<std::int16_t>(n);
      return true;
    case ZPB_INT32:
      if (!ParseInteger(text, INT32_MIN, INT32_MAX, n)) return false;
      value = static_cast<std::int32_t>(n);
      return true;
    case ZPB_INT64:
      if (!ParseInteger(text, INT64_MIN, INT64_MAX, n)) return false;
      value = static_cast<std::int64_t>(n);
      return true;
    case ZPB_DATETIME: {
      CBSDateTime when;
      if (!when.fromString(text, kDateTimeFormat)) return false;
      value = when;
      return true;
    }
    default:
      return false;
  }
}

bool FormatCell(int typeCode, const zpb_value& value, std::string& text) {
  switch (typeCode) {
    case ZPB_TEXT:
      if (const auto* s = std::get_if<std::string>(&value)) return text = *s, true;
      return false;
    case ZPB_INT16:
      if (const auto* v = std::get_if<std::int16_t>(&value)) return text = std::to_string(*v), true;
      return false;
    case ZPB_INT32:
      if (const auto* v = std::get_if<std::int32_t>(&value)) return text = std::to_string(*v), true;
      return false;
    case ZPB_INT64:
      if (const auto* v = std::get_if<std::int64_t>(&value)) return text = std::to_string(*v), true;
      return false;
    case ZPB_DATETIME:
      if (const auto* v = std::get_if<CBSDateTime>(&value)) return text = v->toString(kDateTimeFormat), true;
      return false;
    default:
      return false;
  }
}

std::string SongCodeOf(const std::string& itemText) {
  const auto open = itemText.find('[');
  const auto close = itemText.find(']');
  if (open == std::string::npos || close == std::string::npos || close < open) return {};
  return itemText.substr(open + 1, close - open - 1);
}

std::optional<int> SongIndexOf(const std::vector<std::string>& itemTexts, const std::string& code) {
  if (code.empty()) return std::nullopt;
  for (std::size_t i = 0; i < itemTexts.size(); ++i)
    if (SongCodeOf(itemTexts[i]) == code) return static_cast<int>(i);
  return std::nullopt;
}

std::string SongItemText(const std::string& songId, const std::string& songName) {
  return "[" + songId + "] " + songName;
}

std::optional<MVasDesk::SSpecilDataInfo> BuildOrderSpecialData(int busiType, int actType,
                                                               const MPublicDef::SUserInfo& user,
                                                               const GpsPageValues& gps,
                                                               const CrbtsPageValues& crbts) {
  const bool knownAct = actType == 1 || actType == 3;
  MVasDesk::SSpecilDataInfo table;
  int converted = 0;
  if (busiType == kGps) {
    MPublicDef::SGpsOper oper;
    oper.set_SP_ID(gps.spId);
    oper.set_GPS_TYPE(static_cast<std::int16_t>(gps.gpsType));
    oper.set_SELF_NO(gps.selfNo);
    oper.set_CARD_NO(gps.cardNo);
    oper.set_REMARK(gps.remark);
    if (knownAct) oper.set_ACT_TYPE(static_cast<std::int16_t>(actType));
    oper.set_BUSI_TYPE(busiType);
    oper.set_SERV_ID(user.get_SERV_ID());
    oper.set_REGION_CODE(user.get_REGION_CODE());
    converted = RecordsToTable(std::vector<MPublicDef::SGpsOper>{oper}, table);
  } else if (busiType == kRingBack) {
    MPublicDef::SUserCrbtsOper oper;
    oper.set_SEND_FLAG(static_cast<std::int16_t>(crbts.sendFlag));
    oper.set_SONG_ID(SongCodeOf(crbts.songText));
    oper.set_TRADMARK(1);
    oper.set_REMARK(crbts.remark);
    if (knownAct) oper.set_ACT_TYPE(static_cast<std::int16_t>(actType));
    oper.set_BUSI_TYPE(busiType);
    oper.set_SERV_ID(user.get_SERV_ID());
    oper.set_REGION_CODE(user.get_REGION_CODE());
    converted = RecordsToTable(std::vector<MPublicDef::SUserCrbtsOper>{oper}, table);
  } else {
    return std::nullopt;
  }
  // Every field of these records has a text form: a failure here is a
  // programming error, and an order without its details must not go out.
  if (converted != 0) return std::nullopt;
  table.set_BUSI_TYPE(static_cast<std::int16_t>(busiType));
  return table;
}

}  // namespace zp::workspace
