// The sign-in service behind ISession: an operator signs in with his id and
// password and signs out. Everything else the server answers only within a
// session (see sessions.h).
#pragma once

#include <memory>

#include "MSession.h"
#include "sessions.h"

namespace zp::backend {

class SessionService : public MSession::ISessionServant {
 public:
  explicit SessionService(std::shared_ptr<Sessions> sessions) : sessions_(std::move(sessions)) {}

  std::int32_t sign_in(const MSession::SSignInIn& sIn, MSession::SSignInOut& sOut, CBSErrorMsg& cErrorMsg) override;
  std::int32_t sign_out(const std::int32_t& iFlag, MSession::SSignInOut& sOut, CBSErrorMsg& cErrorMsg) override;

 private:
  std::shared_ptr<Sessions> sessions_;
};

}  // namespace zp::backend
