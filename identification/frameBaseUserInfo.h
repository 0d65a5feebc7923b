// The user summary on the user information page: the verified subscription
// with its brand, plan, region, status and stop states. Read-only; filled
// after every successful verification.
#pragma once

#include <QWidget>
#include <memory>

#include "MProductIntfApp.h"
#include "MPublicDef.h"

namespace Ui {
class TfrmeBaseUserInfo;
}

class TfrmeBaseUserInfo : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmeBaseUserInfo(QWidget* parent = nullptr);
  ~TfrmeBaseUserInfo() override;

  // The brand and plan lists are the workspace's, fetched once per
  // verification; priming again replaces every list.
  void InitUserLists(const MProductIntfApp::SBrandInfoList& brands, const MProductIntfApp::SPlanIdInfoList& plans);
  void ShowUserInfo(const MPublicDef::SUserInfo& user);

 private:
  std::unique_ptr<Ui::TfrmeBaseUserInfo> ui;
};
