// What the agent is asked to report: which calls, the tracking options and how much data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "store/SpyMsg.h"

struct CaptureOptions {
  std::array<int32_t, kApiCount> m_apiEnable = DefaultApiEnable();
  int32_t m_bIgnoreWouldBlock = 1;
  int32_t m_bErrorsOnly = 0;
  int32_t m_bRestrictSocket = 0;
  int32_t m_nSocketId = 0;
  int32_t m_bSaveEntire = 1;
  int32_t m_nSaveBytes = 16;

  bool operator==(const CaptureOptions&) const = default;

  // bind, closesocket, connect, getsockopt, recv, recvfrom, send, sendto, setsockopt, socket,
  // gethostbyname.
  static constexpr std::array<int32_t, kApiCount> DefaultApiEnable() {
    std::array<int32_t, kApiCount> flags{};
    for (int id : {1, 2, 3, 6, 15, 16, 18, 19, 20, 22, 24}) flags[static_cast<size_t>(id)] = 1;
    return flags;
  }
};
