// The display font as Windows describes it: the LOGFONT structure (ANSI form, 60 bytes when
// stored).
#pragma once

#include <array>
#include <cstdint>

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
