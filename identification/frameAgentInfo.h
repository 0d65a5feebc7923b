// The handling agent: the person at the counter who acts for the subscriber.
// The document number is checked against the number rule and the black and
// grey lists when the operator leaves it; the workspace reads the frame into
// the order's agent record at submission.
#pragma once

#include <QWidget>
#include <memory>

#include "MPublicDef.h"
#include "cbusinesspublic.h"

namespace Ui {
class TfrmeAgenterInfo;
}

class TfrmeAgenterInfo : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmeAgenterInfo(QWidget* parent = nullptr);
  ~TfrmeAgenterInfo() override;

  // Primes the region and document type lists; the region starts at the
  // subscriber's.
  void InitAgentLists(short regionCode);
  // Most agents are the customer in person: start from the customer's data.
  void ShowAgentFromCust(const MPublicDef::SCustInfo& cust);
  void GetAgentInfo(MPublicDef::SOperator& agent) const;

 public slots:
  void edRegNbrExit();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::unique_ptr<Ui::TfrmeAgenterInfo> ui;
  CBusinessPublic m_busiPublic;
};
