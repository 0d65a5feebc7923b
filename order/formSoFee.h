// The fee dialog: shows the fees the order was priced at and the
// prepayments it requires, lets the operator discount single fee items and
// hands back the fee list the order is submitted with, prepayments folded
// in. The caller creates it, calls InitSoFee, shows it modally and reads
// GetSoFeeResult.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

#include "MProductIntfApp.h"
#include "MPublicDef.h"
#include "cbserrormsg.h"
#include "cbusinesspublic.h"
#include "fee_rules.h"
#include "lookup.h"

class QKeyEvent;
class QLineEdit;
class QTreeWidgetItem;

namespace Ui {
class TfrmSoFee;
}

class TfrmSoFee : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmSoFee(QWidget* owner = nullptr);
  ~TfrmSoFee() override;

  // Copies both lists, reads the item catalogues and fills the list. A
  // failed catalogue call is shown; the rows are listed all the same, with
  // the bare codes of the items it could not name, and the totals are those
  // OK hands back.
  void InitSoFee(const MPublicDef::SSoFeeList& fees, const MPublicDef::SPrepayOperList& prepays);
  // 1 confirmed, 2 cancelled; the lists are meaningful only after 1.
  int GetSoFeeResult(MPublicDef::SSoFeeList& fees, MPublicDef::SPrepayOperList& prepays) const;

 public slots:
  // Escape and the close box leave the result at cancelled.
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void lvSoFeeInfoDblClick();
  void btnOKClick();
  void btnCancelClick();

 private:
  void FormCreate();
  // True when the key was used up (Enter moved the focus on).
  bool FormKeyPress(QKeyEvent* key);
  void edTotalFeeKeyPress(QLineEdit& edit, char32_t& key);
  void edTotalFeeExit(QLineEdit& edit);
  bool LoadCatalogues();
  void AddRow(int code, const std::string& caption, std::int64_t due, std::int64_t discount, const char* feeType,
              int feeIndex);
  void CalcTotal();
  // 1 recorded, 0 refused (a refusal with a reason is shown). `feeIndex` is
  // the discounted entry's place in the fee list as handed in.
  int AddItemDiscount(int feeIndex, const std::string& discount, const std::string& remark);
  void MovePrepayToFee();
  // soFeeList anew from the fees as handed in, the grants and, once OK was
  // pressed, the prepayments.
  void Rebook();

  std::unique_ptr<Ui::TfrmSoFee> ui_;
  MPublicDef::SSoFeeList handedFees_;
  zpfee::ItemGrants grants_;
  MPublicDef::SSoFeeList soFeeList;
  MPublicDef::SPrepayOperList prepayOperList;
  MProductIntfApp::SAccItemRelList accItemRelList;
  std::unique_ptr<CBasicLookup<MProductIntfApp::SBookItemList>> busiItemNames;
  std::unique_ptr<CBasicLookup<MProductIntfApp::SBookItemList>> prepayItemNames;
  CBusinessPublic busiPublic;
  CBSErrorMsg lastError;
  int feeResult = 2;
  // OK folds the prepayments in once, however often it is pressed.
  bool prepaysFolded = false;
};
