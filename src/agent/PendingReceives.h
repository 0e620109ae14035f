// The overlapped receives the agent saw pend, by the OVERLAPPED each named, so that the
// WSAGetOverlappedResult that collects one can report the bytes it got. The program may build
// its WSABUF array on the stack, so the buffers are kept as the call named them. The table is
// bounded: a receive on an OVERLAPPED already held replaces the older one, and when the table
// is full the oldest receive is dropped (its collection then shows no data). Callers take
// turns (the agent's lock for it).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace agent {

class PendingReceives {
 public:
  static constexpr size_t kCapacity = 64;
  static constexpr size_t kMaxBuffers = 16;  // MSG_MAXIOVLEN: the buffers of one receive kept

  struct Buffer {
    uint8_t* data = nullptr;
    uint32_t length = 0;
  };
  struct Receive {
    uint64_t overlapped = 0;  // 0 marks a free entry
    uint64_t socket = 0;
    uint16_t api = 0;          // the call that started it
    uint32_t bufferCount = 0;  // as the call had it; the first kMaxBuffers are kept
    std::array<Buffer, kMaxBuffers> buffers{};
    const uint8_t* from = nullptr;  // WSARecvFrom's address buffer and its length, or none
    const int32_t* fromLen = nullptr;

    size_t Kept() const { return bufferCount < kMaxBuffers ? bufferCount : kMaxBuffers; }
  };

  void Remember(const Receive& receive);
  // The receive pending on `overlapped`, which is forgotten; none when none is held, or when it
  // was made on another socket than the one the collecting call names.
  std::optional<Receive> Take(uint64_t overlapped, uint64_t socket);
  // A call that completed, or started something else, on `overlapped`.
  void Forget(uint64_t overlapped);
  // The socket was closed: its receives will never be collected.
  void ForgetSocket(uint64_t socket);
  bool Empty() const { return m_held == 0; }

 private:
  std::array<Receive, kCapacity> m_entries{};
  std::array<uint64_t, kCapacity> m_made{};  // when each entry was remembered, for the oldest
  uint64_t m_clock = 0;
  size_t m_held = 0;

  void Free(Receive& entry);
  // The entry that holds `overlapped` (0: a free one); kCapacity when none does.
  size_t SlotOf(uint64_t overlapped) const;
};

}  // namespace agent
