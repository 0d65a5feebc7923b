// What reached the server: a test puts a wiretap on one operation of the
// back end and reads every request as the server decoded it off the wire,
// while `service` (usually the real servant) answers as before. This is how
// a test checks presence bits and field values the client actually sent,
// not what it meant to send.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "cbserrormsg.h"
#include "zpd_server.h"
#include "zpd_stub.h"

namespace zp::testing {

template <class In, class Out>
class Wiretap {
 public:
  using Service = std::function<std::int32_t(const In&, Out&, CBSErrorMsg&)>;

  // Replaces the operation's handler on `d`; the requests outlive the tap,
  // since the dispatcher keeps the handler.
  Wiretap(zpd_dispatcher& d, const zpd_operation& op, Service service) {
    d.add(op.interfaceName, op.serviceCode,
          zpd_serve<In, Out>(op, [seen = seen_, service = std::move(service)](const In& in, Out& out, CBSErrorMsg& err) {
            seen->push_back(in);
            return service(in, out, err);
          }));
  }

  const std::vector<In>& Seen() const { return *seen_; }
  std::size_t Count() const { return seen_->size(); }
  // The latest request; a test asks only after a call went out.
  const In& Last() const { return seen_->back(); }

 private:
  std::shared_ptr<std::vector<In>> seen_ = std::make_shared<std::vector<In>>();
};

// True when field `index` of a received record was sent.
template <class R>
bool Sent(const R& r, int index) {
  return (r.UsedMarker >> index) & 1u;
}

// The presence word of exactly these fields.
inline std::uint64_t Fields(std::initializer_list<int> indexes) {
  std::uint64_t m = 0;
  for (int i : indexes) m |= std::uint64_t{1} << i;
  return m;
}

}  // namespace zp::testing
