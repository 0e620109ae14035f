// The agent's wire format: one message per traced call, cut into 256-byte UDP datagrams of a
// 12-byte header and a 244-byte chunk of the payload.
//
//   0  4  source key (the agent uses the process id)
//   4  2  message number
//   6  1  fragment index, from 1
//   7  1  fragment count
//   8  2  API id
//  10  2  unused (0)
//  12 244 payload bytes 244 * (index - 1) .. 244 * index - 1
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace protocol::spy {

constexpr size_t kDatagramSize = 256;
constexpr size_t kHeaderSize = 12;
constexpr size_t kChunkSize = kDatagramSize - kHeaderSize;  // 244
constexpr size_t kMaxFragments = 255;
constexpr size_t kMaxPayload = kChunkSize * kMaxFragments;  // 62,220

using Datagram = std::array<uint8_t, kDatagramSize>;

struct MessageKey {
  uint32_t source = 0;
  uint16_t msgNum = 0;
  uint16_t apiId = 0;
};

// Fragments a payload of `payloadSize` bytes takes; an empty payload still takes one datagram,
// which carries a fragment count of 0 (a record without data). 0 when the payload is too large.
size_t FragmentCount(size_t payloadSize);

// Writes datagram `index` (1-based) of the message into `out`.
void BuildDatagram(const MessageKey& key, std::span<const uint8_t> payload, size_t index,
                   Datagram& out);

// All datagrams of one message, in index order. Empty when the payload exceeds kMaxPayload:
// the fragment count is one byte and is never wrapped.
std::vector<Datagram> FragmentMessage(const MessageKey& key, std::span<const uint8_t> payload);

}  // namespace protocol::spy
