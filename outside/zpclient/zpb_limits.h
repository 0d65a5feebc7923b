// Limits of the wire. Every reader checks them before it allocates, so no
// frame from the network can make a process grow without bound.
#pragma once

#include <cstdint>

struct zpb_limits {
  // Largest frame (request or reply) a stream accepts or produces. Blocks a
  // length prefix from asking for gigabytes; a reply of 10,000 numbers with
  // their records is well below 1 MiB.
  static constexpr std::uint32_t maxFrameBytes = 16u * 1024 * 1024;
  // Longest text value in bytes (GBK). Blocks a single huge text inside a
  // frame that is otherwise within its size.
  static constexpr std::uint32_t maxTextBytes = 1024 * 1024;
  // Most elements of one list. Also bounded by the bytes left in the frame:
  // each element needs at least kMinStructBytes.
  static constexpr std::uint32_t maxListCount = 1000000;
  // Deepest nesting of structs and lists. Blocks stack exhaustion by a frame
  // that nests records without end.
  static constexpr std::uint32_t maxNesting = 32;
  // Smallest encoding of one record: its name id and its two presence words.
  static constexpr std::uint32_t minStructBytes = 4 + 8 + 8;
  // Length of an interface name or service code in a transport envelope.
  static constexpr std::uint32_t maxEnvelopeName = 64;
};
