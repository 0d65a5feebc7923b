#include "frameVerifyUser.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "edit_filters.h"
#include "gui_message.h"
#include "look.h"
#include "publicbusi_functions.h"
#include "secure_keyboard.h"
#include "ui_frameVerifyUser.h"
#include "verify_type.h"

using namespace zpverify;

namespace {
constexpr const char* kNotice = "提示";
constexpr const char* kError = "错误";
constexpr int kErrorIcon = 16;
constexpr int kInfoIcon = 64;
constexpr int kYesNo = 36;
}  // namespace

TfrmeVerify::TfrmeVerify(QWidget* owner) : QWidget(owner), ui_(std::make_unique<Ui::TfrmeVerify>()) {
  ui_->setupUi(this);
  setObjectName("frmeVerify");
  // The query button carries a picture only; its name stays for the tooltip
  // and screen readers.
  ui_->btnQueyA->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));

  SecureKeyboard1 = new TSecureKeyboard(this);
  SecureKeyboard1->setObjectName("SecureKeyboard1");

  zpgui::SetKeyPressHandler(ui_->edPhoneId, [this](QLineEdit& e, char32_t& key) { edPhoneIdKeyPress(e, key); });
  zpgui::SetKeyPressHandler(ui_->edPass, [this](QLineEdit& e, char32_t& key) { edPassKeyPress(e, key); });
  // A paste must pass the same filters as typing, or they keep nothing out.
  OnEditPaste(ui_->edPhoneId);
  OnEditPaste(ui_->edPass);
  connect(ui_->chkCheckPass, &QCheckBox::clicked, this, &TfrmeVerify::chkCheckPassClick);
  // Whatever is entered in the password field (typed, pasted, from the
  // keypad, cleared) is a fresh entry, not yet given for any number.
  connect(ui_->edPass, &QLineEdit::textChanged, this, [this] { passGivenFor.clear(); });
}

TfrmeVerify::~TfrmeVerify() = default;

QPushButton* TfrmeVerify::btnQueyA() const { return ui_->btnQueyA; }
QLineEdit* TfrmeVerify::edPhoneId() const { return ui_->edPhoneId; }

void TfrmeVerify::InitVerify(int busiCode_, short regionCode, short countyCode, int orgId, int opId_) {
  passWaivable = false;
  ui_->edPass->hide();

  busiCode = busiCode_;
  opRegionCode = regionCode;
  opCountyCode = countyCode;
  opOrgId = orgId;
  opId = opId_;
  locationCode.clear();

  ui_->edPhoneId->setMaxLength(kMaxPhoneLength);
  ui_->edPass->setMaxLength(kMaxPassLength);
  verifyMode = kNotVerified;

  SetControlSecurity(ui_->edPass);

  // Without the location the strip simply works without the keypad.
  sysMgnt.Init(0, 0, 0, 0, 0);
  sysMgnt.GetEntVariable(locationCode);
  lastError = sysMgnt.LastError();

  CBSErrorMsg lookupError;
  const std::optional<short> looked = LookUpVerifyType(busiCode, lookupError);
  std::optional<bool> waivable;
  short verifyType = 0;
  if (looked) {
    verifyType = *looked;
    if (NeedsDocumentNotice(verifyType))
      ShowGUIMessage("该业务要求出示证件,请核对好客户的证件后,再受理!", kNotice, kInfoIcon);
    if (verifyType == 2 && CheckPassWaive()) waivable = passWaivable;
  } else {
    // Not knowing whether the business needs the password is no reason to
    // skip it: the password is required, and no waiver is asked for.
    lastError = lookupError;
    ShowGUIMessage("取业务验证方式失败,本业务按需要验证密码受理!\n错误[%s]\n[%s]", "异常", kErrorIcon,
                   lookupError.text2, lookupError.text1);
    verifyType = 2;
  }
  switch (PassCheckBoxFor(verifyType, waivable)) {
    case PassCheckBox::optional:
      ui_->chkCheckPass->setChecked(false);
      ui_->chkCheckPass->setEnabled(true);
      break;
    case PassCheckBox::mandatory:
      ui_->chkCheckPass->setChecked(true);
      ui_->chkCheckPass->setEnabled(false);
      break;
    case PassCheckBox::keep:
      break;
  }
  // The password field was hidden above whatever the box says; bring the
  // two back in line even when the box kept its state. Nobody is at the
  // counter yet: the keypad stays shut and the focus stays where it is.
  ShowPassField(false);
}

void TfrmeVerify::chkCheckPassClick() { ShowPassField(true); }

void TfrmeVerify::ShowPassField(bool operatorTicked) {
  if (ui_->chkCheckPass->isChecked()) {
    ui_->edPass->show();
    MakeDefault(ui_->edPass);
    ui_->edPass->clear();
    if (!operatorTicked) return;
    FocusIfPossible(ui_->edPass);
    ReadSecureKeyboard();
  } else {
    ui_->edPass->clear();
    ui_->edPass->hide();
    MakeReadOnly(ui_->edPass);
    if (operatorTicked) FocusIfPossible(ui_->btnQueyA);
  }
}

void TfrmeVerify::ReadSecureKeyboard() {
  if (!IsKeypadLocation(locationCode)) return;
  if (SecureKeyboard1->Open()) {
    ui_->edPass->setText(QString::fromStdString(SecureKeyboard1->GetPassWord()));
    SecureKeyboard1->Close();
  } else {
    ShowGUIMessage(
        "打开小键盘失败,如果已接好小键盘,请设置[print/SecureKeyboard.ini]的[DeviceOnLine]参数,0:表示设备不在线,1:"
        "表示设备在线.",
        kNotice, kInfoIcon);
  }
}

void TfrmeVerify::edPhoneIdKeyPress(QLineEdit&, char32_t& key) {
  if (!KeepsPhoneKey(key)) key = 0;
}

void TfrmeVerify::edPassKeyPress(QLineEdit&, char32_t& key) {
  if (!KeepsPasswordKey(key)) key = 0;
}

int TfrmeVerify::QueryUser(MPublicDef::SUserInfo& user, MPublicDef::SCustInfo& cust, MPublicDef::SAcctInfo& acct,
                           int& mode) {
  if (!CheckPhoneInput()) return kBadPhone;
  // A password belongs to the number it was given for. Left in the field
  // for the next customer's number, it would be checked against his number
  // in his name, and at a keypad site he would never be asked for his own.
  if (!passGivenFor.empty() && passGivenFor != PhoneText()) MakeClear(ui_->edPass, 0);
  if (!GetUserData(PhoneText())) return kNotFound;
  user = userInfo;
  cust = custInfo;
  acct = acctInfo;
  if (userInfo.get_REGION_CODE() != opRegionCode) {
    bool acceptRefused = false;
    if (!CheckRemoteAccept(acceptRefused)) return RemoteRefusalResult(CheckRemoteQuery(acceptRefused));
  }
  if (!CheckPassword()) return kPasswordRefused;
  if (!VerifyBusiRule(0)) return RuleFailureResult(locationCode);
  mode = verifyMode;
  return kVerified;
}

bool TfrmeVerify::CheckPhoneInput() {
  switch (ClassifyPhoneInput(ui_->edPhoneId->text().toStdString())) {
    case PhoneInput::ok:
      return true;
    case PhoneInput::empty:
      ShowGUIMessage("请先输入查询号码!...", kNotice, kInfoIcon);
      break;
    case PhoneInput::malformed:
      ShowGUIMessage("对不起,手机号码输入有误,请重输!...", kNotice, kInfoIcon);
      break;
  }
  FocusIfPossible(ui_->edPhoneId);
  return false;
}

bool TfrmeVerify::InitBusiPublic(const char* bindFailure) {
  if (busiPublic.Init(busiCode, 0, 0, 0, opId)) return true;
  lastError = busiPublic.LastError();
  // The runtime's reason (the address that failed) on a line of its own.
  ShowGUIMessage("%s\n[%s]", kError, kErrorIcon, bindFailure, lastError.text2);
  return false;
}

bool TfrmeVerify::GetUserData(const std::string& phone) {
  if (!InitBusiPublic("服务绑定出错,请与管理员联系...")) return false;

  lastError.reset();
  bool ok = busiPublic.GetUserServiceID(phone, servId);
  lastError = busiPublic.LastError();
  if (!ok) {
    ShowGUIMessage("对不起,没有查询到数据!...\n[%s].\n[%s]", kError, kErrorIcon, lastError.text1, lastError.text2);
    FocusIfPossible(ui_->edPhoneId);
    return false;
  }
  if (servId == 0) {
    ShowGUIMessage("用户资料不存在,请重新输入...!", kError, kErrorIcon);
    FocusIfPossible(ui_->edPhoneId);
    return false;
  }

  const auto step = [this](bool done, const char* failure) {
    lastError = busiPublic.LastError();
    if (done) return true;
    ShowGUIMessage(failure, kError, kErrorIcon, lastError.text1, lastError.text2);
    FocusIfPossible(ui_->edPhoneId);
    return false;
  };
  lastError.reset();
  if (!step(busiPublic.GetUserInfo(servId, userInfo), "查询用户资料出错...\n[%s].\n[%s]")) return false;
  lastError.reset();
  if (!step(busiPublic.GetCustomInfo(servId, custInfo), "查询客户资料出错...\n[%s].\n[%s]")) return false;
  lastError.reset();
  return step(busiPublic.GetAcctInfo(acctInfo, servId, 0), "查询帐户资料出错...\n[%s].\n[%s]");
}

bool TfrmeVerify::CheckOperPriv(MSysmgntDef::SOperPrivAuthList& answers) {
  CSysMgntPublic priv;
  if (!priv.Init(busiCode, opRegionCode, opCountyCode, opOrgId, opId)) {
    lastError = priv.LastError();
    ShowGUIMessage("系统管理BIND出错...!\n[%s]", kError, kErrorIcon, lastError.text1);
    return false;
  }
  MSysmgntDef::SOperPrivAuthList replies;
  const bool ok = priv.CheckOperRight(opId, opOrgId, PrivilegeAsks(), replies);
  lastError = priv.LastError();
  if (!ok) {
    ShowGUIMessage("权限检查出错...!\n[%s]", kError, kErrorIcon, lastError.text1);
    return false;
  }
  answers = std::move(replies);
  return true;
}

bool TfrmeVerify::CheckRemoteAccept(bool& refused) {
  MSysmgntDef::SOperPrivAuthList answers;
  refused = false;
  if (!CheckOperPriv(answers)) return false;
  refused = !RemoteAcceptGranted(answers);
  return !refused;
}

bool TfrmeVerify::CheckRemoteQuery(bool acceptRefused) {
  MSysmgntDef::SOperPrivAuthList answers;
  if (!CheckOperPriv(answers)) return false;
  const int refusals = RemoteQueryRefusals(answers);
  for (int i = refusals; i > 0; --i) ShowGUIMessage("对不起,您没有异地受理和查询的权限.", kNotice, kInfoIcon);
  // The subscriber will be shown with nothing to do for him: the operator
  // must learn why, not guess at a workspace that stays locked.
  if (refusals == 0 && acceptRefused)
    ShowGUIMessage("对不起,您没有异地受理的权限,该用户只能查询,不能受理.", kNotice, kInfoIcon);
  return true;
}

bool TfrmeVerify::CheckPassWaive() {
  MSysmgntDef::SOperPrivAuthList answers;
  if (!CheckOperPriv(answers)) return false;
  if (const auto waivable = PassWaiverIn(answers)) passWaivable = *waivable;
  return true;
}

bool TfrmeVerify::CheckPassword() {
  const std::string phone = PhoneText();
  const bool asked = ui_->chkCheckPass->isChecked();
  // The customer is at the counter and the password is needed now: at a
  // keypad site he types it there.
  if (asked && PassText().empty()) ReadSecureKeyboard();
  const std::string pass = PassText();
  if (!pass.empty()) passGivenFor = phone;
  if (asked && pass.empty()) {
    ShowGUIMessage("请输入用户密码...", kNotice, kInfoIcon);
    FocusIfPossible(ui_->edPass);
    return false;
  }
  if (!asked) {
    verifyMode = kByNumber;
    return true;
  }
  if (!InitBusiPublic("服务绑定失败,请与管理员联系...")) return false;

  lastError.reset();
  int result = 0;
  const bool ok = busiPublic.CheckUserPassword(phone, pass, result);
  lastError = busiPublic.LastError();
  if (!ok) {
    ShowGUIMessage("密码检查服务错误!\n[%s]\n[%s]", kError, kErrorIcon, lastError.text1, lastError.text2);
    return false;
  }
  switch (PasswordVerdictOf(result)) {
    case PasswordVerdict::breaksRules:
      ShowGUIMessage("密码规则不符,请先到密码修改模块修改密码!\n[%s]", kError, kErrorIcon, lastError.text1);
      FocusIfPossible(ui_->edPass);
      return false;
    case PasswordVerdict::wrong:
      ShowGUIMessage("用户密码错误,请重新输入.\n[%s]", kError, kErrorIcon, lastError.text1);
      FocusIfPossible(ui_->edPass);
      return false;
    case PasswordVerdict::accepted:
      break;
  }
  verifyMode = kByPassword;
  return true;
}

bool TfrmeVerify::VerifyBusiRule(int checkPoint) {
  CheckPointTrail trail;
  trail.Enter(checkPoint);
  return VerifyBusiRule(checkPoint, trail);
}

bool TfrmeVerify::VerifyBusiRule(int checkPoint, CheckPointTrail& trail) {
  MPublicDef::SSoInfo so = RuleCheckOrder(userInfo, RuleContext());
  if (!InitBusiPublic("服务绑定出错,请与管理员联系...")) return false;

  lastError.reset();
  int point = checkPoint;
  int unusedA = 0, unusedB = 0, unusedC = 0;
  MBusiPublic::SSoCheckOut reply;
  const bool ok = busiPublic.CheckBusiRule(so, point, unusedA, unusedB, unusedC, reply, lastError);
  lastError = busiPublic.LastError();
  if (!ok) {
    ShowGUIMessage("业务规则检查失败,请与管理员联系!...\n[%s]\n[%s]", kNotice, kErrorIcon, lastError.text1,
                   lastError.text2);
    FocusIfPossible(ui_->edPhoneId);
    return false;
  }

  const auto next = [&] {
    const int nextPoint = reply.get_CHECKPOINT();
    if (trail.Enter(nextPoint)) return VerifyBusiRule(nextPoint, trail);
    // A chain that leads back to a point already asked would never end.
    lastError.reset();
    lastError.code = -1;
    lastError.text1 = "业务规则检查";
    lastError.text2 = "检查点[" + std::to_string(nextPoint) + "]重复出现,检查链无法结束";
    ShowGUIMessage("业务规则检查失败,请与管理员联系!...\n[%s]\n[%s]", kNotice, kErrorIcon, lastError.text1,
                   lastError.text2);
    FocusIfPossible(ui_->edPhoneId);
    return false;
  };
  switch (RuleStepOf(reply.get_CHECKRESULT())) {
    case RuleStep::confirm:
      if (ShowGUIMessage("检查通过,是否继续:\n[%s]", kNotice, kYesNo, reply.get_CHECKDESC()) != zpgui::kAnswerYes)
        return false;
      return next();
    case RuleStep::notice:
      ShowGUIMessage("检查通过:\n[%s]", kNotice, kInfoIcon, reply.get_CHECKDESC());
      return next();
    case RuleStep::refuse:
      ShowGUIMessage("检查不通过:\n[%s]", kNotice, kErrorIcon, reply.get_CHECKDESC());
      FocusIfPossible(ui_->edPhoneId);
      return false;
    case RuleStep::pass:
      break;
  }
  return true;
}

void TfrmeVerify::FocusIfPossible(QWidget* control) {
  if (control->isEnabled() && control->isVisibleTo(this) && control->focusPolicy() != Qt::NoFocus)
    control->setFocus();
}

std::string TfrmeVerify::PhoneText() const { return TrimBlanks(ui_->edPhoneId->text().toStdString()); }
std::string TfrmeVerify::PassText() const { return TrimBlanks(ui_->edPass->text().toStdString()); }

OperatorContext TfrmeVerify::RuleContext() const {
  return {busiCode, opRegionCode, opCountyCode, opOrgId, opId};
}
