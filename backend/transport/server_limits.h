// Limits of the back end's TCP server. Each one bounds what a single peer, or
// a crowd of them, can take from the server; all are checked before the
// server allocates or waits on a peer's behalf.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "zpb_limits.h"

namespace zp::transport {

struct Limits {
  // Largest request frame accepted, checked against the length in the header
  // (with room for the two names of the envelope) before the body is read.
  // Blocks a length prefix from making the server allocate gigabytes: a
  // larger request closes its connection. The largest request a counter
  // sends is an order: a header, one service line, a few dozen promotion,
  // product and fee lines and the special data, a few KiB; 1 MiB leaves
  // two orders of magnitude beyond that. Replies (number lists) are not
  // bounded by this. Values above zpb_limits::maxFrameBytes are treated as
  // that.
  std::uint32_t maxFrameBytes = 1024 * 1024;

  // Most connections open at once. Blocks a flood of connections from using
  // up file descriptors and buffers: one beyond it is closed as soon as it is
  // accepted, without a word.
  std::size_t maxConnections = 256;

  // Most connections open at once from one peer address. Blocks one
  // machine (a runaway client, or a hostile one re-opening what the idle
  // timeout closed) from taking every slot and locking the other counters
  // out: one beyond it is closed as soon as it is accepted.
  std::size_t maxConnectionsPerPeer = 64;

  // A connection keeps buffers up to this size between requests; a larger
  // one, grown for one big request or reply, is given back once that
  // request is done. Blocks a few large frames from pinning their memory
  // for the life of their connections.
  std::size_t keptBufferBytes = 64 * 1024;
  // How long a connection may stay silent between requests. Blocks forgotten
  // connections from holding a slot for ever; a client finds the closed
  // connection before its next request and opens a new one.
  std::chrono::milliseconds idleTimeout{std::chrono::minutes(10)};

  // How long a request may take to arrive completely, counted from its first
  // byte, and how long its reply may take to be written. Blocks a slow or
  // stalled peer (half a frame, then nothing; or a reply it never reads) from
  // holding a connection and its buffer: the connection is closed.
  std::chrono::milliseconds requestTimeout{std::chrono::seconds(30)};

  // Threads that run requests. Bounds how many handlers run at once, and so
  // how many database connections requests hold. 0 runs every handler on the
  // I/O thread itself: only for handlers that never block (in-memory
  // services, the transport's own benchmark), since one slow handler then
  // stalls every connection.
  std::size_t workerThreads = 4;

  // Threads that run only the requests the server's read classifier
  // (TcpServer::set_read_lane) calls reads, with a queue of their own of
  // queueLength, shared among the peers as the other one is. Ordinary workers
  // may all be blocked until a commit is flushed; a read waiting behind them
  // would take as long as the slowest flush, so a burst of orders would slow
  // every lookup at the counters. 0, or no classifier, runs reads with the
  // rest. Unused when workerThreads is 0.
  std::size_t readThreads = 2;

  // With a read lane, how much lower the ordinary workers' CPU priority is
  // (a nice increment, 0 to 19) than the read workers' and the I/O thread's.
  // A burst of orders can keep every core busy, and a read worker given its
  // turn only after the order workers' time slices would be as slow as one
  // queued behind them; the reads are short and few, so orders lose little.
  int ordinaryNice = 10;

  // The time slice the I/O thread and the read workers ask of the scheduler
  // (ThreadPriority::slice): shorter than its own, so that, woken by a
  // lookup, they take the processor from order threads at once rather than
  // at the end of those threads' turns. Their work is short, and a slice
  // this long covers it. 0 leaves the scheduler's own.
  std::chrono::microseconds quickSlice{100};

  // Requests waiting for a free worker, in each lane. Blocks queuing without
  // bound under overload: a request that finds its lane's queue full is
  // answered ZPE_SRV_BUSY at once. One peer address may fill all but an
  // eighth of it, and workers take the peers' requests in turn, so a
  // flooding peer waits behind itself while the other counters are served.
  // At least 1.
  std::size_t queueLength = 64;
};

}  // namespace zp::transport
