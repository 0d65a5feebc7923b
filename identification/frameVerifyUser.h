// The verification strip at the top of the workspace: the operator types the
// subscriber's number and, where the business asks for it, the service
// password; the strip decides whether the subscriber may be served and hands
// the subscriber's records back. The workspace handles the query button and
// calls QueryUser from there.
#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

#include "MPublicDef.h"
#include "cbserrormsg.h"
#include "cbusinesspublic.h"
#include "csysmgntpublic.h"
#include "verify_rules.h"

class QLineEdit;
class QPushButton;
class TSecureKeyboard;

namespace Ui {
class TfrmeVerify;
}

class TfrmeVerify : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmeVerify(QWidget* owner = nullptr);
  ~TfrmeVerify() override;

  // Primes the strip for the business being accepted, with the operator's
  // context; run again whenever the business type changes.
  void InitVerify(int busiCode, short regionCode, short countyCode, int orgId, int opId);

  // One of zpverify::QueryResult. The three records are written whenever
  // the subscriber was found, even when a later check refuses him.
  int QueryUser(MPublicDef::SUserInfo& user, MPublicDef::SCustInfo& cust, MPublicDef::SAcctInfo& acct,
                int& mode);

  // The workspace wires its query handler and its paste filter to these.
  QPushButton* btnQueyA() const;
  QLineEdit* edPhoneId() const;

  int VerifyMode() const { return verifyMode; }
  bool PassWaivable() const { return passWaivable; }
  const std::string& LocationCode() const { return locationCode; }
  const CBSErrorMsg& LastError() const { return lastError; }

 private slots:
  void chkCheckPassClick();

 private:
  void edPhoneIdKeyPress(QLineEdit& edit, char32_t& key);
  void edPassKeyPress(QLineEdit& edit, char32_t& key);

  // Shows or hides the password field as the box says; only the operator's
  // own tick moves the focus and opens the keypad.
  void ShowPassField(bool operatorTicked);
  void ReadSecureKeyboard();
  bool CheckPhoneInput();
  bool GetUserData(const std::string& phone);
  bool CheckOperPriv(MSysmgntDef::SOperPrivAuthList& answers);
  // `refused`: the privilege service answered and did not grant it.
  bool CheckRemoteAccept(bool& refused);
  bool CheckRemoteQuery(bool acceptRefused);
  bool CheckPassWaive();
  bool CheckPassword();
  bool VerifyBusiRule(int checkPoint);
  bool VerifyBusiRule(int checkPoint, zpverify::CheckPointTrail& trail);
  bool InitBusiPublic(const char* bindFailure);
  void FocusIfPossible(QWidget* control);
  std::string PhoneText() const;
  std::string PassText() const;
  zpverify::OperatorContext RuleContext() const;

  std::unique_ptr<Ui::TfrmeVerify> ui_;
  TSecureKeyboard* SecureKeyboard1 = nullptr;

  int busiCode = 0;
  short opRegionCode = 0;
  short opCountyCode = 0;
  int opOrgId = 0;
  int opId = 0;
  int verifyMode = zpverify::kNotVerified;
  bool passWaivable = false;
  std::string locationCode;
  // The number the password in the field was last checked for; empty while
  // the entry is fresh (nothing checked since it was typed or read).
  std::string passGivenFor;
  std::int64_t servId = 0;
  MPublicDef::SUserInfo userInfo;
  MPublicDef::SCustInfo custInfo;
  MPublicDef::SAcctInfo acctInfo;
  CBSErrorMsg lastError;
  CBusinessPublic busiPublic;
  CSysMgntPublic sysMgnt;
};
