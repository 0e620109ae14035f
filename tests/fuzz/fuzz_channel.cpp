// An arbitrary lane of the report channel, written by a process that may be anything: its header
// and the start of its data. The drain reads nothing outside the mapping, ends, and makes every
// record a whole number of 244-byte chunks, at most 268.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "capture/ChannelDrain.h"
#include "capture/ReceivePass.h"
#include "protocol/ReportChannel.h"

namespace {

namespace pc = protocol::channel;

class FixedClock : public capture::IClock {
 public:
  uint32_t Now() override { return 0; }
};

class Checking : public capture::IRecordSink {
 public:
  void AddRecord(SpyMsgPtr record) override {
    const size_t size = record->m_hData.Size();
    if (size % protocol::spy::kChunkSize != 0 || size > pc::kMaxPayload) abort();
  }
  void EndOfRecords() override {}
};

class Unlimited : public capture::IPassTimer {
 public:
  bool TimeUp() override { return false; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::unique_ptr<uint64_t[]> words(new uint64_t[pc::kMappingBytes / 8]);
  auto* mapping = reinterpret_cast<uint8_t*>(words.get());
  std::memset(mapping, 0, pc::kTableBytes);
  std::memset(mapping + pc::LaneDataAt(0), 0, pc::kLaneBytes);
  const size_t header = std::min(size, pc::kHeaderBytes);
  std::memcpy(mapping + pc::LaneHeaderAt(0), data, header);
  std::memcpy(mapping + pc::LaneDataAt(0), data + header,
              std::min(size - header, size_t{pc::kLaneBytes}));
  FixedClock clock;
  capture::ChannelDrain drain(clock);
  drain.Attach(mapping);
  Checking sink;
  Unlimited unlimited;
  drain.Drain(sink, unlimited);
  drain.Drain(sink, unlimited);
  drain.Reclaim([](uint32_t) { return true; });
  return 0;
}
