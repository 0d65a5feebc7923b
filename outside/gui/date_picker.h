// TFlatDateTimePicker: the suite's date picker, a day shown as yyyy/MM/dd
// with a drop-down calendar, read and written as a CBSDateTime day.
#pragma once

#include <QDateEdit>

#include "cbsdatetime.h"

class TFlatDateTimePicker : public QDateEdit {
  Q_OBJECT

 public:
  explicit TFlatDateTimePicker(QWidget* parent = nullptr);

  // The chosen day at 00:00:00.
  CBSDateTime Day() const;
  // Takes the day of the value, ignoring its time; false (unchanged) for the
  // zero value or a day the picker cannot show.
  bool SetDay(const CBSDateTime& day);
};
