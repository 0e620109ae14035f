#include "capture/LossCounter.h"

namespace capture {

void LossCounter::See(uint32_t source, uint16_t msgNum) {
  const auto [entry, first] = m_last.try_emplace(source, msgNum);
  if (first) return;
  const auto ahead = static_cast<uint16_t>(msgNum - entry->second);
  // Half the number space ahead counts as ahead; a number further on is one from behind.
  if (ahead == 0) return;  // another copy of the last message
  if (ahead < 0x8000) m_lost += ahead - 1u;
  entry->second = msgNum;
}

}  // namespace capture
