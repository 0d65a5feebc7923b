#include "prom_rules.h"

#include <cctype>
#include <charconv>
#include <cstdio>

#include "money.h"
#include "offer_rows.h"

namespace promotions {

std::string PromTypeText(const std::string& subscrParam) {
  if (subscrParam == "1") return kTypeMinimum;
  if (subscrParam == "2") return kTypeDiscount;
  if (subscrParam == "3") return kTypeReduction;
  return kTypeOrdinary;
}

std::string SubscrParamOfType(const std::string& typeText) {
  if (typeText == kTypeMinimum) return "1";
  if (typeText == kTypeDiscount) return "2";
  if (typeText == kTypeReduction) return "3";
  return "0";
}

std::string CatalogueParaText(const std::string& subscrParam, std::int64_t spromPara) {
  if (spromPara < 0) return {};
  if (subscrParam == "2") return std::to_string(spromPara);
  if (subscrParam == "1" || subscrParam == "3") return CurrencyToPlainText(spromPara);
  return {};
}

namespace {

int pairValue(const std::string& digits) {
  int v = 0;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
    v = v * 10 + (c - '0');
  }
  return v;
}

// The validity mode and the chosen mode of a value, as the reset flag reads it.
struct Modes {
  int m = 0;
  int chosen = 0;
};

Modes modesOf(MProductIntfApp::SSpromPlanMap& v, bool reset, int busiCode) {
  if (reset) {
    v.set_MIN_NUM(0);
    v.set_MAX_NUM(0);
    return {ValidityMode(v.get_SUBSCR_MODE(), busiCode, false), 0};
  }
  return {v.get_SUBSCR_MODE(), v.get_MIN_NUM()};
}

}  // namespace

int ValidityMode(int subscrMode, int busiCode, bool typeOffer) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d", subscrMode);
  const std::string text(digits);
  const bool firstPair = !typeOffer && (busiCode == 1 || busiCode == 1006);
  return pairValue(firstPair ? text.substr(0, 2) : text.substr(2, 2));
}

std::string ValidModeText(int m) {
  if (m == 0) return offers::kValidNow;
  if (m == 1) return offers::kValidNext;
  return std::to_string(m) + "周期生效";
}

std::string ExpireModeText(int expireMode) { return expireMode == 0 ? offers::kExpireNow : offers::kExpireNext; }

std::string ValidDateText(MProductIntfApp::SSpromPlanMap& v, bool reset, int busiCode,
                          const offers::CalendarDate& today) {
  const Modes modes = modesOf(v, reset, busiCode);
  if (modes.m != 0) return offers::SlashDate(offers::FirstOfMonthPlus(today, modes.m));
  if (modes.chosen != 0) return offers::SlashDate(offers::FirstOfMonthPlus(today, 1));
  return offers::SlashDate(today);
}

std::string ExpireDateText(MProductIntfApp::SSpromPlanMap& v, bool reset, int busiCode,
                           const offers::CalendarDate& today) {
  const Modes modes = modesOf(v, reset, busiCode);
  const int n = v.get_VALID_CYCLE();
  const int k = v.get_MAX_NUM();
  int months = 0;
  if (n >= 0) {
    months = n;
  } else if (n == -2) {
    months = k;
    if (k == 0) {
      months = 12;
      v.set_MAX_NUM(12);
    }
  } else if (n == -1 && k != 0) {
    months = k;
  } else {
    return offers::kOpenEndDate;
  }
  const int delay = modes.m != 0 ? modes.m : (modes.chosen != 0 ? 1 : 0);
  return offers::SlashDate(offers::FirstOfMonthPlus(today, months + delay));
}

std::optional<PopedomFlags> ParsePopedomValid(const std::string& value) {
  if (value.empty()) return PopedomFlags{};
  auto flag = [](char c) { return c == '0' || c == '1'; };
  if (value.size() != 3 || value[1] != '@' || !flag(value[0]) || !flag(value[2])) return std::nullopt;
  return PopedomFlags{static_cast<short>(value[0] - '0'), static_cast<short>(value[2] - '0')};
}

}  // namespace promotions
