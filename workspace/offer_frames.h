// What the workspace asks of the promotion frame and the product frame. The
// two frames live in their own folders; the workspace only drives them
// through these interfaces, at the points of the acceptance where their
// offer is loaded for a subscriber, merged with what he has, opened for
// editing, counted and turned into the order's lines. Until a frame is
// plugged in (SetOfferFrames) the workspace uses the empty ones below, which
// offer nothing and build no line.
#pragma once

#include <cstdint>
#include <memory>

#include "MPublicDef.h"

class QWidget;

namespace zp::workspace {

// The operator and business a frame's offer is loaded for.
struct OfferContext {
  int busiType = 0;
  int busiCode = 0;
  std::int16_t subscriberRegion = 0;
  std::int64_t servId = 0;
  std::int32_t planId = 0;
  std::int16_t opRegionCode = 0;
  std::int16_t opCountyCode = 0;
  int orgId = 0;
  int opId = 0;
};

class PromotionFrame {
 public:
  virtual ~PromotionFrame() = default;
  // The frame's widget, to be cleared and made read-only with the
  // workspace; null for the empty frame.
  virtual QWidget* Widget() { return nullptr; }
  // Forgets the subscriber's rows and the offer: the workspace was reset.
  virtual void ClearProms() {}
  // The offer under the subscriber's plan; the result is the frame's own
  // business (it reports its failures).
  virtual int LoadPromCatalogue(const OfferContext&) { return 0; }
  // The subscriber's current promotions beside the offer.
  virtual void MergeUserProms(const MPublicDef::SSpromInfoList&) {}
  virtual void EnablePromEdit() {}
  // No button of the frame changes promotions until EnablePromEdit: for a
  // cancellation, and while no operation is chosen.
  virtual void LockPromEdit() {}
  // Rows whose action is not "删除".
  virtual int CountActiveProms() const { return 0; }
  // The chosen promotions as the order's lines (open and change).
  virtual void BuildPromOpers(MPublicDef::SSpromOperList& opers) const { opers.clear(); }
  // The cancellation of the subscriber's promotions (cancel).
  virtual void BuildPromCancelOpers(MPublicDef::SSpromOperList& opers) const { opers.clear(); }
  // A click on the frame's list, passed on by the workspace.
  virtual void lvPromInfoClick() {}
};

class ProductFrame {
 public:
  virtual ~ProductFrame() = default;
  virtual QWidget* Widget() { return nullptr; }
  virtual void ClearProducts() {}
  virtual void LoadProductCatalogue(const OfferContext&) {}
  virtual void MergeUserProducts(const MPublicDef::SMscFuncInfoList&) {}
  // Open: adding allowed, deleting only when the list holds a row.
  virtual void EnableProductAdd() {}
  // Change: the subscriber's products may be changed.
  virtual void EnableProductEdit() {}
  // No button of the frame changes products until one of the above.
  virtual void LockProductEdit() {}
  // Rows of this business whose action is not "删除".
  virtual int CountActiveProducts() const { return 0; }
  virtual void BuildProductOpers(MPublicDef::SMscFuncOperList& opers) const { opers.clear(); }
  virtual void lstvBusiProductClick() {}
};

}  // namespace zp::workspace
