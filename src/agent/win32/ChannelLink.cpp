#include "agent/win32/ChannelLink.h"

namespace agent {

namespace pc = protocol::channel;

void ChannelLink::Follow(uint32_t id, uint32_t source, uint32_t next) {
  End(next);
  Unmap();
  m_id = id;
  if (id == 0) return;
  m_mapping = OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, pc::MappingName(id).c_str());
  if (m_mapping == nullptr) return;
  m_table = static_cast<uint8_t*>(
      MapViewOfFile(m_mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, pc::kTableBytes));
  if (m_table == nullptr) return;
  // Window handles are 32-bit values, sign-extended in 64-bit processes.
  m_host.window = reinterpret_cast<HWND>(static_cast<intptr_t>(
      static_cast<int32_t>(pc::Word(m_table, pc::kWindowAt).load(std::memory_order_relaxed))));
  m_host.message = pc::Word(m_table, pc::kMessageAt).load(std::memory_order_relaxed);
  const std::optional<uint32_t> lane = pc::LaneWriter::Claim(m_table, source, next);
  if (!lane) return;
  const size_t at = pc::LaneDataAt(*lane);
  m_lane = static_cast<uint8_t*>(MapViewOfFile(m_mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0,
                                               static_cast<DWORD>(at), pc::kLaneBytes));
  if (m_lane != nullptr) {
    m_writer.emplace(m_table, *lane, m_lane);
  } else {
    // A lane taken but not mapped is ended at once, for its reader to free.
    pc::LaneWriter(m_table, *lane, nullptr).End(next, m_host);
  }
}

void ChannelLink::Put(uint32_t number, uint16_t apiId, std::span<const uint8_t> payload,
                      std::atomic<uint32_t>& waits) {
  if (m_writer->Put(number, apiId, payload, m_host) == pc::LaneWriter::Outcome::kWaited) {
    waits.fetch_add(1, std::memory_order_relaxed);
  }
}

void ChannelLink::End(uint32_t next) {
  if (!m_writer) return;
  m_writer->End(next, m_host);
  m_writer.reset();
}

void ChannelLink::Unmap() {
  if (m_lane != nullptr) UnmapViewOfFile(m_lane);
  if (m_table != nullptr) UnmapViewOfFile(m_table);
  if (m_mapping != nullptr) CloseHandle(m_mapping);
  m_lane = m_table = nullptr;
  m_mapping = nullptr;
}

}  // namespace agent
