// The promotion list frame on the workspace's promotion page: the promotions
// of the subscriber in the current order (kept, added, cancelled) with their
// dates, type and parameter. The workspace loads it for each subscriber,
// merges the subscriber's own promotions, opens it for editing, and on
// submission takes the order's promotion lines from it.
#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>

#include "MPublicDef.h"
#include "prom_offer.h"

class QTreeWidgetItem;

namespace Ui {
class TfrmePromInfo;
}

class TfrmePromInfo : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmePromInfo(QWidget* parent = nullptr);
  ~TfrmePromInfo() override;

  // After each subscriber query: 1 when loaded (also with no business type
  // chosen), 0 after a reported failure; the list is empty then.
  int LoadPromCatalogue(short userRegionCode, std::int64_t servId, int busiType, int planId, int busiCode,
                        short opRegionCode, short opCountyCode, int opOrgId, int opId);
  // When the subscriber already has the business.
  void MergeUserProms(const MPublicDef::SSpromInfoList& current);
  // For an operation that changes promotions (open, change): the buttons
  // follow the list again.
  void EnablePromEdit();
  // For an operation that does not change promotions, and while none is
  // chosen: no button changes them, whatever is loaded or clicked, until
  // EnablePromEdit.
  void LockPromEdit();
  // Rows that stay on the order (not cancelled).
  int CountActiveProms() const;
  // The order's promotion lines: an opening or change, or a cancellation.
  void BuildPromOpers(MPublicDef::SSpromOperList& list) const;
  void BuildPromCancelOpers(MPublicDef::SSpromOperList& list) const;
  // Forgets the subscriber: empty list, add enabled (unless locked), modify
  // and delete not.
  void Reset();
  // The workspace forwards its own clicks on the list.
  void lvPromInfoClick();

  const promotions::PromOffer& Offer() const { return offer_; }

 private slots:
  void btnAddClick();
  void btnModifyClick();
  void btnDeleteClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool EditProms();
  void lvPromInfoKeyUp(int key);
  void render();
  int focusedRow() const;
  void selectRow(int row);

  // Enables a button as asked, unless the frame is locked.
  void allow(QWidget* button, bool on);

  std::unique_ptr<Ui::TfrmePromInfo> ui_;
  promotions::PromOffer offer_;
  bool locked_ = false;
};
