#include "formVasDeskMain.h"

#include "ui_formVasDeskMain.h"

TfrmVasDesk::TfrmVasDesk(QWidget* owner) : TfrmMDIChild(owner), ui_(std::make_unique<Ui::TfrmVasDesk>()) {
  ui_->setupUi(this);
  setObjectName("frmVasDesk");
  // Closed by the operator, the workspace frees itself: the host never does.
  setAttribute(Qt::WA_DeleteOnClose);
  // The buttons run the base class's shared actions.
  connect(ui_->btnCommit, &QPushButton::clicked, actCommit, &QAction::trigger);
  connect(ui_->btnClose, &QPushButton::clicked, actClose, &QAction::trigger);
}

TfrmVasDesk::~TfrmVasDesk() = default;

bool TfrmVasDesk::Init(int busiCode, std::int16_t regionCode, std::int16_t countyCode, int orgId, int opId,
                       const MSysmgntDef::SOperPrivAuthList& privileges) {
  busiCode_ = busiCode;
  regionCode_ = regionCode;
  countyCode_ = countyCode;
  orgId_ = orgId;
  opId_ = opId;
  privileges_ = privileges;
  // The context is readable from outside as properties, for the host and tests.
  setProperty("busiCode", busiCode);
  setProperty("regionCode", regionCode);
  setProperty("countyCode", countyCode);
  setProperty("orgId", orgId);
  setProperty("opId", opId);
  return true;
}
