// The acceptance workspace: one window per operator session, from the
// subscriber query to the printed papers. It owns the order facade and the
// public business object, offers the business types the module accepts and
// gives back a reserved number when it closes.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <string>

#include "CVasDesk.h"
#include "MProductIntfApp.h"
#include "MSysmgntDef.h"
#include "cbsdatetime.h"
#include "cbusinesspublic.h"
#include "mdi_child.h"

class QCloseEvent;
class QRadioButton;
class QTreeWidgetItem;

namespace Ui {
class TfrmVasDesk;
}

class TfrmVasDesk : public TfrmMDIChild {
  Q_OBJECT

 public:
  explicit TfrmVasDesk(QWidget* owner);
  ~TfrmVasDesk() override;

  // Workspace initialisation with the operator context; true when the
  // workspace is ready. Reports its own failures, except a broker that
  // cannot be reached, which leaves the workspace empty without a word.
  bool Init(int busiCode, std::int16_t regionCode, std::int16_t countyCode, int orgId, int opId,
            const MSysmgntDef::SOperPrivAuthList& privileges);

  // Back to the state before a query: only the verification accepts input,
  // and the facade forgets the order (a reserved number stays reserved in
  // the back end).
  void ResetWorkspace();

  int busiCode() const { return busiCode_; }
  int busiType() const { return busiType_; }
  std::int16_t regionCode() const { return regionCode_; }
  std::int16_t countyCode() const { return countyCode_; }
  int orgId() const { return orgId_; }
  int opId() const { return opId_; }
  const std::string& reservedNumber() const { return reservedNumber_; }
  const MProductIntfApp::SBusiTypeList& busiTypes() const { return busiTypes_; }

 public slots:
  // Global Call: the operator picks a number in the number dialog and the
  // facade reserves it for this order.
  void btnSelIsdnClick();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // Gives back the number the facade holds; the window then frees itself.
  void FormClose();
  // The current business type and its open code, to the facade as well.
  void SetCurrentBusiType(QTreeWidgetItem* row);
  static void SetChecked(QRadioButton* button, bool checked);

  std::unique_ptr<Ui::TfrmVasDesk> ui_;
  int busiCode_ = 0;
  int busiType_ = 0;
  std::int16_t regionCode_ = 0;
  std::int16_t countyCode_ = 0;
  int orgId_ = 0;
  int opId_ = 0;
  MSysmgntDef::SOperPrivAuthList privileges_;
  QString runPath_;
  MProductIntfApp::SBusiTypeList busiTypes_;
  std::string reservedNumber_;
  bool verified_ = false;
  bool mayOpen_ = false;
  bool mayCancel_ = false;
  int afterFlag_ = 0;
  CBSDateTime afterDate_;
  int verifyMode_ = 0;
  CBusinessPublic busiPublic;
  CVasDesk facade;
};
