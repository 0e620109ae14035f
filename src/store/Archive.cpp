#include "store/Archive.h"

#include "protocol/Bytes.h"

namespace store {

void ArchiveWriter::Put16(uint16_t value) {
  uint8_t out[2];
  protocol::bytes::PutLE16(out, value);
  m_bytes.insert(m_bytes.end(), out, out + 2);
}

void ArchiveWriter::Put32(uint32_t value) {
  uint8_t out[4];
  protocol::bytes::PutLE32(out, value);
  m_bytes.insert(m_bytes.end(), out, out + 4);
}

void ArchiveWriter::PutBytes(std::span<const uint8_t> block) {
  m_bytes.insert(m_bytes.end(), block.begin(), block.end());
}

void ArchiveWriter::PutString(std::string_view text) {
  const size_t length = text.size();
  if (length < 0xFF) {
    Put8(static_cast<uint8_t>(length));
  } else if (length < 0xFFFE) {
    Put8(0xFF);
    Put16(static_cast<uint16_t>(length));
  } else {
    Put8(0xFF);
    Put16(0xFFFF);
    Put32(static_cast<uint32_t>(length));
  }
  for (char c : text) Put8(static_cast<uint8_t>(c));
}

bool ArchiveReader::Get8(uint8_t& value) {
  if (Remaining() < 1) return false;
  value = m_block[m_pos++];
  return true;
}

bool ArchiveReader::Get16(uint16_t& value) {
  if (Remaining() < 2) return false;
  value = protocol::bytes::GetLE16(m_block, m_pos);
  m_pos += 2;
  return true;
}

bool ArchiveReader::Get32(uint32_t& value) {
  if (Remaining() < 4) return false;
  value = protocol::bytes::GetLE32(m_block, m_pos);
  m_pos += 4;
  return true;
}

bool ArchiveReader::GetBytes(size_t count, std::vector<uint8_t>& out) {
  if (Remaining() < count) return false;
  const auto first = m_block.begin() + static_cast<std::ptrdiff_t>(m_pos);
  out.assign(first, first + static_cast<std::ptrdiff_t>(count));
  m_pos += count;
  return true;
}

bool ArchiveReader::GetString(std::string& text) {
  const size_t start = m_pos;
  uint8_t shortLength = 0;
  uint16_t midLength = 0;
  uint32_t length = 0;
  bool ok = Get8(shortLength);
  if (ok && shortLength < 0xFF) {
    length = shortLength;
  } else if (ok && (ok = Get16(midLength)) && midLength < 0xFFFF) {
    length = midLength;
  } else if (ok) {
    ok = Get32(length);
  }
  if (!ok || Remaining() < length) {
    m_pos = start;
    return false;
  }
  const auto first = m_block.begin() + static_cast<std::ptrdiff_t>(m_pos);
  text.assign(first, first + static_cast<std::ptrdiff_t>(length));
  m_pos += length;
  return true;
}

}  // namespace store
