#include "zpd_server.h"

#include <mutex>
#include <optional>
#include <thread>

#include "zpb_stream.h"
#include "zpd_client.h"
#include "zpd_envelope.h"

namespace {
thread_local const zpd_fault* zpd_dispatcher_active_fault = nullptr;
thread_local std::shared_ptr<const void> zpd_dispatcher_active_caller;
thread_local std::string_view zpd_dispatcher_active_key;
}  // namespace

void zpd_dispatcher::add(std::string interfaceName, std::string serviceCode, zpd_handler handler) {
  handlers_[std::move(interfaceName)].insert_or_assign(std::move(serviceCode), std::move(handler));
}

std::int32_t zpd_dispatcher::dispatch(std::string_view interfaceName, std::string_view serviceCode,
                                      std::string request, std::string& reply, std::string_view session,
                                      std::string_view key) const {
  reply.clear();
  const auto iface = handlers_.find(interfaceName);
  if (iface == handlers_.end()) return ZPE_SRV_NO_INTERFACE;
  const auto it = iface->second.find(serviceCode);
  if (it == iface->second.end()) return ZPE_SRV_NO_SERVICE;
  if (request.size() > zpb_limits::maxFrameBytes) return ZPE_SRV_BAD_REQUEST;

  // The handler runs on this thread: the fault or the gate's refusal, if
  // any, and the caller are handed to it here.
  std::optional<zpd_fault> fault;
  std::shared_ptr<const void> caller;
  if (gate_) {
    zpd_admission admitted = gate_(zpd_call{interfaceName, serviceCode, session, key});
    fault = std::move(admitted.refusal);
    caller = std::move(admitted.caller);
  }
  if (!fault) {
    std::lock_guard lock(faultsMutex_);
    if (!faults_.empty()) {
      const auto f = faults_.find(std::make_pair(std::string(interfaceName), std::string(serviceCode)));
      if (f != faults_.end()) {
        fault = f->second;
        if (f->second.times > 0 && --f->second.times == 0) faults_.erase(f);
      }
    }
  }
  struct FaultScope {
    explicit FaultScope(const zpd_fault* f) : saved(zpd_dispatcher_active_fault) { zpd_dispatcher_active_fault = f; }
    ~FaultScope() { zpd_dispatcher_active_fault = saved; }
    const zpd_fault* saved;
  } scope(fault ? &*fault : nullptr);
  struct CallerScope {
    explicit CallerScope(std::shared_ptr<const void> c) : saved(std::move(zpd_dispatcher_active_caller)) {
      zpd_dispatcher_active_caller = std::move(c);
    }
    ~CallerScope() { zpd_dispatcher_active_caller = std::move(saved); }
    std::shared_ptr<const void> saved;
  } callerScope(std::move(caller));
  struct KeyScope {
    explicit KeyScope(std::string_view k) : saved(zpd_dispatcher_active_key) { zpd_dispatcher_active_key = k; }
    ~KeyScope() { zpd_dispatcher_active_key = saved; }
    std::string_view saved;
  } keyScope(key);

  try {
    zpb_stream in;
    in.open_for_reading(std::move(request));
    zpb_stream out;
    out.open();
    const std::int32_t r = it->second(in, out);
    if (zpd_is_runtime_failure(r)) return r;
    // A reply the client cannot read is the server's fault, not the service's
    // result: say so instead of sending half a frame.
    if (out.failed() || out.bytes().size() > zpb_limits::maxFrameBytes) return ZPE_SRV_BAD_REPLY;
    if (fault && fault->loseReply) return ZPE_RECEIVE;  // the work is done, its answer never arrives
    reply = out.take_bytes();
    return r;
  } catch (...) {
    reply.clear();
    return ZPE_SRV_EXCEPTION;
  }
}

void zpd_dispatcher::set_fault(const std::string& interfaceName, const std::string& serviceCode, zpd_fault fault) {
  std::lock_guard lock(faultsMutex_);
  faults_[std::make_pair(interfaceName, serviceCode)] = std::move(fault);
}

void zpd_dispatcher::clear_faults() {
  std::lock_guard lock(faultsMutex_);
  faults_.clear();
}

const zpd_fault* zpd_dispatcher::current_fault() { return zpd_dispatcher_active_fault; }

const std::shared_ptr<const void>& zpd_dispatcher::current_caller() { return zpd_dispatcher_active_caller; }

std::string_view zpd_dispatcher::current_key() { return zpd_dispatcher_active_key; }

std::string zpd_dispatcher::handle_envelope(std::string_view body) const {
  std::string out;
  zpd_envelope::request req;
  if (!zpd_envelope::decode_request_body(body, req)) {
    zpd_envelope::encode_reply(ZPE_SRV_BAD_REQUEST, {}, out);
    return out;
  }
  std::string reply;
  std::int32_t r;
  try {
    r = dispatch(req.interfaceName, req.serviceCode, std::string(req.frame), reply, req.session, req.key);
  } catch (...) {  // only allocation can get here: the handler's own are caught inside
    r = ZPE_SRV_EXCEPTION;
    reply.clear();
  }
  if (!zpd_envelope::encode_reply(r, reply, out)) zpd_envelope::encode_reply(ZPE_SRV_BAD_REPLY, {}, out);
  return out;
}

namespace {

// Each entry remembers which registration made it, so that when a name is
// registered again the older registration's end leaves the newer one alone.
struct inproc_entry {
  const zpd_inproc_registration* owner;
  std::shared_ptr<const zpd_dispatcher> dispatcher;
};

struct inproc_registry {
  std::mutex mutex;
  std::map<std::string, inproc_entry, std::less<>> entries;
};

inproc_registry& registry() {
  static inproc_registry r;
  return r;
}

}  // namespace

zpd_inproc_registration::zpd_inproc_registration(std::string name, std::shared_ptr<const zpd_dispatcher> dispatcher)
    : name_(std::move(name)) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  r.entries.insert_or_assign(name_, inproc_entry{this, std::move(dispatcher)});
}

zpd_inproc_registration::~zpd_inproc_registration() {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  const auto it = r.entries.find(name_);
  if (it != r.entries.end() && it->second.owner == this) r.entries.erase(it);
}

std::shared_ptr<const zpd_dispatcher> zpd_inproc_find(std::string_view name) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  const auto it = r.entries.find(name);
  return it == r.entries.end() ? nullptr : it->second.dispatcher;
}
