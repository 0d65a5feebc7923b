// The acceptance workspace: one window per operator session, from the
// subscriber query to the printed papers. It owns the order facade and the
// public business object, offers the business types the module accepts and
// gives back a reserved number when it closes. The promotion and product
// frames are driven through zp::workspace::PromotionFrame and ProductFrame.
#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <string>

#include "CVasDesk.h"
#include "MProductIntfApp.h"
#include "MVasDesk.h"
#include "catalogue_cache.h"
#include "commit_rules.h"
#include "MSysmgntDef.h"
#include "cbsdatetime.h"
#include "cbusinesspublic.h"
#include "mdi_child.h"
#include "offer_frames.h"
#include "record_table.h"
#include "special_data.h"

namespace zpgui {
class WaitBox;
}

class QCloseEvent;
class QRadioButton;
class QTreeWidgetItem;

namespace Ui {
class TfrmVasDesk;
}

class TfrmVasDesk : public TfrmMDIChild {
  Q_OBJECT

 public:
  explicit TfrmVasDesk(QWidget* owner);
  ~TfrmVasDesk() override;

  // Workspace initialisation with the operator context; true when the
  // workspace is ready. Reports its own failures, except a broker that
  // cannot be reached, which leaves the workspace empty without a word.
  bool Init(int busiCode, std::int16_t regionCode, std::int16_t countyCode, int orgId, int opId,
            const MSysmgntDef::SOperPrivAuthList& privileges);

  // Back to the state before a query: only the verification accepts input,
  // and the facade forgets the order (a reserved number stays reserved in
  // the back end).
  void ResetWorkspace();

  // Gives the workspace its promotion and product frames; null keeps the
  // empty one. Their widgets are cleared and locked with the workspace.
  void SetOfferFrames(std::unique_ptr<zp::workspace::PromotionFrame> promotions,
                      std::unique_ptr<zp::workspace::ProductFrame> products);

  // Everything the workspace shows for a queried subscriber; true when an
  // operation was enabled (the order may be committed).
  bool RefreshSubscriber(const MPublicDef::SCustInfo& cust, const MPublicDef::SUserInfo& user);
  // The subscriber's service providers, songs, brands and plans; false when
  // the workspace's public business object cannot be bound to his region.
  bool LoadSubscriberCatalogues(const MPublicDef::SUserInfo& user);
  // The detail page of the current type, filled from the subscriber picture.
  void ShowCurrentService(const MVasDesk::SGetInfoOut& info);
  // May open and may cancel for the current type, from the privilege
  // service; false when the service could not tell (and that was shown).
  bool CheckOperatorRights();
  // The date of a back-dated order; false when the operator cancelled.
  bool ChooseBackDate();
  // Selects the first song item of that code; false when none has it.
  bool SelectSong(const std::string& code);

  // The detail pages as the operator left them, for the order.
  zp::workspace::GpsPageValues GpsPage() const;
  zp::workspace::CrbtsPageValues CrbtsPage() const;
  // Builds the order's special data from the GPS or ring-back tone page
  // (actType 1 open, 3 cancel) and hands it to the facade; false when the
  // current type carries none.
  bool BuildOrderSpecialData(int actType);

  // The checks before an order goes to the back end; a refusal is told, the
  // operator is put on the page and field concerned, and false is returned.
  bool ValidateOrder();
  // The operator's input as the checks see it.
  zp::workspace::OrderEntry CurrentOrderEntry() const;
  // The operation checked (kOpen, kCancel, kChange), 0 when none.
  int CheckedOperation() const;

  int busiCode() const { return busiCode_; }
  int busiType() const { return busiType_; }
  std::int16_t regionCode() const { return regionCode_; }
  std::int16_t countyCode() const { return countyCode_; }
  int orgId() const { return orgId_; }
  int opId() const { return opId_; }
  const std::string& reservedNumber() const { return reservedNumber_; }
  const MProductIntfApp::SBusiTypeList& busiTypes() const { return busiTypes_; }
  bool verified() const { return verified_; }
  bool mayOpen() const { return mayOpen_; }
  bool mayCancel() const { return mayCancel_; }
  bool productsApply() const { return productsApply_; }
  int afterFlag() const { return afterFlag_; }
  const CBSDateTime& afterDate() const { return afterDate_; }
  int verifyMode() const { return verifyMode_; }
  int subscriberRegion() const { return subscriberRegion_; }
  const MPublicDef::SMscFuncInfoList& currentProducts() const { return currentProducts_; }
  CVasDesk& orderFacade() { return facade; }
  // The papers' tables, open from the window's creation on.
  zp::report::RecordTable& voucherTable() { return cdsSoVoucher; }
  zp::report::RecordTable& invoiceTable() { return cdsBusiInvoice; }
  const QString& runPath() const { return runPath_; }
  // Why the workspace is empty after a failed Init, as its business type
  // list shows it; empty once it started.
  QString emptyReason() const;

 public slots:
  // Global Call: the operator picks a number in the number dialog and the
  // facade reserves it for this order.
  void btnSelIsdnClick();
  void frmeVerify1btnQueyAClick();
  void lstvBusiTypeClick();
  void radBtnOpenClick();
  void radBtnCloseClick();
  void radBtnModClick();
  void chkAfterFlagClick();
  void frmePromInfolvPromInfoClick();
  void frameBusiProductlstvBusiProductClick();
  // The commit: check, price, collect, submit, print, reset.
  void actCommitExecute() override;
  // This operator's submissions whose outcome was never learnt, each asked
  // of the server now (stored with its order number, or not stored); those
  // answered leave the list.
  void btnUnknownClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Gives back the number the facade holds; the window then frees itself.
  void FormClose();
  // Before the workspace turns to another customer or business: the number
  // picked for the order being left goes back to the pool. Not while a
  // submission's outcome is unknown: that order may have taken it.
  void GiveBackUnorderedNumber();
  // Says inside the business type list why the workspace stays empty: a
  // clerk facing an empty window learns that the back end was not reached.
  void ShowWhyEmpty(const QString& why);
  // A workspace that could not start: says why and locks the query strip.
  void LockEmptyWorkspace(const QString& why);
  // The current business type and its open code, to the facade as well.
  void SetCurrentBusiType(QTreeWidgetItem* row);
  static void SetChecked(QRadioButton* button, bool checked);
  // The operations the subscriber's current service and the rights allow;
  // false when none was enabled. `rightsKnown`: the rights were answered, so
  // a missing one is a refusal to tell the operator.
  bool EnableOperations(const MVasDesk::SGetInfoOut& info, bool rightsKnown);
  // Both offer frames read-only, their buttons locked: nothing of the offer
  // can be changed until an operation that changes it is chosen.
  void LockOfferFrames();
  // The current business type's name in the catalogue.
  std::string BusiName() const;
  void SetBusiCodeFor(int operation);
  void lstvBusiTypeKeyUp(int key);
  // The offer frames' widgets (the placeholders while none is plugged in).
  QWidget* PromWidget() const;
  QWidget* ProdWidget() const;
  // Puts a frame's widget on its page in place of the placeholder.
  static void PlaceOnPage(QWidget* frame, QWidget* placeholder);
  // The remark of the order: the detail page's of the current type.
  std::string OrderRemark() const;
  // The commit's check, pricing, fee dialog and submission of the order
  // built; false when one of them stopped it (it has said why).
  bool CheckPriceAndSubmit(const MPublicDef::SUserInfo& user, zpgui::WaitBox& wait,
                           MVasDesk::SSoUserServiceOut& submitted);

  std::unique_ptr<Ui::TfrmVasDesk> ui_;
  int busiCode_ = 0;
  int busiType_ = 0;
  std::int16_t regionCode_ = 0;
  std::int16_t countyCode_ = 0;
  int orgId_ = 0;
  int opId_ = 0;
  MSysmgntDef::SOperPrivAuthList privileges_;
  QString runPath_;
  MProductIntfApp::SBusiTypeList busiTypes_;
  std::string reservedNumber_;
  bool verified_ = false;
  bool mayOpen_ = false;
  bool mayCancel_ = false;
  int afterFlag_ = 0;
  CBSDateTime afterDate_;
  int verifyMode_ = 0;
  int subscriberRegion_ = 0;
  bool productsApply_ = false;
  MPublicDef::SMscFuncInfoList currentProducts_;
  MProductIntfApp::SBrandInfoList brands_;
  MProductIntfApp::SPlanIdInfoList plans_;
  zp::workspace::CatalogueCache catalogues_;
  std::unique_ptr<zp::workspace::PromotionFrame> prom_;
  std::unique_ptr<zp::workspace::ProductFrame> prod_;
  zp::report::RecordTable cdsSoVoucher = zp::report::RecordTable::soVoucher();
  zp::report::RecordTable cdsBusiInvoice = zp::report::RecordTable::busiInvoice();
  CBusinessPublic busiPublic;
  CVasDesk facade;
};
