// One operation of the suite's public client libraries, the way each of them
// runs it: the object's error record is reset at the start; a failure leaves
// its reason there, with the first text naming the operation (the runtime and
// the stubs fill only the second); and no exception leaves the operation.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "cbserrormsg.h"
#include "zpd_client.h"
#include "zpd_stub.h"

class zpd_library_call {
 public:
  zpd_library_call(CBSErrorMsg& error, const char* what) : error_(error), what_(what) { error_.reset(); }

  // The result of a stub call: true for 0, else false with the record named.
  bool finish(std::int32_t result) {
    if (result == 0) return true;
    if (error_.code == 0) error_.code = result;
    // The library names what failed better than the runtime can.
    if (error_.text1.empty() || error_.text1 == "no error" || zpd_is_runtime_failure(result)) error_.text1 = what_;
    if (error_.text2.empty() || error_.text2 == "no error") error_.text2 = zpd_getErrorMsg(result);
    return false;
  }

  // A failure the library finds itself.
  bool fail(std::int32_t code, std::string message) {
    error_.code = code;
    error_.code2 = 0;
    error_.text1 = what_;
    error_.text2 = std::move(message);
    return false;
  }

  // Binds a client object to the broker; false with the runtime's text in
  // the second text and, since many messages quote only the first, after
  // the operation's name in the first as well.
  bool bind(CZpdClientObject& client, const char* broker) {
    const std::int32_t r = client.bind_zpBroker(broker);
    if (r == 0) return true;
    const std::string why = client.failure_text(r);
    fail(r, why);
    error_.text1 = std::string(what_) + ":" + why;
    return false;
  }

  // Runs the operation's body; an exception becomes a failure.
  template <class Body>
  bool run(Body&& body) {
    try {
      return body();
    } catch (const std::exception& e) {
      return fail(ZPE_CLN_ZPB_EXCEPTION, e.what());
    } catch (...) {
      return fail(ZPE_CLN_ZPB_EXCEPTION, "未知异常");
    }
  }

 private:
  CBSErrorMsg& error_;
  const char* what_;
};
