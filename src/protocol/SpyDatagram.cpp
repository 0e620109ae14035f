#include "protocol/SpyDatagram.h"

#include <algorithm>

#include "protocol/Bytes.h"

namespace protocol::spy {

size_t FragmentCount(size_t payloadSize) {
  if (payloadSize > kMaxPayload) return 0;
  if (payloadSize == 0) return 1;
  return (payloadSize + kChunkSize - 1) / kChunkSize;
}

void BuildDatagram(const MessageKey& key, std::span<const uint8_t> payload, size_t index,
                   Datagram& out) {
  out.fill(0);
  protocol::bytes::PutLE32(out.data(), key.source);
  protocol::bytes::PutLE16(out.data() + 4, key.msgNum);
  out[6] = static_cast<uint8_t>(index);
  out[7] = static_cast<uint8_t>((payload.size() + kChunkSize - 1) / kChunkSize);
  protocol::bytes::PutLE16(out.data() + 8, key.apiId);
  const size_t begin = std::min(payload.size(), kChunkSize * (index - 1));
  const size_t end = std::min(payload.size(), kChunkSize * index);
  std::copy(payload.begin() + static_cast<std::ptrdiff_t>(begin),
            payload.begin() + static_cast<std::ptrdiff_t>(end), out.begin() + kHeaderSize);
}

std::vector<Datagram> FragmentMessage(const MessageKey& key, std::span<const uint8_t> payload) {
  const size_t count = FragmentCount(payload.size());
  std::vector<Datagram> out(count);
  for (size_t i = 0; i < count; ++i) BuildDatagram(key, payload, i + 1, out[i]);
  return out;
}

}  // namespace protocol::spy
