// Records for the view and print tests, built with the agent's payload builders.
#pragma once

#include <vector>

#include "FormatTestRecords.h"

namespace viewrec {

inline SpyMsgPtr CloseSocket() {
  return testrec::Make(2, [](std::span<uint8_t> out) {
    return agent::payload::BuildCloseSocket(out, {0, 1, 0});
  });
}

// Byte i of the captured data is 'A' + i % 26.
inline char DataChar(size_t i) {
  return static_cast<char>('A' + i % 26);
}

// recv (15) or send (18) whose result says `result` bytes of which the first `size` were
// captured.
inline SpyMsgPtr CutTransfer(int32_t id, size_t size, int32_t result) {
  std::vector<uint8_t> data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(DataChar(i));
  return testrec::Make(id, [&](std::span<uint8_t> out) {
    return agent::payload::BuildRecvSend(out, {0, 1, 0, result}, data);
  });
}

// recv (15) or send (18) of `size` bytes.
inline SpyMsgPtr Transfer(int32_t id, size_t size) {
  return CutTransfer(id, size, static_cast<int32_t>(size));
}

inline SpyMsgPtr Connect() {
  return testrec::Make(3, [](std::span<uint8_t> out) {
    agent::payload::AddressCall call{0, 5, 0, 16,
                                     agent::payload::MakeSockAddr(2, 80, {10, 0, 0, 1})};
    return agent::payload::BuildBindConnect(out, call);
  });
}

}  // namespace viewrec
