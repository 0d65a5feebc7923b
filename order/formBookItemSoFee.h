// The discount dialog: the operator enters the discount granted on one fee
// item and why. It only validates what is typed; booking the discount is the
// fee dialog's business.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

class QKeyEvent;
class QLineEdit;
class QShowEvent;

namespace Ui {
class TfrmBookItemSoFee;
}

class TfrmBookItemSoFee : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmBookItemSoFee(QWidget* owner = nullptr);
  ~TfrmBookItemSoFee() override;

  // The fee row: its caption, its amount due and the discount granted so
  // far, both as yuan texts (the discount positive).
  void SetFeeItem(const std::string& bookItem, const std::string& value, const std::string& discount);
  // What the operator confirmed.
  std::string GetValue() const;
  std::string GetDiscount() const;
  std::string GetRemark() const;

 public slots:
  // Escape and the close box are a cancel.
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private slots:
  void edValueChange();
  void btnOKClick();
  void btnCancelClick();

 private:
  void FormShow();
  // True when the key was used up (Enter moved the focus on).
  bool FormKeyPress(QKeyEvent* key);
  void edValueKeyPress(QLineEdit& edit, char32_t& key);
  void edValueExit(QLineEdit& edit);

  std::unique_ptr<Ui::TfrmBookItemSoFee> ui_;
};
