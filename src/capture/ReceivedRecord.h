// A record as the receiver makes one, from datagrams or from the report channel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>

#include "protocol/Bytes.h"
#include "protocol/SpyDatagram.h"
#include "store/SpyMsg.h"

namespace capture {

// The time the report arrived, its API id, and a zero-filled payload of `chunks` 244-byte chunks
// that `fill` writes, whose first word is the call's error code. Without memory for the payload
// the record is still made, as a call without data.
template <class Fill>
std::unique_ptr<CSpyMsg> ReceivedRecord(uint32_t time, uint16_t apiId, size_t chunks, Fill fill) {
  auto record = std::make_unique<CSpyMsg>();
  record->m_time = time;
  record->m_nApiId = apiId;
  if (chunks == 0) return record;
  try {
    store::Payload payload(protocol::spy::kChunkSize * chunks);
    fill(payload.MutableBytes());
    record->m_nError = protocol::bytes::GetLE32Signed(payload.Bytes(), 0);
    record->m_hData = std::move(payload);
  } catch (const std::bad_alloc&) {
    // The record is still stored and shown, as a call without data.
  }
  return record;
}

}  // namespace capture
