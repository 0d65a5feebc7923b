// The system-management public library: system parameters, the server's
// clock, operator privilege checks and the enterprise location variable,
// each one remote call to the system-management service of broker ZEPHYRON.
//
// Every operation returns true on success only, resets LastError() at its
// start and leaves the reason of a failure there; no exception leaves it.
// An output argument is written only on success.
#pragma once

#include <string>

#include "MSysmgntDef.h"
#include "cbsdatetime.h"
#include "cbserrormsg.h"

class CSysMgntPublic {
 public:
  CSysMgntPublic() = default;
  CSysMgntPublic(const CSysMgntPublic&) = delete;
  CSysMgntPublic& operator=(const CSysMgntPublic&) = delete;

  // Binds to the broker; true when it can be reached. The operator context
  // follows the suite's calling convention: every operation here names the
  // region or operator it is about, so callers may pass zeros.
  bool Init(int busiCode, int regionCode, int countyCode, int orgId, int opId);

  // The parameter's text for the region, or region 0's when the region has
  // none. `flag` 0 is the only reading defined; an unknown name is a failure.
  bool GetSysParaMaxValue(int regionCode, int flag, const std::string& name, std::string& value);

  // The back end's current date and time.
  bool getCurrentDate(CBSDateTime& now);

  // One answer per ask, in ask order, each with the ask's ENT_ID and PRIV_ID
  // and AUTHORIZED 1 when granted, 0 otherwise. `answers` is replaced.
  bool CheckOperRight(int opId, int orgId, const MSysmgntDef::SOperPrivAuthList& asks,
                      MSysmgntDef::SOperPrivAuthList& answers);

  // The enterprise location variable.
  bool GetEntVariable(std::string& value);

  const CBSErrorMsg& LastError() const { return error_; }

 private:

  MSysmgntDef::ISysmgntPublic client_;
  CBSErrorMsg error_;
};
