// An agent module's lane in the report channel of the monitor that asked for one
// (protocol/ReportChannel.h): the channel's table and the lane's data mapped into the program,
// and what the writer asks of the system — the time, a pause while the lane is full, and the
// message that wakes the reader.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>

#include "protocol/ReportChannel.h"

namespace agent {

class ChannelLink {
 public:
  ChannelLink() = default;
  ChannelLink(const ChannelLink&) = delete;
  ChannelLink& operator=(const ChannelLink&) = delete;

  // The channel followed, 0 for none.
  uint32_t Id() const { return m_id; }
  // Follows the channel numbered `id` (0: none): marks the end in the lane of the channel followed
  // until now, `next` being the number of the next report, and takes a lane in the new one for
  // `source`. Without a lane the module sends datagrams.
  void Follow(uint32_t id, uint32_t source, uint32_t next);
  bool HasLane() const { return m_writer.has_value(); }
  // Writes one report into the lane; a report that waited for room counts in `waits`.
  void Put(uint32_t number, uint16_t apiId, std::span<const uint8_t> payload,
           std::atomic<uint32_t>& waits);
  // Marks the end of the module's reports, `next` being the number its next one would have had.
  void End(uint32_t next);

 private:
  class Host : public protocol::channel::IWriterHost {
   public:
    uint32_t Milliseconds() override { return GetTickCount(); }
    void Pause() override { Sleep(1); }
    void Wake() override { PostMessageA(window, message, 0, 0); }

    HWND window = nullptr;
    UINT message = 0;
  };

  void Unmap();

  uint32_t m_id = 0;
  HANDLE m_mapping = nullptr;
  uint8_t* m_table = nullptr;
  uint8_t* m_lane = nullptr;
  std::optional<protocol::channel::LaneWriter> m_writer;
  Host m_host;
};

}  // namespace agent
