// The catalogue lists a workspace shows for a subscriber but that do not
// depend on the subscriber: service providers, the songs of a region, brands
// and plans. They are fetched the first time a subscriber of a region is
// queried and kept for the life of the workspace, so the next customer at
// the counter costs no catalogue call. Only a list that was fetched is kept:
// a failed fetch is tried again at the next query.
#pragma once

#include <map>
#include <optional>

#include "MBusiDataMgnt.h"
#include "MProductIntfApp.h"

namespace zp::workspace {

template <class List>
class PerRegion {
 public:
  // The list kept for the region; null when none was fetched yet.
  const List* Find(int regionCode) const {
    const auto it = lists_.find(regionCode);
    return it == lists_.end() ? nullptr : &it->second;
  }
  const List& Keep(int regionCode, List list) { return lists_[regionCode] = std::move(list); }
  void Clear() { lists_.clear(); }

 private:
  std::map<int, List> lists_;
};

struct CatalogueCache {
  PerRegion<MBusiDataMgnt::SSpInfoList> serviceProviders;
  PerRegion<MBusiDataMgnt::SCrbtsInfoList> songs;
  PerRegion<MProductIntfApp::SBrandInfoList> brands;
  PerRegion<MProductIntfApp::SPlanIdInfoList> plans;

  void Clear() {
    serviceProviders.Clear();
    songs.Clear();
    brands.Clear();
    plans.Clear();
  }
};

}  // namespace zp::workspace
