// The business data service behind IBusiDataMgnt: the service providers that
// are in service, and the ring-back songs of a region.
#pragma once

#include <cstdint>

#include "MBusiDataMgnt.h"
#include "database.h"

namespace zp::backend {

class BusiDataService : public MBusiDataMgnt::IBusiDataMgntServant {
 public:
  explicit BusiDataService(store::Database& db) : db_(db) {}

  std::int32_t get_spInfoList(const std::int32_t& iFlag, MBusiDataMgnt::SSpInfoList& listSpInfo,
                              CBSErrorMsg& cErrorMsg) override;
  std::int32_t get_crbtsList(const MBusiDataMgnt::SCrbtsInfo& sFilter, MBusiDataMgnt::SCrbtsInfoList& listCrbts,
                             CBSErrorMsg& cErrorMsg) override;

 private:
  store::Database& db_;
};

// A provider whose STS is this one is in service; any other is listed nowhere.
inline constexpr int kSpValid = 1;

enum BusiDataRefusal : std::int32_t {
  kBusiDataStore = 2101,    // the store failed
  kBusiDataRequest = 2102,  // the filter lacks its region
};

}  // namespace zp::backend
