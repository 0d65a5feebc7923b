// The product list frame on the workspace's product page: the products of
// the subscriber in the current order (kept, added, cancelled) with their
// dates, status and business type. The workspace loads it for each
// subscriber, merges the subscriber's products, opens it for adding or
// changing, and on submission takes the order's product lines from it.
#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>

#include "MPublicDef.h"
#include "prod_offer.h"

namespace Ui {
class TframeBusiProduct;
}

class TframeBusiProduct : public QWidget {
  Q_OBJECT

 public:
  explicit TframeBusiProduct(QWidget* parent = nullptr);
  ~TframeBusiProduct() override;

  // After each subscriber query, for a business that carries products: 1
  // when loaded, 0 after a reported failure (the list is empty then).
  int LoadProductCatalogue(int busiType, short userRegionCode, int opId, int opOrgId, short opCountyCode,
                           short opRegionCode, int busiCode, int planId, std::int64_t servId);
  // When the subscriber already has the business.
  void MergeUserProducts(const MPublicDef::SMscFuncInfoList& current);
  // Opening: adding allowed, deleting when the list holds a row.
  void EnableProductAdd();
  // Change: pale blue list, adding allowed, deleting when the list holds a row.
  void EnableProductEdit();
  // For an operation that does not change products, and while none is
  // chosen: no button changes them, whatever is loaded or clicked, until
  // EnableProductAdd or EnableProductEdit.
  void LockProductEdit();
  // Rows of this business that stay on the order.
  int CountActiveProducts() const;
  // The order's product lines (opening and change); returns 1.
  int BuildProductOpers(MPublicDef::SMscFuncOperList& list) const;
  // Forgets the subscriber: empty list, add enabled (unless locked), delete not.
  void Reset();
  // The workspace forwards its own clicks on the list.
  void lstvBusiProductClick();

  const products::ProdOffer& Offer() const { return offer_; }

 private slots:
  void btnAddClick();
  void btnDeleClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void lstvBusiProductKeyUp(int key);
  void render();
  int focusedRow() const;
  void selectRow(int row);

  // Enables a button as asked, unless the frame is locked.
  void allow(QWidget* button, bool on);

  std::unique_ptr<Ui::TframeBusiProduct> ui_;
  products::ProdOffer offer_;
  bool locked_ = false;
};
