#include "FormAfterDate.h"

#include <QStyle>

#include <string>

#include "after_date_rules.h"
#include "gui_message.h"
#include "look.h"
#include "ui_FormAfterDate.h"
#include "wait_box.h"

TfrmAfterInfo::TfrmAfterInfo(QWidget* owner) : QDialog(owner), ui_(std::make_unique<Ui::TfrmAfterInfo>()) {
  ui_->setupUi(this);
  FormCreate();

  connect(ui_->btnOk, &QPushButton::clicked, this, &TfrmAfterInfo::btnOkClick);
  connect(ui_->btnCancle, &QPushButton::clicked, this, &TfrmAfterInfo::btnCancleClick);
}

TfrmAfterInfo::~TfrmAfterInfo() = default;

void TfrmAfterInfo::FormCreate() {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  // The buttons carry pictures only; their names stay for tooltips and
  // screen readers. Neither answers Enter: the day is confirmed on purpose.
  ui_->btnOk->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
  ui_->btnCancle->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  ui_->btnOk->setAutoDefault(false);
  ui_->btnCancle->setAutoDefault(false);
  SetGUIStyle(this);
  adjustSize();
}

bool TfrmAfterInfo::SetAfterDate(const CBSDateTime& day) { return ui_->dtpAfterDate->SetDay(day); }

CBSDateTime TfrmAfterInfo::GetAfterDate() const { return zpdialogs::BackDateDay(ui_->dtpAfterDate->Day()); }

void TfrmAfterInfo::btnOkClick() {
  errorMsg.reset();
  ShowWaitBox("正在取数据库时间...");
  CBSDateTime now;
  // Bound on first use, so a broker that was away when the dialog opened
  // can still answer a later press.
  if (!sysMgntReady) sysMgntReady = sysMgnt.Init(0, 0, 0, 0, 0);
  if (!sysMgntReady || !sysMgnt.getCurrentDate(now)) {
    CloseWaitBox();
    errorMsg = sysMgnt.LastError();
    ShowGUIMessage("取系统时间服务出错[%s]\n[%s]...!", "异常", 16, errorMsg.text1, errorMsg.text2);
    return;
  }
  CloseWaitBox();

  const CBSDateTime chosen = GetAfterDate();
  if (zpdialogs::IsLaterThanServerTime(chosen, now)) {
    const std::string chosenText = zpdialogs::BackDateText(chosen);
    const std::string nowText = zpdialogs::BackDateText(now);
    ShowGUIMessage("补单时间[%s]不能大于系统时间[%s].", "提示", 64, chosenText, nowText);
    ui_->dtpAfterDate->setFocus();
    return;
  }
  done(1);
}

void TfrmAfterInfo::btnCancleClick() { reject(); }

void TfrmAfterInfo::reject() { done(2); }
