// One trace record: one traced Winsock call with its parameter block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace store {

// The record's parameter block as the agent sent it (or as a trace file stored it). It can be
// absent; absent and empty both mean "a record without data" to every reader.
class Payload {
 public:
  Payload() = default;
  // A present, zero-filled block of `size` bytes.
  explicit Payload(size_t size) : m_bytes(std::in_place, size, uint8_t{0}) {}
  explicit Payload(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}

  bool IsPresent() const { return m_bytes.has_value(); }
  bool HasData() const { return m_bytes && !m_bytes->empty(); }
  size_t Size() const { return m_bytes ? m_bytes->size() : 0; }
  std::span<const uint8_t> Bytes() const {
    return m_bytes ? std::span<const uint8_t>(*m_bytes) : std::span<const uint8_t>();
  }
  std::span<uint8_t> MutableBytes() {
    return m_bytes ? std::span<uint8_t>(*m_bytes) : std::span<uint8_t>();
  }
  void Reset() { m_bytes.reset(); }

 private:
  std::optional<std::vector<uint8_t>> m_bytes;
};

}  // namespace store

class CSpyMsg {
 public:
  CSpyMsg() = default;
  virtual ~CSpyMsg() = default;
  CSpyMsg(const CSpyMsg&) = delete;
  CSpyMsg& operator=(const CSpyMsg&) = delete;

  // Deep copy; the copy owns its own payload block.
  std::unique_ptr<CSpyMsg> Clone() const;

  // 1 when `length` bytes of `pattern` equal the call's captured data from `offset` on; 0 for
  // calls without data, failed calls, and any range outside the pattern, the captured bytes or
  // the payload.
  int MatchPattern(int32_t offset, int32_t length, std::span<const uint8_t> pattern) const;

  std::span<const uint8_t> PayloadBytes() const { return m_hData.Bytes(); }

  uint32_t m_time = 0;  // seconds since 1970-01-01 00:00 UTC, unsigned 32-bit
  int32_t m_nApiId = 0;
  uint32_t m_dwReserved = 0;
  int32_t m_nError = 0;
  int32_t m_bTrigger = 0;
  store::Payload m_hData;
};

using SpyMsgPtr = std::unique_ptr<CSpyMsg>;
