#include "frameAgentInfo.h"

#include <QApplication>
#include <QFocusEvent>
#include <QString>
#include <QTimer>

#include "agent_rules.h"
#include "edit_filters.h"
#include "gui_message.h"
#include "publicbusi_functions.h"
#include "ui_frameAgentInfo.h"

namespace {
constexpr int kRegionList = 57;
constexpr int kRegTypeList = 3;

std::string text(const QString& s) { return s.toStdString(); }
QString text(const std::string& s) { return QString::fromStdString(s); }

// The exit handler runs while the focus is still being handed to the next
// control; moving it from there would be undone by that hand-over.
void focusLater(QWidget* control) {
  QTimer::singleShot(0, control, [control] { control->setFocus(Qt::OtherFocusReason); });
}
}  // namespace

TfrmeAgenterInfo::TfrmeAgenterInfo(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TfrmeAgenterInfo>()) {
  ui->setupUi(this);
  // The filters travel with the fields so that no host can forget them; a
  // paste must pass them as well, or they would keep nothing out.
  zpgui::SetKeyPressHandler(ui->edRegNbr, OnEditKeyPressTraverseChar);
  zpgui::SetKeyPressHandler(ui->edLinkPhone, OnEditKeyPressTraverse);
  zpgui::SetKeyPressHandler(ui->edEMail, OnEditKeyPressEmail);
  for (QLineEdit* edit : {ui->edRegNbr, ui->edLinkPhone, ui->edEMail}) OnEditPaste(edit);
  ui->edRegNbr->installEventFilter(this);
}

TfrmeAgenterInfo::~TfrmeAgenterInfo() = default;

bool TfrmeAgenterInfo::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui->edRegNbr && event->type() == QEvent::FocusOut) {
    // Only the operator moving on to another control of the same window
    // leaves the field: not a message box or another program taking the
    // window's focus, nor the window closing with the focus still here.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    const QWidget* next = QApplication::focusWidget();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && next && next != ui->edRegNbr &&
        next->window() == window())
      edRegNbrExit();
  }
  return QWidget::eventFilter(watched, event);
}

void TfrmeAgenterInfo::InitAgentLists(short regionCode) {
  InitComboBox(kRegionList, ui->cmbRegionCode);
  InitComboBox(kRegTypeList, ui->cmbRegType);
  SetComboBoxIndex(ui->cmbRegionCode, regionCode);
  ui->cmbRegType->setCurrentIndex(0);
}

void TfrmeAgenterInfo::ShowAgentFromCust(const MPublicDef::SCustInfo& cust) {
  passedDocument_.clear();  // a new customer's document is checked anew
  SetComboBoxIndex(ui->cmbRegionCode, cust.get_REGION_CODE());
  SetComboBoxIndex(ui->cmbRegType, cust.get_REG_TYPE());
  ui->edSoMen->setText(text(cust.get_CUST_NAME()));
  ui->edRegNbr->setText(text(cust.get_REG_NBR()));
  ui->edLinkAddress->setText(text(cust.get_POST_ADDRESS()));
  ui->edLinkPhone->setText(text(cust.get_LINK_PHONE()));
  ui->edEMail->setText(text(cust.get_EMAIL()));
  ui->edRemark->setText(text(cust.get_REMARK()));
}

void TfrmeAgenterInfo::GetAgentInfo(MPublicDef::SOperator& agent) const {
  agent = agent::MakeOperator({text(ui->cmbRegionCode->currentText()), text(ui->edSoMen->text()),
                               text(ui->cmbRegType->currentText()), text(ui->edRegNbr->text()),
                               text(ui->edLinkAddress->text()), text(ui->edLinkPhone->text()),
                               text(ui->edEMail->text()), text(ui->edSoDesc->text()), text(ui->edRemark->text())});
}

void TfrmeAgenterInfo::edRegNbrExit() { RunCheck(); }

std::string TfrmeAgenterInfo::Document() const {
  return text(ui->cmbRegType->currentText()) + '\n' + text(ui->edRegNbr->text());
}

bool TfrmeAgenterInfo::CheckDocumentBeforeOrder() {
  if (!passedDocument_.empty() && passedDocument_ == Document()) return true;
  return RunCheck() == agent::DocumentCheckEnd::Passed;
}

agent::DocumentCheckEnd TfrmeAgenterInfo::RunCheck() {
  passedDocument_.clear();
  const agent::DocumentCheckPorts ports{
      [](const char* message, const char* caption, int flags) { return ShowGUIMessage(message, caption, flags); },
      [](const std::string& number) { return CheckRegNbr(number); },
      [this] { return m_busiPublic.Init(0, 0, 0, 0, 0); },
      [this](int regType, const std::string& regNbr, int& result) {
        return m_busiPublic.CheckBlackCust(regType, regNbr, result);
      }};
  const agent::DocumentCheckEnd end = agent::RunDocumentCheck(
      text(ui->edRegNbr->text()), ExtractItemCode(text(ui->cmbRegType->currentText())), ports);
  if (agent::ClearsNumber(end)) MakeClear(ui->edRegNbr, 0);
  switch (end) {
    case agent::DocumentCheckEnd::FormatRefused: focusLater(ui->edRegNbr); break;
    case agent::DocumentCheckEnd::EmptyNumber:
    case agent::DocumentCheckEnd::ListCallFailed:
    case agent::DocumentCheckEnd::BlackListed:
    case agent::DocumentCheckEnd::GreyRefused: focusLater(ui->cmbRegType); break;
    case agent::DocumentCheckEnd::ServiceInitFailed: break;
    case agent::DocumentCheckEnd::Passed: passedDocument_ = Document(); break;
  }
  return end;
}
