// The number dialog: the operator narrows the pool by a number range and a
// quantity, pages through the free numbers fifty at a time and picks one.
// The caller primes it with its own operator context, shows it modally and
// reads the choice; reserving the number is the caller's business.
#pragma once

#include <QDialog>

#include <memory>

#include "CVasDesk.h"
#include "MVasDesk.h"

class QKeyEvent;
class QLineEdit;

namespace Ui {
class TfrmSelGlobeIsdn;
}

class TfrmSelGlobeIsdn : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmSelGlobeIsdn(QWidget* owner = nullptr);
  ~TfrmSelGlobeIsdn() override;

  // Binds the dialog's own facade with the caller's context; true when bound.
  bool InitSelect(int busiCode, short regionCode, short countyCode, int orgId, int opId);
  // 1 and the chosen number in `out`, or 2 (cancelled) with `out` untouched.
  int GetSelected(MVasDesk::SResInfo& out);

 public slots:
  // Escape and the close box end here: both are a cancel.
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void btnQueryClick();
  void sgIsdnClick();
  void sgIsdnDblClick();
  void spbPrePageClick();
  void spbNextPageClick();
  void btnOKClick();
  void btnCancelClick();

 private:
  void FormCreate();
  // True when the key was used up (Enter moved the focus on).
  bool FormKeyPress(QKeyEvent* key);
  void edNumberKeyPress(QLineEdit& edit, char32_t& key);
  void ClearGrid();
  void ClearSelection();
  void ShowPage(int page);
  void Choose();

  std::unique_ptr<Ui::TfrmSelGlobeIsdn> ui_;
  CVasDesk facade;
  MVasDesk::SResInfoList resList;
  int resultCode = 2;
  int curPage = -1;
  int pageCount = 0;
  int resCount = 0;
  int selIndex = -1;  // -1: nothing picked
};
