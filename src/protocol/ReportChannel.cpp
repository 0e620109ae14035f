#include "protocol/ReportChannel.h"

#include <algorithm>
#include <cstring>

#include "protocol/Bytes.h"

namespace protocol::channel {

namespace {

// Copies `count` bytes between a lane's data, from position `at` on, wrapping at its end, and a
// flat block.
void CopyIn(uint8_t* data, uint32_t at, const uint8_t* from, size_t count) {
  const size_t offset = at % kLaneBytes;
  const size_t first = std::min(count, kLaneBytes - offset);
  std::memcpy(data + offset, from, first);
  std::memcpy(data, from + first, count - first);
}

void CopyOut(const uint8_t* data, uint32_t at, uint8_t* to, size_t count) {
  const size_t offset = at % kLaneBytes;
  const size_t first = std::min(count, kLaneBytes - offset);
  std::memcpy(to, data + offset, first);
  std::memcpy(to + first, data, count - first);
}

}  // namespace

std::string MappingName(uint32_t id) {
  return "Klvnt32.Channel.1." + std::to_string(id);
}

std::optional<uint32_t> LaneWriter::Claim(uint8_t* table, uint32_t source, uint32_t base) {
  if (Word(table, kMagicAt).load() != kMagic || Word(table, kLaneCountAt).load() != kLaneCount ||
      Word(table, kLaneBytesAt).load() != kLaneBytes || Word(table, kClosedAt).load() != 0) {
    return std::nullopt;
  }
  for (uint32_t lane = 0; lane < kLaneCount; ++lane) {
    uint32_t free = 0;
    if (Word(table, LaneHeaderAt(lane) + kOwnerAt).compare_exchange_strong(free, source)) {
      // Read by the reader only after the head or the end mark, which are published later.
      Word(table, LaneHeaderAt(lane) + kBaseAt).store(base, std::memory_order_relaxed);
      return lane;
    }
  }
  return std::nullopt;
}

LaneWriter::LaneWriter(uint8_t* table, uint32_t lane, uint8_t* data)
    : m_table(table), m_header(LaneHeaderAt(lane)), m_data(data) {
  m_head = Lane(kHeadAt).load(std::memory_order_relaxed);
  m_tail = Lane(kTailAt).load(std::memory_order_acquire);
}

bool LaneWriter::HasRoom(uint32_t bytes) {
  if (kLaneBytes - (m_head - m_tail) >= bytes) return true;
  m_tail = Lane(kTailAt).load(std::memory_order_acquire);
  return kLaneBytes - (m_head - m_tail) >= bytes;
}

LaneWriter::Outcome LaneWriter::Put(uint32_t number, uint16_t apiId,
                                    std::span<const uint8_t> payload, IWriterHost& host) {
  const auto closed = [&] { return Word(m_table, kClosedAt).load(std::memory_order_relaxed); };
  if (payload.size() > kMaxPayload || closed() != 0) return Outcome::kDropped;
  const uint32_t bytes = EntryBytes(payload.size());
  bool waited = false;
  if (!HasRoom(bytes)) {
    if (m_stalled && m_tail == m_stalledTail) return Outcome::kDropped;
    waited = true;
    host.Wake();
    uint32_t since = host.Milliseconds();
    uint32_t progress = m_tail;
    while (!HasRoom(bytes)) {
      if (closed() != 0) return Outcome::kDropped;
      const uint32_t now = host.Milliseconds();
      if (m_tail != progress) {
        progress = m_tail;
        since = now;
      } else if (now - since >= kStallMs) {
        m_stalled = true;
        m_stalledTail = m_tail;
        return Outcome::kDropped;
      }
      host.Pause();
    }
  }
  m_stalled = false;
  uint8_t header[kEntryHeader] = {};
  bytes::PutLE32(header, static_cast<uint32_t>(payload.size()));
  bytes::PutLE32(header + 4, number);
  bytes::PutLE16(header + 8, apiId);
  CopyIn(m_data, m_head, header, sizeof header);
  CopyIn(m_data, m_head + kEntryHeader, payload.data(), payload.size());
  const size_t padding = bytes - kEntryHeader - payload.size();
  static constexpr uint8_t kZeros[kEntryAlign] = {};
  CopyIn(m_data, m_head + kEntryHeader + static_cast<uint32_t>(payload.size()), kZeros, padding);
  m_head += bytes;
  // Sequentially consistent, as the reader's arming is: a reader going to wait either sees this
  // entry or is seen waiting.
  Lane(kHeadAt).store(m_head);
  WakeIfArmed(host);
  return waited ? Outcome::kWaited : Outcome::kWritten;
}

void LaneWriter::End(uint32_t next, IWriterHost& host) {
  Lane(kEndNumberAt).store(next, std::memory_order_relaxed);
  Lane(kEndedAt).store(1);
  WakeIfArmed(host);
}

void LaneWriter::WakeIfArmed(IWriterHost& host) {
  std::atomic_ref<uint32_t> armed = Word(m_table, kArmedAt);
  if (armed.load() != 0 && armed.exchange(0) != 0) host.Wake();
}

void ChannelReader::Format(uint32_t window, uint32_t message) {
  std::memset(m_mapping, 0, kTableBytes);
  Word(m_mapping, kLaneCountAt).store(kLaneCount, std::memory_order_relaxed);
  Word(m_mapping, kLaneBytesAt).store(kLaneBytes, std::memory_order_relaxed);
  Word(m_mapping, kWindowAt).store(window, std::memory_order_relaxed);
  Word(m_mapping, kMessageAt).store(message, std::memory_order_relaxed);
  Word(m_mapping, kArmedAt).store(1, std::memory_order_relaxed);
  Word(m_mapping, kMagicAt).store(kMagic);
}

std::optional<uint32_t> ChannelReader::EndNumber(uint32_t lane) const {
  if (Lane(lane, kEndedAt).load() == 0) return std::nullopt;
  return Lane(lane, kEndNumberAt).load(std::memory_order_relaxed);
}

ChannelReader::Next ChannelReader::Peek(uint32_t lane, Entry& entry) const {
  const uint32_t waiting = Waiting(lane);
  if (waiting == 0) return Next::kEmpty;
  const uint32_t tail = Lane(lane, kTailAt).load(std::memory_order_relaxed);
  if (waiting > kLaneBytes || waiting % kEntryAlign != 0 || tail % kEntryAlign != 0) {
    return Next::kCorrupt;
  }
  uint8_t header[kEntryHeader];
  CopyOut(m_mapping + LaneDataAt(lane), tail, header, sizeof header);
  entry.length = bytes::GetLE32(header, 0);
  entry.number = bytes::GetLE32(header, 4);
  entry.apiId = bytes::GetLE16(header, 8);
  if (entry.length > kMaxPayload || EntryBytes(entry.length) > waiting) return Next::kCorrupt;
  return Next::kEntry;
}

void ChannelReader::CopyPayload(uint32_t lane, const Entry& entry, uint8_t* out) const {
  const uint32_t tail = Lane(lane, kTailAt).load(std::memory_order_relaxed);
  CopyOut(m_mapping + LaneDataAt(lane), tail + kEntryHeader, out, entry.length);
}

void ChannelReader::Take(uint32_t lane, const Entry& entry) {
  std::atomic_ref<uint32_t> tail = Lane(lane, kTailAt);
  tail.store(tail.load(std::memory_order_relaxed) + EntryBytes(entry.length),
             std::memory_order_release);
}

void ChannelReader::Skip(uint32_t lane) {
  Lane(lane, kTailAt).store(Lane(lane, kHeadAt).load(), std::memory_order_release);
}

void ChannelReader::Free(uint32_t lane) {
  for (const size_t at : {kBaseAt, kHeadAt, kEndedAt, kEndNumberAt, kTailAt}) {
    Lane(lane, at).store(0, std::memory_order_relaxed);
  }
  Lane(lane, kOwnerAt).store(0, std::memory_order_release);
}

bool ChannelReader::Arm() {
  std::atomic_ref<uint32_t> armed = Word(m_mapping, kArmedAt);
  armed.store(1);
  for (uint32_t lane = 0; lane < kLaneCount; ++lane) {
    // An end mark waits for the reader as entries do.
    if (Owner(lane) != 0 && (Waiting(lane) != 0 || Lane(lane, kEndedAt).load() != 0)) {
      armed.store(0);
      return false;
    }
  }
  return true;
}

}  // namespace protocol::channel
