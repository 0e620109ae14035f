// Counts the agents' messages that never became records: those whose number never arrived, and
// those dropped incomplete. Each agent numbers its messages 0, 1, 2 ... modulo 65536.
#pragma once

#include <cstdint>
#include <unordered_map>

namespace capture {

class LossCounter {
 public:
  // The first datagram of a message numbered `msgNum` from `source` arrived. The first number
  // seen from a source is its baseline; a number ahead of the last one (wrapping at 65536)
  // counts the numbers between as lost; a number behind it (a source that started again)
  // starts a new run and counts nothing.
  void See(uint32_t source, uint16_t msgNum);
  // Messages dropped before all their datagrams arrived.
  void Purged(uint64_t count) { m_purged += count; }

  uint64_t Lost() const { return m_lost; }
  uint64_t PurgedCount() const { return m_purged; }
  uint64_t Total() const { return m_lost + m_purged; }

 private:
  std::unordered_map<uint32_t, uint16_t> m_last;  // per source
  uint64_t m_lost = 0;
  uint64_t m_purged = 0;
};

}  // namespace capture
