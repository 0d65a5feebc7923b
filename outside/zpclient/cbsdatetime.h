// Date and time values of the client runtime.
//
// Formats are texts with these place holders, every other character must
// match itself:  %Y year (4 digits)  %M month (2; minutes in CBSTime)
// %D day (2)  %H hour (2)  %N minutes (2)  %S seconds (2)  %% a percent sign.
// Reading is strict: a text that does not match its format exactly, or names
// a day that does not exist, is refused and the value is left unchanged.
//
// The zero value (year, month, day, hour, minute and second all 0) is the
// default and means "not set"; it is written "0000-00-00 00:00:00".
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

class CBSDate {
 public:
  CBSDate() = default;
  CBSDate(const char* text, const char* format);  // zero when refused
  bool fromString(std::string_view text, std::string_view format);
  std::string toString(std::string_view format) const;

  int year() const { return year_; }
  int month() const { return month_; }
  int day() const { return day_; }
  bool isZero() const { return year_ == 0 && month_ == 0 && day_ == 0; }
  bool set(int year, int month, int day);  // false (unchanged) when invalid
  auto operator<=>(const CBSDate&) const = default;

 private:
  int year_ = 0, month_ = 0, day_ = 0;
};

class CBSTime {
 public:
  CBSTime() = default;
  CBSTime(const char* text, const char* format);  // zero when refused
  bool fromString(std::string_view text, std::string_view format);
  std::string toString(std::string_view format) const;

  int hour() const { return hour_; }
  int minute() const { return minute_; }
  int second() const { return second_; }
  bool set(int hour, int minute, int second);
  auto operator<=>(const CBSTime&) const = default;

 private:
  int hour_ = 0, minute_ = 0, second_ = 0;
};

class CBSDateTime {
 public:
  static constexpr const char* kDefaultFormat = "%Y-%M-%D %H:%N:%S";

  CBSDateTime() = default;
  // From a packed decimal YYYYMMDDHHNNSS (as it travels on the wire);
  // 0 and invalid values give the zero date-time.
  CBSDateTime(int packed) : CBSDateTime(static_cast<long long>(packed)) {}
  explicit CBSDateTime(long packed) : CBSDateTime(static_cast<long long>(packed)) {}
  explicit CBSDateTime(long long packed);
  // From a text in the default format; zero when refused.
  CBSDateTime(const char* text);
  CBSDateTime(const char* text, const char* format);
  CBSDateTime(const CBSDateTime&) = default;
  CBSDateTime& operator=(const CBSDateTime&) = default;

  bool fromString(std::string_view text, std::string_view format);
  std::string toString(std::string_view format = kDefaultFormat) const;

  // Days since 1899-12-30, the fraction being the time of day (rounded to
  // the second). The zero value converts to 0.0; out of range is refused.
  bool fromTDateTime(double days);
  double toTDateTime() const;

  bool set(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
  static CBSDateTime make(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
  // The current local time of this machine.
  static CBSDateTime now();

  long long packed() const;  // YYYYMMDDHHNNSS, 0 for the zero value
  bool setPacked(long long packed);  // false (unchanged) when invalid
  static bool validPacked(long long packed);

  int year() const { return year_; }
  int month() const { return month_; }
  int day() const { return day_; }
  int hour() const { return hour_; }
  int minute() const { return minute_; }
  int second() const { return second_; }
  bool isZero() const { return packed() == 0; }

  CBSDate date() const;
  CBSTime time() const;

  bool operator==(const CBSDateTime& o) const { return packed() == o.packed(); }
  auto operator<=>(const CBSDateTime& o) const { return packed() <=> o.packed(); }

 private:
  short year_ = 0;
  signed char month_ = 0, day_ = 0, hour_ = 0, minute_ = 0, second_ = 0;
};

namespace zp::calendar {
bool validDate(int year, int month, int day);
int daysInMonth(int year, int month);
// Days since 1970-01-01 of a proleptic Gregorian date, and back.
long long daysFromCivil(int year, int month, int day);
void civilFromDays(long long days, int& year, int& month, int& day);
}  // namespace zp::calendar
