#include "formPromInfoEdit.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QStyle>

#include <charconv>

#include "edit_filters.h"
#include "formValidCycle.h"
#include "gui_message.h"
#include "look.h"
#include "modal.h"
#include "money.h"
#include "prom_permission.h"
#include "prom_rules.h"
#include "ui_formPromInfoEdit.h"

using promotions::PromEditRow;

namespace {

enum Column { cName, cStatus, cValid, cExpire, cCycles, cChosenCycles, cChosenValid, cType, cPara, cEntered, cAction };
const int kWidths[] = {200, 38, 75, 75, 73, 98, 110, 120, 85, 100};

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TfrmPromInfoEdit::TfrmPromInfoEdit(QWidget* owner) : QDialog(owner), ui_(std::make_unique<Ui::TfrmPromInfoEdit>()) {
  ui_->setupUi(this);
  FormCreate();
  connect(ui_->btnOK, &QPushButton::clicked, this, &TfrmPromInfoEdit::btnOKClick);
  connect(ui_->btnCancel, &QPushButton::clicked, this, &TfrmPromInfoEdit::btnCancelClick);
  connect(ui_->lstvSpromInfo, &QTreeWidget::itemClicked, this, &TfrmPromInfoEdit::lstvSpromInfoClick);
  connect(ui_->lstvSpromInfo, &QTreeWidget::itemDoubleClicked, this, &TfrmPromInfoEdit::lstvSpromInfoDblClick);
  ui_->lstvSpromInfo->viewport()->installEventFilter(this);
  ui_->lstvSpromInfo->installEventFilter(this);
  ui_->edSpromPara->installEventFilter(this);
  zpgui::SetKeyPressHandler(ui_->edSpromPara, [this](QLineEdit& edit, char32_t& key) {
    if (paraKind == promotions::kDiscount) OnEditKeyPress(edit, key);
    else OnEditKeyPressDeciPoint(edit, key);
  });
}

TfrmPromInfoEdit::~TfrmPromInfoEdit() = default;

void TfrmPromInfoEdit::FormCreate() {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  ui_->btnOK->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  ui_->btnCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  for (int c = 0; c < int(std::size(kWidths)); ++c) ui_->lstvSpromInfo->setColumnWidth(c, kWidths[c]);
  OnEditPaste(ui_->edSpromPara);
  clearParaEntry();
  SetGUIStyle(this);
  const QWidget* mainWindow = parentWidget() ? parentWidget()->window() : nullptr;
  if (mainWindow) {
    move(mainWindow->geometry().center() - rect().center());
  } else if (const QScreen* where = screen()) {
    move(where->availableGeometry().center() - rect().center());
  }
}

void TfrmPromInfoEdit::LoadPlanCatalogue(const MProductIntfApp::SSpromPlanMapList& catalogue,
                                         const MProductIntfApp::SProductRelationList& relations, int opId,
                                         int opOrgId, int busiCode) {
  selection_.LoadPlanCatalogue(catalogue, relations, opId, opOrgId, busiCode);
  clearParaEntry();
  render();
}

void TfrmPromInfoEdit::LoadTypeCatalogue(const MProductIntfApp::SBusiProdInfoList& offer,
                                         const MProductIntfApp::SProductRelationList& relations, int opId,
                                         int opOrgId, int busiCode) {
  selection_.LoadTypeCatalogue(offer, relations, opId, opOrgId, busiCode);
  clearParaEntry();
  render();
}

void TfrmPromInfoEdit::ApplyCurrentProms(const MPublicDef::SSpromInfoList& current) {
  selection_.ApplyCurrentProms(current);
  render();
}

int TfrmPromInfoEdit::GetSelection(MProductIntfApp::SSpromPlanMapList& chosen) const {
  for (const auto& s : selection_.Selection()) chosen.push_back(s);
  return resultCode;
}

void TfrmPromInfoEdit::render() {
  rendering = true;
  QTreeWidget* list = ui_->lstvSpromInfo;
  auto& rows = selection_.Rows();
  while (list->topLevelItemCount() > int(rows.size())) delete list->takeTopLevelItem(list->topLevelItemCount() - 1);
  while (list->topLevelItemCount() < int(rows.size())) {
    auto* item = new QTreeWidgetItem(list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    PromEditRow& r = rows[i];
    if (r.mandatory) r.checked = true;  // a mandatory promotion cannot be unchosen
    QTreeWidgetItem* item = list->topLevelItem(int(i));
    item->setText(cName, q(r.caption));
    item->setText(cStatus, r.mandatory ? q(offers::kStatusMandatory) : q(offers::kStatusOptional));
    item->setText(cValid, q(r.validText));
    item->setText(cExpire, q(r.expireText));
    item->setText(cCycles, q(r.cycles));
    item->setText(cChosenCycles, q(r.chosenCycles));
    item->setText(cChosenValid, q(r.chosenValid));
    item->setText(cType, q(r.typeText));
    item->setText(cPara, q(r.paraText));
    item->setText(cEntered, q(r.enteredPara));
    item->setText(cAction, q(r.action));
    item->setCheckState(cName, r.checked ? Qt::Checked : Qt::Unchecked);
    const QBrush ink = r.checked ? QBrush(QColor(255, 0, 0)) : QBrush();
    for (int c = 0; c <= cAction; ++c) item->setForeground(c, ink);
  }
  rendering = false;
}

int TfrmPromInfoEdit::selectedRow() const {
  QTreeWidgetItem* item = ui_->lstvSpromInfo->currentItem();
  if (!item || !item->isSelected()) return -1;
  return ui_->lstvSpromInfo->indexOfTopLevelItem(item);
}

void TfrmPromInfoEdit::tell(const PromEditRow&, const offers::Verdict& v) {
  if (v.message) ShowGUIMessage(v.message->text.c_str(), v.message->caption.c_str(), v.message->flags);
}

void TfrmPromInfoEdit::refuseMandatory(const PromEditRow& row) {
  ShowGUIMessage("提示:促销[%s]为必选项，不能取消选择！", "提示", 64, row.caption);
}

void TfrmPromInfoEdit::clearParaEntry() {
  ui_->edSpromPara->clear();
  MakeReadOnly(ui_->edSpromPara);
  ui_->lblSpromPara->setText(QStringLiteral("促销参数："));
  ui_->lblType->setText(QStringLiteral("    "));
  paraKind = 0;
}

bool TfrmPromInfoEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->lstvSpromInfo->viewport() && event->type() == QEvent::MouseButtonPress) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (!ui_->lstvSpromInfo->itemAt(mouse->position().toPoint())) lstvSpromInfoMouseDownOutside();
  } else if (watched == ui_->lstvSpromInfo && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
      lstvSpromInfoKeyPress(key);
      return true;  // the check mark is ours to toggle
    }
  } else if (watched == ui_->edSpromPara && event->type() == QEvent::FocusOut) {
    edSpromParaExit();
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmPromInfoEdit::lstvSpromInfoClick(QTreeWidgetItem* item, int) {
  if (rendering || !item) return;
  lstvSpromInfoMouseDown(ui_->lstvSpromInfo->indexOfTopLevelItem(item));
}

void TfrmPromInfoEdit::lstvSpromInfoMouseDownOutside() {
  clearParaEntry();
  resynchronise();
  render();
}

void TfrmPromInfoEdit::lstvSpromInfoMouseDown(int row) {
  if (row < 0) return;
  QTreeWidgetItem* item = ui_->lstvSpromInfo->topLevelItem(row);
  ui_->lstvSpromInfo->setCurrentItem(item);
  item->setSelected(true);
  PromEditRow& r = selection_.Rows()[row];
  if (r.mandatory) {
    // A click on its box would take the mark away: it stays, and says why.
    if (item->checkState(cName) != Qt::Checked) refuseMandatory(r);
    ShowParaEntry(row);
    render();
    return;
  }
  toggled(row, item->checkState(cName) == Qt::Checked);
  resynchronise();
  render();
}

void TfrmPromInfoEdit::lstvSpromInfoKeyPress(int key) {
  const int row = selectedRow();
  if (row < 0) return;
  PromEditRow& r = selection_.Rows()[row];
  if (r.mandatory) {
    refuseMandatory(r);
    return;
  }
  toggled(row, !r.checked);
  render();
}

void TfrmPromInfoEdit::toggled(int row, bool nowChecked) {
  auto& rules = selection_.Rules();
  offers::RelationRules::Action action(rules);
  PromEditRow& r = selection_.Rows()[row];
  if (nowChecked) {
    if (r.cycles == "-2" && r.chosenCycles.empty() && !AskValidCycle(row)) {
      action.Finish(offers::Verdict{false, std::nullopt});
      return;
    }
    offers::Verdict v = action.Finish(rules.CheckRow(row));
    if (!v) {
      tell(r, v);
      return;
    }
    ShowParaEntry(row);
  } else {
    offers::Verdict v = action.Finish(rules.UncheckRow(row));
    if (!v) {
      tell(r, v);
      return;
    }
    clearParaEntry();
  }
}

void TfrmPromInfoEdit::resynchronise() {
  for (auto& r : selection_.Rows()) {
    const bool chosenAction = r.action == offers::kActKept || r.action == offers::kActAdded;
    const bool unchosenAction = r.action == offers::kActCancelled || r.action.empty();
    if (r.checked && !chosenAction) r.checked = false;
    else if (!r.checked && !unchosenAction) r.checked = true;
  }
}

void TfrmPromInfoEdit::lstvSpromInfoDblClick(QTreeWidgetItem*, int) {
  const int row = selectedRow();
  if (row < 0) return;
  PromEditRow& r = selection_.Rows()[row];
  if (r.checked && r.action == offers::kActAdded) {
    offers::RelationRules::Action action(selection_.Rules());
    action.Finish(AskValidCycle(row) ? offers::Verdict::Accept() : offers::Verdict{false, std::nullopt});
    render();
  }
}

bool TfrmPromInfoEdit::AskValidCycle(int row) {
  auto& rules = selection_.Rules();
  PromEditRow& r = selection_.Rows()[row];
  std::unique_ptr<TfrmValidCycle> dialog;
  try {
    dialog = std::make_unique<TfrmValidCycle>(this);
  } catch (const std::bad_alloc&) {
    ShowGUIMessage("异常：内存不足，无法创建对象!请退出一些应用程序后再重试。", "异常", 16);
    return false;
  }
  int lockLevel = 2;
  if (r.validText == offers::kValidNow) lockLevel = r.locked ? 1 : 0;
  else if (r.validText == offers::kValidNext) lockLevel = 1;
  const int currentMode = r.chosenValid == offers::kValidNow ? 0 : r.chosenValid == offers::kValidNext ? 1 : 2;
  dialog->SetCycleInfo(r.cycles, r.chosenCycles, lockLevel, currentMode);
  ShowModal(*dialog);
  std::string cycles;
  int mode = 0;
  if (dialog->GetCycleInfo(cycles, mode) != 1) {
    ui_->lstvSpromInfo->setFocus();
    return !(r.cycles == "-2" && r.chosenCycles.empty());
  }
  rules.Touch(row);
  if (r.cycles == "-1" || r.cycles == "-2") r.chosenCycles = cycles;
  if (lockLevel == 0) {
    if (mode != 0) {
      if (offers::Verdict v = rules.ChooseNextCycle(row); !v) {
        tell(r, v);
        return false;
      }
    } else {
      r.chosenValid = offers::kValidNow;
    }
  }
  return true;
}

void TfrmPromInfoEdit::ShowParaEntry(int row) {
  clearParaEntry();
  const PromEditRow& r = selection_.Rows()[row];
  if (r.typeText == promotions::kTypeOrdinary || r.action != offers::kActAdded) return;
  const int kind = r.typeText == promotions::kTypeDiscount    ? promotions::kDiscount
                   : r.typeText == promotions::kTypeReduction ? promotions::kReduction
                                                              : promotions::kMinimum;
  int& limit = selection_.Limit(kind);
  if (limit == -1) {
    int asked = -1;
    const bool ok = promotions::QueryParaLimit(kind, asked, selection_.OpId(), selection_.OpOrgId());
    limit = ok && asked != -1 ? asked : -2;
  }
  if (limit < 1) return;
  MakeDefault(ui_->edSpromPara);
  paraKind = kind;
  if (kind == promotions::kMinimum) {
    ui_->lblType->setText(QStringLiteral("元"));
    ui_->lblSpromPara->setText(QStringLiteral("最低消费限额："));
    ui_->edSpromPara->setMaxLength(8);
  } else if (kind == promotions::kDiscount) {
    ui_->lblType->setText(QStringLiteral("%"));
    ui_->lblSpromPara->setText(QStringLiteral("折扣比例："));
    ui_->edSpromPara->setMaxLength(3);
  } else {
    ui_->lblType->setText(QStringLiteral("元"));
    ui_->lblSpromPara->setText(QStringLiteral("减免金额："));
    ui_->edSpromPara->setMaxLength(8);
  }
  // Set after this kind's length (the box may still have the last kind's,
  // which would cut the text): the operator's parameter once entered, until
  // then the catalogue's. Leaving the box untouched keeps it.
  ui_->edSpromPara->setText(q(r.enteredPara.empty() ? r.paraText : r.enteredPara));
}

void TfrmPromInfoEdit::edSpromParaExit() {
  const int row = selectedRow();
  const std::string text = ui_->edSpromPara->text().toStdString();
  if (ui_->edSpromPara->isReadOnly() || text.empty()) {
    if (row >= 0) {
      selection_.Rows()[row].enteredPara.clear();
      render();
    }
    return;
  }
  if (row < 0) return;
  PromEditRow& r = selection_.Rows()[row];
  if (r.typeText == promotions::kTypeDiscount) {
    int ratio = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), ratio);
    if (ec != std::errc() || end != text.data() + text.size() || ratio > 100 || ratio < 1) {
      ShowGUIMessage("提示:输入的折扣比例必须在[1--100]之间!", "提示", 64);
      return;
    }
    if (ratio < selection_.Limit(promotions::kDiscount)) {
      ShowGUIMessage("提示:您输入的比例小于了您能输入的最低比例值[%s]!", "提示", 64,
                     std::to_string(selection_.Limit(promotions::kDiscount)));
      return;
    }
    r.enteredPara = text;
    render();
    return;
  }
  bool ok = false;
  const std::int64_t amount = StringToInt64(text, &ok);
  if (!ok) {
    ShowGUIMessage("提示:您输入的金额不是有效的数字!", "提示", 64);
    return;
  }
  if (r.typeText == promotions::kTypeMinimum) {
    const int limit = selection_.Limit(promotions::kMinimum);
    if (amount < limit) {
      ShowGUIMessage("提示:您输入的金额低于了您能输入的最低限额值[%s]", "提示", 64, CurrencyToPlainText(limit));
      return;
    }
  } else {
    const int limit = selection_.Limit(promotions::kReduction);
    if (amount > limit) {
      ShowGUIMessage("提示:您输入的金额大于了您能输入的最大减免金额值[%s]!", "提示", 64, CurrencyToPlainText(limit));
      return;
    }
  }
  r.enteredPara = CurrencyToPlainText(amount);
  render();
}

void TfrmPromInfoEdit::btnOKClick() {
  resultCode = 1;
  done(1);
}

void TfrmPromInfoEdit::btnCancelClick() { reject(); }

void TfrmPromInfoEdit::reject() {
  resultCode = 2;
  done(2);
}
