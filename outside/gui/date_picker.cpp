#include "date_picker.h"

TFlatDateTimePicker::TFlatDateTimePicker(QWidget* parent) : QDateEdit(parent) {
  setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
  setCalendarPopup(true);
  setDate(QDate::currentDate());
}

CBSDateTime TFlatDateTimePicker::Day() const {
  const QDate day = date();
  return CBSDateTime::make(day.year(), day.month(), day.day());
}

bool TFlatDateTimePicker::SetDay(const CBSDateTime& day) {
  if (day.isZero()) return false;
  const QDate wanted(day.year(), day.month(), day.day());
  if (!wanted.isValid() || wanted < minimumDate() || wanted > maximumDate()) return false;
  setDate(wanted);
  return true;
}
