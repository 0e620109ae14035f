// The shared-memory channel from the agents to a reader that asked for it: one named mapping that
// the reader makes and owns, in which every agent module of every traced process writes its
// reports into a lane of its own. A report costs the program a copy, no system call; the reader
// is woken only when it waits for one, and a full lane makes the program wait for room, so that
// nothing is lost while the reader keeps up. A 64-bit agent and a 32-bit reader share it: every
// field is a naturally aligned 32-bit word (little-endian, as on every machine that runs them), and
// nothing in it is a pointer.
//
// Mapping (offsets in bytes):
//   0      the table: the channel's header, then the lanes' headers
//   65536  lane i's data, kLaneBytes each, at 65536 + i * kLaneBytes
// Channel header at 0:
//   0  magic "QNC1"            12 reader's window handle   20 armed: the reader waits for a wake-up
//   4  lane count              16 message posted to it     24 closed: the reader has gone
//   8  bytes of a lane's data
// Lane i's header at 128 * (i + 1); the writer's words first, the reader's on a line of their own:
//   0  owner: the writer's source key, 0 while the lane is free
//   4  base: the message number the writer's first report had when it took the lane
//   8  head: bytes of entries published, counted from 0 and wrapping at 2^32
//   12 ended: 1 once the writer has marked the end of its reports
//   16 end number: the number its next report would have had
//   64 tail: bytes of entries the reader has taken
// Entries follow each other from the tail to the head, at multiples of 16 bytes; an entry's
// payload may wrap from the end of the lane's data to its start, its header never does:
//   0  payload length L       4 message number       8 API id (16 bits)   10 0 (16 bits)   12 0
//   16 L payload bytes, then zeros up to the next multiple of 16
// A writer copies an entry in beyond the head and then publishes it by moving the head; an entry
// that a dying writer left half-written is never published, and so never read. Message numbers
// count every report the module made, so that the reader counts each one that never came: dropped
// while the reader had gone or stalled, or made but never published, up to the end mark.
#pragma once

#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>

#include "protocol/SpyDatagram.h"

namespace protocol::channel {

static_assert(std::endian::native == std::endian::little);

constexpr uint32_t kMagic = 0x31434E51;  // "QNC1"
constexpr uint32_t kLaneCount = 32;
constexpr uint32_t kLaneBytes = 256 * 1024;  // a power of two: positions wrap with the counters
constexpr size_t kTableBytes = 65536;        // a mapping granule, so that a lane maps on its own
constexpr size_t kMappingBytes = kTableBytes + size_t{kLaneCount} * kLaneBytes;
constexpr size_t kHeaderBytes = 128;  // the channel's, and each lane's
constexpr size_t kEntryHeader = 16;
constexpr size_t kEntryAlign = 16;
// A record is 244 × n bytes, n at most 268: with its header, the trace file's 16-bit length
// still holds it.
constexpr size_t kMaxChunks = 268;
constexpr size_t kMaxPayload = protocol::spy::kChunkSize * kMaxChunks;  // 65,392
// A lane without progress for this long has a reader that is gone or stalled.
constexpr uint32_t kStallMs = 2000;

// Offsets of the channel header's words.
constexpr size_t kMagicAt = 0;
constexpr size_t kLaneCountAt = 4;
constexpr size_t kLaneBytesAt = 8;
constexpr size_t kWindowAt = 12;
constexpr size_t kMessageAt = 16;
constexpr size_t kArmedAt = 20;
constexpr size_t kClosedAt = 24;
// Offsets within a lane's header.
constexpr size_t kOwnerAt = 0;
constexpr size_t kBaseAt = 4;
constexpr size_t kHeadAt = 8;
constexpr size_t kEndedAt = 12;
constexpr size_t kEndNumberAt = 16;
constexpr size_t kTailAt = 64;

constexpr size_t LaneHeaderAt(uint32_t lane) {
  return kHeaderBytes * (size_t{lane} + 1);
}
constexpr size_t LaneDataAt(uint32_t lane) {
  return kTableBytes + size_t{lane} * kLaneBytes;
}
constexpr uint32_t EntryBytes(size_t payloadLength) {
  return static_cast<uint32_t>((kEntryHeader + payloadLength + kEntryAlign - 1) / kEntryAlign *
                               kEntryAlign);
}
static_assert(LaneHeaderAt(kLaneCount) <= kTableBytes);
static_assert(EntryBytes(kMaxPayload) <= kLaneBytes);

// The layout holds for writers and readers of either width: every word is 4 bytes at a multiple
// of 4 within its header, the writer's words share no 64-byte line with the reader's tail, and a
// word's atomic operations work between processes (lock-free, on its natural alignment).
namespace detail {
constexpr bool WordsAt(std::initializer_list<size_t> offsets, size_t from, size_t to) {
  for (const size_t at : offsets) {
    if (at % sizeof(uint32_t) != 0 || at < from || at + sizeof(uint32_t) > to) return false;
  }
  return true;
}
}  // namespace detail
static_assert(detail::WordsAt({kMagicAt, kLaneCountAt, kLaneBytesAt, kWindowAt, kMessageAt,
                               kArmedAt, kClosedAt},
                              0, kHeaderBytes));
static_assert(detail::WordsAt({kOwnerAt, kBaseAt, kHeadAt, kEndedAt, kEndNumberAt}, 0, 64) &&
              detail::WordsAt({kTailAt}, 64, kHeaderBytes));
static_assert(sizeof(uint32_t) == 4 && alignof(uint32_t) == 4);
static_assert(std::atomic_ref<uint32_t>::is_always_lock_free &&
              std::atomic_ref<uint32_t>::required_alignment == alignof(uint32_t));
static_assert(kTableBytes % 64 == 0 && kLaneBytes % 64 == 0 && kHeaderBytes % 64 == 0);

// The name of the mapping of the channel numbered `id`.
std::string MappingName(uint32_t id);

// One 32-bit word of the mapping, shared with other processes. `base` is aligned to 64 bytes.
inline std::atomic_ref<uint32_t> Word(uint8_t* base, size_t offset) {
  return std::atomic_ref<uint32_t>(*reinterpret_cast<uint32_t*>(base + offset));
}

// What the writer asks of its system.
class IWriterHost {
 public:
  virtual ~IWriterHost() = default;
  virtual uint32_t Milliseconds() = 0;  // a clock in milliseconds, wrapping
  virtual void Pause() = 0;             // lets the reader run for a moment
  virtual void Wake() = 0;              // tells the reader that a lane needs it
};

// An agent module's side: its lane, taken in a channel's table, and its data.
class LaneWriter {
 public:
  // Takes a free lane of the channel whose table is `table` for the writer `source`, whose next
  // report has the number `base`; nothing when the table is not a channel of this layout, its
  // reader has gone, or every lane is taken.
  static std::optional<uint32_t> Claim(uint8_t* table, uint32_t source, uint32_t base);

  // `data` is lane `lane`'s data, which the writer has claimed.
  LaneWriter(uint8_t* table, uint32_t lane, uint8_t* data);

  enum class Outcome { kWritten, kWaited, kDropped };
  // Writes one report. While the lane is full it waits for the reader to make room; when the
  // reader has gone, or made no room for kStallMs, the report is dropped, and so is every
  // following one until the reader has taken something. A payload beyond kMaxPayload is dropped.
  Outcome Put(uint32_t number, uint16_t apiId, std::span<const uint8_t> payload, IWriterHost& host);
  // Marks the end of the writer's reports: `next` is the number its next report would have had.
  // Needs no room, and takes no turn: at the end of a process the threads that wrote are gone.
  void End(uint32_t next, IWriterHost& host);

 private:
  bool HasRoom(uint32_t bytes);
  // Wakes the reader when it waits for a wake-up; the first writer to see it waiting does.
  void WakeIfArmed(IWriterHost& host);
  std::atomic_ref<uint32_t> Lane(size_t offset) { return Word(m_table, m_header + offset); }

  uint8_t* m_table;
  size_t m_header;
  uint8_t* m_data;
  uint32_t m_head = 0;
  uint32_t m_tail = 0;  // as last read
  bool m_stalled = false;
  uint32_t m_stalledTail = 0;
};

// The reader's side of a whole mapping of kMappingBytes.
class ChannelReader {
 public:
  explicit ChannelReader(uint8_t* mapping) : m_mapping(mapping) {}

  // Lays out a new channel whose wake-ups go to `window` as `message`; its reader waits for the
  // first.
  void Format(uint32_t window, uint32_t message);
  // Tells the writers that the reader has gone: none waits for room any more.
  void Close() { Word(m_mapping, kClosedAt).store(1); }

  uint32_t Owner(uint32_t lane) const { return Lane(lane, kOwnerAt).load(); }
  uint32_t Base(uint32_t lane) const { return Lane(lane, kBaseAt).load(); }
  // The end mark's number once the writer has set it; entries published before it are waiting
  // still while Next finds them.
  std::optional<uint32_t> EndNumber(uint32_t lane) const;

  struct Entry {
    uint32_t length = 0;
    uint32_t number = 0;
    uint16_t apiId = 0;
  };
  enum class Next { kEmpty, kEntry, kCorrupt };
  // The oldest entry not yet taken. kCorrupt when the published bytes are not entries of this
  // layout: nothing of the lane is read then until Skip.
  Next Peek(uint32_t lane, Entry& entry) const;
  // The entry's payload into `out`, which holds entry.length bytes.
  void CopyPayload(uint32_t lane, const Entry& entry, uint8_t* out) const;
  // Takes the entry, making room for the writer.
  void Take(uint32_t lane, const Entry& entry);
  // Takes everything published, read or not.
  void Skip(uint32_t lane);
  // Frees a lane whose writer has ended or gone, for another writer.
  void Free(uint32_t lane);
  // Before waiting for a wake-up: true when no lane holds an entry or an end mark, and a writer
  // that publishes one from now on wakes the reader; false when something is waiting.
  bool Arm();

 private:
  std::atomic_ref<uint32_t> Lane(uint32_t lane, size_t offset) const {
    return Word(m_mapping, LaneHeaderAt(lane) + offset);
  }
  uint32_t Waiting(uint32_t lane) const {
    return Lane(lane, kHeadAt).load() - Lane(lane, kTailAt).load(std::memory_order_relaxed);
  }

  uint8_t* m_mapping;
};

}  // namespace protocol::channel
