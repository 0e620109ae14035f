// The named shared memory through which the monitor configures the agent in every traced
// process. All fields are 32-bit so that 32-bit and 64-bit processes share one layout; a new
// block is all zero: no contact, nothing traced.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "protocol/Calls.h"

namespace agent {

struct ControlBlock {
  std::atomic<uint32_t> contact;                              // 1 while a monitor listens
  std::atomic<uint32_t> window;                               // the monitor's window handle
  std::atomic<uint32_t> port;                                 // its UDP port, host order
  std::atomic<uint32_t> enable[protocol::calls::kFlagCount];  // by API id
  std::atomic<uint32_t> ignoreWouldBlock;
  std::atomic<uint32_t> errorsOnly;
  std::atomic<uint32_t> restrictSocket;
  std::atomic<uint32_t> socketId;
  std::atomic<uint32_t> saveEntire;
  std::atomic<int32_t> saveBytes;
  std::atomic<uint32_t> queueWaits;  // reports that waited for room in an agent's queue
  // The report channel (protocol/ReportChannel.h) that the monitor made and asked the agents to
  // write into, by its number; 0 while it reads datagrams only.
  std::atomic<uint32_t> channel;
};
// Both widths' compilers lay it out alike: lock-free 4-byte words one after the other, no padding.
static_assert(sizeof(std::atomic<uint32_t>) == 4 && alignof(std::atomic<uint32_t>) == 4 &&
              std::atomic<uint32_t>::is_always_lock_free && sizeof(std::atomic<int32_t>) == 4);
static_assert(offsetof(ControlBlock, enable) == 12 &&
              offsetof(ControlBlock, channel) == 12 + 4 * (protocol::calls::kFlagCount + 7) &&
              sizeof(ControlBlock) == offsetof(ControlBlock, channel) + 4);

// Opens the block, creating it when no process has yet; null when the system refuses. The
// mapping stays open for the life of the process.
ControlBlock* MapControlBlock();

}  // namespace agent
