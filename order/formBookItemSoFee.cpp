#include "formBookItemSoFee.h"

#include <QKeyEvent>
#include <QScreen>
#include <QStyle>

#include "edit_filters.h"
#include "fee_rules.h"
#include "gbk.h"
#include "gui_message.h"
#include "look.h"
#include "money.h"
#include "publicbusi_functions.h"
#include "ui_formBookItemSoFee.h"

namespace {
// The length limit is for typing: a text the program writes is shown whole,
// since a cut amount would be handed back as a different amount.
void SetWholeText(QLineEdit* edit, const std::string& text) {
  const QString whole = QString::fromStdString(text);
  if (whole.size() > edit->maxLength()) edit->setMaxLength(static_cast<int>(whole.size()));
  edit->setText(whole);
}
}  // namespace

TfrmBookItemSoFee::TfrmBookItemSoFee(QWidget* owner)
    : QDialog(owner), ui_(std::make_unique<Ui::TfrmBookItemSoFee>()) {
  ui_->setupUi(this);
  setObjectName("frmBookItemSoFee");
  // The buttons carry pictures only; their names stay for tooltips and
  // screen readers.
  ui_->btnOK->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  ui_->btnCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  SetGUIStyle(this);
  adjustSize();
  if (const QScreen* where = screen()) move(where->availableGeometry().center() - rect().center());

  for (QLineEdit* edit : {ui_->edValue, ui_->edDiscount})
    zpgui::SetKeyPressHandler(edit, [this](QLineEdit& e, char32_t& key) { edValueKeyPress(e, key); });

  connect(ui_->edValue, &QLineEdit::textChanged, this, &TfrmBookItemSoFee::edValueChange);
  connect(ui_->edDiscount, &QLineEdit::textChanged, this, &TfrmBookItemSoFee::edValueChange);
  connect(ui_->btnOK, &QPushButton::clicked, this, &TfrmBookItemSoFee::btnOKClick);
  connect(ui_->btnCancel, &QPushButton::clicked, this, &TfrmBookItemSoFee::btnCancelClick);

  // The form sees every key before the control that has the focus does.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

TfrmBookItemSoFee::~TfrmBookItemSoFee() = default;

void TfrmBookItemSoFee::SetFeeItem(const std::string& bookItem, const std::string& value,
                                   const std::string& discount) {
  ui_->edBookItemId->setText(QString::fromStdString(bookItem));
  // Emptied first so that filling them always counts as a change, even when
  // a text is the one already there.
  ui_->edValue->clear();
  ui_->edDiscount->clear();
  SetWholeText(ui_->edValue, value);
  SetWholeText(ui_->edDiscount, discount);
}

std::string TfrmBookItemSoFee::GetValue() const { return ui_->edValue->text().toStdString(); }
std::string TfrmBookItemSoFee::GetDiscount() const { return ui_->edDiscount->text().toStdString(); }
std::string TfrmBookItemSoFee::GetRemark() const { return ui_->edRemark->text().toStdString(); }

void TfrmBookItemSoFee::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TfrmBookItemSoFee::FormShow() {
  MakeReadOnly(ui_->edBookItemId);
  MakeReadOnly(ui_->edValue);
  OnEditPaste(ui_->edDiscount);
  ui_->edDiscount->setFocus();
}

bool TfrmBookItemSoFee::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    if (FormKeyPress(static_cast<QKeyEvent*>(event))) return true;
  } else if (event->type() == QEvent::FocusOut) {
    if (watched == ui_->edValue || watched == ui_->edDiscount) edValueExit(*static_cast<QLineEdit*>(watched));
  }
  return QDialog::eventFilter(watched, event);
}

bool TfrmBookItemSoFee::FormKeyPress(QKeyEvent* key) { return BUSI_EnterToTab(this, key); }

void TfrmBookItemSoFee::edValueKeyPress(QLineEdit&, char32_t& key) {
  if (!zpfee::IsMoneyKey(key)) key = 0;
}

void TfrmBookItemSoFee::edValueExit(QLineEdit& edit) {
  SetWholeText(&edit, CurrencyToPlainText(StringToCurrency(edit.text().toStdString())));
}

void TfrmBookItemSoFee::edValueChange() { ui_->btnOK->setEnabled(true); }

void TfrmBookItemSoFee::btnOKClick() {
  switch (zpfee::CheckItemDiscount(GetValue(), GetDiscount())) {
    case zpfee::DiscountCheck::zero:
      ShowGUIMessage("优惠金额不能为0", "提示", 64);
      break;
    case zpfee::DiscountCheck::negative:
      ShowGUIMessage("优惠金额不能为负数", "提示", 64);
      break;
    case zpfee::DiscountCheck::exceedsDue:
      ShowGUIMessage("优惠金额不能超过应付金额", "提示", 64);
      break;
    case zpfee::DiscountCheck::accepted:
      // The reason travels with the order: one the order cannot carry
      // would fail the submission after the money was taken.
      if (const auto bad = zp::gbk::firstWithoutGbk(GetRemark())) {
        ShowGUIMessage("优惠原因中的字符\"%s\"系统无法保存,请改用其他字或写法后再确定！", "提示", 64, *bad);
        ui_->edRemark->setFocus();
        return;
      }
      done(1);
      return;
  }
  ui_->edDiscount->setFocus();
}

void TfrmBookItemSoFee::btnCancelClick() { reject(); }

void TfrmBookItemSoFee::reject() { done(2); }
