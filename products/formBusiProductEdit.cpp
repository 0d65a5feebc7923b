#include "formBusiProductEdit.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>

#include <new>

#include "formShowDetail.h"
#include "gui_message.h"
#include "look.h"
#include "modal.h"
#include "ui_formBusiProductEdit.h"

using products::ProdEditRow;

namespace {

enum Column { cName, cStatus, cAction, cValid, cExpire, cChosenValid, cType };
const int kWidths[] = {210, 40, 40, 85, 85, 110, 90};
// Checked rows (255).
const QColor kCheckedInk(255, 0, 0);

QString q(const std::string& s) { return QString::fromStdString(s); }

// Bytes of a text in the wire's code page: two for every character beyond ASCII.
int gbkBytes(const QString& text) {
  int n = 0;
  for (const QChar c : text) n += c.unicode() < 0x80 ? 1 : 2;
  return n;
}

}  // namespace

TfrmBusiProductEdit::TfrmBusiProductEdit(QWidget* owner)
    : QDialog(owner), ui_(std::make_unique<Ui::TfrmBusiProductEdit>()) {
  ui_->setupUi(this);
  FormCreate();
  connect(ui_->btnOk, &QPushButton::clicked, this, &TfrmBusiProductEdit::btnOkClick);
  connect(ui_->btnCancel, &QPushButton::clicked, this, &TfrmBusiProductEdit::btnCancelClick);
  connect(ui_->lstvBusiProductEdit, &QTreeWidget::itemClicked, this, &TfrmBusiProductEdit::lstvBusiProductEditClick);
  connect(ui_->lstvBusiProductEdit, &QTreeWidget::itemDoubleClicked, this,
          &TfrmBusiProductEdit::lstvBusiProductEditDblClick);
  ui_->lstvBusiProductEdit->installEventFilter(this);
}

TfrmBusiProductEdit::~TfrmBusiProductEdit() = default;

void TfrmBusiProductEdit::FormCreate() {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  ui_->btnOk->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  ui_->btnCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  for (int c = 0; c < int(std::size(kWidths)); ++c) ui_->lstvBusiProductEdit->setColumnWidth(c, kWidths[c]);
  SetGUIStyle(this);
  const QWidget* mainWindow = parentWidget() ? parentWidget()->window() : nullptr;
  if (mainWindow) {
    move(mainWindow->geometry().center() - rect().center());
  } else if (const QScreen* where = screen()) {
    move(where->availableGeometry().center() - rect().center());
  }
}

int TfrmBusiProductEdit::LoadProducts(int busiType, const std::string& mscCallServices,
                                      const MProductIntfApp::SBusiTypeList& busiTypes,
                                      const MBusiDataMgnt::SCrbtsInfoList& ringList,
                                      const MProductIntfApp::SProductRelationList& relations,
                                      const MProductIntfApp::SProdPlanMapList& planProducts,
                                      const std::string& mscCrbtServices) {
  selection_.LoadProducts(busiType, mscCallServices, busiTypes, ringList, relations, planProducts, mscCrbtServices);
  render();
  return 1;
}

void TfrmBusiProductEdit::ApplyCurrentProducts(const MPublicDef::SMscFuncInfoList& current) {
  selection_.ApplyCurrentProducts(current);
  render();
}

int TfrmBusiProductEdit::GetSelection(MPublicDef::SMscFuncOperList& chosen) const {
  for (const auto& s : selection_.Selection()) chosen.push_back(s);
  return resultCode;
}

// Draws the rows: a row the operator cannot change here is always checked,
// checked rows in red.
void TfrmBusiProductEdit::render() {
  rendering = true;
  QTreeWidget* list = ui_->lstvBusiProductEdit;
  auto& rows = selection_.Rows();
  while (list->topLevelItemCount() > int(rows.size())) delete list->takeTopLevelItem(list->topLevelItemCount() - 1);
  while (list->topLevelItemCount() < int(rows.size())) {
    auto* item = new QTreeWidgetItem(list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    ProdEditRow& r = rows[i];
    if (selection_.Fixed(r)) r.checked = true;
    QTreeWidgetItem* item = list->topLevelItem(int(i));
    item->setText(cName, q(r.caption));
    item->setText(cStatus, r.mandatory ? q(offers::kStatusMandatory) : q(offers::kStatusOptional));
    item->setText(cAction, q(r.action));
    item->setText(cValid, q(r.validText));
    item->setText(cExpire, q(r.expireText));
    item->setText(cChosenValid, q(r.chosenValid));
    item->setText(cType, q(r.busiTypeText));
    item->setCheckState(cName, r.checked ? Qt::Checked : Qt::Unchecked);
    const QBrush ink = r.checked ? QBrush(kCheckedInk) : QBrush();
    for (int c = 0; c <= cType; ++c) item->setForeground(c, ink);
  }
  rendering = false;
  lstvBusiProductEditChange();
}

// Columns grow to fit the longer of their caption and the last row's text;
// they never shrink.
void TfrmBusiProductEdit::lstvBusiProductEditChange() {
  QTreeWidget* list = ui_->lstvBusiProductEdit;
  const int n = list->topLevelItemCount();
  const QFontMetrics metrics(list->font());
  const int perByte = (metrics.averageCharWidth() > 0 ? metrics.averageCharWidth() : 16) + 3;
  for (int c = 0; c <= cType; ++c) {
    int bytes = gbkBytes(list->headerItem()->text(c));
    if (n > 0) bytes = std::max(bytes, gbkBytes(list->topLevelItem(n - 1)->text(c)));
    if (bytes * perByte > list->columnWidth(c)) list->setColumnWidth(c, bytes * perByte);
  }
}

int TfrmBusiProductEdit::selectedRow() const {
  QTreeWidgetItem* item = ui_->lstvBusiProductEdit->currentItem();
  if (!item || !item->isSelected()) return -1;
  return ui_->lstvBusiProductEdit->indexOfTopLevelItem(item);
}

void TfrmBusiProductEdit::tell(const offers::Verdict& v) {
  if (v.message) ShowGUIMessage(v.message->text.c_str(), v.message->caption.c_str(), v.message->flags);
}

bool TfrmBusiProductEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->lstvBusiProductEdit && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
      lstvBusiProductEditKeyPress(key);
      return true;  // the check mark is ours to toggle
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmBusiProductEdit::lstvBusiProductEditClick(QTreeWidgetItem* item, int) {
  if (rendering || !item) return;
  lstvBusiProductEditMouseDown(ui_->lstvBusiProductEdit->indexOfTopLevelItem(item));
}

void TfrmBusiProductEdit::lstvBusiProductEditMouseDown(int row) {
  if (row < 0) return;
  QTreeWidgetItem* item = ui_->lstvBusiProductEdit->topLevelItem(row);
  ui_->lstvBusiProductEdit->setCurrentItem(item);
  item->setSelected(true);
  ProdEditRow& r = selection_.Rows()[row];
  const bool nowChecked = item->checkState(cName) == Qt::Checked;
  // A click beside the box leaves the mark as it was: nothing to apply.
  if (!selection_.Fixed(r) && nowChecked != r.checked) toggled(row, nowChecked);
  resynchronise();
  render();
}

void TfrmBusiProductEdit::lstvBusiProductEditKeyPress(int) {
  const int row = selectedRow();
  if (row < 0) return;
  ProdEditRow& r = selection_.Rows()[row];
  if (selection_.Fixed(r)) return;
  toggled(row, !r.checked);
  render();
}

void TfrmBusiProductEdit::toggled(int row, bool nowChecked) {
  auto& rules = selection_.Rules();
  ProdEditRow& r = selection_.Rows()[row];
  // The detail lives beside the rows' shared part: kept here for a refusal.
  const std::string detailBefore = r.funcParam;
  offers::RelationRules::Action action(rules);
  rules.Touch(row);
  r.checked = nowChecked;
  if (nowChecked) {
    if (r.funcParam.empty() && r.action.empty() && (selection_.IsCallForwarding(r) || selection_.IsRingBack(r))) {
      AskProductDetail(row, Occasion::toggle);
      if (!r.checked) {
        action.Finish(offers::Verdict::Accept());
        return;
      }
    }
    const offers::Verdict v = action.Finish(rules.CheckRow(row));
    if (!v) {
      r.funcParam = detailBefore;
      tell(v);
    }
  } else {
    const offers::Verdict v = action.Finish(rules.UncheckRow(row));
    if (!v) tell(v);
  }
}

void TfrmBusiProductEdit::resynchronise() {
  for (auto& r : selection_.Rows()) {
    const bool chosenAction = r.action == offers::kActKept || r.action == offers::kActAdded;
    const bool unchosenAction = r.action == offers::kActCancelled || r.action.empty();
    if (r.checked && !chosenAction) r.checked = false;
    else if (!r.checked && !unchosenAction) r.checked = true;
  }
}

// The list does not toggle a double-clicked row's mark; the click before
// the double click has already applied the rules to it. The action follows
// the mark, and a new product is asked its detail or validity.
void TfrmBusiProductEdit::lstvBusiProductEditDblClick(QTreeWidgetItem*, int) {
  const int row = selectedRow();
  if (row < 0) return;
  ProdEditRow& r = selection_.Rows()[row];
  if (r.checked) {
    if (r.action == offers::kActCancelled) r.action = offers::kActKept;
    else if (r.action.empty()) r.action = offers::kActAdded;
  } else {
    if (r.action == offers::kActAdded) r.action.clear();
    else if (r.action == offers::kActKept) r.action = offers::kActCancelled;
  }
  if (r.checked && r.action == offers::kActAdded) AskProductDetail(row, Occasion::doubleClick);
  render();
}

void TfrmBusiProductEdit::applyMode(int row, int mode) {
  auto& rules = selection_.Rules();
  if (mode != 0) {
    if (const offers::Verdict v = rules.ChooseNextCycle(row); !v) tell(v);
  } else {
    rules.Touch(row);
    selection_.Rows()[row].chosenValid = offers::kValidNow;
  }
}

void TfrmBusiProductEdit::AskProductDetail(int row, Occasion occasion) {
  std::unique_ptr<TfrmShowDetail> dialog;
  try {
    dialog = std::make_unique<TfrmShowDetail>(this);
  } catch (const std::bad_alloc&) {
    ShowGUIMessage("异常：内存不足，无法创建对象!请退出一些应用程序后再重试。", "异常", 16);
    return;
  }
  ProdEditRow& r = selection_.Rows()[row];
  const bool forwarding = selection_.IsCallForwarding(r);
  const bool ringBack = selection_.IsRingBack(r);
  const bool changeable = !r.mandatory && r.validText != offers::kValidNext;
  int type = 0;
  if (occasion == Occasion::doubleClick) {
    if (forwarding && changeable) type = 3;
    else if (ringBack && changeable) type = 4;
    else if (ringBack) type = 5;
    else if (forwarding) type = 2;
    else if (changeable) type = 1;
  } else {
    if (ringBack) type = 5;
    else if (forwarding) type = 2;
  }
  if (type == 0) return;
  // A ring-back product still without its ring is not chosen.
  const auto unchooseWithoutRing = [&] {
    if (r.funcParam.empty() && r.action != offers::kActKept) {
      selection_.Rules().Touch(row);
      r.action.clear();
      r.checked = false;
    }
  };

  // No ring to choose (the list could not be fetched, or the region has
  // none): a ring-back product cannot be chosen, and the clerk is told why
  // rather than seeing it drop off the selection.
  if (ringBack && selection_.RingList().empty()) {
    ShowGUIMessage("没有取到可选的彩铃铃声,无法选择产品[%s]。\n请稍后重新查询该用户再试;如仍没有铃声,请与系统管理员联系。",
                   "提示", 64, r.caption);
    unchooseWithoutRing();
    return;
  }
  dialog->LoadRings(selection_.RingList());
  dialog->SetDetail(type, r.chosenValid == offers::kValidNow ? 0 : 1, r.funcParam);
  ShowModal(*dialog);
  int mode = 0;
  std::string detail;
  auto& rules = selection_.Rules();
  if (dialog->GetDetail(mode, detail) != 1) {
    // The operator backed out of giving one.
    if (ringBack) unchooseWithoutRing();
    return;
  }

  rules.Touch(row);
  // A ring-back product without a ring is taken off the selection; a
  // call-forwarding product may keep an empty number.
  auto ringOrNothing = [&] {
    if (!detail.empty()) {
      selection_.SetDetail(selection_.Rows()[row], detail);
    } else {
      ProdEditRow& x = selection_.Rows()[row];
      x.action.clear();
      x.checked = false;
    }
  };
  switch (type) {
    case 1:
      applyMode(row, mode);
      break;
    case 2:
      selection_.SetDetail(selection_.Rows()[row], detail);
      break;
    case 3:
      applyMode(row, mode);
      selection_.SetDetail(selection_.Rows()[row], detail);
      break;
    case 4:
      applyMode(row, mode);
      ringOrNothing();
      break;
    case 5:
      ringOrNothing();
      break;
    default:
      break;
  }
}

void TfrmBusiProductEdit::btnOkClick() {
  resultCode = 1;
  done(1);
}

void TfrmBusiProductEdit::btnCancelClick() {
  resultCode = 2;
  done(2);
}

// The window's close box (and Escape): the result code stays as it is, and
// the frame takes the choice as after OK.
void TfrmBusiProductEdit::reject() { done(0); }
