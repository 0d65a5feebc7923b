// What only promotions have: the four types and their parameter, the
// validity-mode digit pairs, the dates a promotion starts and ends on, and
// the permission switch "PromPopedomValid" with the parameter limits encoded
// in privilege entity names. Plain functions, no widgets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "MProductIntfApp.h"
#include "MSysmgntDef.h"
#include "offer_dates.h"
#include "prom_limits.h"

namespace promotions {

inline constexpr const char* kTypeMinimum = "最低消费限额类促销";
inline constexpr const char* kTypeDiscount = "打折类促销";
inline constexpr const char* kTypeReduction = "减免类促销";
inline constexpr const char* kTypeOrdinary = "普通促销";

// The type text of a SUBSCR_PARAM and back ("1", "2", "3", "0" for ordinary).
std::string PromTypeText(const std::string& subscrParam);
std::string SubscrParamOfType(const std::string& typeText);

// The catalogue parameter as shown: empty when negative, a percentage for
// discounts, a yuan text for the two amounts, nothing for ordinary ones.
std::string CatalogueParaText(const std::string& subscrParam, std::int64_t spromPara);

// The validity mode m of a four-digit SUBSCR_MODE: business codes 1 and 1006
// read the first pair, every other code (and the business-type offer) the
// second; a pair that is not a number reads 0.
int ValidityMode(int subscrMode, int busiCode, bool typeOffer);
// "立即生效", "下周期生效", or m followed by "周期生效".
std::string ValidModeText(int m);
std::string ExpireModeText(int expireMode);

// Dates of a promotion from `today`. With `reset` the value is a catalogue
// entry (SUBSCR_MODE the four digits; MIN_NUM and MAX_NUM are set to 0 in
// it); without, a chosen promotion (SUBSCR_MODE is m, MIN_NUM the chosen
// mode, MAX_NUM the chosen cycles). ExpireDateText writes 12 into MAX_NUM of
// a "-2" promotion given no cycles.
std::string ValidDateText(MProductIntfApp::SSpromPlanMap& v, bool reset, int busiCode, const offers::CalendarDate& today);
std::string ExpireDateText(MProductIntfApp::SSpromPlanMap& v, bool reset, int busiCode,
                           const offers::CalendarDate& today);

// "PromPopedomValid": empty is 0@0; otherwise exactly "p@v" with p and v each
// 0 or 1. Nothing for a malformed value.
struct PopedomFlags {
  short popedom = 0;
  short valid = 0;
  bool operator==(const PopedomFlags&) const = default;
};
std::optional<PopedomFlags> ParsePopedomValid(const std::string& value);

}  // namespace promotions
