// Arbitrary datagrams into the pending list: no crash, no read past a datagram, and every
// record's payload is 244 bytes per fragment.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "capture/PendingList.h"
#include "protocol/SpyDatagram.h"

namespace {
class StepClock : public capture::IClock {
 public:
  uint32_t Now() override { return now; }
  uint32_t now = 0;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StepClock clock;
  CPendingList pending(clock);
  // Each datagram is preceded by one control byte: the clock step before it arrives.
  while (size >= 1 + protocol::spy::kDatagramSize) {
    clock.now += data[0] % 8;
    protocol::spy::Datagram datagram;
    std::copy(data + 1, data + 1 + protocol::spy::kDatagramSize, datagram.begin());
    pending.AddFragment(datagram);
    data += 1 + protocol::spy::kDatagramSize;
    size -= 1 + protocol::spy::kDatagramSize;
    while (auto record = pending.TakeCompleteMessage()) {
      if (record->m_hData.Size() % protocol::spy::kChunkSize != 0) abort();
    }
    while (pending.PurgeOneStale()) {
    }
  }
  return 0;
}
