// The handling agent: the person at the counter who acts for the subscriber.
// The document number is checked against the number rule and the black and
// grey lists when the operator leaves it; the workspace reads the frame into
// the order's agent record at submission.
#pragma once

#include <QWidget>
#include <memory>

#include "MPublicDef.h"
#include "agent_rules.h"
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
  // Before an order goes: the document on screen has passed the number and
  // list check, when the operator left its field or now. A document taken
  // over from the customer and never left is checked here, so that a
  // black-listed agent is stopped before the fees are collected and a
  // grey-listed one is asked about. False (with the check's own message)
  // when it does not pass.
  bool CheckDocumentBeforeOrder();

 public slots:
  void edRegNbrExit();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Runs the document check and moves the focus as its end asks.
  agent::DocumentCheckEnd RunCheck();
  std::string Document() const;

  std::unique_ptr<Ui::TfrmeAgenterInfo> ui;
  std::string passedDocument_;  // the document type and number that last passed the check
  CBusinessPublic m_busiPublic;
};
