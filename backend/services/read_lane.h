// Which of zpserver's operations only read the store, for the TCP server's
// read lane (TcpServer::set_read_lane): those are answered by workers of
// their own and never wait behind orders whose commits are being flushed.
#pragma once

#include <string_view>

namespace zp::backend {

// True for an operation known to read only. Anything else, and anything not
// known here (an operation added later, a misspelt name), is false and runs
// with the writes: an operation is listed here only once it is sure never to
// write on its own account.
//
// A listed read may still write once in a while: the session check of a
// call (Sessions::admit) touches the session in the store every few seconds.
// That goes through a write transaction like any other, so it is as correct
// on a read worker as on an ordinary one; the read only waits for that one
// flush.
bool readsOnly(std::string_view interfaceName, std::string_view serviceCode);

}  // namespace zp::backend
