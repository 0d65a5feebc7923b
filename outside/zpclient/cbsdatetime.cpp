#include "cbsdatetime.h"

#include <cmath>
#include <ctime>

namespace zp::calendar {

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && leap(year) ? 29 : kDays[month - 1];
}

bool validDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && day >= 1 && day <= daysInMonth(year, month);
}

// The usual era-based conversion; exact for the whole proleptic Gregorian range.
long long daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, int& year, int& month, int& day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

}  // namespace zp::calendar

namespace {

using zp::calendar::validDate;

// The six parts a format can name. `minuteLetter` is the letter that stands
// for minutes besides %N ('M' in a time, where there is no month).
struct Parts {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

int* slot(Parts& p, char c, bool timeOnly) {
  switch (c) {
    case 'Y': return &p.year;
    case 'M': return timeOnly ? &p.minute : &p.month;
    case 'D': return &p.day;
    case 'H': return &p.hour;
    case 'N': return &p.minute;
    case 'S': return &p.second;
    default: return nullptr;
  }
}

// Reads `text` strictly by `format` into p; false when anything differs.
bool parse(std::string_view text, std::string_view format, Parts& p, bool timeOnly) {
  std::size_t t = 0;
  for (std::size_t f = 0; f < format.size(); ++f) {
    if (format[f] == '%' && f + 1 < format.size()) {
      const char c = format[++f];
      if (c == '%') {
        if (t >= text.size() || text[t] != '%') return false;
        ++t;
        continue;
      }
      int* target = slot(p, c, timeOnly);
      if (!target) return false;  // an unknown place holder matches nothing
      const std::size_t width = c == 'Y' ? 4 : 2;
      if (text.size() - t < width) return false;
      int v = 0;
      for (std::size_t k = 0; k < width; ++k) {
        const char d = text[t + k];
        if (d < '0' || d > '9') return false;
        v = v * 10 + (d - '0');
      }
      *target = v;
      t += width;
    } else {
      if (t >= text.size() || text[t] != format[f]) return false;
      ++t;
    }
  }
  return t == text.size();
}

void put(std::string& out, int v, int width) {
  char b[8];
  for (int k = width - 1; k >= 0; --k) {
    b[k] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  out.append(b, width);
}

std::string format(const Parts& p, std::string_view fmt, bool timeOnly) {
  std::string out;
  out.reserve(fmt.size() + 8);
  for (std::size_t f = 0; f < fmt.size(); ++f) {
    if (fmt[f] == '%' && f + 1 < fmt.size()) {
      const char c = fmt[++f];
      if (c == '%') {
        out += '%';
        continue;
      }
      Parts copy = p;
      if (int* v = slot(copy, c, timeOnly)) {
        put(out, *v, c == 'Y' ? 4 : 2);
      } else {
        out += '%';
        out += c;
      }
    } else {
      out += fmt[f];
    }
  }
  return out;
}

bool validTime(int h, int n, int s) { return h >= 0 && h < 24 && n >= 0 && n < 60 && s >= 0 && s < 60; }

bool allZero(const Parts& p) {
  return p.year == 0 && p.month == 0 && p.day == 0 && p.hour == 0 && p.minute == 0 && p.second == 0;
}

}  // namespace

// --- CBSDate ---------------------------------------------------------------

CBSDate::CBSDate(const char* text, const char* fmt) { fromString(text ? text : "", fmt ? fmt : ""); }

bool CBSDate::set(int year, int month, int day) {
  if (!(year == 0 && month == 0 && day == 0) && !validDate(year, month, day)) return false;
  year_ = year, month_ = month, day_ = day;
  return true;
}

bool CBSDate::fromString(std::string_view text, std::string_view fmt) {
  Parts p;
  if (!parse(text, fmt, p, false)) return false;
  return set(p.year, p.month, p.day);
}

std::string CBSDate::toString(std::string_view fmt) const {
  Parts p;
  p.year = year_, p.month = month_, p.day = day_;
  return format(p, fmt, false);
}

// --- CBSTime ---------------------------------------------------------------

CBSTime::CBSTime(const char* text, const char* fmt) { fromString(text ? text : "", fmt ? fmt : ""); }

bool CBSTime::set(int hour, int minute, int second) {
  if (!validTime(hour, minute, second)) return false;
  hour_ = hour, minute_ = minute, second_ = second;
  return true;
}

bool CBSTime::fromString(std::string_view text, std::string_view fmt) {
  Parts p;
  if (!parse(text, fmt, p, true)) return false;
  return set(p.hour, p.minute, p.second);
}

std::string CBSTime::toString(std::string_view fmt) const {
  Parts p;
  p.hour = hour_, p.minute = minute_, p.second = second_;
  return format(p, fmt, true);
}

// --- CBSDateTime -----------------------------------------------------------

CBSDateTime::CBSDateTime(long long packed) { setPacked(packed); }

CBSDateTime::CBSDateTime(const char* text) { fromString(text ? text : "", kDefaultFormat); }

CBSDateTime::CBSDateTime(const char* text, const char* fmt) { fromString(text ? text : "", fmt ? fmt : ""); }

bool CBSDateTime::set(int year, int month, int day, int hour, int minute, int second) {
  Parts p{year, month, day, hour, minute, second};
  if (!allZero(p) && !(validDate(year, month, day) && validTime(hour, minute, second))) return false;
  year_ = static_cast<short>(year);
  month_ = static_cast<signed char>(month);
  day_ = static_cast<signed char>(day);
  hour_ = static_cast<signed char>(hour);
  minute_ = static_cast<signed char>(minute);
  second_ = static_cast<signed char>(second);
  return true;
}

CBSDateTime CBSDateTime::make(int year, int month, int day, int hour, int minute, int second) {
  CBSDateTime d;
  d.set(year, month, day, hour, minute, second);
  return d;
}

CBSDateTime CBSDateTime::now() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return make(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
}

bool CBSDateTime::fromString(std::string_view text, std::string_view fmt) {
  Parts p;
  if (!parse(text, fmt, p, false)) return false;
  return set(p.year, p.month, p.day, p.hour, p.minute, p.second);
}

std::string CBSDateTime::toString(std::string_view fmt) const {
  Parts p{year_, month_, day_, hour_, minute_, second_};
  return format(p, fmt, false);
}

long long CBSDateTime::packed() const {
  return ((((static_cast<long long>(year_) * 100 + month_) * 100 + day_) * 100 + hour_) * 100 + minute_) * 100 +
         second_;
}

bool CBSDateTime::validPacked(long long v) {
  if (v == 0) return true;
  if (v < 0) return false;
  const int s = static_cast<int>(v % 100), n = static_cast<int>(v / 100 % 100), h = static_cast<int>(v / 10000 % 100);
  const int d = static_cast<int>(v / 1000000 % 100), m = static_cast<int>(v / 100000000 % 100);
  const long long y = v / 10000000000LL;
  return y <= 9999 && validDate(static_cast<int>(y), m, d) && validTime(h, n, s);
}

bool CBSDateTime::setPacked(long long v) {
  if (!validPacked(v)) return false;
  return set(static_cast<int>(v / 10000000000LL), static_cast<int>(v / 100000000 % 100),
             static_cast<int>(v / 1000000 % 100), static_cast<int>(v / 10000 % 100),
             static_cast<int>(v / 100 % 100), static_cast<int>(v % 100));
}

namespace {
constexpr long long kEpochOffset = -25569;  // 1899-12-30 as days since 1970-01-01
}

bool CBSDateTime::fromTDateTime(double days) {
  if (!std::isfinite(days)) return false;
  // Whole seconds since 1899-12-30, rounded; the count is continuous, so a
  // negative value lies that far before the epoch.
  const double secs = std::round(days * 86400.0);
  if (secs < -700000.0 * 86400.0 || secs > 3000000.0 * 86400.0) return false;
  long long total = static_cast<long long>(secs);
  long long day = total / 86400;
  long long rem = total % 86400;
  if (rem < 0) {
    rem += 86400;
    --day;
  }
  int y, m, d;
  zp::calendar::civilFromDays(day + kEpochOffset, y, m, d);
  if (!validDate(y, m, d)) return false;
  return set(y, m, d, static_cast<int>(rem / 3600), static_cast<int>(rem / 60 % 60), static_cast<int>(rem % 60));
}

double CBSDateTime::toTDateTime() const {
  if (isZero()) return 0.0;
  const long long day = zp::calendar::daysFromCivil(year_, month_, day_) - kEpochOffset;
  return static_cast<double>(day) + (hour_ * 3600 + minute_ * 60 + second_) / 86400.0;
}

CBSDate CBSDateTime::date() const {
  CBSDate d;
  d.set(year_, month_, day_);
  return d;
}

CBSTime CBSDateTime::time() const {
  CBSTime t;
  t.set(hour_, minute_, second_);
  return t;
}
