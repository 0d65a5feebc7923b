// The in-process transport: the request and reply frames are handed over as
// bytes, so a call through it exercises the same stream encoding as one over
// the network, only without the envelope and the socket. The dispatcher runs
// on the caller's thread; the deadline does not apply.
#include <string>

#include "zpd_envelope.h"
#include "zpd_server.h"
#include "zpd_transports.h"

namespace {

class inproc_transport final : public zpd_transport {
 public:
  explicit inproc_transport(std::string name) : name_(std::move(name)) {}

  std::int32_t call(std::string_view interfaceName, std::string_view serviceCode, const std::string& request,
                    std::string& reply, std::chrono::milliseconds) override {
    reply.clear();
    // The same refusals as on the wire, so a call that works in a test cannot
    // fail for its names or size only once it goes over the network.
    if (!zpd_envelope::valid_name(interfaceName) || !zpd_envelope::valid_name(serviceCode)) return ZPE_SEND;
    if (request.size() > zpb_limits::maxFrameBytes) return ZPE_BAD_REQUEST_STREAM;
    // Looked up per call: the registration may have ended, or a restarted
    // server may have registered a new dispatcher under the same name.
    const auto dispatcher = zpd_inproc_find(name_);
    if (!dispatcher) return ZPE_CONNECT;
    const std::int32_t r = dispatcher->dispatch(interfaceName, serviceCode, request, reply, zpd_session(), zpd_call_key());
    if (reply.size() > zpb_limits::maxFrameBytes) {
      reply.clear();
      return ZPE_BAD_REPLY;
    }
    return r;
  }

 private:
  std::string name_;
};

}  // namespace

std::int32_t zpd_open_inproc(std::string_view name, std::unique_ptr<zpd_transport>& out) {
  if (name.empty()) return ZPE_BROKER_UNKNOWN;
  if (!zpd_inproc_find(name)) return ZPE_CONNECT;
  out = std::make_unique<inproc_transport>(std::string(name));
  return 0;
}
