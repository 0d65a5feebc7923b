#include "prom_info_page.h"

namespace zp::workspace {

PromInfoPage::PromInfoPage() : frame_(new TfrmePromInfo(nullptr)) { frame_->setObjectName("frmePromInfo"); }

PromInfoPage::~PromInfoPage() { delete frame_.data(); }

void PromInfoPage::ClearProms() {
  if (frame_) frame_->Reset();
}

int PromInfoPage::LoadPromCatalogue(const OfferContext& o) {
  if (!frame_) return 0;
  return frame_->LoadPromCatalogue(o.subscriberRegion, o.servId, o.busiType, o.planId, o.busiCode, o.opRegionCode,
                                   o.opCountyCode, o.orgId, o.opId);
}

void PromInfoPage::MergeUserProms(const MPublicDef::SSpromInfoList& current) {
  if (frame_) frame_->MergeUserProms(current);
}

void PromInfoPage::EnablePromEdit() {
  if (frame_) frame_->EnablePromEdit();
}

void PromInfoPage::LockPromEdit() {
  if (frame_) frame_->LockPromEdit();
}

int PromInfoPage::CountActiveProms() const { return frame_ ? frame_->CountActiveProms() : 0; }

void PromInfoPage::BuildPromOpers(MPublicDef::SSpromOperList& opers) const {
  opers.clear();
  if (frame_) frame_->BuildPromOpers(opers);
}

void PromInfoPage::BuildPromCancelOpers(MPublicDef::SSpromOperList& opers) const {
  opers.clear();
  if (frame_) frame_->BuildPromCancelOpers(opers);
}

void PromInfoPage::lvPromInfoClick() {
  if (frame_) frame_->lvPromInfoClick();
}

}  // namespace zp::workspace
