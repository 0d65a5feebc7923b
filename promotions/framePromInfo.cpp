#include "framePromInfo.h"

#include <QKeyEvent>
#include <QStyle>

#include "formPromInfoEdit.h"
#include "gui_message.h"
#include "modal.h"
#include "prom_rules.h"
#include "ui_framePromInfo.h"

using promotions::PromRow;

namespace {

enum Column { cName, cAction, cValid, cExpire, cCreate, cStatus, cType, cPara, cEntered };
const int kWidths[] = {150, 38, 80, 80, 115, 40, 120, 70, 110};
// The pale blue of a list the operator may change.
const QColor kEditColour(0xF1, 0xF9, 0xFF);
const QColor kCancelledInk(0x80, 0x80, 0x80);

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TfrmePromInfo::TfrmePromInfo(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::TfrmePromInfo>()) {
  ui_->setupUi(this);
  for (int c = 0; c < int(std::size(kWidths)); ++c) ui_->lvPromInfo->setColumnWidth(c, kWidths[c]);
  ui_->btnAdd->setIcon(style()->standardIcon(QStyle::SP_FileDialogNewFolder));
  ui_->btnModify->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
  ui_->btnDelete->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
  ui_->btnModify->setVisible(false);
  connect(ui_->btnAdd, &QPushButton::clicked, this, &TfrmePromInfo::btnAddClick);
  connect(ui_->btnModify, &QPushButton::clicked, this, &TfrmePromInfo::btnModifyClick);
  connect(ui_->btnDelete, &QPushButton::clicked, this, &TfrmePromInfo::btnDeleteClick);
  connect(ui_->lvPromInfo, &QTreeWidget::itemClicked, this, [this] { lvPromInfoClick(); });
  ui_->lvPromInfo->installEventFilter(this);
}

TfrmePromInfo::~TfrmePromInfo() = default;

void TfrmePromInfo::render() {
  QTreeWidget* list = ui_->lvPromInfo;
  auto& rows = offer_.Rows();
  while (list->topLevelItemCount() > int(rows.size())) delete list->takeTopLevelItem(list->topLevelItemCount() - 1);
  while (list->topLevelItemCount() < int(rows.size())) new QTreeWidgetItem(list);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const PromRow& r = rows[i];
    QTreeWidgetItem* item = list->topLevelItem(int(i));
    item->setText(cName, q(r.caption));
    item->setText(cAction, q(r.action));
    item->setText(cValid, q(r.validDate));
    item->setText(cExpire, q(r.expireDate));
    item->setText(cCreate, q(r.createDate));
    item->setText(cStatus, r.mandatory ? q(offers::kStatusMandatory) : q(offers::kStatusOptional));
    item->setText(cType, q(r.typeText));
    item->setText(cPara, q(r.paraText));
    item->setText(cEntered, q(r.enteredPara));
    const QBrush ink = r.action == offers::kActCancelled ? QBrush(kCancelledInk) : QBrush();
    for (int c = 0; c <= cEntered; ++c) item->setForeground(c, ink);
  }
}

int TfrmePromInfo::focusedRow() const {
  QTreeWidgetItem* item = ui_->lvPromInfo->currentItem();
  if (!item || !item->isSelected()) return -1;
  return ui_->lvPromInfo->indexOfTopLevelItem(item);
}

void TfrmePromInfo::selectRow(int row) {
  QTreeWidgetItem* item = ui_->lvPromInfo->topLevelItem(row);
  if (!item) return;
  ui_->lvPromInfo->setCurrentItem(item);
  item->setSelected(true);
}

int TfrmePromInfo::LoadPromCatalogue(short userRegionCode, std::int64_t servId, int busiType, int planId,
                                     int busiCode, short opRegionCode, short opCountyCode, int opOrgId, int opId) {
  ui_->lvPromInfo->clear();
  allow(ui_->btnAdd, true);
  allow(ui_->btnModify, false);
  allow(ui_->btnDelete, false);
  const int result = offer_.LoadPromCatalogue(userRegionCode, servId, busiType, planId, busiCode, opRegionCode,
                                              opCountyCode, opOrgId, opId);
  render();
  return result;
}

void TfrmePromInfo::MergeUserProms(const MPublicDef::SSpromInfoList& current) {
  const bool has = offer_.MergeUserProms(current);
  render();
  if (has && ui_->lvPromInfo->topLevelItemCount() > 0) {
    selectRow(0);
    ui_->lvPromInfo->setFocus();
  }
  allow(ui_->btnModify, has);
  allow(ui_->btnDelete, has);
}

void TfrmePromInfo::allow(QWidget* button, bool on) { button->setEnabled(on && !locked_); }

void TfrmePromInfo::LockPromEdit() {
  locked_ = true;
  for (QWidget* b : {ui_->btnAdd, ui_->btnModify, ui_->btnDelete}) b->setEnabled(false);
}

void TfrmePromInfo::EnablePromEdit() {
  locked_ = false;
  QPalette palette = ui_->lvPromInfo->palette();
  palette.setColor(QPalette::Base, kEditColour);
  ui_->lvPromInfo->setPalette(palette);
  allow(ui_->btnAdd, true);
  const bool hasRows = ui_->lvPromInfo->topLevelItemCount() > 0;
  allow(ui_->btnModify, hasRows);
  allow(ui_->btnDelete, hasRows);
}

int TfrmePromInfo::CountActiveProms() const { return offer_.CountActiveProms(); }

void TfrmePromInfo::BuildPromOpers(MPublicDef::SSpromOperList& list) const { offer_.BuildPromOpers(list); }

void TfrmePromInfo::BuildPromCancelOpers(MPublicDef::SSpromOperList& list) const {
  offer_.BuildPromCancelOpers(list);
}

void TfrmePromInfo::Reset() {
  offer_.Reset();
  ui_->lvPromInfo->clear();
  allow(ui_->btnAdd, true);
  allow(ui_->btnModify, false);
  allow(ui_->btnDelete, false);
}

void TfrmePromInfo::btnAddClick() {
  if (EditProms() && ui_->lvPromInfo->topLevelItemCount() > 0) {
    allow(ui_->btnModify, true);
    allow(ui_->btnDelete, true);
  }
}

void TfrmePromInfo::btnModifyClick() { EditProms(); }

bool TfrmePromInfo::EditProms() {
  std::unique_ptr<TfrmPromInfoEdit> dialog;
  try {
    dialog = std::make_unique<TfrmPromInfoEdit>(this);
  } catch (const std::bad_alloc&) {
    ShowGUIMessage("异常：内存不足，无法创建对象!请退出一些应用程序后再重试。", "异常", 16);
    return false;
  }
  const promotions::PromContext& ctx = offer_.Context();
  if (ctx.typeCatalogue) {
    dialog->LoadTypeCatalogue(offer_.TypeOffer(), offer_.Relations(), ctx.opId, ctx.opOrgId, ctx.busiCode);
  } else {
    dialog->LoadPlanCatalogue(offer_.Catalogue(), offer_.Relations(), ctx.opId, ctx.opOrgId, ctx.busiCode);
  }
  dialog->ApplyCurrentProms(offer_.CollectPromRows());
  ShowModal(*dialog);
  MProductIntfApp::SSpromPlanMapList chosen;
  if (dialog->GetSelection(chosen) != 1) {
    ui_->lvPromInfo->setFocus();
    return false;
  }
  const auto select = offer_.ApplySelection(std::move(chosen));
  render();
  if (select) {
    selectRow(int(*select));
    ui_->lvPromInfo->setFocus();
  }
  return true;
}

void TfrmePromInfo::btnDeleteClick() {
  const int row = focusedRow();
  if (row < 0) {
    ShowGUIMessage("提示:请先选择要删除的促销记录！", "提示", 64);
    return;
  }
  const PromRow& r = offer_.Rows()[row];
  if (r.action == offers::kActCancelled) {
    ShowGUIMessage("提示:您选择的促销[%s]已经是删除状态！", "提示", 64, r.caption);
    return;
  }
  if (r.mandatory) {
    ShowGUIMessage("提示:对不起，您选择的记录为必选项！不能删除！", "提示", 64);
    return;
  }
  if (ShowGUIMessage("您确认删除该记录[%s]吗？", "确认操作", 292, r.caption) != zpgui::kAnswerYes) {
    ui_->lvPromInfo->setFocus();
    return;
  }
  const offers::Verdict v = offer_.CancelRow(row);
  if (!v) {
    if (v.message) ShowGUIMessage(v.message->text.c_str(), v.message->caption.c_str(), v.message->flags);
    render();
    return;
  }
  render();
  if (ui_->lvPromInfo->topLevelItemCount() > 0) {
    ui_->lvPromInfo->setFocus();
    selectRow(std::min(row, ui_->lvPromInfo->topLevelItemCount() - 1));
  } else {
    allow(ui_->btnModify, false);
    allow(ui_->btnDelete, false);
  }
}

void TfrmePromInfo::lvPromInfoClick() {
  const int row = focusedRow();
  if (row < 0) return;
  allow(ui_->btnDelete, offer_.Rows()[row].action != offers::kActCancelled);
}

void TfrmePromInfo::lvPromInfoKeyUp(int key) {
  switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Up:
    case Qt::Key_Down:
      lvPromInfoClick();
      break;
    default:
      break;
  }
}

bool TfrmePromInfo::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->lvPromInfo && event->type() == QEvent::KeyRelease)
    lvPromInfoKeyUp(static_cast<QKeyEvent*>(event)->key());
  return QWidget::eventFilter(watched, event);
}
