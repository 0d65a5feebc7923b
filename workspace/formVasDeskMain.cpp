#include "formVasDeskMain.h"

#include <QBrush>
#include <QCloseEvent>
#include <QTreeWidgetItem>

#include <new>

#include "business_codes.h"
#include "edit_filters.h"
#include "frameAgentInfo.h"
#include "frameBaseCustInfo.h"
#include "frameBaseUserInfo.h"
#include "frameVerifyUser.h"
#include "formSelGlobeIsdn.h"
#include "gui_message.h"
#include "look.h"
#include "modal.h"
#include "publicbusi_functions.h"
#include "run_path.h"
#include "ui_formVasDeskMain.h"

using zp::workspace::BusiCodeOf;
using zp::workspace::IsOfferedBusiType;
using zp::workspace::kOpen;

namespace {
constexpr int kGprs = 5;
constexpr int kGprsAccessPoint = 131;
// The business type of a row is read back from its first sub-item.
constexpr int kTypeColumn = 1;
}  // namespace

TfrmVasDesk::TfrmVasDesk(QWidget* owner) : TfrmMDIChild(owner), ui_(std::make_unique<Ui::TfrmVasDesk>()) {
  ui_->setupUi(this);
  setObjectName("frmVasDesk");
  // Closed by the operator, the workspace frees itself: the host never does.
  setAttribute(Qt::WA_DeleteOnClose);
  // The buttons run the base class's shared actions.
  connect(ui_->btnCommit, &QPushButton::clicked, actCommit, &QAction::trigger);
  connect(ui_->btnClose, &QPushButton::clicked, actClose, &QAction::trigger);
  connect(ui_->btnSelIsdn, &QToolButton::clicked, this, &TfrmVasDesk::btnSelIsdnClick);
  zpgui::SetKeyPressHandler(ui_->edIsdn, ::OnEditKeyPress);
  // A number pasted into the verification strip passes its digits filter.
  OnEditPaste(ui_->frmeVerify->edPhoneId());

  ui_->lstvBusiType->setColumnCount(2);
  ui_->lstvBusiType->setColumnWidth(0, 85);
  ui_->lstvBusiType->setColumnHidden(kTypeColumn, true);
  ui_->lstvBusiType->setAllColumnsShowFocus(true);
}

TfrmVasDesk::~TfrmVasDesk() {
  // A workspace destroyed without being closed (the host quitting) gives its
  // number back all the same; with nothing held this calls nothing.
  facade.UnsignRes();
}

bool TfrmVasDesk::Init(int busiCode, std::int16_t regionCode, std::int16_t countyCode, int orgId, int opId,
                       const MSysmgntDef::SOperPrivAuthList& privileges) {
  runPath_ = GetZPRunPath();
  busiCode_ = 0;
  regionCode_ = regionCode;
  countyCode_ = countyCode;
  orgId_ = orgId;
  opId_ = opId;
  privileges_ = privileges;
  busiTypes_.clear();
  ui_->lstvBusiType->clear();
  verified_ = mayOpen_ = mayCancel_ = false;
  afterFlag_ = 0;
  afterDate_ = CBSDateTime();
  verifyMode_ = 0;
  // The context is readable from outside as properties, for the host and tests.
  setProperty("busiCode", busiCode);
  setProperty("regionCode", regionCode);
  setProperty("countyCode", countyCode);
  setProperty("orgId", orgId);
  setProperty("opId", opId);

  ResetWorkspace();

  if (!facade.Init(busiCode, regionCode, countyCode, orgId, opId)) return false;
  CBusinessPublic catalogue;
  if (!catalogue.Init(busiCode, regionCode, countyCode, orgId, opId)) return false;
  MProductIntfApp::SBusiTypeList all;
  if (!catalogue.GetBusiType(0, 0, all)) {
    const CBSErrorMsg& e = catalogue.LastError();
    ShowGUIMessage("调用后台服务<productintf>取业务类型busiType信息失败!\n错误[%s]\n[%s]请稍后再试!", "异常", 16,
                   e.text2, e.text1);
    return false;
  }
  for (const MProductIntfApp::SBusiType& type : all) {
    if (!IsOfferedBusiType(type.get_BUSI_TYPE())) continue;
    busiTypes_.push_back(type);
    auto* row = new QTreeWidgetItem(ui_->lstvBusiType);
    row->setText(0, QString::fromStdString(type.get_BUSI_NAME()));
    row->setText(kTypeColumn, QString::number(type.get_BUSI_TYPE()));
  }
  if (busiTypes_.empty()) {
    ShowGUIMessage("提示:后台参数表cp.pm_busi_type_def没有配置任何新业务类型，请配置!", "提示", 16);
    return false;
  }

  QTreeWidgetItem* first = ui_->lstvBusiType->topLevelItem(0);
  ui_->lstvBusiType->setCurrentItem(first);
  SetCurrentBusiType(first);
  if (busiType_ == kGprs || busiType_ == kGprsAccessPoint) {
    SetChecked(ui_->radBtnMod, false);
    ui_->radBtnMod->setEnabled(false);
    ui_->radBtnMod->setVisible(true);
  }
  ui_->frmeVerify->InitVerify(busiCode_, regionCode, countyCode, orgId, opId);
  // TODO(feature): fill the GPS type list once the GPS page has it.
  return true;
}

void TfrmVasDesk::SetCurrentBusiType(QTreeWidgetItem* row) {
  for (int i = 0; i < ui_->lstvBusiType->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = ui_->lstvBusiType->topLevelItem(i);
    // The current type stands out in red.
    item->setForeground(0, item == row ? QBrush(Qt::red) : QBrush());
  }
  busiType_ = row->text(kTypeColumn).toInt();
  busiCode_ = BusiCodeOf(busiType_, kOpen);
  facade.SetBusiCode(busiCode_);
  facade.SetBusiType(busiType_);
}

void TfrmVasDesk::SetChecked(QRadioButton* button, bool checked) {
  // Exclusive radio buttons refuse to be all unchecked.
  const bool exclusive = button->autoExclusive();
  button->setAutoExclusive(false);
  button->setChecked(checked);
  button->setAutoExclusive(exclusive);
}

void TfrmVasDesk::ResetWorkspace() {
  reservedNumber_.clear();
  ui_->pcInfo->setCurrentWidget(ui_->tabUserinfo);
  ui_->frmeVerify->edPhoneId()->setFocus();

  MakeClear(ui_->frmeBaseCustInfo, -1);
  MakeClear(ui_->frmeBaseUserInfo, -1);
  using Widgets = std::initializer_list<QWidget*>;
  for (QWidget* w : Widgets{ui_->gbGlobalInfo, ui_->gbGpsInfo, ui_->gbGprsInfo, ui_->gbCrbts, ui_->frmePromInfo,
                            ui_->frameBusiProduct, ui_->FAgenterInfo})
    MakeClear(w, 0);

  MakeReadOnly(ui_->FAgenterInfo);
  ui_->chkAfterFlag->setEnabled(false);
  for (QWidget* w : Widgets{ui_->frmeBaseUserInfo, ui_->frmeBaseCustInfo, ui_->gbGlobalInfo, ui_->gbGpsInfo,
                            ui_->gbGprsInfo, ui_->gbCrbts, ui_->frmePromInfo, ui_->frameBusiProduct})
    MakeReadOnly(w);

  ui_->btnCommit->setEnabled(false);
  ui_->pcInfo->setTabVisible(ui_->pcInfo->indexOf(ui_->tabUserSvr), false);

  for (QRadioButton* b : {ui_->radBtnOpen, ui_->radBtnClose}) {
    b->setEnabled(false);
    SetChecked(b, false);
  }
  SetChecked(ui_->radBtnMod, false);
  ui_->radBtnMod->setEnabled(false);
  ui_->radBtnMod->setVisible(busiType_ == kGprs);

  facade.Reset();
}

void TfrmVasDesk::btnSelIsdnClick() {
  std::unique_ptr<TfrmSelGlobeIsdn> dialog;
  try {
    dialog = std::make_unique<TfrmSelGlobeIsdn>(this);
  } catch (const std::bad_alloc&) {
    ShowGUIMessage("内存不足,无法显示选号窗口!", "异常", 16);
    return;
  }
  int busiCode = 0, orgId = 0, opId = 0;
  short regionCode = 0, countyCode = 0;
  facade.GetInitParams(busiCode, regionCode, countyCode, orgId, opId);
  dialog->InitSelect(busiCode, regionCode, countyCode, orgId, opId);
  ShowModal(*dialog);
  MVasDesk::SResInfo chosen;
  if (dialog->GetSelected(chosen) == 2) return;
  if (!facade.SignRes(chosen)) return;
  ui_->edIsdn->setText(QString::fromStdString(chosen.get_RES_ID()));
  reservedNumber_ = chosen.get_RES_ID();
}

void TfrmVasDesk::FormClose() { facade.UnsignRes(); }

void TfrmVasDesk::closeEvent(QCloseEvent* event) {
  FormClose();
  TfrmMDIChild::closeEvent(event);
}
