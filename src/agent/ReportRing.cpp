#include "agent/ReportRing.h"

namespace agent {

void ReportRing::Push(const QueuedDatagram& datagram) {
  const uint32_t head = m_head.load(std::memory_order_relaxed);
  Slot& slot = m_slots[head % kSlots];
  slot.datagram = datagram;
  slot.busy.store(true, std::memory_order_relaxed);
  // Sequentially consistent, so that a sender going idle either sees this datagram or is seen
  // going idle by the caller, who then wakes it.
  m_head.store(head + 1, std::memory_order_seq_cst);
}

std::optional<uint32_t> ReportRing::Take() {
  uint32_t next = m_next.load(std::memory_order_acquire);
  while (next != m_head.load(std::memory_order_acquire)) {
    if (m_next.compare_exchange_weak(next, next + 1, std::memory_order_acq_rel)) return next;
  }
  return std::nullopt;
}

bool ReportRing::Settled() const {
  if (!Empty()) return false;
  for (const Slot& slot : m_slots) {
    if (slot.busy.load(std::memory_order_acquire)) return false;
  }
  return true;
}

std::optional<uint32_t> ReportRing::Held() const {
  const uint32_t next = m_next.load(std::memory_order_acquire);
  // With kSlots datagrams waiting behind it, the slot before `next` holds a newer one.
  if (next == 0 || m_head.load(std::memory_order_acquire) - next >= kSlots) return std::nullopt;
  const uint32_t last = next - 1;
  if (!m_slots[last % kSlots].busy.load(std::memory_order_acquire)) return std::nullopt;
  return last;
}

}  // namespace agent
