// The detail input dialog: the one or two details a chosen product needs
// (call-forwarding number, ring-back song, validity mode). The product
// selection loads the songs, sets the detail type and the current values,
// shows it modally and stores what comes back in the product's row.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

#include "MBusiDataMgnt.h"

class QKeyEvent;
class QLineEdit;

namespace Ui {
class TfrmShowDetail;
}

class TfrmShowDetail : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmShowDetail(QWidget* owner = nullptr);
  ~TfrmShowDetail() override;

  // The songs on offer, in list order; the first is selected.
  void LoadRings(const MBusiDataMgnt::SCrbtsInfoList& rings);
  // Types 1-5 pick the controls shown; `detail` is the forwarding number or
  // the ring code, whichever the type shows.
  void SetDetail(int detailType, int validMode, const std::string& detail);
  // 1 confirmed, 2 cancelled, 0 closed by the close box; only 1 carries
  // values worth reading.
  int GetDetail(int& validMode, std::string& detail) const;

 public slots:
  // The close box: neither confirmed nor cancelled by the button.
  void reject() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private slots:
  void btnOkClick();
  void btnCancelClick();

 private:
  void FormCreate();
  void edPhoneKeyPress(QLineEdit& edit, char32_t& key);
  bool NumberShown() const;

  std::unique_ptr<Ui::TfrmShowDetail> ui_;
  int detailType = 0;
  int resultCode = 0;
};
