// One remote call as the generated stubs make it, and its mirror on the
// server side. Both are driven by a zpd_operation, the identity of one
// operation; the generated code only supplies the records.
//
// Client result codes, also written into cErrorMsg.code with a text in its
// second text:
//   -9990 the request frame cannot be begun      -9989 it cannot be ended
//   -9996 the stream fails while writing sIn     r     a runtime failure of call_server
//   -9988 the reply frame cannot be begun        -9987 it cannot be ended
//   -9995 the stream fails reading sOut / cErrorMsg
//   -9985 an exception between the start of marshalling and the end of the reply
// Otherwise the result of call_server is returned unchanged.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "cbserrormsg.h"
#include "zpb_record.h"
#include "zpb_stream.h"
#include "zpd_client.h"
#include "zpd_server.h"

struct zpd_operation {
  const char* interfaceName;  // passed to the runtime: "MVasDesk_IVasDesk"
  const char* serviceCode;    // "BAVDKU01"
  const char* qualifiedName;  // "vasdesk.MVasDesk.IVasDesk.get_info"
  const char* cppName;        // "MVasDesk::IVasDesk::get_info"
  zpb_name requestFrame;      // qualified name + ".ParamIn"
  zpb_name replyFrame;        // qualified name + ".ParamOut"
  const char* inName;         // "sIn", "iPrivClass"
  const char* outName;        // "sOut", "listResults"
};

enum zpd_stub_code : std::int32_t {
  ZPE_CLN_MARSHAL_IN = -9996,
  ZPE_CLN_MARSHAL_OUT = -9995,
  ZPE_CLN_IN_BEGIN_STREAM = -9990,
  ZPE_CLN_IN_END_STREAM = -9989,
  ZPE_CLN_OUT_BEGIN_STREAM = -9988,
  ZPE_CLN_OUT_END_STREAM = -9987,
  ZPE_CLN_ZPB_EXCEPTION = -9985,
  ZPE_CLN_RESERVED_SLOT = -9979,
};

namespace zpd_detail {
std::int32_t stub_failure(CBSErrorMsg& err, std::int32_t code, const char* prefix, const char* name);
std::int32_t marshal_failure(CBSErrorMsg& err, std::int32_t code, const zpd_operation& op,
                             const char* direction, const char* param);
// A runtime failure: the client's text in the second text, and the
// operation in the first when the caller's record has none (a message shows
// both).
std::int32_t runtime_failure(CBSErrorMsg& err, std::int32_t code, const CZpdClientObject& client,
                             const zpd_operation& op);
}  // namespace zpd_detail

template <class In, class Out>
std::int32_t zpd_invoke(CZpdClientObject& client, const zpd_operation& op, const In& in, Out& out,
                        CBSErrorMsg& cErrorMsg, SZPSession* session) {
  using namespace zpd_detail;
  zpb_stream request;
  zpb_stream reply;
  request.open();
  reply.open();
  if (!request.begin_stream(op.requestFrame))
    return stub_failure(cErrorMsg, ZPE_CLN_IN_BEGIN_STREAM, "ZPE_CLN_IN_BEGIN_STREAM: ", op.qualifiedName);
  try {
    zpb_write(request, in);
    if (request.failed()) return marshal_failure(cErrorMsg, ZPE_CLN_MARSHAL_IN, op, "in", op.inName);
    if (!request.end_stream())
      return stub_failure(cErrorMsg, ZPE_CLN_IN_END_STREAM, "ZPE_CLN_IN_END_STREAM: ", op.qualifiedName);

    const std::int32_t r = client.call_server(op.interfaceName, op.serviceCode, session, request, reply);
    if (zpd_is_runtime_failure(r)) return runtime_failure(cErrorMsg, r, client, op);

    if (!reply.begin_stream(op.replyFrame))
      return stub_failure(cErrorMsg, ZPE_CLN_OUT_BEGIN_STREAM, "ZPE_CLN_OUT_BEGIN_STREAM: ", op.qualifiedName);
    zpb_read(reply, out);
    if (reply.failed()) return marshal_failure(cErrorMsg, ZPE_CLN_MARSHAL_OUT, op, "out", op.outName);
    reply >> cErrorMsg;
    if (reply.failed()) return marshal_failure(cErrorMsg, ZPE_CLN_MARSHAL_OUT, op, "out", "cErrorMsg");
    if (!reply.end_stream())
      return stub_failure(cErrorMsg, ZPE_CLN_OUT_END_STREAM, "ZPE_CLN_OUT_END_STREAM: ", op.qualifiedName);
    return r;
  } catch (...) {
    return stub_failure(cErrorMsg, ZPE_CLN_ZPB_EXCEPTION, "ZPE_CLN_ZPB_EXCEPTION: ", op.qualifiedName);
  }
}

// The server's half of one operation: reads the request frame, runs the
// service, writes the reply frame with the reply value and the error record.
template <class In, class Out>
zpd_handler zpd_serve(const zpd_operation& op,
                      std::function<std::int32_t(const In&, Out&, CBSErrorMsg&)> service) {
  return [&op, service = std::move(service)](zpb_stream& request, zpb_stream& reply) -> std::int32_t {
    In in{};
    if (!request.begin_stream(op.requestFrame)) return ZPE_SRV_BAD_REQUEST;
    zpb_read(request, in);
    if (request.failed() || !request.end_stream()) return ZPE_SRV_BAD_REQUEST;
    Out out{};
    CBSErrorMsg err;
    std::int32_t r;
    if (const zpd_fault* fault = zpd_dispatcher::current_fault()) {
      if (fault->delay.count() > 0) std::this_thread::sleep_for(fault->delay);
      if (fault->result != 0) {
        r = fault->result;
        err.code = fault->result;
        err.code2 = fault->code2;
        err.text1 = fault->text1;
        err.text2 = fault->text2;
      } else {
        r = service(in, out, err);
      }
    } else {
      r = service(in, out, err);
    }
    if (!reply.begin_stream(op.replyFrame)) return ZPE_SRV_BAD_REPLY;
    zpb_write(reply, out);
    reply << err;
    if (reply.failed() || !reply.end_stream()) return ZPE_SRV_BAD_REPLY;
    return r;
  };
}
