// The workspace's promotion page: the promotion list frame TfrmePromInfo
// behind the interface the workspace drives its offer frames through.
#pragma once

#include <QPointer>

#include "framePromInfo.h"
#include "offer_frames.h"

namespace zp::workspace {

class PromInfoPage final : public PromotionFrame {
 public:
  PromInfoPage();
  // The frame goes with the page, wherever the workspace has put it.
  ~PromInfoPage() override;
  PromInfoPage(const PromInfoPage&) = delete;
  PromInfoPage& operator=(const PromInfoPage&) = delete;

  QWidget* Widget() override { return frame_; }
  void ClearProms() override;
  int LoadPromCatalogue(const OfferContext& offer) override;
  void MergeUserProms(const MPublicDef::SSpromInfoList& current) override;
  void EnablePromEdit() override;
  void LockPromEdit() override;
  int CountActiveProms() const override;
  void BuildPromOpers(MPublicDef::SSpromOperList& opers) const override;
  void BuildPromCancelOpers(MPublicDef::SSpromOperList& opers) const override;
  void lvPromInfoClick() override;

  TfrmePromInfo* Frame() const { return frame_; }

 private:
  QPointer<TfrmePromInfo> frame_;
};

}  // namespace zp::workspace
