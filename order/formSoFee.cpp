#include "formSoFee.h"

#include <QKeyEvent>
#include <QScreen>
#include <QStyle>

#include <vector>

#include "catalogue_lookups.h"
#include "edit_filters.h"
#include "fee_rules.h"
#include "formBookItemSoFee.h"
#include "gui_message.h"
#include "look.h"
#include "modal.h"
#include "money.h"
#include "order_money.h"
#include "publicbusi_functions.h"
#include "ui_formSoFee.h"

namespace {
enum Column { kItemColumn = 0, kDueColumn = 1, kDiscountColumn = 2, kTypeColumn = 3 };
// The row's item code rides with its caption: an item missing from the
// catalogue is captioned by its bare code, which reads back as no code.
constexpr int kItemCodeRole = Qt::UserRole;
// A fee row's place in the fee list as handed in (-1 for a prepayment): two
// rows of one item are two entries, each discounted on its own.
constexpr int kFeeIndexRole = Qt::UserRole + 1;

QString Text(const std::string& text) { return QString::fromStdString(text); }

// The length limit is for typing: a total the program writes is shown
// whole, since a cut amount reads as a different one.
void SetWholeText(QLineEdit* edit, const std::string& text) {
  const QString whole = Text(text);
  if (whole.size() > edit->maxLength()) edit->setMaxLength(static_cast<int>(whole.size()));
  edit->setText(whole);
}
}  // namespace

TfrmSoFee::TfrmSoFee(QWidget* owner) : QDialog(owner), ui_(std::make_unique<Ui::TfrmSoFee>()) {
  ui_->setupUi(this);
  setObjectName("frmSoFee");
  FormCreate();

  for (QLineEdit* edit : {ui_->edTotalFee, ui_->edReduceFee, ui_->edRealFee})
    zpgui::SetKeyPressHandler(edit, [this](QLineEdit& e, char32_t& key) { edTotalFeeKeyPress(e, key); });

  connect(ui_->lvSoFeeInfo, &QTreeWidget::itemDoubleClicked, this, &TfrmSoFee::lvSoFeeInfoDblClick);
  connect(ui_->btnOK, &QPushButton::clicked, this, &TfrmSoFee::btnOKClick);
  connect(ui_->btnCancel, &QPushButton::clicked, this, &TfrmSoFee::btnCancelClick);

  // The form sees every key before the control that has the focus does.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

TfrmSoFee::~TfrmSoFee() = default;

void TfrmSoFee::FormCreate() {
  soFeeList.clear();
  prepayOperList.clear();
  ui_->lvSoFeeInfo->clear();
  MakeReadOnly(ui_->edTotalFee);
  MakeReadOnly(ui_->edReduceFee);
  MakeReadOnly(ui_->edRealFee);
  ui_->btnOK->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  ui_->btnCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  MakeInit(this);
  SetGUIStyle(this);
  adjustSize();
  if (const QScreen* where = screen()) move(where->availableGeometry().center() - rect().center());
}

void TfrmSoFee::InitSoFee(const MPublicDef::SSoFeeList& fees, const MPublicDef::SPrepayOperList& prepays) {
  handedFees_ = fees;
  grants_.clear();
  prepaysFolded = false;
  prepayOperList = prepays;
  Rebook();
  accItemRelList.clear();
  busiItemNames.reset();
  prepayItemNames.reset();
  ui_->lvSoFeeInfo->clear();
  lastError = CBSErrorMsg{};
  // A failed catalogue is shown, and the rows are listed all the same: OK
  // never hands back an amount the operator was not shown.
  LoadCatalogues();

  const auto caption = [](const auto& names, int code) {
    return names ? names->TextOfCode(code) : std::to_string(code);
  };
  for (std::size_t i = 0; i < handedFees_.size(); ++i) {
    const MPublicDef::SSoFee& fee = handedFees_[i];
    const int code = fee.get_BOOK_ITEM_ID();
    AddRow(code, caption(busiItemNames, code), zpmoney::EntryDue(fee).value_or(fee.get_ITEM_VALUE()),
           fee.get_ITEM_DISCOUNT(), zpfee::kAcceptanceFeeType, static_cast<int>(i));
  }
  for (const MPublicDef::SPrepayOper& prepay : prepayOperList) {
    const int code = prepay.get_BOOK_ITEM_ID();
    AddRow(code, caption(prepayItemNames, code), prepay.get_AMOUNT(), 0, zpfee::kPrepaymentType, -1);
  }
  CalcTotal();
}

void TfrmSoFee::Rebook() {
  soFeeList = zpfee::BookedFees(handedFees_, grants_);
  if (prepaysFolded) zpfee::FoldPrepaymentsIntoFees(soFeeList, prepayOperList);
}

bool TfrmSoFee::LoadCatalogues() {
  if (!busiPublic.Init(0, 0, 0, 0, 0)) {
    const CBSErrorMsg& error = busiPublic.LastError();
    ShowGUIMessage("服务初始化出错.\n[%s]\n[%s]", 16, "提示", 64, error.text1, error.text2);
    return false;
  }

  MProductIntfApp::SBookItemList busiItems;
  const bool gotBusiItems = busiPublic.GetItemInfoList(busiItems);
  lastError = busiPublic.LastError();
  if (!gotBusiItems) {
    ShowGUIMessage("获取营业用的科目名称列表出错\n[%s]\n[%s]", "错误", 16, lastError.text1, lastError.text2);
    return false;
  }
  busiItemNames = zp::lookup::MakeBookItemLookup(busiItems);

  // The relations of every kind are asked for as the service has always been
  // asked; only the counter's are used.
  MProductIntfApp::SAccItemRelList allRels;
  const bool gotAllRels = busiPublic.GetBusiItem2AccItemList(allRels, -1);
  lastError = busiPublic.LastError();
  if (!gotAllRels) {
    ShowGUIMessage("获取优惠科目列表服务出错\n[%s]\n[%s]", "错误", 16, lastError.text1, lastError.text2);
    return false;
  }
  MProductIntfApp::SAccItemRelList counterRels;
  const bool gotCounterRels = busiPublic.GetBusiItem2AccItemList(counterRels, 0);
  lastError = busiPublic.LastError();
  if (!gotCounterRels) {
    ShowGUIMessage("获取优惠科目列表服务出错\n[%s]\n[%s]", "错误", 16, lastError.text1, lastError.text2);
    return false;
  }
  if (counterRels.empty()) {
    ShowGUIMessage("优惠科目不表没有配置!...", "错误", 16);
    return false;
  }
  accItemRelList = counterRels;

  MProductIntfApp::SBookItemList prepayItems;
  const bool gotPrepayItems = busiPublic.GetPpyn(prepayItems);
  lastError = busiPublic.LastError();
  if (!gotPrepayItems) {
    ShowGUIMessage("获取预付的科目名称列表出错\n[%s]\n[%s]", "错误", 16, lastError.text1, lastError.text2);
    return false;
  }
  prepayItemNames = zp::lookup::MakeBookItemLookup(prepayItems);
  return true;
}

void TfrmSoFee::AddRow(int code, const std::string& caption, std::int64_t due, std::int64_t discount,
                       const char* feeType, int feeIndex) {
  auto* row = new QTreeWidgetItem(ui_->lvSoFeeInfo);
  row->setText(kItemColumn, Text(caption));
  row->setData(kItemColumn, kItemCodeRole, code);
  row->setData(kItemColumn, kFeeIndexRole, feeIndex);
  row->setText(kDueColumn, Text(CurrencyToPlainText(due)));
  row->setText(kDiscountColumn, Text(CurrencyToPlainText(discount)));
  row->setText(kTypeColumn, QString::fromUtf8(feeType));
}

void TfrmSoFee::CalcTotal() {
  std::vector<zpfee::FeeRow> rows;
  for (int i = 0; i < ui_->lvSoFeeInfo->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = ui_->lvSoFeeInfo->topLevelItem(i);
    rows.push_back({row->data(kItemColumn, kItemCodeRole).toInt(), row->text(kDueColumn).toStdString(),
                    row->text(kDiscountColumn).toStdString()});
  }
  const zpfee::FeeTotals totals = zpfee::TotalsOfRows(rows);
  SetWholeText(ui_->edTotalFee, CurrencyToPlainText(totals.totalDue));
  SetWholeText(ui_->edReduceFee, CurrencyToPlainText(totals.totalReduction));
  SetWholeText(ui_->edRealFee, CurrencyToPlainText(totals.totalToCollect));
}

void TfrmSoFee::lvSoFeeInfoDblClick() {
  const QList<QTreeWidgetItem*> selected = ui_->lvSoFeeInfo->selectedItems();
  if (selected.isEmpty()) return;
  QTreeWidgetItem* row = selected.front();
  const int code = row->data(kItemColumn, kItemCodeRole).toInt();
  if (!zpfee::MayDiscountRow(row->text(kTypeColumn).toStdString(), code)) return;

  TfrmBookItemSoFee discountDialog(this);
  discountDialog.SetFeeItem(row->text(kItemColumn).toStdString(), row->text(kDueColumn).toStdString(),
                            zpfee::NegatedAmountText(row->text(kDiscountColumn).toStdString()));
  if (ShowModal(discountDialog) != 1) return;

  const std::string discount = zpfee::NegatedAmountText(discountDialog.GetDiscount());
  const int feeIndex = row->data(kItemColumn, kFeeIndexRole).toInt();
  if (AddItemDiscount(feeIndex, discount, discountDialog.GetRemark()) != 1) return;
  // The row shows what the order books: the entry's whole discount.
  row->setText(kDueColumn, Text(discountDialog.GetValue()));
  row->setText(kDiscountColumn,
               Text(zpfee::PlainNumberText(zpfee::WholeDiscount(handedFees_, grants_, static_cast<std::size_t>(feeIndex)))));
  CalcTotal();
}

int TfrmSoFee::AddItemDiscount(int feeIndex, const std::string& discount, const std::string& remark) {
  std::vector<int> rowCodes;
  for (int i = 0; i < ui_->lvSoFeeInfo->topLevelItemCount(); ++i)
    rowCodes.push_back(ui_->lvSoFeeInfo->topLevelItem(i)->data(kItemColumn, kItemCodeRole).toInt());

  const std::size_t index = feeIndex < 0 ? handedFees_.size() : static_cast<std::size_t>(feeIndex);
  const zpfee::DiscountBooking booked = zpfee::GrantItemDiscount(handedFees_, grants_, accItemRelList, rowCodes, index,
                                                                 StringToCurrency(discount), remark);
  switch (booked) {
    case zpfee::DiscountBooking::recorded:
      Rebook();
      return 1;
    case zpfee::DiscountBooking::noDiscountItem:
      ShowGUIMessage("没有配置优惠科目对应表.", "提示", 64);
      return 0;
    case zpfee::DiscountBooking::alreadyDiscounted:
      ShowGUIMessage("配置实现的优惠记录,不能再进行二次优惠!...", "提示", 64);
      return 0;
    case zpfee::DiscountBooking::belowCalculated:
      ShowGUIMessage("该科目已有优惠%s元,科目优惠不能少于已有的优惠,请重新输入.", "提示", 64,
                     CurrencyToPlainText(-handedFees_[index].get_ITEM_DISCOUNT()));
      return 0;
    case zpfee::DiscountBooking::noFeeItem:
      ShowGUIMessage("该行不是受理费用,不能优惠.", "提示", 64);
      return 0;
  }
  return 0;
}

void TfrmSoFee::MovePrepayToFee() {
  if (prepaysFolded) return;
  prepaysFolded = true;
  Rebook();
}

int TfrmSoFee::GetSoFeeResult(MPublicDef::SSoFeeList& fees, MPublicDef::SPrepayOperList& prepays) const {
  fees = soFeeList;
  prepays = prepayOperList;
  return feeResult;
}

bool TfrmSoFee::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    if (FormKeyPress(static_cast<QKeyEvent*>(event))) return true;
  } else if (event->type() == QEvent::FocusOut) {
    for (QLineEdit* edit : {ui_->edTotalFee, ui_->edReduceFee, ui_->edRealFee})
      if (watched == edit) edTotalFeeExit(*edit);
  }
  return QDialog::eventFilter(watched, event);
}

bool TfrmSoFee::FormKeyPress(QKeyEvent* key) { return BUSI_EnterToTab(this, key); }

void TfrmSoFee::edTotalFeeKeyPress(QLineEdit&, char32_t& key) {
  if (!zpfee::IsMoneyKey(key)) key = 0;
}

void TfrmSoFee::edTotalFeeExit(QLineEdit& edit) {
  SetWholeText(&edit, CurrencyToPlainText(StringToCurrency(edit.text().toStdString())));
}

void TfrmSoFee::btnOKClick() {
  MovePrepayToFee();
  feeResult = 1;
  done(1);
}

void TfrmSoFee::btnCancelClick() {
  feeResult = 2;
  done(2);
}

void TfrmSoFee::reject() {
  feeResult = 2;
  done(2);
}
