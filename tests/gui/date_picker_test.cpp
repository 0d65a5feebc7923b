#include "date_picker.h"

#include <gtest/gtest.h>

TEST(DatePicker, DayRoundTripsWithoutItsTime) {
  TFlatDateTimePicker picker;
  EXPECT_EQ(picker.displayFormat(), QStringLiteral("yyyy/MM/dd"));
  EXPECT_TRUE(picker.calendarPopup());
  const CBSDateTime days[] = {
      CBSDateTime::make(2004, 7, 6),         CBSDateTime::make(2000, 2, 29, 13, 5, 9),
      CBSDateTime::make(1999, 12, 31, 23, 59, 59), CBSDateTime::make(2038, 1, 19, 3, 14, 8),
  };
  for (const CBSDateTime& day : days) {
    ASSERT_TRUE(picker.SetDay(day)) << day.toString();
    const CBSDateTime read = picker.Day();
    EXPECT_EQ(read, CBSDateTime::make(day.year(), day.month(), day.day())) << day.toString();
    EXPECT_EQ(picker.text().toStdString(), day.toString("%Y/%M/%D"));
    // What a caller reading the day as "yyyymmdd" with "%Y%M%D" gets.
    EXPECT_EQ(read, CBSDateTime(picker.date().toString("yyyyMMdd").toStdString().c_str(), "%Y%M%D"));
  }
}

TEST(DatePicker, RefusesWhatItCannotShowAndStaysPut) {
  TFlatDateTimePicker picker;
  ASSERT_TRUE(picker.SetDay(CBSDateTime::make(2004, 7, 6)));
  picker.setMinimumDate(QDate(2000, 1, 1));
  for (const CBSDateTime& day : {CBSDateTime(), CBSDateTime::make(1999, 12, 31)}) {
    EXPECT_FALSE(picker.SetDay(day)) << day.toString();
    EXPECT_EQ(picker.Day(), CBSDateTime::make(2004, 7, 6));
  }
}
