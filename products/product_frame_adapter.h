// The product frame as the workspace drives it: one line to plug in,
//   SetOfferFrames(..., std::make_unique<products::ProductFrameAdapter>(parent));
// The adapter owns the frame's widget until the workspace reparents it.
#pragma once

#include <memory>

#include "frameBusiProduct.h"
#include "offer_frames.h"

namespace products {

class ProductFrameAdapter final : public zp::workspace::ProductFrame {
 public:
  explicit ProductFrameAdapter(QWidget* parent = nullptr) : frame_(new TframeBusiProduct(parent)) {
    if (!parent) owned_.reset(frame_);
  }

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
  int CountActiveProducts() const override { return frame_->CountActiveProducts(); }
  void BuildProductOpers(MPublicDef::SMscFuncOperList& opers) const override {
    opers.clear();
    frame_->BuildProductOpers(opers);
  }
  void lstvBusiProductClick() override { frame_->lstvBusiProductClick(); }

 private:
  TframeBusiProduct* frame_;  // owned by its parent widget, or by owned_
  std::unique_ptr<TframeBusiProduct> owned_;
};

}  // namespace products
