#include "frameBusiProduct.h"

#include <QKeyEvent>
#include <QStyle>

#include <new>

#include "formBusiProductEdit.h"
#include "gui_message.h"
#include "modal.h"
#include "ui_frameBusiProduct.h"

using products::ProdRow;

namespace {

enum Column { cName, cAction, cValid, cExpire, cStatus, cType };
const int kWidths[] = {220, 38, 90, 90, 38, 80};
// The pale blue of a list the operator may change (16775921).
const QColor kEditColour(0xF1, 0xFA, 0xFF);
// Cancelled rows (8421504).
const QColor kCancelledInk(0x80, 0x80, 0x80);

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TframeBusiProduct::TframeBusiProduct(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::TframeBusiProduct>()) {
  ui_->setupUi(this);
  for (int c = 0; c < int(std::size(kWidths)); ++c) ui_->lstvBusiProduct->setColumnWidth(c, kWidths[c]);
  ui_->btnAdd->setIcon(style()->standardIcon(QStyle::SP_FileDialogNewFolder));
  ui_->btnDele->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
  connect(ui_->btnAdd, &QPushButton::clicked, this, &TframeBusiProduct::btnAddClick);
  connect(ui_->btnDele, &QPushButton::clicked, this, &TframeBusiProduct::btnDeleClick);
  connect(ui_->lstvBusiProduct, &QTreeWidget::itemClicked, this, [this] { lstvBusiProductClick(); });
  ui_->lstvBusiProduct->installEventFilter(this);
}

TframeBusiProduct::~TframeBusiProduct() = default;

// The rows as the list shows them; cancelled ones in grey.
void TframeBusiProduct::render() {
  QTreeWidget* list = ui_->lstvBusiProduct;
  auto& rows = offer_.Rows();
  while (list->topLevelItemCount() > int(rows.size())) delete list->takeTopLevelItem(list->topLevelItemCount() - 1);
  while (list->topLevelItemCount() < int(rows.size())) new QTreeWidgetItem(list);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ProdRow& r = rows[i];
    QTreeWidgetItem* item = list->topLevelItem(int(i));
    item->setText(cName, q(r.caption));
    item->setText(cAction, q(r.action));
    item->setText(cValid, q(r.validDate));
    item->setText(cExpire, q(r.expireDate));
    item->setText(cStatus, r.mandatory ? q(offers::kStatusMandatory) : q(offers::kStatusOptional));
    item->setText(cType, q(r.busiTypeText));
    const QBrush ink = r.action == offers::kActCancelled ? QBrush(kCancelledInk) : QBrush();
    for (int c = 0; c <= cType; ++c) item->setForeground(c, ink);
  }
}

int TframeBusiProduct::focusedRow() const {
  QTreeWidgetItem* item = ui_->lstvBusiProduct->currentItem();
  if (!item || !item->isSelected()) return -1;
  return ui_->lstvBusiProduct->indexOfTopLevelItem(item);
}

void TframeBusiProduct::selectRow(int row) {
  QTreeWidgetItem* item = ui_->lstvBusiProduct->topLevelItem(row);
  if (!item) return;
  ui_->lstvBusiProduct->setCurrentItem(item);
  item->setSelected(true);
}

int TframeBusiProduct::LoadProductCatalogue(int busiType, short userRegionCode, int opId, int opOrgId,
                                            short opCountyCode, short opRegionCode, int busiCode, int planId,
                                            std::int64_t servId) {
  ui_->lstvBusiProduct->clear();
  allow(ui_->btnAdd, true);
  allow(ui_->btnDele, false);
  const int result = offer_.LoadProductCatalogue(busiType, userRegionCode, opId, opOrgId, opCountyCode,
                                                 opRegionCode, busiCode, planId, servId);
  render();
  return result;
}

void TframeBusiProduct::MergeUserProducts(const MPublicDef::SMscFuncInfoList& current) {
  offer_.MergeUserProducts(current);
  render();
  if (!current.empty() && ui_->lstvBusiProduct->topLevelItemCount() > 0) {
    selectRow(0);
    ui_->lstvBusiProduct->setFocus();
  } else if (current.empty()) {
    allow(ui_->btnDele, false);
  }
}

void TframeBusiProduct::allow(QWidget* button, bool on) { button->setEnabled(on && !locked_); }

void TframeBusiProduct::LockProductEdit() {
  locked_ = true;
  for (QWidget* b : {ui_->btnAdd, ui_->btnDele}) b->setEnabled(false);
}

void TframeBusiProduct::EnableProductAdd() {
  locked_ = false;
  allow(ui_->btnAdd, true);
  allow(ui_->btnDele, ui_->lstvBusiProduct->topLevelItemCount() > 0);
}

void TframeBusiProduct::EnableProductEdit() {
  QPalette palette = ui_->lstvBusiProduct->palette();
  palette.setColor(QPalette::Base, kEditColour);
  ui_->lstvBusiProduct->setPalette(palette);
  EnableProductAdd();
}

int TframeBusiProduct::CountActiveProducts() const { return offer_.CountActiveProducts(); }

int TframeBusiProduct::BuildProductOpers(MPublicDef::SMscFuncOperList& list) const {
  offer_.BuildProductOpers(list);
  return 1;
}

void TframeBusiProduct::Reset() {
  offer_.Reset();
  ui_->lstvBusiProduct->clear();
  allow(ui_->btnAdd, true);
  allow(ui_->btnDele, false);
}

void TframeBusiProduct::btnAddClick() {
  std::unique_ptr<TfrmBusiProductEdit> dialog;
  try {
    dialog = std::make_unique<TfrmBusiProductEdit>(this);
  } catch (const std::bad_alloc&) {
    ShowGUIMessage("无法创建对象!请退出一些应用程序后再重试。", "异常", 16);
    return;
  }
  dialog->LoadProducts(offer_.Context().busiType, offer_.MscCallServices(), offer_.BusiTypes(), offer_.RingList(),
                       offer_.Relations(), offer_.PlanProducts(), offer_.MscCrbtServices());
  dialog->ApplyCurrentProducts(offer_.CollectProductRows());
  ShowModal(*dialog);
  MPublicDef::SMscFuncOperList chosen;
  // The close box applies the choice like OK; only Cancel leaves the rows.
  if (dialog->GetSelection(chosen) == 2) {
    ui_->lstvBusiProduct->setFocus();
    return;
  }
  const auto select = offer_.ApplySelection(chosen);
  render();
  if (select) {
    selectRow(int(*select));
    ui_->lstvBusiProduct->setFocus();
  }
}

void TframeBusiProduct::btnDeleClick() {
  const int row = focusedRow();
  if (row < 0) {
    ShowGUIMessage("请选择你要删除的记录...!", "提示", 64);
    return;
  }
  const ProdRow& r = offer_.Rows()[row];
  if (r.mandatory) {
    ShowGUIMessage("提示:对不起，您选择的记录为必选项！不能删除！", "提示", 64);
    return;
  }
  if (!offer_.OfThisBusiness(r)) {
    ShowGUIMessage("提示:对不起，您选择的记录受理的业务类型和现在的业务类型不一致！不能删除！", "提示", 64);
    return;
  }
  if (r.action == offers::kActCancelled) {
    ShowGUIMessage("提示:您选择的产品[%s]已经是删除状态！", "提示", 64, r.caption);
    return;
  }
  if (ShowGUIMessage("您确认删除该记录[%s]吗？", "确认操作", 292, r.caption) != zpgui::kAnswerYes) {
    ui_->lstvBusiProduct->setFocus();
    return;
  }
  const offers::Verdict v = offer_.CancelRow(row);
  if (!v) {
    if (v.message) ShowGUIMessage(v.message->text.c_str(), v.message->caption.c_str(), v.message->flags);
    render();
    return;
  }
  render();
  if (ui_->lstvBusiProduct->topLevelItemCount() > 0) {
    ui_->lstvBusiProduct->setFocus();
    selectRow(std::min(row, ui_->lstvBusiProduct->topLevelItemCount() - 1));
  }
  allow(ui_->btnDele, false);
}

void TframeBusiProduct::lstvBusiProductClick() {
  const int row = focusedRow();
  if (row < 0) return;
  const ProdRow& r = offer_.Rows()[row];
  allow(ui_->btnDele, r.action != offers::kActCancelled && offer_.OfThisBusiness(r));
}

void TframeBusiProduct::lstvBusiProductKeyUp(int key) {
  switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Up:
    case Qt::Key_Down:
      lstvBusiProductClick();
      break;
    default:
      break;
  }
}

bool TframeBusiProduct::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->lstvBusiProduct && event->type() == QEvent::KeyRelease)
    lstvBusiProductKeyUp(static_cast<QKeyEvent*>(event)->key());
  return QWidget::eventFilter(watched, event);
}
