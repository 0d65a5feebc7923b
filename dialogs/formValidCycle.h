// The validity cycle dialog: for a promotion that lets the operator choose
// them, how many billing cycles it runs and when it takes effect. The
// promotion selection primes it, shows it modally, reads it and destroys it.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

class QLineEdit;

namespace Ui {
class TfrmValidCycle;
}

class TfrmValidCycle : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmValidCycle(QWidget* owner = nullptr);
  ~TfrmValidCycle() override;

  // cycleSetting "-1" or "-2" lets the operator type the cycles (shown from
  // chosenCycles); anything else is a fixed number he cannot change. Lock
  // level 0 lets him choose the mode, 1 shows it only, any other level shows
  // it with "[2] 多周期生效" on offer.
  void SetCycleInfo(const std::string& cycleSetting, const std::string& chosenCycles, int lockLevel, int validMode);
  // 1 confirmed, 2 cancelled; the cycles as typed and the chosen mode's code.
  int GetCycleInfo(std::string& cycles, int& validMode) const;

 public slots:
  // Escape and the close box end here: both are a cancel.
  void reject() override;

 private slots:
  void btnOKClick();
  void btnCancelClick();

 private:
  void FormCreate();
  void edValidCycleKeyPress(QLineEdit& edit, char32_t& key);

  std::unique_ptr<Ui::TfrmValidCycle> ui_;
  std::string cycleKind;
  int resultCode = 2;
};
