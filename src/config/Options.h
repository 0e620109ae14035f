// The monitor's preferences: display modes, capture options, trigger, colours and font. They
// are kept in the settings file; each value is guarded where it is used, because the file may
// hold anything.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "protocol/Calls.h"

// A colour as Windows stores it: red in the low byte, then green, then blue.
using ColorRef = uint32_t;
constexpr ColorRef Rgb(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<ColorRef>(r) | static_cast<ColorRef>(g) << 8 | static_cast<ColorRef>(b) << 16;
}

// The Windows LOGFONT description (ANSI form, 60 bytes when stored).
struct LogFont {
  int32_t lfHeight = -13;
  int32_t lfWidth = 0;
  int32_t lfEscapement = 0;
  int32_t lfOrientation = 0;
  int32_t lfWeight = 400;
  uint8_t lfItalic = 0;
  uint8_t lfUnderline = 0;
  uint8_t lfStrikeOut = 0;
  uint8_t lfCharSet = 0;
  uint8_t lfOutPrecision = 1;
  uint8_t lfClipPrecision = 2;
  uint8_t lfQuality = 1;
  uint8_t lfPitchAndFamily = 0x31;             // fixed pitch, modern family
  std::array<char, 32> lfFaceName{"Courier"};  // zero-terminated

  bool operator==(const LogFont&) const = default;
};

struct Options {
  int32_t m_bShowTime = 1;
  int32_t m_bVerbose = 0;
  int32_t m_bVertSpace = 1;
  int32_t m_bViewTrap = 0;
  int32_t m_nTraceSize = 50;
  int32_t m_nTrapSize = 10;
  int32_t m_bSaveEntire = 1;
  int32_t m_bDisplayEntire = 1;
  int32_t m_nSaveBytes = 16;
  int32_t m_nDisplayBytes = 16;
  int32_t m_nTriggerPos = 1;   // 0 Front, 1 Middle, 2 Back
  int32_t m_nTriggerType = 0;  // 0 API call, 1 socket error, 2 receive data, 3 send data
  int32_t m_nTriggerApi = 0;
  int32_t m_nTriggerError = 0;  // index into the sorted error list, -1 for none
  std::array<uint8_t, 100> m_triggerPattern{};
  int32_t m_nPatternOffset = 0;
  int32_t m_nPatternLength = 4;
  std::array<int32_t, calls::kCount> m_apiEnable = DefaultApiEnable();
  int32_t m_bDataOnly = 0;
  int32_t m_bIgnoreWouldBlock = 1;
  int32_t m_bErrorsOnly = 0;
  int32_t m_bRestrictSocket = 0;
  int32_t m_nSocketId = 0;
  ColorRef m_crBackground = Rgb(255, 255, 255);
  ColorRef m_crApiCalls = Rgb(0, 0, 0);
  ColorRef m_crSend = Rgb(0, 0, 0);
  ColorRef m_crRecv = Rgb(150, 150, 150);
  ColorRef m_crReturns = Rgb(255, 0, 0);
  LogFont m_logFont;

  bool operator==(const Options&) const = default;

  static constexpr std::array<int32_t, calls::kCount> DefaultApiEnable() {
    using calls::Id;
    std::array<int32_t, calls::kCount> flags{};
    for (Id id : {Id::bind, Id::closesocket, Id::connect, Id::getsockopt, Id::recv, Id::recvfrom,
                  Id::send, Id::sendto, Id::setsockopt, Id::socket, Id::gethostbyname}) {
      flags[static_cast<size_t>(id)] = 1;
    }
    return flags;
  }
};
