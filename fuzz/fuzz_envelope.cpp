// Feeds bytes to the envelope decoders of both directions. A request that
// decodes is run through a dispatcher whose one operation reads a frame, the
// way the server runs what arrives off the network; the body alone goes
// through handle_envelope as the server's workers pass it.
// Whatever decodes must encode back to the very same bytes, and every answer
// of the dispatcher must be a well-formed reply envelope.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "zpb_stream.h"
#include "zpd_client.h"
#include "zpd_envelope.h"
#include "zpd_server.h"

namespace {

constexpr zpb_name kIn{"fuzz.MFuzz.IEnvelope.take.ParamIn"};
constexpr zpb_name kOut{"fuzz.MFuzz.IEnvelope.take.ParamOut"};
constexpr zpb_name kRecord{"MFuzz.SItem"};
constexpr zpb_name kList{"MFuzz..SItemList"};

std::int32_t take(zpb_stream& in, zpb_stream& out) {
  std::int32_t id = 0;
  std::string name;
  CBSDateTime when;
  std::int32_t count = 0;
  if (!in.begin_stream(kIn)) return ZPE_SRV_BAD_REQUEST;
  in >> id >> name >> when;
  if (!in.begin_read_list(kList, count)) return ZPE_SRV_BAD_REQUEST;
  std::int64_t sum = 0;
  for (std::int32_t i = 0; i < count && in.good(); ++i) {
    std::uint64_t marker = 0, used = 0;
    std::int64_t v = 0;
    in.begin_read_struct(kRecord);
    in >> marker >> used;
    if (used & 1) in >> v;
    if (in.good()) in.end_read_struct();
    // Wraps as the unsigned sum it is; a signed overflow would be the
    // target's own fault, not the runtime's.
    sum = static_cast<std::int64_t>(static_cast<std::uint64_t>(sum) + static_cast<std::uint64_t>(v));
  }
  in.end_read_list();
  if (in.failed() || !in.end_stream()) return ZPE_SRV_BAD_REQUEST;
  out.begin_stream(kOut);
  out << id << name << when << sum;
  out.end_stream();
  return id % 2 ? 1 : 0;
}

const zpd_dispatcher& dispatcher() {
  static const auto d = [] {
    auto p = std::make_shared<zpd_dispatcher>();
    p->add("MFuzz_IEnvelope", "FUZZTAKE", take);
    return p;
  }();
  return *d;
}

void check_reply_envelope(const std::string& envelope) {
  zpd_envelope::reply r;
  if (!zpd_envelope::decode_reply(envelope, r)) std::abort();
  if (zpd_is_runtime_failure(r.result) && !r.frame.empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  zpd_envelope::request req;
  if (zpd_envelope::decode_request(bytes, req)) {
    std::string again;
    if (!zpd_envelope::encode_request(req.interfaceName, req.serviceCode, req.frame, again, nullptr, req.session,
                                      req.key) ||
        again != bytes)
      std::abort();
    std::string reply;
    const std::int32_t r =
        dispatcher().dispatch(req.interfaceName, req.serviceCode, std::string(req.frame), reply, req.session, req.key);
    if (zpd_is_runtime_failure(r) && !reply.empty()) std::abort();
  }
  if (size >= zpd_envelope::kHeaderBytes) check_reply_envelope(dispatcher().handle_envelope(bytes.substr(zpd_envelope::kHeaderBytes)));

  zpd_envelope::reply rep;
  if (zpd_envelope::decode_reply(bytes, rep)) {
    std::string again;
    if (!zpd_envelope::encode_reply(rep.result, rep.frame, again) || again != bytes) std::abort();
  }
  return 0;
}
