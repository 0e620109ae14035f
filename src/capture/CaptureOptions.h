// What the agent is asked to report: which calls, the tracking options and how much data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol/Calls.h"

namespace capture {

// The largest "Up to" limit of data bytes, saved or shown. The agent keeps more of a transfer only
// when told to save entire messages; then only the size of a message can cut its data.
constexpr int32_t kUpToBytesMax = 1024;

struct CaptureOptions {
  std::array<int32_t, protocol::calls::kCount> m_apiEnable = DefaultApiEnable();
  int32_t m_bIgnoreWouldBlock = 1;
  int32_t m_bErrorsOnly = 0;
  int32_t m_bRestrictSocket = 0;
  int32_t m_nSocketId = 0;
  int32_t m_bSaveEntire = 1;
  int32_t m_nSaveBytes = 16;

  bool operator==(const CaptureOptions&) const = default;

  static constexpr std::array<int32_t, protocol::calls::kCount> DefaultApiEnable() {
    using protocol::calls::Id;
    std::array<int32_t, protocol::calls::kCount> flags{};
    for (Id id : {Id::bind, Id::closesocket, Id::connect, Id::getsockopt, Id::recv, Id::recvfrom,
                  Id::send, Id::sendto, Id::setsockopt, Id::socket, Id::gethostbyname}) {
      flags[static_cast<size_t>(id)] = 1;
    }
    return flags;
  }
};

}  // namespace capture
