// The transports behind zpd_open_transport, one per address scheme. Private
// to the runtime: callers open transports by address.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string_view>

#include "zpd_client.h"

// "inproc:<name>": `name` is the part after the colon. Fails with ZPE_CONNECT
// while nothing is registered under the name.
std::int32_t zpd_open_inproc(std::string_view name, std::unique_ptr<zpd_transport>& out);

// "tcp://<host>:<port>": `hostPort` is the part after "tcp://". Connects at
// once within `timeout`; ZPE_BROKER_UNKNOWN for an address that does not parse,
// ZPE_CONNECT when the server cannot be reached.
//
// Before a request goes out on a connection that has been idle, one
// non-blocking peek makes sure the server has not closed it meanwhile (an
// idle deadline, a restart), so the request is sent on a new connection
// instead of being lost. A connection that delivered a whole reply less than
// zpd_tcp_idle_check_after ago skips that system call: calls in a burst (one
// order's check, fees and submission) are the common case, and the server's
// idle deadline is minutes. Should the server restart inside that moment, the
// call fails with ZPE_SEND or ZPE_RECEIVE; the request is never sent twice.
inline constexpr std::chrono::milliseconds zpd_tcp_idle_check_after{50};

std::int32_t zpd_open_tcp(std::string_view hostPort, std::chrono::milliseconds timeout,
                          std::unique_ptr<zpd_transport>& out);
