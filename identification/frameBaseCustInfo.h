// The customer summary on the user information page: who owns the verified
// subscription. Read-only; filled after every successful verification.
#pragma once

#include <QWidget>
#include <memory>

#include "MPublicDef.h"

namespace Ui {
class TfrmeBaseCustInfo;
}

class TfrmeBaseCustInfo : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmeBaseCustInfo(QWidget* parent = nullptr);
  ~TfrmeBaseCustInfo() override;

  // Primes the customer type and document type lists; priming again
  // replaces them.
  void InitCustLists();
  bool ShowCustInfo(const MPublicDef::SCustInfo& cust);

 private:
  std::unique_ptr<Ui::TfrmeBaseCustInfo> ui;
};
