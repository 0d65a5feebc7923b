// The back-dated order date dialog: the day on which the service was really
// accepted, no later than the back end's clock. The workspace sets the day
// it offers, shows the dialog modally and, on 1, reads the chosen day.
#pragma once

#include <QDialog>

#include <memory>

#include "cbsdatetime.h"
#include "cbserrormsg.h"
#include "csysmgntpublic.h"

namespace Ui {
class TfrmAfterInfo;
}

class TfrmAfterInfo : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAfterInfo(QWidget* owner = nullptr);
  ~TfrmAfterInfo() override;

  // The day offered; false (unchanged) for a day the picker cannot show.
  bool SetAfterDate(const CBSDateTime& day);
  // The chosen day at 00:00:00.
  CBSDateTime GetAfterDate() const;

 public slots:
  // Escape and the close box end here: both are a cancel.
  void reject() override;

 private slots:
  void btnOkClick();
  void btnCancleClick();

 private:
  void FormCreate();

  std::unique_ptr<Ui::TfrmAfterInfo> ui_;
  CSysMgntPublic sysMgnt;
  bool sysMgntReady = false;
  CBSErrorMsg errorMsg;
};
