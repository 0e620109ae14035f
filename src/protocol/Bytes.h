// Little-endian access to byte blocks from outside (payloads, datagrams, files).
// Reads never go past the end of the block: missing bytes count as zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace protocol::bytes {

inline uint8_t Get8(std::span<const uint8_t> block, size_t offset) {
  return offset < block.size() ? block[offset] : 0;
}

inline uint16_t GetLE16(std::span<const uint8_t> block, size_t offset) {
  return static_cast<uint16_t>(Get8(block, offset) | Get8(block, offset + 1) << 8);
}

inline uint32_t GetLE32(std::span<const uint8_t> block, size_t offset) {
  return static_cast<uint32_t>(Get8(block, offset)) |
         static_cast<uint32_t>(Get8(block, offset + 1)) << 8 |
         static_cast<uint32_t>(Get8(block, offset + 2)) << 16 |
         static_cast<uint32_t>(Get8(block, offset + 3)) << 24;
}

inline int32_t GetLE32Signed(std::span<const uint8_t> block, size_t offset) {
  return static_cast<int32_t>(GetLE32(block, offset));
}

inline uint64_t GetLE64(std::span<const uint8_t> block, size_t offset) {
  return static_cast<uint64_t>(GetLE32(block, offset + 4)) << 32 | GetLE32(block, offset);
}

inline void PutLE16(uint8_t* out, uint16_t value) {
  out[0] = static_cast<uint8_t>(value);
  out[1] = static_cast<uint8_t>(value >> 8);
}

inline void PutLE32(uint8_t* out, uint32_t value) {
  out[0] = static_cast<uint8_t>(value);
  out[1] = static_cast<uint8_t>(value >> 8);
  out[2] = static_cast<uint8_t>(value >> 16);
  out[3] = static_cast<uint8_t>(value >> 24);
}

inline void PutLE64(uint8_t* out, uint64_t value) {
  PutLE32(out, static_cast<uint32_t>(value));
  PutLE32(out + 4, static_cast<uint32_t>(value >> 32));
}

}  // namespace protocol::bytes
