#include "agent/PendingReceives.h"

namespace agent {

void PendingReceives::Free(Receive& entry) {
  entry.overlapped = 0;
  --m_held;
}

void PendingReceives::Remember(const Receive& receive) {
  if (receive.overlapped == 0) return;
  size_t slot = SlotOf(receive.overlapped);
  if (slot == kCapacity) slot = SlotOf(0);
  if (slot == kCapacity) {
    slot = 0;  // full: the oldest goes
    for (size_t i = 1; i < kCapacity; ++i) {
      if (m_made[i] < m_made[slot]) slot = i;
    }
  } else if (m_entries[slot].overlapped == 0) {
    ++m_held;
  }
  m_entries[slot] = receive;
  m_made[slot] = ++m_clock;
}

size_t PendingReceives::SlotOf(uint64_t overlapped) const {
  for (size_t i = 0; i < kCapacity; ++i) {
    if (m_entries[i].overlapped == overlapped) return i;
  }
  return kCapacity;
}

std::optional<PendingReceives::Receive> PendingReceives::Take(uint64_t overlapped,
                                                              uint64_t socket) {
  if (overlapped == 0) return std::nullopt;
  for (Receive& entry : m_entries) {
    if (entry.overlapped != overlapped) continue;
    const Receive taken = entry;
    Free(entry);
    if (taken.socket != socket) return std::nullopt;
    return taken;
  }
  return std::nullopt;
}

void PendingReceives::Forget(uint64_t overlapped) {
  if (overlapped == 0 || m_held == 0) return;
  for (Receive& entry : m_entries) {
    if (entry.overlapped == overlapped) Free(entry);
  }
}

void PendingReceives::ForgetSocket(uint64_t socket) {
  if (m_held == 0) return;
  for (Receive& entry : m_entries) {
    if (entry.overlapped != 0 && entry.socket == socket) Free(entry);
  }
}

}  // namespace agent
