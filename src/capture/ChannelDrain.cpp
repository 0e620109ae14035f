#include "capture/ChannelDrain.h"

#include "capture/ReceivePass.h"
#include "capture/ReceivedRecord.h"

namespace capture {

namespace pc = protocol::channel;

void ChannelDrain::Attach(uint8_t* mapping) {
  m_lanes = {};
  if (mapping == nullptr) {
    m_reader.reset();
  } else {
    m_reader.emplace(mapping);
  }
}

void ChannelDrain::See(uint32_t lane, uint32_t number) {
  Lane& state = m_lanes[lane];
  if (!state.started) {
    state.started = true;
    state.expected = m_reader->Base(lane);
  }
  // Numbers only grow in a lane; one from behind would be a writer's fault, and counts nothing.
  const uint32_t skipped = number - state.expected;
  if (skipped < 0x80000000u) m_lost += skipped;
  state.expected = number;
}

ChannelDrain::Stats ChannelDrain::Drain(IRecordSink& sink, IPassTimer& timer) {
  Stats stats;
  if (!m_reader) return stats;
  const uint32_t now = m_clock.Now();
  for (uint32_t lane = 0; lane < pc::kLaneCount; ++lane) {
    if (m_reader->Owner(lane) == 0) continue;
    for (;;) {
      if ((stats.timeUp = timer.TimeUp())) return stats;
      pc::ChannelReader::Entry entry;
      const pc::ChannelReader::Next next = m_reader->Peek(lane, entry);
      if (next == pc::ChannelReader::Next::kCorrupt) {
        m_reader->Skip(lane);
        continue;
      }
      if (next == pc::ChannelReader::Next::kEmpty) {
        // What the writer published before its end mark is visible once the mark is.
        const std::optional<uint32_t> end = m_reader->EndNumber(lane);
        if (!end || m_reader->Peek(lane, entry) != pc::ChannelReader::Next::kEmpty) break;
        See(lane, *end);
        m_reader->Free(lane);
        m_lanes[lane] = {};
        break;
      }
      See(lane, entry.number);
      ++m_lanes[lane].expected;
      const size_t chunks =
          (entry.length + protocol::spy::kChunkSize - 1) / protocol::spy::kChunkSize;
      sink.AddRecord(ReceivedRecord(now, entry.apiId, chunks, [&](auto out) {
        m_reader->CopyPayload(lane, entry, out.data());
      }));
      m_reader->Take(lane, entry);
      ++stats.records;
    }
  }
  return stats;
}

void ChannelDrain::Reclaim(const std::function<bool(uint32_t source)>& gone) {
  if (!m_reader) return;
  for (uint32_t lane = 0; lane < pc::kLaneCount; ++lane) {
    const uint32_t owner = m_reader->Owner(lane);
    pc::ChannelReader::Entry entry;
    if (owner == 0 || m_reader->EndNumber(lane) ||
        m_reader->Peek(lane, entry) != pc::ChannelReader::Next::kEmpty || !gone(owner)) {
      continue;
    }
    // Gone, it cannot publish any more: what it did is read first.
    if (m_reader->Peek(lane, entry) != pc::ChannelReader::Next::kEmpty) continue;
    m_reader->Free(lane);
    m_lanes[lane] = {};
  }
}

bool ChannelDrain::Arm() {
  return !m_reader || m_reader->Arm();
}

}  // namespace capture
