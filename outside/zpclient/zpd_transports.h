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
std::int32_t zpd_open_tcp(std::string_view hostPort, std::chrono::milliseconds timeout,
                          std::unique_ptr<zpd_transport>& out);
