#include "formSelGlobeIsdn.h"

#include <QKeyEvent>
#include <QScreen>
#include <QStyle>

#include "edit_filters.h"
#include "gui_message.h"
#include "look.h"
#include "publicbusi_functions.h"
#include "sel_globe_isdn_rules.h"
#include "ui_formSelGlobeIsdn.h"
#include "wait_box.h"

TfrmSelGlobeIsdn::TfrmSelGlobeIsdn(QWidget* owner) : QDialog(owner), ui_(std::make_unique<Ui::TfrmSelGlobeIsdn>()) {
  ui_->setupUi(this);
  setObjectName("frmSelGlobeIsdn");
  FormCreate();

  for (QLineEdit* edit : {ui_->edStartIsdn, ui_->edEndIsdn, ui_->edNumber}) {
    zpgui::SetKeyPressHandler(edit, [this](QLineEdit& e, char32_t& key) { edNumberKeyPress(e, key); });
    // Pasted text must pass the digits filter too, or a range could hold
    // anything.
    OnEditPaste(edit);
  }

  connect(ui_->btnQuery, &QPushButton::clicked, this, &TfrmSelGlobeIsdn::btnQueryClick);
  connect(ui_->sgIsdn, &QTableWidget::cellClicked, this, &TfrmSelGlobeIsdn::sgIsdnClick);
  connect(ui_->sgIsdn, &QTableWidget::cellDoubleClicked, this, &TfrmSelGlobeIsdn::sgIsdnDblClick);
  connect(ui_->spbPrePage, &QToolButton::clicked, this, &TfrmSelGlobeIsdn::spbPrePageClick);
  connect(ui_->spbNextPage, &QToolButton::clicked, this, &TfrmSelGlobeIsdn::spbNextPageClick);
  connect(ui_->btnOK, &QPushButton::clicked, this, &TfrmSelGlobeIsdn::btnOKClick);
  connect(ui_->btnCancel, &QPushButton::clicked, this, &TfrmSelGlobeIsdn::btnCancelClick);

  // The form sees every key before the control that has the focus does.
  for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

TfrmSelGlobeIsdn::~TfrmSelGlobeIsdn() = default;

void TfrmSelGlobeIsdn::FormCreate() {
  // The buttons carry pictures only; their names stay for tooltips and
  // screen readers.
  ui_->btnQuery->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
  ui_->btnOK->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  ui_->btnCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  ui_->spbPrePage->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
  ui_->spbNextPage->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
  SetGUIStyle(this);
  adjustSize();
  if (const QScreen* where = screen()) move(where->availableGeometry().center() - rect().center());
}

bool TfrmSelGlobeIsdn::InitSelect(int busiCode, short regionCode, short countyCode, int orgId, int opId) {
  return facade.Init(busiCode, regionCode, countyCode, orgId, opId);
}

int TfrmSelGlobeIsdn::GetSelected(MVasDesk::SResInfo& out) {
  if (resultCode == 1 && selIndex >= 0 && selIndex < static_cast<int>(resList.size())) out = resList[selIndex];
  return resultCode;
}

bool TfrmSelGlobeIsdn::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    if (FormKeyPress(static_cast<QKeyEvent*>(event))) return true;
  }
  // The keys move the pick as a click does: the number in the
  // selected-number field is the one the grid shows selected.
  if (event->type() == QEvent::KeyRelease && watched == ui_->sgIsdn) {
    switch (static_cast<QKeyEvent*>(event)->key()) {
      case Qt::Key_Left:
      case Qt::Key_Right:
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_Home:
      case Qt::Key_End:
      case Qt::Key_PageUp:
      case Qt::Key_PageDown:
        sgIsdnClick();
        break;
      default:
        break;
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool TfrmSelGlobeIsdn::FormKeyPress(QKeyEvent* key) { return BUSI_EnterToTab(this, key); }

void TfrmSelGlobeIsdn::edNumberKeyPress(QLineEdit& edit, char32_t& key) { OnEditKeyPress(edit, key); }

void TfrmSelGlobeIsdn::ClearGrid() { ui_->sgIsdn->clearContents(); }

void TfrmSelGlobeIsdn::ClearSelection() {
  ui_->edSelectedMsisdn->clear();
  selIndex = -1;
}

void TfrmSelGlobeIsdn::btnQueryClick() {
  ClearGrid();
  resList.clear();
  resCount = 0;
  pageCount = 0;
  curPage = -1;
  ClearSelection();

  const auto range =
      zpnumbers::NormaliseNumberRange(ui_->edStartIsdn->text().toStdString(), ui_->edEndIsdn->text().toStdString());
  if (!range) {
    ShowGUIMessage("结束号码不能小于起始号码！", "提示", 64);
    ui_->edEndIsdn->setFocus();
    return;
  }
  const int quantity =
      QString::fromStdString(zpnumbers::QuantityOrDefault(ui_->edNumber->text().toStdString())).toInt();

  ShowWaitBox("正在查询可用资源");
  const bool found = facade.QueryResList(quantity, range->start, range->end, resList);
  CloseWaitBox();
  if (!found) {
    CBSErrorMsg error;
    facade.GetErrorMsg(error);
    ShowGUIMessage("异常:调用后台服务查询资源失败!,\n[%s!]\n[%s!]", "异常", 16, error.text2, error.text1);
    return;
  }
  resCount = static_cast<int>(resList.size());
  if (resCount == 0) {
    ShowGUIMessage("没有查询到数据...", "提示", 64);
    return;
  }
  pageCount = zpnumbers::PageCount(resCount);
  curPage = 0;
  ShowPage(curPage);
}

void TfrmSelGlobeIsdn::ShowPage(int page) {
  if (page < 0 || page >= pageCount) return;
  ClearGrid();
  const zpnumbers::EntrySpan span = zpnumbers::PageEntries(page, resCount);
  for (int k = span.first; k < span.end; ++k) {
    const zpnumbers::GridCell cell = zpnumbers::CellOfPageOffset(k - span.first);
    ui_->sgIsdn->setItem(cell.row, cell.column,
                         new QTableWidgetItem(QString::fromStdString(resList[k].get_RES_ID())));
  }
}

void TfrmSelGlobeIsdn::spbPrePageClick() {
  if (curPage > 0) ShowPage(--curPage);
}

void TfrmSelGlobeIsdn::spbNextPageClick() {
  if (curPage < pageCount - 1) ShowPage(++curPage);
}

void TfrmSelGlobeIsdn::sgIsdnClick() {
  const QTableWidgetItem* item = ui_->sgIsdn->item(ui_->sgIsdn->currentRow(), ui_->sgIsdn->currentColumn());
  const QString text = item ? item->text() : QString();
  // A cell past the last number shows nothing and picks nothing.
  if (text.isEmpty() || curPage < 0) {
    ClearSelection();
    return;
  }
  ui_->edSelectedMsisdn->setText(text);
  selIndex = zpnumbers::EntryAtCell(curPage, {ui_->sgIsdn->currentRow(), ui_->sgIsdn->currentColumn()});
}

void TfrmSelGlobeIsdn::sgIsdnDblClick() {
  sgIsdnClick();
  if (!ui_->edSelectedMsisdn->text().trimmed().isEmpty()) Choose();
}

void TfrmSelGlobeIsdn::btnOKClick() {
  if (ui_->edSelectedMsisdn->text().trimmed().isEmpty()) {
    ShowGUIMessage("请您选择想使用的号码再确定!", "提示", 64);
    return;
  }
  Choose();
}

void TfrmSelGlobeIsdn::Choose() {
  resultCode = 1;
  done(1);
}

void TfrmSelGlobeIsdn::btnCancelClick() { reject(); }

void TfrmSelGlobeIsdn::reject() {
  resultCode = 2;
  done(2);
}
