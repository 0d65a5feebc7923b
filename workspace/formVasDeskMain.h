// The acceptance workspace: one window per operator session, from the
// subscriber query to the printed papers. This is its frame and its operator
// context; the frames, the business types and the order pipeline fill it in.
#pragma once

#include <cstdint>
#include <memory>

#include "MSysmgntDef.h"
#include "mdi_child.h"

namespace Ui {
class TfrmVasDesk;
}

class TfrmVasDesk : public TfrmMDIChild {
  Q_OBJECT

 public:
  explicit TfrmVasDesk(QWidget* owner);
  ~TfrmVasDesk() override;

  // Workspace initialisation with the operator context; true when the
  // workspace is ready. Reports its own failures.
  bool Init(int busiCode, std::int16_t regionCode, std::int16_t countyCode, int orgId, int opId,
            const MSysmgntDef::SOperPrivAuthList& privileges);

  int busiCode() const { return busiCode_; }
  std::int16_t regionCode() const { return regionCode_; }
  std::int16_t countyCode() const { return countyCode_; }
  int orgId() const { return orgId_; }
  int opId() const { return opId_; }

 private:
  std::unique_ptr<Ui::TfrmVasDesk> ui_;
  int busiCode_ = 0;
  std::int16_t regionCode_ = 0;
  std::int16_t countyCode_ = 0;
  int orgId_ = 0;
  int opId_ = 0;
  MSysmgntDef::SOperPrivAuthList privileges_;
};
