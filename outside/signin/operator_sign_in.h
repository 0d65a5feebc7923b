// The operator's sign-in with zpserver (broker ZEPHYRON). The host signs in
// once; from then on the client runtime carries the session with every call
// of every module, which never see it. The server takes the operator of
// every call from that session.
#pragma once

#include <string>

struct OperatorSignIn {
  int opId = 0;
  int orgId = 0;
  int countyCode = 0;
  int regionCode = 0;
  std::string opName;
  int idleSeconds = 0;  // the session ends after this long without a call
};

// True when signed in; otherwise false with what went wrong, in Chinese and
// saying what to do, in `message` (the previous session, if any, is kept).
bool SignInOperator(int opId, const std::string& password, OperatorSignIn& out, std::string& message);

// Ends the session on the server (as far as it can be reached) and in the
// runtime.
void SignOutOperator();
