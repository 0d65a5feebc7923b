// The business-management public library: the service providers and the
// ring-back songs of a region, each one remote call to the business data
// service of broker ZEPHYRON.
//
// Every operation returns true on success only, resets LastError() at its
// start and leaves the reason of a failure there; no exception leaves it.
// A list is replaced on success and left as it was on failure.
#pragma once

#include <string>

#include "MBusiDataMgnt.h"
#include "cbserrormsg.h"

class CBusimgntPublic {
 public:
  CBusimgntPublic() = default;
  CBusimgntPublic(const CBusimgntPublic&) = delete;
  CBusimgntPublic& operator=(const CBusimgntPublic&) = delete;

  // Binds to the broker; true when it can be reached. The operator context
  // follows the suite's calling convention; the operations here do not
  // depend on who asks.
  bool Init(int busiCode, int regionCode, int countyCode, int orgId, int opId);

  // The service providers in service, by SP_ID.
  bool GetSpInfoList(MBusiDataMgnt::SSpInfoList& list);

  // The songs of the filter's REGION_CODE (which must be set), by SONG_ID.
  bool GetCrbtsList(MBusiDataMgnt::SCrbtsInfo filter, MBusiDataMgnt::SCrbtsInfoList& list);

  const CBSErrorMsg& LastError() const { return error_; }

 private:

  MBusiDataMgnt::IBusiDataMgnt client_;
  CBSErrorMsg error_;
};
