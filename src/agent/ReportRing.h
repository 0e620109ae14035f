// The agent's datagrams on their way out of the program's threads: a fixed ring that the
// wrappers fill and a sender thread empties, so that a traced call costs a copy rather than a
// send. At the end of the process the sender has been ended wherever it stood, and whatever is
// still queued is drained by the exiting thread; both take datagrams through the same counter,
// so a datagram is taken exactly once, and nothing here waits on a lock that an ended thread
// might have held.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "protocol/SpyDatagram.h"

namespace agent {

struct QueuedDatagram {
  uint16_t port = 0;  // the monitor's UDP port when the call was reported, host order
  spy::Datagram bytes{};
};

class ReportRing {
 public:
  static constexpr uint32_t kSlots = 4096;  // 1 MiB; a power of two, so positions may wrap

  // --- the filling side; callers take turns (the agent's lock) ---
  // Whether the next slot is free: false while the ring is full.
  bool HasRoom() const {
    return !m_slots[m_head.load(std::memory_order_relaxed) % kSlots].busy.load(
        std::memory_order_seq_cst);
  }
  // Copies `datagram` into the next slot and publishes it; HasRoom() must be true.
  void Push(const QueuedDatagram& datagram);

  // --- the taking side; any number of takers ---
  // Position of the oldest datagram not yet taken, now taken by the caller, who sends it and
  // then releases it; nothing when none waits.
  std::optional<uint32_t> Take();
  const QueuedDatagram& At(uint32_t position) const { return m_slots[position % kSlots].datagram; }
  // Sequentially consistent, like HasRoom, so that a caller going to wait for room either
  // sees the slot freed or is seen waiting by the taker, who then wakes it.
  void Release(uint32_t position) {
    m_slots[position % kSlots].busy.store(false, std::memory_order_seq_cst);
  }

  bool Empty() const {
    return m_next.load(std::memory_order_seq_cst) == m_head.load(std::memory_order_seq_cst);
  }
  // Every datagram queued has been taken and released: no taker still holds one.
  bool Settled() const;
  // The datagram taken last while it is not released yet: with one taker, the one it was
  // sending when it was ended.
  std::optional<uint32_t> Held() const;

 private:
  struct Slot {
    QueuedDatagram datagram;
    std::atomic<bool> busy{false};  // from Push until the taker releases it
  };

  Slot m_slots[kSlots];
  std::atomic<uint32_t> m_head{0};  // datagrams published
  std::atomic<uint32_t> m_next{0};  // datagrams taken
};

}  // namespace agent
