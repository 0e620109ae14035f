// The records of the report channel this reader made (protocol/ReportChannel.h): each lane's
// entries in order, each a record as reassembly makes one from datagrams; the reports that never
// came counted by the gaps in their lane's message numbers, up to its end mark.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "capture/Clock.h"
#include "protocol/ReportChannel.h"

namespace capture {

class IRecordSink;
class IPassTimer;

class ChannelDrain {
 public:
  explicit ChannelDrain(IClock& clock) : m_clock(clock) {}

  // The channel's whole mapping, which the reader made and formatted; null for none.
  void Attach(uint8_t* mapping);
  bool Attached() const { return m_reader.has_value(); }

  struct Stats {
    int records = 0;
    bool timeUp = false;  // entries may be waiting still
  };
  // Every waiting entry into `sink` until `timer` says the time is up. A lane whose writer has
  // marked its end is freed once its entries are taken, and a lane whose published bytes are not
  // entries is emptied without reading them.
  Stats Drain(IRecordSink& sink, IPassTimer& timer);
  // Frees the empty lanes whose writers have gone without an end mark (a process killed or
  // crashed): `gone` says of a writer's source key whether its process has ended.
  void Reclaim(const std::function<bool(uint32_t source)>& gone);
  // Before the reader waits for a wake-up (ChannelReader::Arm).
  bool Arm();
  // The reports that never came, since the channel was attached.
  uint64_t Lost() const { return m_lost; }

 private:
  struct Lane {
    bool started = false;
    uint32_t expected = 0;  // the number of the next report
  };
  // Counts the reports numbered before `number` that never came.
  void See(uint32_t lane, uint32_t number);

  IClock& m_clock;
  std::optional<protocol::channel::ChannelReader> m_reader;
  std::array<Lane, protocol::channel::kLaneCount> m_lanes{};
  uint64_t m_lost = 0;
};

}  // namespace capture
