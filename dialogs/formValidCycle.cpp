#include "formValidCycle.h"

#include <QScreen>
#include <QStyle>

#include "edit_filters.h"
#include "gui_message.h"
#include "look.h"
#include "publicbusi_functions.h"
#include "ui_formValidCycle.h"
#include "valid_cycle_rules.h"

namespace {
const char* const kMultiCycleItem = "[2] 多周期生效";
}

TfrmValidCycle::TfrmValidCycle(QWidget* owner) : QDialog(owner), ui_(std::make_unique<Ui::TfrmValidCycle>()) {
  ui_->setupUi(this);
  FormCreate();

  zpgui::SetKeyPressHandler(ui_->edValidCycle,
                            [this](QLineEdit& edit, char32_t& key) { edValidCycleKeyPress(edit, key); });
  connect(ui_->btnOK, &QPushButton::clicked, this, &TfrmValidCycle::btnOKClick);
  connect(ui_->btnCancel, &QPushButton::clicked, this, &TfrmValidCycle::btnCancelClick);
}

TfrmValidCycle::~TfrmValidCycle() = default;

void TfrmValidCycle::FormCreate() {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  // The buttons carry pictures only; their names stay for tooltips and
  // screen readers.
  ui_->btnOK->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  ui_->btnCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  OnEditPaste(ui_->edValidCycle);
  SetGUIStyle(this);
  adjustSize();
  const QWidget* mainWindow = parentWidget() ? parentWidget()->window() : nullptr;
  if (mainWindow) {
    move(mainWindow->geometry().center() - rect().center());
  } else if (const QScreen* where = screen()) {
    move(where->availableGeometry().center() - rect().center());
  }
}

void TfrmValidCycle::SetCycleInfo(const std::string& cycleSetting, const std::string& chosenCycles, int lockLevel,
                                  int validMode) {
  if (zpdialogs::CycleEntryOf(cycleSetting) == zpdialogs::CycleEntry::fixed) {
    MakeReadOnly(ui_->edValidCycle);
  } else {
    ui_->edValidCycle->setText(QString::fromStdString(chosenCycles));
  }
  cycleKind = cycleSetting;

  const zpdialogs::ValidModeAccess access = zpdialogs::ValidModeAccessOf(lockLevel);
  if (access.readOnly) {
    MakeReadOnly(ui_->cmbValidMode);
  } else {
    MakeDefault(ui_->cmbValidMode);
  }
  // Primed twice, the list must still offer the mode once.
  if (access.offersMultiCycle && ui_->cmbValidMode->findText(QString::fromUtf8(kMultiCycleItem)) < 0)
    ui_->cmbValidMode->addItem(QString::fromUtf8(kMultiCycleItem));
  SetComboBoxIndex(ui_->cmbValidMode, validMode);
}

int TfrmValidCycle::GetCycleInfo(std::string& cycles, int& validMode) const {
  cycles = ui_->edValidCycle->text().toStdString();
  validMode = ExtractItemCode(ui_->cmbValidMode->currentText().toStdString());
  return resultCode;
}

void TfrmValidCycle::edValidCycleKeyPress(QLineEdit& edit, char32_t& key) { OnEditKeyPress(edit, key); }

void TfrmValidCycle::btnOKClick() {
  switch (zpdialogs::CheckCycleCount(cycleKind, ui_->edValidCycle->text().toStdString())) {
    case zpdialogs::CycleRefusal::missing:
      ShowGUIMessage("提示：请您输入要使用的帐期数！", "提示", 64);
      ui_->edValidCycle->setFocus();
      return;
    case zpdialogs::CycleRefusal::notPositive:
      ShowGUIMessage("提示：输入的使用帐期数要大于0！", "提示", 64);
      ui_->edValidCycle->setFocus();
      ui_->edValidCycle->selectAll();
      return;
    case zpdialogs::CycleRefusal::none:
      break;
  }
  resultCode = 1;
  done(1);
}

void TfrmValidCycle::btnCancelClick() { reject(); }

void TfrmValidCycle::reject() {
  resultCode = 2;
  done(2);
}
