// The archive encoding shared by the trace file and the settings file: little-endian numbers
// and counted strings, with no padding and no type tags.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace store {

class ArchiveWriter {
 public:
  void Put8(uint8_t value) { m_bytes.push_back(value); }
  void Put16(uint16_t value);
  void Put32(uint32_t value);
  void PutBytes(std::span<const uint8_t> block);
  // A length below 255 takes one byte; up to 65533 the byte 0xFF and a 16-bit length; longer
  // strings 0xFF, 0xFFFF and a 32-bit length. The characters follow without a terminator.
  void PutString(std::string_view text);

  const std::vector<uint8_t>& Bytes() const { return m_bytes; }
  std::vector<uint8_t> Take() { return std::move(m_bytes); }

 private:
  std::vector<uint8_t> m_bytes;
};

// Reads from a block it does not own. Every read checks what is left first: a read that does
// not fit fails, leaves its output alone and consumes nothing.
class ArchiveReader {
 public:
  explicit ArchiveReader(std::span<const uint8_t> block) : m_block(block) {}

  bool Get8(uint8_t& value);
  bool Get16(uint16_t& value);
  bool Get32(uint32_t& value);
  bool GetBytes(size_t count, std::vector<uint8_t>& out);
  // Reads any of the three length forms. The 16-bit form also accepts 0xFFFE.
  bool GetString(std::string& text);

  size_t Remaining() const { return m_block.size() - m_pos; }
  size_t Position() const { return m_pos; }

 private:
  std::span<const uint8_t> m_block;
  size_t m_pos = 0;
};

}  // namespace store
