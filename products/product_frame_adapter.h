// The product frame as the workspace drives it: one line to plug in,
//   SetOfferFrames(..., std::make_unique<products::ProductFrameAdapter>(parent));
// The frame's widget belongs to its parent once it has one (the workspace
// puts it on its product page); until then the adapter deletes it.
#pragma once

#include <QPointer>

#include "frameBusiProduct.h"
#include "offer_frames.h"

namespace products {

class ProductFrameAdapter final : public zp::workspace::ProductFrame {
 public:
  explicit ProductFrameAdapter(QWidget* parent = nullptr) : frame_(new TframeBusiProduct(parent)) {}
  ~ProductFrameAdapter() override {
    if (frame_ && !frame_->parent()) delete frame_.data();
  }
  ProductFrameAdapter(const ProductFrameAdapter&) = delete;
  ProductFrameAdapter& operator=(const ProductFrameAdapter&) = delete;

  QWidget* Widget() override { return frame_; }
  TframeBusiProduct& Frame() { return *frame_; }

  void ClearProducts() override { frame_->Reset(); }
  void LoadProductCatalogue(const zp::workspace::OfferContext& c) override {
    frame_->LoadProductCatalogue(c.busiType, c.subscriberRegion, c.opId, c.orgId, c.opCountyCode, c.opRegionCode,
                                 c.busiCode, c.planId, c.servId);
  }
  void MergeUserProducts(const MPublicDef::SMscFuncInfoList& current) override { frame_->MergeUserProducts(current); }
  void EnableProductAdd() override { frame_->EnableProductAdd(); }
  void EnableProductEdit() override { frame_->EnableProductEdit(); }
  void LockProductEdit() override { frame_->LockProductEdit(); }
  int CountActiveProducts() const override { return frame_->CountActiveProducts(); }
  void BuildProductOpers(MPublicDef::SMscFuncOperList& opers) const override {
    opers.clear();
    frame_->BuildProductOpers(opers);
  }
  void lstvBusiProductClick() override { frame_->lstvBusiProductClick(); }

 private:
  QPointer<TframeBusiProduct> frame_;
};

}  // namespace products
