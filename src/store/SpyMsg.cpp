#include "store/SpyMsg.h"

#include "protocol/Bytes.h"
#include "protocol/Calls.h"

std::unique_ptr<CSpyMsg> CSpyMsg::Clone() const {
  auto copy = std::make_unique<CSpyMsg>();
  copy->m_time = m_time;
  copy->m_nApiId = m_nApiId;
  copy->m_dwReserved = m_dwReserved;
  copy->m_nError = m_nError;
  copy->m_bTrigger = m_bTrigger;
  copy->m_hData = m_hData;
  return copy;
}

int CSpyMsg::MatchPattern(int32_t offset, int32_t length, std::span<const uint8_t> pattern) const {
  const auto transfer = protocol::calls::TransferOf(m_nApiId);
  if (!transfer || !m_hData.HasData()) return 0;
  if (offset < 0 || length < 0 || static_cast<size_t>(length) > pattern.size()) return 0;

  const std::span<const uint8_t> block = m_hData.Bytes();
  if (protocol::bytes::GetLE32Signed(block, transfer->result) == -1) return 0;

  const int64_t end = static_cast<int64_t>(offset) + length;
  if (end > protocol::bytes::GetLE32Signed(block, transfer->count)) return 0;
  if (static_cast<int64_t>(transfer->fixed) + end > static_cast<int64_t>(block.size())) return 0;

  const uint8_t* data = block.data() + transfer->fixed + offset;
  for (int32_t i = 0; i < length; ++i) {
    if (pattern[static_cast<size_t>(i)] != data[i]) return 0;
  }
  return 1;
}
